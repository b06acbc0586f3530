// SPDX-License-Identifier: GPL-3.0-or-later
// The rows the logs leave, and their comparison with the database: on the
// SRUM sample every change of the logs is in the data pages (its README), so
// every row is found with the same record; a copy whose page of those rows
// is damaged shows them as log only.
#include <gtest/gtest.h>

#include <set>

#include "btree.h"
#include "database.h"
#include "log_match.h"
#include "log_rows.h"
#include "log_test_support.h"

namespace trovana::eselog {
namespace {

using test::SrumFolder;

TEST(LogRowsSrum, EveryRowTheLogsLeaveIsInTheDatabaseWithTheSameRecord)
{
    const auto path = SrumFolder() / "SRUDB.dat";
    const LogRows rows = FollowLogRows(ReadLogsBeside(path));
    ese::Database database(path);
    const LogComparison comparison = CompareWithDatabase(database, rows);
    // The copy taken from the running system (its header dirty, the same
    // data pages and logs) gives the same.
    const auto dirtyPath = SrumFolder().parent_path() / "srum-win11-dirty" / "SRUDB.dat";
    ese::Database dirty(dirtyPath);
    const LogComparison dirtyComparison = CompareWithDatabase(dirty, FollowLogRows(ReadLogsBeside(dirtyPath)));
    EXPECT_TRUE(dirtyComparison.logOnly.empty());
    EXPECT_EQ(dirtyComparison.matched, comparison.matched);
    EXPECT_TRUE(comparison.problems.empty());
    EXPECT_TRUE(comparison.logOnly.empty());
    // Hundreds of table rows, the rest index and long-value entries.
    EXPECT_GT(comparison.compared, 400u);
    EXPECT_EQ(comparison.matched, comparison.compared);
    EXPECT_EQ(comparison.compared + comparison.otherTrees, rows.rows.size());
    // Every row was named by its insert, with its key.
    size_t keyed = 0;
    for (const LogRow& row : rows.rows)
        keyed += row.keyKnown;
    EXPECT_EQ(keyed, rows.rows.size());
}

TEST(LogRowsSrum, RowsOfADamagedPageAreLogOnlyWithTheirLogPlace)
{
    test::ScratchFolder folder;
    const auto path = test::CopySrum(folder.Path());
    const LogRows rows = FollowLogRows(ReadLogsBeside(path));

    // The database page holding the most rows that the logs inserted.
    std::map<uint32_t, std::set<std::string>> keysByPage;
    uint32_t pageSize = 0;
    {
        ese::Database database(path);
        pageSize = database.Header().pageSize;
        std::set<std::pair<uint32_t, std::string>> logKeys;
        for (const LogRow& row : rows.rows)
            logKeys.emplace(row.objectId, std::string(row.key.begin(), row.key.end()));
        for (const auto& table : database.Tables().tables) {
            std::vector<std::string> problems;
            ese::WalkLeaves(
                database, table.rootPage,
                [&](const ese::NodePlace& place, const ese::Node& node) {
                    if (logKeys.count({table.objectId, node.key}))
                        keysByPage[place.page].insert(node.key);
                },
                problems);
        }
    }
    ASSERT_FALSE(keysByPage.empty());
    auto fullest = keysByPage.begin();
    for (auto it = keysByPage.begin(); it != keysByPage.end(); ++it)
        if (it->second.size() > fullest->second.size())
            fullest = it;
    const uint32_t page = fullest->first;

    auto bytes = test::ReadBytes(path);
    bytes[(uint64_t{page} + 1) * pageSize + pageSize / 2] ^= 0x5A;
    test::WriteBytes(path, bytes);

    ese::Database damaged(path);
    const LogComparison comparison = CompareWithDatabase(damaged, rows);
    ASSERT_FALSE(comparison.problems.empty());
    EXPECT_NE(comparison.problems[0].find("page " + std::to_string(page)), std::string::npos);
    ASSERT_EQ(comparison.logOnly.size(), fullest->second.size());
    for (const LogOnlyRow& only : comparison.logOnly) {
        EXPECT_TRUE(fullest->second.count(std::string(only.row.key.begin(), only.row.key.end())));
        EXPECT_FALSE(only.databaseHasKey);
        EXPECT_FALSE(only.table.empty());
        EXPECT_FALSE(only.row.file.empty());
        EXPECT_NE(only.row.position.generation, 0);
        EXPECT_TRUE(only.record.problem.empty()) << only.record.problem;
        EXPECT_FALSE(only.record.columns.empty());
    }
    EXPECT_EQ(comparison.matched + comparison.logOnly.size(), comparison.compared);
}

// Records as a log holds them, for following rows through a page's lines.
LogRecord Node(uint8_t type, uint16_t session, uint16_t line, std::vector<uint8_t> key = {},
               std::vector<uint8_t> data = {})
{
    LogRecord record;
    record.type = type;
    record.onPage = true;
    record.session = session;
    record.page = 10;
    record.line = line;
    record.level = 2;
    record.objectId = 7;
    record.key = std::move(key);
    record.data = std::move(data);
    return record;
}

LogRecord Transaction(uint8_t type, uint16_t session, uint8_t level)
{
    LogRecord record;
    record.type = type;
    record.session = session;
    record.level = level;
    record.levelFrom = 1;
    record.levels = 1;
    return record;
}

const LogRow* RowWithKey(const LogRows& rows, uint8_t key)
{
    for (const LogRow& row : rows.rows)
        if (row.keyKnown && row.key == std::vector<uint8_t>{key})
            return &row;
    return nullptr;
}

TEST(LogRowsFollow, LinesMoveWithInsertsAndDeletesAndARollbackTakesItsChangesBack)
{
    LogFile file;
    file.name = "edb.log";
    auto add = [&](LogRecord record) {
        record.position = {1, 1, static_cast<uint16_t>(40 + file.records.size())};
        file.records.push_back(std::move(record));
    };
    add(Transaction(kBegin, 1, 0));
    add(Node(kInsert, 1, 0, {'A'}, {1}));
    add(Node(kInsert, 1, 0, {'B'}, {2}));   // A moves to line 1
    add(Node(kReplace, 1, 1, {}, {3}));     // so this replaces A
    add(Node(kInsert, 1, 2, {'C'}, {4}));
    add(Node(kDelete, 1, 0));               // B goes; A and C move up
    add(Node(kFlagDelete, 1, 1));           // C
    add(Transaction(kCommit, 1, 1));
    add(Transaction(kBegin, 2, 0));
    add(Node(kInsert, 2, 0, {'D'}, {5}));
    add(Node(kReplace, 2, 1, {}, {6}));     // A again, rolled back below
    add(Transaction(kRollback, 2, 1));
    LogRecord split = Node(kSplit2, 1, 0);
    add(split);
    add(Node(kReplace, 1, 0, {}, {7}));     // after the split: a row the logs cannot name
    LogSet set;
    set.files.push_back(file);
    const LogRows rows = FollowLogRows(set);

    const LogRow* a = RowWithKey(rows, 'A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data, std::vector<uint8_t>{3});
    EXPECT_EQ(a->end, LogRowEnd::Present);
    EXPECT_TRUE(a->committed);
    EXPECT_EQ(FormatLogPosition(a->position), "1:1:43");
    EXPECT_EQ(a->file, "edb.log");
    EXPECT_EQ(RowWithKey(rows, 'B')->end, LogRowEnd::Deleted);
    EXPECT_EQ(RowWithKey(rows, 'C')->end, LogRowEnd::Deleted);
    EXPECT_EQ(RowWithKey(rows, 'D')->end, LogRowEnd::RolledBack);
    size_t unnamed = 0;
    for (const LogRow& row : rows.rows) {
        if (!row.keyKnown) {
            ++unnamed;
            EXPECT_EQ(row.data, std::vector<uint8_t>{7});
        }
    }
    EXPECT_EQ(unnamed, 1u);
    EXPECT_EQ(rows.inserts, 4u);
    EXPECT_EQ(rows.replaces, 3u);
}

// A replace of one row: `diff` against `before` with the narrow (2-byte
// header) or wide (3-byte header) change headers.
std::optional<std::vector<uint8_t>> Apply(std::vector<uint8_t> diff, const std::vector<uint8_t>& before, bool wide)
{
    LogRecord record;
    record.type = kReplaceDiff;
    record.diffIsWide = wide;
    record.data = std::move(diff);
    return ApplyReplaceDiff(record, before);
}

TEST(ReplaceDiff, SameLengthInsertAndShorterChanges)
{
    const std::vector<uint8_t> before = {'a', 'b', 'c', 'd', 'e', 'f'};
    // At 1, replace 2 bytes with "XY" (same length).
    EXPECT_EQ(Apply({0x01, 0x20, 2, 'X', 'Y'}, before, false),
              (std::vector<uint8_t>{'a', 'X', 'Y', 'd', 'e', 'f'}));
    // At 2, insert "ZZ".
    EXPECT_EQ(Apply({0x02, 0x40, 2, 'Z', 'Z'}, before, false),
              (std::vector<uint8_t>{'a', 'b', 'Z', 'Z', 'c', 'd', 'e', 'f'}));
    // At 4, replace 2 bytes with none (a deletion), wide headers and lengths.
    EXPECT_EQ(Apply({0x04, 0x00, 0x80, 0, 0, 2, 0}, before, true), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    // Two changes: at 0 one byte by "Q", at 3 one byte by "RS".
    EXPECT_EQ(Apply({0x00, 0x20, 1, 'Q', 0x03, 0x00, 2, 1, 'R', 'S'}, before, false),
              (std::vector<uint8_t>{'Q', 'b', 'c', 'R', 'S', 'e', 'f'}));
}

TEST(ReplaceDiff, ChangesOutsideTheBeforeImageAreRefused)
{
    const std::vector<uint8_t> before = {'a', 'b'};
    EXPECT_FALSE(Apply({0x05, 0x20, 1, 'X'}, before, false));          // past the end
    EXPECT_FALSE(Apply({0x01, 0x20, 1, 'X', 0x00, 0x20, 1, 'Y'}, before, false));  // going back
    EXPECT_FALSE(Apply({0x00, 0x20, 5, 'X'}, before, false));          // data cut short
}

}  // namespace
}  // namespace trovana::eselog
