// SPDX-License-Identifier: GPL-3.0-or-later
// What recovering one table's deleted rows takes, shared by the tables the
// catalogue lists and those it no longer does: the pages of each tree, the
// live rows a leftover must not repeat, and the leftovers of given pages
// decoded against the table.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "recovery.h"

namespace trovana::eserecovery {

struct LiveRows {
    std::set<std::string> records;     // live records' bytes
    std::set<std::string> identities;  // of live rows, and of rows recovered so far
    std::set<uint32_t> reached;        // leaf pages the tree walk reached
};

// The pages that hold records (neither space trees, indexes nor long
// values), by the object id their header names; from one pass over the file.
std::map<uint32_t, std::vector<uint32_t>> RecordPagesByObject(const ese::Database& database);

// Adds the rows of `table`'s tree to `live`.
void CollectLiveRows(const ese::Database& database, const ese::Table& table, LiveRows& live,
                     std::vector<std::string>& problems);

// Adds to `result` the leftovers of `pages` that decode as records of
// `table` and repeat none of `live` (which then holds them too).
void RecoverFromPages(const ese::Database& database, const ese::Table& table, const std::vector<uint32_t>& pages,
                      LiveRows& live, TableRecovery& result);

}  // namespace trovana::eserecovery
