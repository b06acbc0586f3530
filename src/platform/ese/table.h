// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of one table: its tree walked, each record decoded, values
// resolved on demand. Damaged pages are skipped and named; every other row
// still comes.
#pragma once

#include "btree.h"
#include "long_value.h"
#include "record.h"
#include "values.h"

#include <functional>
#include <string>
#include <vector>

namespace trovana::ese {

class Database;

// One row: where it is and its decoded record.
struct Row {
    NodePlace place;
    DecodedRecord record;
};

// Calls `visit` for each row of `table` in key order. Problems (damaged
// pages, records that do not decode) are added to `problems`, each naming
// the page.
void ForEachRow(const Database& database, const Table& table, const std::function<void(const Row&)>& visit,
                std::vector<std::string>& problems);

}  // namespace trovana::ese
