// SPDX-License-Identifier: GPL-3.0-or-later
// The Content, History and MSHist entries that only leftovers in the
// database's pages or its transaction logs still hold.
#include <map>
#include <memory>
#include <set>

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
