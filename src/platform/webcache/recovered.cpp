// SPDX-License-Identifier: GPL-3.0-or-later
// The Content, History and MSHist entries that only leftovers in the
// database's pages or its transaction logs still hold, those of containers
// whose table was dropped among them.
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "dropped.h"
#include "log_match.h"
#include "recovery.h"
#include "tables.h"
#include "webcache.h"

namespace trovana::webcache {
namespace {

std::string TableOf(const ContainerRow& container)
{
    return "Container_" + std::to_string(container.id);
}

// "Container_10" -> 10.
std::optional<uint64_t> ContainerIdOf(const std::string& table)
{
    constexpr std::string_view prefix = "Container_";
    if (!table.starts_with(prefix) || table.size() == prefix.size() || table.size() > prefix.size() + 9)
        return std::nullopt;
    uint64_t id = 0;
    for (char c : table.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        id = id * 10 + static_cast<uint64_t>(c - '0');
    }
    return id;
}

struct KnownContainer {
    ContainerRow row;
    bool listed = false;  // of a kind the program lists
};

// What each container id was: the live rows of the Containers table, then
// the rows only its leftovers hold (a container's row goes when its table
// is dropped). An id whose leftovers disagree on its name stays unknown.
std::map<uint64_t, KnownContainer> ContainersById(const std::shared_ptr<const ese::Database>& database,
                                                  const std::vector<ContainerRow>& listed,
                                                  const std::vector<ContainerRow>& others,
                                                  std::vector<std::string>& problems)
{
    std::map<uint64_t, KnownContainer> known;
    for (const ContainerRow& row : listed)
        known[row.id] = {row, true};
    for (const ContainerRow& row : others)
        known[row.id] = {row, false};
    const ese::Table* table = database->Tables().Find("Containers");
    if (!table)
        return known;
    const eserecovery::TableRecovery recovered = eserecovery::RecoverTable(*database, *table, problems);
    const esedb::Table values(database, *table);
    std::set<uint64_t> live;
    for (const auto& [id, container] : known)
        live.insert(id);
    std::set<uint64_t> disagree;
    for (const eserecovery::RecoveredRow& found : recovered.rows) {
        KnownContainer container;
        try {
            container.listed = ReadContainerRow(esedb::Record(values, found.record), container.row);
        } catch (const esedb::EseError&) {
            continue;
        }
        if (live.count(container.row.id))
            continue;
        const auto [at, added] = known.emplace(container.row.id, container);
        if (!added && at->second.row.name != container.row.name)
            disagree.insert(container.row.id);
    }
    for (uint64_t id : disagree)
        known.erase(id);
    return known;
}

// The rows of the Content, History and MSHist containers whose tables the
// catalogue no longer lists, named by what the Containers table (live or
// leftover) says they were; a container it says nothing of keeps its
// table's name, listed with the content.
void AddDroppedContainers(const std::filesystem::path& path, const std::shared_ptr<const ese::Database>& database,
                          const std::vector<ContainerRow>& listed, const std::vector<ContainerRow>& others,
                          WebCacheRecovered& result)
{
    const std::vector<eserecovery::DroppedTable> dropped = eserecovery::FindDroppedTables(*database);
    std::vector<std::string> pageProblems;
    const auto recovered = eserecovery::RecoverDroppedTables(*database, dropped, pageProblems);
    std::optional<std::map<uint64_t, KnownContainer>> known;  // read once a dropped container has rows
    for (size_t i = 0; i < dropped.size(); ++i) {
        const std::optional<uint64_t> id = ContainerIdOf(dropped[i].table.name);
        if (recovered[i].rows.empty() || !id)
            continue;
        if (!known)
            known = ContainersById(database, listed, others, pageProblems);
        ContainerRow container;
        container.id = *id;
        container.name = dropped[i].table.name;
        if (const auto it = known->find(*id); it != known->end()) {
            if (!it->second.listed)
                continue;
            container = it->second.row;
        }
        // Its tree went to other tables: only the recovered records are read.
        ese::Table table = dropped[i].table;
        table.rootPage = 0;
        const esedb::Table values(database, table);
        size_t unreadable = 0;
        for (const eserecovery::RecoveredRow& row : recovered[i].rows) {
            RecoveredEntry entry;
            entry.origin = RecoveredOrigin::Deleted;
            try {
                entry.entry = ReadEntry(esedb::Record(values, row.record), container, table.name);
            } catch (const esedb::EseError&) {
                ++unreadable;  // a long value whose tree is gone
                continue;
            }
            entry.file = path;
            entry.offset = row.fileOffset;
            entry.place = eserecovery::DescribePlace(row.leftover) + ", table dropped";
            result.entries.push_back(std::move(entry));
        }
        if (unreadable)
            result.problems.push_back(table.name + " (dropped): " + std::to_string(unreadable) +
                                      " recovered rows hold long values that are gone");
    }
}

WebCacheRecovered ReadRecovered(const std::filesystem::path& path)
{
    WebCacheRecovered result;
    esedb::File file = OpenDatabase(path);
    std::vector<ContainerRow> others;
    std::vector<ContainerRow> containers = ReadContainers(file, result.problems, others);
    const auto database = std::make_shared<const ese::Database>(path);

    std::map<std::string, const ContainerRow*> byTable;
    for (const ContainerRow& container : containers)
        byTable.emplace(TableOf(container), &container);

    // Deleted rows, table by table.
    std::vector<const ese::Table*> tables;
    std::vector<const ContainerRow*> owners;
    for (const ContainerRow& container : containers) {
        if (const ese::Table* table = database->Tables().Find(TableOf(container))) {
            tables.push_back(table);
            owners.push_back(&container);
        }
    }
    std::vector<std::string> pageProblems;
    const auto recovered = eserecovery::RecoverTables(*database, tables, pageProblems);
    for (size_t i = 0; i < tables.size(); ++i) {
        if (recovered[i].rows.empty())
            continue;
        const esedb::Table values(database, *tables[i]);
        for (const eserecovery::RecoveredRow& row : recovered[i].rows) {
            RecoveredEntry& entry = result.entries.emplace_back();
            entry.origin = RecoveredOrigin::Deleted;
            entry.entry = ReadEntry(esedb::Record(values, row.record), *owners[i], TableOf(*owners[i]));
            entry.file = path;
            entry.offset = row.fileOffset;
            entry.place = eserecovery::DescribePlace(row.leftover);
        }
    }

    AddDroppedContainers(path, database, containers, others, result);

    // Rows only the logs hold.
    const eselog::LogSet logs = eselog::ReadLogsBeside(path);
    for (const std::string& problem : logs.problems)
        result.problems.push_back(problem);
    if (logs.files.empty())
        return result;
    const eselog::LogComparison comparison = eselog::CompareWithDatabase(*database, eselog::FollowLogRows(logs));
    std::map<std::string, esedb::Table> valuesOf;  // each table read once
    for (const eselog::LogOnlyRow& only : comparison.logOnly) {
        const auto container = byTable.find(only.table);
        const ese::Table* table = database->Tables().Find(only.table);
        if (container == byTable.end() || !table)
            continue;
        const esedb::Table& values = valuesOf.try_emplace(only.table, database, *table).first->second;
        RecoveredEntry& entry = result.entries.emplace_back();
        entry.origin = RecoveredOrigin::LogOnly;
        entry.entry = ReadEntry(esedb::Record(values, only.record), *container->second, only.table);
        entry.file = path.parent_path() / only.row.file;
        entry.offset = uint64_t{only.row.position.sector} * 4096 + only.row.position.offset;
        entry.place = only.row.file + " " + eselog::FormatLogPosition(only.row.position);
    }
    return result;
}

}  // namespace

WebCacheRecovered ReadRecoveredEntries(const std::filesystem::path& path)
{
    try {
        return ReadRecovered(path);
    } catch (const ese::EseError& e) {
        throw WebCacheError(path.string() + ": " + e.what());
    }
}

}  // namespace trovana::webcache
