// SPDX-License-Identifier: GPL-3.0-or-later
// The Containers table names each container and its folder; Container_N
// holds container N's entries. Windows makes a Container_N table only once
// the container has had an entry, so a container without one is empty.
#include "webcache.h"

#include "esedb.h"
#include "tables.h"

#include <algorithm>
#include <map>

namespace trovana::webcache {

namespace {

// The containers whose entries the program shows: the cache, the history
// and the daily and weekly history. The others (iedownload, DOMStore,
// iecompat, feedplat, ...) hold Internet Explorer's own lists and records.
std::optional<ContainerGroup> GroupOf(std::string_view name)
{
    if (name == "Content")
        return ContainerGroup::Content;
    if (name == "History" || name.starts_with("MSHist"))
        return ContainerGroup::History;
    return std::nullopt;
}

// "0KLPAC95EIRRDZXCL9HRTYNO9XWKH8VJ" -> its 8-character folder names.
std::vector<std::string> SplitSecureDirectories(std::string_view names)
{
    std::vector<std::string> folders;
    for (size_t at = 0; at + 8 <= names.size(); at += 8)
        folders.emplace_back(names.substr(at, 8));
    return folders;
}

}  // namespace

bool ReadContainerRow(const esedb::Record& record, ContainerRow& row)
{
    row.name = record.Text("Name");
    row.id = record.U64("ContainerId");
    row.directory = record.Text("Directory");
    row.secureDirectories = SplitSecureDirectories(record.Text("SecureDirectories"));
    const auto group = GroupOf(row.name);
    if (group)
        row.group = *group;
    return group.has_value();
}

std::vector<ContainerRow> ReadContainers(esedb::File& file, std::vector<std::string>& unreadable,
                                         std::vector<ContainerRow>& others)
{
    std::optional<esedb::Table> table = file.Find("Containers");
    if (!table)
        throw esedb::EseError("it has no Containers table");
    std::vector<ContainerRow> rows;
    ForEachRecord(*table, "Containers", unreadable, [&](const esedb::Record& record) {
        ContainerRow row;
        (ReadContainerRow(record, row) ? rows : others).push_back(std::move(row));
    });
    // History before content, as index.dat containers are listed; the main
    // history before the daily and weekly ones, which go in date order.
    std::stable_sort(rows.begin(), rows.end(), [](const ContainerRow& a, const ContainerRow& b) {
        if (a.group != b.group)
            return a.group < b.group;
        if (a.group == ContainerGroup::History && (a.name == "History") != (b.name == "History"))
            return a.name == "History";
        return a.group == ContainerGroup::History ? a.name < b.name : a.id < b.id;
    });
    return rows;
}

WebCacheEntry ReadEntry(const esedb::Record& record, const ContainerRow& container, const std::string& table)
{
    WebCacheEntry entry;
    entry.group = container.group;
    entry.containerName = container.name;
    entry.table = table;
    entry.entryId = record.U64("EntryId");
    entry.url = record.Text("Url");
    entry.fileName = record.Text("Filename");
    if (!entry.fileName.empty()) {
        entry.directory = container.directory;
        const uint32_t secure = record.U32("SecureDirectory");
        if (secure < container.secureDirectories.size())
            entry.secureDirectory = container.secureDirectories[secure];
    }
    entry.fileExtension = record.Text("FileExtension");
    const uint64_t size = record.U64("FileSize");
    entry.fileSize = size > static_cast<uint64_t>(INT64_MAX) ? 0 : size;
    entry.type = record.U32("Type");
    entry.flags = record.U32("Flags");
    entry.accessCount = record.U32("AccessCount");
    entry.exemptionDelta = record.U32("ExemptionDelta");
    entry.syncTime = FileTimeValue(record, "SyncTime");
    entry.creationTime = FileTimeValue(record, "CreationTime");
    entry.expiryTime = FileTimeValue(record, "ExpiryTime");
    entry.modifiedTime = FileTimeValue(record, "ModifiedTime");
    entry.accessedTime = FileTimeValue(record, "AccessedTime");
    entry.postCheckTime = FileTimeValue(record, "PostCheckTime");
    entry.responseHeaders = record.Bytes("ResponseHeaders");
    entry.requestHeaders = record.Bytes("RequestHeaders");
    return entry;
}

namespace {

// The profile's user: the folder after "Users\" (or "Documents and
// Settings\") in a container's folder, as cookie URLs name it.
std::string UserOf(const std::vector<ContainerRow>& containers)
{
    for (const ContainerRow& row : containers) {
        std::string lower = row.directory;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (std::string_view users : {"\\users\\", "\\documents and settings\\"}) {
            const size_t at = lower.find(users);
            if (at == std::string::npos)
                continue;
            const size_t start = at + users.size();
            const size_t end = row.directory.find('\\', start);
            if (end != std::string::npos && end > start)
                return row.directory.substr(start, end - start);
        }
    }
    return "user";
}

// The tables with rows that are not URL cache entries, each with its row
// count, or why it cannot be read; their damaged pages too, so that none of
// the database's damage goes unsaid.
void CountOtherTables(esedb::File& file, const std::vector<OtherTable>& tables, WebCacheContents& contents)
{
    for (const OtherTable& other : tables) {
        try {
            std::optional<esedb::Table> table = file.Find(other.name);
            const int rows = table ? table->RecordCount() : 0;
            if (rows > 0)
                contents.otherTables.push_back(other.label + ": " + std::to_string(rows) +
                                               (rows == 1 ? " row" : " rows"));
            if (table)
                for (const std::string& problem : table->Problems())
                    contents.otherUnreadable.push_back(other.label + ": " + problem);
        } catch (const esedb::EseError& e) {
            contents.otherTables.push_back(other.label + ": cannot be read (" + std::string(e.what()) + ")");
        }
    }
}

}  // namespace

esedb::File OpenDatabase(const std::filesystem::path& database)
{
    if (!IsEseDatabase(database))
        throw WebCacheError(database.string() + " is not an ESE database (it lacks the signature 0x89abcdef)");
    try {
        return esedb::File(database);
    } catch (const esedb::EseError& e) {
        throw WebCacheError(e.what());
    }
}

void ForEachRecord(esedb::Table& table, const std::string& label, std::vector<std::string>& unreadable,
                   const std::function<void(const esedb::Record&)>& read)
{
    int count = 0;
    try {
        count = table.RecordCount();
    } catch (const esedb::EseError& e) {
        unreadable.push_back(label + ": " + e.what());
        return;
    }
    int failed = 0;
    std::string reason;
    for (int i = 0; i < count; ++i) {
        try {
            read(table.Get(i));
        } catch (const esedb::EseError& e) {
            if (failed++ == 0)
                reason = e.what();
        }
    }
    if (failed > 0)
        unreadable.push_back(label + ": " + std::to_string(failed) + " of " + std::to_string(count) +
                             " records cannot be read (" + reason + ")");
    // Damaged pages were skipped: the rest of the table is read.
    for (const std::string& problem : table.Problems())
        unreadable.push_back(label + ": " + problem);
}

WebCacheContents ReadWebCache(const std::filesystem::path& database)
{
    esedb::File file = OpenDatabase(database);
    WebCacheContents contents;
    for (const std::string& problem : file.CatalogueProblems())
        contents.unreadable.push_back("the catalogue: " + problem);
    try {
        std::vector<ContainerRow> others;
        const std::vector<ContainerRow> containers = ReadContainers(file, contents.unreadable, others);
        contents.entries = ReadCookies(file, UserOf(containers), contents.unreadable);
        for (const ContainerRow& container : containers) {
            const std::string name = "Container_" + std::to_string(container.id);
            const std::string label = name + " (" + container.name + ")";
            std::optional<esedb::Table> table;
            try {
                table = file.Find(name);
            } catch (const esedb::EseError& e) {
                contents.unreadable.push_back(label + ": " + e.what());
                continue;
            }
            if (!table)
                continue;
            // A record whose URL reads as empty (the sample's Content table
            // has two, long values libesedb does not find, with a file and
            // headers) cannot be listed or looked up: kept apart.
            ForEachRecord(*table, label, contents.unreadable, [&](const esedb::Record& record) {
                WebCacheEntry entry = ReadEntry(record, container, name);
                (entry.url.empty() ? contents.withoutUrl : contents.entries).push_back(std::move(entry));
            });
        }
        CountOtherTables(file, OtherTables(file, containers, others), contents);
    } catch (const esedb::EseError& e) {
        throw WebCacheError(database.string() + " cannot be read: " + e.what());
    }
    return contents;
}

std::optional<uint64_t> CountWebCacheEntries(const std::filesystem::path& database)
{
    try {
        return ReadWebCache(database).entries.size();
    } catch (const WebCacheError&) {
        return std::nullopt;
    }
}

bool IsEseDatabase(const std::filesystem::path& file)
{
    return esedb::HasEseSignature(file);
}

}  // namespace trovana::webcache
