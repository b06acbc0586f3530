// SPDX-License-Identifier: GPL-3.0-or-later
// One record of an ESE transaction log, as far as an examiner needs it: its
// type and place, and for the records that change a B+-tree node the page,
// line, object and the key and data they carry.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace trovana::eselog {

// Record types (the engine's numbering, kept by every version since 2003).
enum LogRecordType : uint8_t {
    kNop = 0,
    kInit = 1,
    kTerm = 2,
    kMultiSectorFlush = 3,
    kEnd = 4,
    kBegin = 5,
    kCommit = 6,
    kRollback = 7,
    kBegin0 = 8,
    kCommit0 = 9,
    kRefresh = 10,
    kMacroBegin = 11,
    kMacroCommit = 12,
    kMacroAbort = 13,
    kCreateDatabase = 14,
    kAttachDatabase = 15,
    kDetachDatabase = 16,
    kSplit = 27,
    kMerge = 28,
    kInsert = 29,
    kFlagInsert = 30,
    kFlagInsertAndReplaceData = 31,
    kFlagDelete = 32,
    kReplace = 33,
    kReplaceDiff = 34,
    kDelete = 35,
    kUndoInfo = 36,
    kDelta = 37,
    kSetExternalHeader = 38,
    kUndo = 39,
    kEmptyTree = 48,
    kSplit2 = 62,
    kMerge2 = 63,
    kScrub = 64,
    kPageMove = 65,
    kFragmentBegin = 76,
    kFragment = 77,
    kDelta64 = 93,
    kNewPage = 95,
    kTypeLimit = 102,
};

// Where a record starts: log generation, 4 KiB sector and byte in it.
struct LogPosition {
    int32_t generation = 0;
    uint16_t sector = 0;
    uint16_t offset = 0;
};
std::string FormatLogPosition(const LogPosition& position);
bool operator<(const LogPosition& a, const LogPosition& b);

struct LogRecord {
    uint8_t type = kNop;
    LogPosition position;
    uint32_t size = 0;
    // Transaction records (begin, commit, rollback) and node records.
    uint16_t session = 0;
    // Node and page records (insert, replace, delete, split, ...).
    bool onPage = false;
    uint8_t database = 0;
    uint32_t page = 0;
    uint64_t dbtime = 0;
    uint64_t dbtimeBefore = 0;
    uint16_t line = 0;
    uint8_t level = 0;
    uint8_t pageFlags = 0;
    uint32_t objectId = 0;  // of the tree the node belongs to
    uint32_t treeRoot = 0;  // its first page
    // Insert and flag insert: the node's whole key and its data. Replace:
    // data is the after image (kReplace) or the changes to the before image
    // (kReplaceDiff, in the form diffIsWide says).
    std::vector<uint8_t> key;
    std::vector<uint8_t> data;
    bool diffIsWide = false;
    uint16_t oldSize = 0;
    uint16_t newSize = 0;
    // Split and merge: the other pages whose lines move (new page, right
    // and left neighbours).
    std::vector<uint32_t> otherPages;
    // Begin: the level it begins from and the levels it opens. Commit: the
    // level it commits to. Rollback: the levels it rolls back.
    uint8_t levelFrom = 0;
    uint8_t levels = 0;
};

// The name of a record type, as the engine's dump tool spells it.
std::string LogRecordTypeName(uint8_t type);

// The size of the record that starts at bytes[0], from its fixed part; 0
// when the type is unknown or its size cannot be taken from the bytes.
uint32_t LogRecordSize(std::span<const uint8_t> bytes);

// The fields of a whole record (bytes.size() == LogRecordSize(bytes)).
LogRecord DecodeLogRecord(std::span<const uint8_t> bytes, const LogPosition& position);

// The after image of a kReplaceDiff record applied to the before image;
// nothing when the changes do not fit it.
std::optional<std::vector<uint8_t>> ApplyReplaceDiff(const LogRecord& record, std::span<const uint8_t> before);

}  // namespace trovana::eselog
