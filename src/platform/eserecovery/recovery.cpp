// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery.h"
#include "table_leftovers.h"

#include <cstdio>
#include <map>
#include <set>

#include "btree.h"
#include "database.h"
#include "dropped.h"
#include "format.h"

namespace trovana::eserecovery {
namespace {

// What makes two records the same row: the first fixed column (the row's
// id) and the first text value (a URL, a name), or, in tables without text,
// every value that is not fixed.
std::string Identity(const ese::Table& table, const ese::DecodedRecord& record)
{
    std::string identity;
    if (const ese::ColumnValue* id = record.Find(1); id && !id->values.empty())
        identity = id->values.front().bytes;
    identity.push_back('\0');
    for (const ese::ColumnValue& value : record.columns) {
        const ese::Column* column = table.FindId(value.columnId);
        if (column && column->IsText() && !value.values.empty())
            return identity + value.values.front().bytes;
    }
    for (const ese::ColumnValue& value : record.columns) {
        const ese::Column* column = table.FindId(value.columnId);
        if (column && !column->Fixed()) {
            for (const ese::StoredValue& stored : value.values)
                identity += stored.bytes + '\0';
        }
    }
    return identity;
}

// A decoded leftover is worth showing when it decoded without fault and
// holds a value beyond its header.
bool Usable(const ese::DecodedRecord& record)
{
    return record.problem.empty() && !record.columns.empty();
}

int SourceRank(LeftoverSource source)
{
    switch (source) {
    case LeftoverSource::DeletedTag: return 0;
    case LeftoverSource::UnusedPage: return 1;
    case LeftoverSource::FreeSpace: return 2;
    }
    return 3;
}

}  // namespace

std::map<uint32_t, std::vector<uint32_t>> RecordPagesByObject(const ese::Database& database)
{
    std::map<uint32_t, std::vector<uint32_t>> pages;
    for (uint32_t number = 1; number <= database.PageCount(); ++number) {
        try {
            const ese::Page page = database.ReadPage(number);
            if (page.Blank() || page.Is(ese::kPageSpaceTree) || page.Is(ese::kPageIndex) ||
                page.Is(ese::kPageLongValue))
                continue;
            pages[page.ObjectId()].push_back(number);
        } catch (const ese::PageError&) {
            // Named by the tree walks where a tree meets it.
        }
    }
    return pages;
}

void CollectLiveRows(const ese::Database& database, const ese::Table& table, LiveRows& live,
                     std::vector<std::string>& problems)
{
    ese::WalkLeaves(
        database, table.rootPage,
        [&](const ese::NodePlace& place, const ese::Node& node) {
            live.reached.insert(place.page);
            live.records.emplace(node.data);
            live.identities.insert(Identity(table, ese::DecodeRecord(table, node.data, database.Geometry())));
        },
        problems);
}

void RecoverFromPages(const ese::Database& database, const ese::Table& table, const std::vector<uint32_t>& pages,
                      LiveRows& live, TableRecovery& result)
{
    std::vector<Leftover> leftovers;
    for (uint32_t number : pages) {
        try {
            const ese::Page page = database.ReadPage(number);
            auto found = PageLeftovers(table, page, live.reached.count(number) != 0);
            leftovers.insert(leftovers.end(), std::make_move_iterator(found.begin()),
                             std::make_move_iterator(found.end()));
        } catch (const ese::PageError&) {
        }
    }
    // Flagged-deleted nodes and unused pages before carved bytes, so that a
    // row found both ways keeps its exact length.
    std::stable_sort(leftovers.begin(), leftovers.end(), [](const Leftover& a, const Leftover& b) {
        return SourceRank(a.source) < SourceRank(b.source);
    });
    const uint64_t pageSize = database.Header().pageSize;
    for (Leftover& leftover : leftovers) {
        ese::DecodedRecord record = ese::DecodeRecord(table, leftover.data, database.Geometry());
        if (!Usable(record))
            continue;
        ++result.leftovers;
        if (leftover.source == LeftoverSource::DeletedTag)
            ++result.deletedTags;
        if (live.records.count(leftover.data) || !live.identities.insert(Identity(table, record)).second) {
            ++result.repeats;
            continue;
        }
        RecoveredRow row;
        row.table = table.name;
        row.tableObjectId = table.objectId;
        // Logical page n lies after the two header pages.
        row.fileOffset = (uint64_t{leftover.page} + 1) * pageSize + leftover.pageOffset;
        row.leftover = std::move(leftover);
        row.record = std::move(record);
        result.rows.push_back(std::move(row));
    }
}

namespace {

TableRecovery RecoverLiveTable(const ese::Database& database, const ese::Table& table,
                               const std::vector<uint32_t>& pages, std::vector<std::string>& problems)
{
    TableRecovery result;
    LiveRows live;
    CollectLiveRows(database, table, live, problems);
    RecoverFromPages(database, table, pages, live, result);
    return result;
}

}  // namespace

std::vector<TableRecovery> RecoverTables(const ese::Database& database, const std::vector<const ese::Table*>& tables,
                                         std::vector<std::string>& problems)
{
    const auto pages = RecordPagesByObject(database);
    std::vector<TableRecovery> results;
    for (const ese::Table* table : tables) {
        const auto it = pages.find(table->objectId);
        results.push_back(it == pages.end() ? TableRecovery{}
                                            : RecoverLiveTable(database, *table, it->second, problems));
    }
    return results;
}

TableRecovery RecoverTable(const ese::Database& database, const ese::Table& table, std::vector<std::string>& problems)
{
    return std::move(RecoverTables(database, {&table}, problems).front());
}

Recovery RecoverDeletedRows(const ese::Database& database)
{
    Recovery recovery;
    const auto add = [&](TableRecovery& found) {
        recovery.deletedTags += found.deletedTags;
        recovery.rows.insert(recovery.rows.end(), std::make_move_iterator(found.rows.begin()),
                             std::make_move_iterator(found.rows.end()));
    };
    const auto pages = RecordPagesByObject(database);
    std::vector<const ese::Table*> tables{&ese::CatalogueTable()};
    for (const ese::Table& table : database.Tables().tables)
        tables.push_back(&table);
    std::set<uint32_t> done;
    for (const ese::Table* table : tables) {
        const auto it = pages.find(table->objectId);
        // The catalogue lists itself too.
        if (it == pages.end() || !done.insert(table->objectId).second)
            continue;
        TableRecovery found = RecoverLiveTable(database, *table, it->second, recovery.problems);
        add(found);
    }
    // Then the tables the catalogue no longer lists.
    for (TableRecovery& found : RecoverDroppedTables(database, FindDroppedTables(database), recovery.problems))
        add(found);
    return recovery;
}

std::string DescribePlace(const Leftover& leftover)
{
    char text[96];
    switch (leftover.source) {
    case LeftoverSource::DeletedTag:
        std::snprintf(text, sizeof text, "page %u, tag %u (flagged deleted)", leftover.page, leftover.tag);
        break;
    case LeftoverSource::UnusedPage:
        std::snprintf(text, sizeof text, "page %u, tag %u (page no longer in the tree)", leftover.page, leftover.tag);
        break;
    case LeftoverSource::FreeSpace:
        std::snprintf(text, sizeof text, "page %u at byte 0x%x (free space)", leftover.page, leftover.pageOffset);
        break;
    }
    return text;
}

}  // namespace trovana::eserecovery
