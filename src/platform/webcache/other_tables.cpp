// SPDX-License-Identifier: GPL-3.0-or-later
// The tables whose rows are not URL cache entries: the containers the
// program does not list (iedownload, DOMStore, iecompat, feedplat, ...)
// and the HSTS, dependency, blob and AppCache tables. Each row is read with
// what its table keeps, so that every row of the database can be shown.
#include "tables.h"

#include <initializer_list>
#include <set>

namespace trovana::webcache {

namespace {

// Tables read elsewhere, or that only describe the database itself.
bool ReadElsewhere(std::string_view name)
{
    return name.starts_with("MSys") || name == "Containers" || name == "LeakFiles" ||
           name.starts_with("CookieEntryEx_");
}

// "HstsEntryEx_3" -> "HstsEntryEx".
std::string KindOf(const std::string& table)
{
    const size_t underscore = table.rfind('_');
    return underscore == std::string::npos ? table : table.substr(0, underscore);
}

// The first of `columns` that the table has (the tables name alike values
// differently: Expires or ExpiryTime); the first when it has none.
std::string_view FirstOf(const esedb::Table& table, std::initializer_list<std::string_view> columns)
{
    for (const std::string_view column : columns) {
        if (table.Column(column))
            return column;
    }
    return *columns.begin();
}

// One row of a table that is no container: its key, URL (an HSTS row's
// domain), file, times, type, flags and headers, as far as it keeps them.
WebCacheEntry ReadOtherRow(const esedb::Table& table, const esedb::Record& record)
{
    WebCacheEntry entry;
    entry.containerName = KindOf(table.Name());
    entry.table = table.Name();
    entry.entryId = record.U64(FirstOf(table, {"EntryId", "AppCacheId", "TableId"}));
    entry.url = record.Text("Url");
    if (entry.url.empty() && table.Column("RDomain"))
        entry.url = DomainOf(record.Text("RDomain"));
    if (entry.url.empty())
        entry.url = record.Text("HostName");
    entry.fileName = record.Text(FirstOf(table, {"Filename", "Directory"}));
    entry.fileSize = record.U64(FirstOf(table, {"FileSize", "Size"}));
    entry.type = record.U32("Type");
    entry.flags = record.U32("Flags");
    entry.modifiedTime = FileTimeValue(record, "ModifiedTime");
    entry.expiryTime = FileTimeValue(record, FirstOf(table, {"ExpiryTime", "Expires"}));
    entry.accessedTime = FileTimeValue(record, FirstOf(table, {"AccessedTime", "LastTimeUsed", "AccessTime"}));
    entry.postCheckTime = FileTimeValue(record, "PostCheckTime");
    entry.responseHeaders = record.Bytes("ResponseHeaders");
    entry.requestHeaders = record.Bytes("RequestHeaders");
    return entry;
}

}  // namespace

std::vector<OtherTable> OtherTables(esedb::File& file, const std::vector<ContainerRow>& listed,
                                    const std::vector<ContainerRow>& others)
{
    std::set<std::string> named;
    for (const ContainerRow& container : listed)
        named.insert("Container_" + std::to_string(container.id));
    std::vector<OtherTable> tables;
    for (const ContainerRow& container : others) {
        const std::string name = "Container_" + std::to_string(container.id);
        named.insert(name);
        tables.push_back({name, name + " (" + container.name + ")", container});
    }
    // A Container_N table that the Containers table no longer names is
    // read as the other tables are.
    for (const std::string& name : file.TableNames()) {
        if (!ReadElsewhere(name) && !named.contains(name))
            tables.push_back({name, name, std::nullopt});
    }
    return tables;
}

WebCacheOtherRows ReadOtherTables(const std::filesystem::path& database)
{
    esedb::File file = OpenDatabase(database);
    WebCacheOtherRows rows;
    try {
        std::vector<ContainerRow> others;
        const std::vector<ContainerRow> listed = ReadContainers(file, rows.unreadable, others);
        for (const OtherTable& other : OtherTables(file, listed, others)) {
            std::optional<esedb::Table> table;
            try {
                table = file.Find(other.name);
            } catch (const esedb::EseError& e) {
                rows.unreadable.push_back(other.label + ": " + e.what());
                continue;
            }
            if (!table)
                continue;
            ForEachRecord(*table, other.label, rows.unreadable, [&](const esedb::Record& record) {
                rows.entries.push_back(other.container ? ReadEntry(record, *other.container, other.name)
                                                       : ReadOtherRow(*table, record));
            });
        }
    } catch (const esedb::EseError& e) {
        throw WebCacheError(database.string() + " cannot be read: " + e.what());
    }
    return rows;
}

}  // namespace trovana::webcache
