// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_match.h"

#include <map>
#include <set>
#include <string_view>

#include "btree.h"
#include "database.h"

namespace trovana::eselog {
namespace {

std::string AsString(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

void CompareTable(const ese::Database& database, const ese::Table& table, const std::vector<const LogRow*>& rows,
                  LogComparison& result)
{
    std::map<std::string, std::string> byKey;
    std::set<std::string> records;
    ese::WalkLeaves(
        database, table.rootPage,
        [&](const ese::NodePlace&, const ese::Node& node) {
            byKey.emplace(node.key, std::string(node.data));
            records.emplace(node.data);
        },
        result.problems);
    for (const LogRow* row : rows) {
        ++result.compared;
        const std::string data = AsString(row->data);
        bool found = false;
        bool keyInDatabase = false;
        if (row->keyKnown) {
            auto it = byKey.find(AsString(row->key));
            keyInDatabase = it != byKey.end();
            found = keyInDatabase && it->second == data;
        } else {
            found = records.count(data) != 0;
        }
        if (found) {
            ++result.matched;
            continue;
        }
        LogOnlyRow only;
        only.table = table.name;
        only.tableObjectId = table.objectId;
        only.row = *row;
        only.databaseHasKey = keyInDatabase;
        only.record = ese::DecodeRecord(table, data, database.Geometry());
        result.logOnly.push_back(std::move(only));
    }
}

}  // namespace

LogComparison CompareWithDatabase(const ese::Database& database, const LogRows& rows)
{
    LogComparison result;
    std::map<uint32_t, std::vector<const LogRow*>> byTree;
    for (const LogRow& row : rows.rows) {
        if (row.end == LogRowEnd::Present)
            byTree[row.objectId].push_back(&row);
    }
    std::vector<const ese::Table*> tables{&ese::CatalogueTable()};
    for (const auto& table : database.Tables().tables)
        tables.push_back(&table);
    for (const ese::Table* table : tables) {
        auto it = byTree.find(table->objectId);
        if (it == byTree.end())
            continue;
        CompareTable(database, *table, it->second, result);
        byTree.erase(it);
    }
    for (const auto& [tree, treeRows] : byTree)
        result.otherTrees += treeRows.size();
    return result;
}

}  // namespace trovana::eselog
