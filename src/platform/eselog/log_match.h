// SPDX-License-Identifier: GPL-3.0-or-later
// The rows that the transaction logs hold and the database does not: each
// row the logs' inserts and replaces leave (not deleted or rolled back
// later) is looked up in its table by its key, or, when the logs never name
// its key, by its whole record. A row whose key is missing, or whose record
// differs from the database's, is "log only".
#pragma once

#include <string>
#include <vector>

#include "catalogue.h"
#include "log_rows.h"
#include "record.h"

namespace trovana::ese {
class Database;
}

namespace trovana::eselog {

struct LogOnlyRow {
    std::string table;
    uint32_t tableObjectId = 0;
    LogRow row;
    bool databaseHasKey = false;  // the database holds the row in another state
    ese::DecodedRecord record;    // the log's record decoded against the table
};

struct LogComparison {
    size_t compared = 0;  // rows of tables that the logs leave
    size_t matched = 0;   // found with the same record in the database
    size_t otherTrees = 0;  // rows of indexes and long-value trees, not compared
    std::vector<LogOnlyRow> logOnly;
    std::vector<std::string> problems;  // pages of the database that could not be read
};

LogComparison CompareWithDatabase(const ese::Database& database, const LogRows& rows);

}  // namespace trovana::eselog
