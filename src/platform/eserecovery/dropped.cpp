// SPDX-License-Identifier: GPL-3.0-or-later
#include "dropped.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "database.h"
#include "leftovers.h"
#include "record.h"
#include "table_leftovers.h"

namespace trovana::eserecovery {
namespace {

enum CatalogueType : uint16_t { kTableRow = 1, kColumnRow = 2, kLongValueRow = 4 };

// The engine's longest name of a table or column.
constexpr size_t kMaximumName = 64;

// A name as the catalogue keeps them: printable ASCII, not too long.
bool Named(const std::string& name)
{
    return !name.empty() && name.size() <= kMaximumName &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

bool KnownColumnType(uint32_t type)
{
    return type >= static_cast<uint32_t>(ese::ColumnType::Bit) &&
           type <= static_cast<uint32_t>(ese::ColumnType::UnsignedShort) &&
           type != static_cast<uint32_t>(ese::ColumnType::SLV);
}

bool SameColumn(const ese::CatalogueRow& a, const ese::CatalogueRow& b)
{
    return a.name == b.name && a.columnTypeOrRoot == b.columnTypeOrRoot && a.spaceUsage == b.spaceUsage &&
           a.pagesOrLocale == b.pagesOrLocale;
}

// What the catalogue's leftovers say of one object id.
struct Described {
    std::optional<ese::CatalogueRow> table;
    bool tableDisagrees = false;
    std::map<uint32_t, ese::CatalogueRow> columns;
    bool columnsDisagree = false;
    std::optional<ese::CatalogueRow> longValues;
};

// Every catalogue row that the pages of the catalogue and of its shadow
// hold, live nodes, flagged-deleted ones and carved records alike, that
// decodes without fault.
std::vector<ese::CatalogueRow> CatalogueLeftovers(const ese::Database& database,
                                                  const std::map<uint32_t, std::vector<uint32_t>>& pages)
{
    const ese::Table& catalogue = ese::CatalogueTable();
    std::set<uint32_t> objects{catalogue.objectId};
    if (const ese::Table* shadow = database.Tables().Find("MSysObjectsShadow"))
        objects.insert(shadow->objectId);
    std::vector<ese::CatalogueRow> rows;
    for (uint32_t object : objects) {
        const auto it = pages.find(object);
        if (it == pages.end())
            continue;
        for (uint32_t number : it->second) {
            try {
                const ese::Page page = database.ReadPage(number);
                for (const Leftover& leftover : PageLeftovers(catalogue, page, false)) {
                    const ese::DecodedRecord record = ese::DecodeRecord(catalogue, leftover.data, database.Geometry());
                    // The table's id, the row's type and its own id are what
                    // place it; without them it says nothing.
                    if (record.problem.empty() && record.Find(1) && record.Find(2) && record.Find(3))
                        rows.push_back(ese::CatalogueRowFrom(record));
                }
            } catch (const ese::PageError&) {
                // A damaged page of the catalogue is named where it is read.
            }
        }
    }
    return rows;
}

std::map<uint32_t, Described> Describe(const ese::Database& database, const std::vector<ese::CatalogueRow>& rows)
{
    std::map<uint32_t, Described> described;
    for (const ese::CatalogueRow& row : rows) {
        if (row.type == kTableRow && row.tableObjectId == row.id) {
            if (!Named(row.name) || row.columnTypeOrRoot == 0 || row.columnTypeOrRoot > database.PageCount())
                continue;
            Described& object = described[row.id];
            if (!object.table)
                object.table = row;
            else if (object.table->name != row.name || object.table->columnTypeOrRoot != row.columnTypeOrRoot)
                object.tableDisagrees = true;
        } else if (row.type == kColumnRow) {
            if (!Named(row.name) || row.id == 0 || row.id > 0xffff || !KnownColumnType(row.columnTypeOrRoot))
                continue;
            Described& object = described[row.tableObjectId];
            const auto [at, added] = object.columns.emplace(row.id, row);
            if (!added && !SameColumn(at->second, row))
                object.columnsDisagree = true;
        } else if (row.type == kLongValueRow && row.columnTypeOrRoot != 0) {
            Described& object = described[row.tableObjectId];
            if (!object.longValues)
                object.longValues = row;
            else if (object.longValues->columnTypeOrRoot != row.columnTypeOrRoot)
                object.longValues->columnTypeOrRoot = 0;
        }
    }
    return described;
}

// Fixed columns lie one after the other in id order; a missing one would
// shift every value after it, so the ids must run from 1 without a gap.
bool FixedColumnsWhole(const ese::Table& table)
{
    uint32_t expected = 1;
    for (const ese::Column& column : table.columns) {
        if (!column.Fixed())
            break;
        if (column.id != expected++ || column.size == 0)
            return false;
    }
    return true;
}

// The long-value tree's root, when its page still names the tree: a root
// page handed to another tree would give another table's values.
uint32_t LongValueRoot(const ese::Database& database, const ese::CatalogueRow& row)
{
    try {
        const ese::Page page = database.ReadPage(row.columnTypeOrRoot);
        return page.ObjectId() == row.id && page.Is(ese::kPageLongValue) ? row.columnTypeOrRoot : 0;
    } catch (const ese::PageError&) {
        return 0;
    }
}

// "Container_10" -> true: the tables of WinINet's containers, which all
// share one column set.
bool ContainerTableName(const std::string& name)
{
    constexpr std::string_view prefix = "Container_";
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<DroppedTable> Rebuild(const ese::Database& database, const Described& described)
{
    std::vector<ese::CatalogueRow> rows{*described.table};
    if (!described.columnsDisagree) {
        for (const auto& [id, column] : described.columns)
            rows.push_back(column);
    }
    ese::Catalogue built = ese::BuildCatalogue(rows);
    if (built.tables.size() != 1)
        return std::nullopt;
    DroppedTable dropped{std::move(built.tables.front()), false};
    ese::Table& table = dropped.table;
    if (!FixedColumnsWhole(table))
        table.columns.clear();
    if (described.longValues && described.longValues->columnTypeOrRoot != 0)
        table.longValueRoot = LongValueRoot(database, *described.longValues);
    // A container's table whose own column rows are gone: every
    // Container_N table has the same columns, so a live one's stand in.
    // Its rows are still only those whose bytes decode against them.
    if (table.columns.empty() && ContainerTableName(table.name)) {
        for (const ese::Table& live : database.Tables().tables) {
            if (ContainerTableName(live.name) && !live.columns.empty()) {
                table.columns = live.columns;
                dropped.standInColumns = true;
                break;
            }
        }
    }
    return dropped;
}

}  // namespace

std::vector<DroppedTable> FindDroppedTables(const ese::Database& database)
{
    const auto pages = RecordPagesByObject(database);
    std::set<uint32_t> live{ese::CatalogueTable().objectId};
    for (const ese::Table& table : database.Tables().tables)
        live.insert(table.objectId);
    std::vector<DroppedTable> dropped;
    for (const auto& [object, described] : Describe(database, CatalogueLeftovers(database, pages))) {
        if (live.count(object) || !described.table || described.tableDisagrees)
            continue;
        if (auto table = Rebuild(database, described))
            dropped.push_back(std::move(*table));
    }
    return dropped;
}

std::vector<TableRecovery> RecoverDroppedTables(const ese::Database& database, const std::vector<DroppedTable>& tables,
                                                std::vector<std::string>& problems)
{
    std::vector<TableRecovery> results(tables.size());
    if (std::none_of(tables.begin(), tables.end(), [](const DroppedTable& t) { return !t.table.columns.empty(); }))
        return results;  // nothing to decode: no pass over the file
    const auto pages = RecordPagesByObject(database);
    // A table dropped and made again under the same name (WinINet does so
    // with its dependency and cookie tables): its live rows, and the rows
    // recovered from every dropped copy, are repeated by none.
    std::map<std::string, LiveRows> liveByName;
    for (size_t i = 0; i < tables.size(); ++i) {
        const ese::Table& table = tables[i].table;
        const auto found = pages.find(table.objectId);
        if (table.columns.empty() || found == pages.end())
            continue;
        const auto [live, added] = liveByName.try_emplace(table.name);
        if (added) {
            if (const ese::Table* twin = database.Tables().Find(table.name))
                CollectLiveRows(database, *twin, live->second, problems);
            // The twin's pages are not this table's: none is reached.
            live->second.reached.clear();
        }
        RecoverFromPages(database, table, found->second, live->second, results[i]);
    }
    return results;
}

}  // namespace trovana::eserecovery
