// SPDX-License-Identifier: GPL-3.0-or-later
// What the logs' node records leave behind: for every row that an insert or
// a replace wrote, its last state (its key where the logs tell it, its data,
// the log file and position of that last change), and whether a later
// record deleted it or its transaction never committed. Rows are followed
// through the lines of their page: an insert or delete before a row's line
// moves it; a split, merge or page move of the page ends what the logs can
// say about its lines (the rows keep the state they had).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log_set.h"

namespace trovana::eselog {

enum class LogRowEnd {
    Present,      // the last record wrote it
    Deleted,      // a delete or flag delete followed
    RolledBack,   // its transaction was rolled back
};

struct LogRow {
    uint32_t objectId = 0;
    std::vector<uint8_t> key;  // empty when only a replace named the row
    std::vector<uint8_t> data;
    bool keyKnown = false;
    bool committed = false;  // a commit of its transaction is in the logs
    LogRowEnd end = LogRowEnd::Present;
    uint8_t lastType = 0;    // kInsert, kReplace, ...
    std::string file;        // the log file of the last change
    LogPosition position;    // and its place there
    uint32_t page = 0;
    uint16_t line = 0;
};

struct LogRows {
    std::vector<LogRow> rows;
    size_t inserts = 0;        // insert records read
    size_t replaces = 0;       // replace records read
    size_t unresolvedDiffs = 0;  // diff replaces whose before image was unknown
};

// Follows the records of the set, oldest generation first.
LogRows FollowLogRows(const LogSet& logs);

}  // namespace trovana::eselog
