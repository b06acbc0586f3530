// SPDX-License-Identifier: GPL-3.0-or-later
// Deleted rows of an ESE database's tables, recovered from what its pages
// still hold (leftovers.h) where the bytes decode as a record of the table.
// Most leftovers are older copies of rows that are still live; a leftover is
// recovered only when no live row has its identity (its first fixed column,
// the row's id in every table Windows keeps, together with its first text
// value, such as a URL) and no leftover before it was the same row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"
#include "leftovers.h"
#include "record.h"

namespace trovana::ese {
class Database;
}

namespace trovana::eserecovery {

struct RecoveredRow {
    std::string table;
    uint32_t tableObjectId = 0;
    Leftover leftover;        // where it was found, and its bytes
    uint64_t fileOffset = 0;  // of its first byte in the database file
    ese::DecodedRecord record;
};

struct TableRecovery {
    std::vector<RecoveredRow> rows;
    size_t leftovers = 0;  // records that decoded, recovered or not
    size_t repeats = 0;    // of them, copies of live rows or of one another
    size_t deletedTags = 0;  // of them, nodes whose tag is flagged deleted
};

struct Recovery {
    std::vector<RecoveredRow> rows;  // table by table, in catalogue order
    std::vector<std::string> problems;
    size_t deletedTags = 0;  // nodes flagged deleted that decode, recovered or not
};

// The deleted rows of one table.
TableRecovery RecoverTable(const ese::Database& database, const ese::Table& table, std::vector<std::string>& problems);

// The deleted rows of several tables, one result each, from one pass over
// the file's pages.
std::vector<TableRecovery> RecoverTables(const ese::Database& database, const std::vector<const ese::Table*>& tables,
                                         std::vector<std::string>& problems);

// The deleted rows of every table, the catalogue's own included, then
// those of the tables it no longer lists (dropped.h).
Recovery RecoverDeletedRows(const ese::Database& database);

// "page 447, tag 3 (flagged deleted)", "page 452 at byte 0x1a30 (free space)".
std::string DescribePlace(const Leftover& leftover);

}  // namespace trovana::eserecovery
