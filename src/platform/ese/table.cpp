// SPDX-License-Identifier: GPL-3.0-or-later
#include "table.h"

#include "database.h"

#include <set>

namespace trovana::ese {

void ForEachRow(const Database& database, const Table& table, const std::function<void(const Row&)>& visit,
                std::vector<std::string>& problems)
{
    const PageGeometry geometry = database.Geometry();
    std::set<uint32_t> badPages;
    WalkLeaves(
        database, table.rootPage,
        [&](const NodePlace& place, const Node& node) {
            Row row{place, DecodeRecord(table, node.data, geometry)};
            if (!row.record.problem.empty() && badPages.insert(place.page).second)
                problems.push_back("page " + std::to_string(place.page) + " holds a record that cannot be decoded (" +
                                   row.record.problem + ")");
            visit(row);
        },
        problems);
}

}  // namespace trovana::ese
