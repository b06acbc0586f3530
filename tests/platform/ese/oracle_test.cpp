// SPDX-License-Identifier: GPL-3.0-or-later
// Every table, row and column of the samples as our reader gives them,
// against esedbexport (libesedb), the independent reader: the WebCache
// sample's tables that esedbexport reads and the clean SRUM copy are equal
// cell by cell; the tables esedbexport gives up on are read past their
// damaged page; the dirty SRUM copy, which esedbexport refuses, gives the
// clean copy's rows.
#include "database.h"
#include "ese_samples.h"
#include "exported_text.h"
#include "table.h"

#include <gtest/gtest.h>

#include <set>

namespace trovana::ese::test {
namespace {

namespace fs = std::filesystem;

// One cell as esedbexport writes it, and the fixed column's bytes written
// the same way even when its null bit is set: libesedb reads no null bitmap.
struct OurCell {
    std::string text;
    std::string ignoringNull;
};

// Each row of `table` as esedbexport would write it, by column name.
std::vector<std::map<std::string, OurCell>> OurRows(const Database& database, const Table& table,
                                                    std::vector<std::string>& problems)
{
    const LongValues longValues(database, table, problems);
    std::vector<std::map<std::string, OurCell>> rows;
    WalkLeaves(
        database, table.rootPage,
        [&](const NodePlace&, const Node& node) {
            const DecodedRecord record = DecodeRecord(table, node.data, database.Geometry());
            if (!record.problem.empty())
                problems.push_back(table.name + ": " + record.problem);
            const unsigned lastFixed = node.data.empty() ? 0 : static_cast<unsigned char>(node.data[0]);
            auto& cells = rows.emplace_back();
            for (const Column& column : table.columns) {
                OurCell& cell = cells[column.name];
                try {
                    cell.text = ExportedText(table.name, column, record.Find(column.id), longValues);
                } catch (const EseError& e) {
                    cell.text = std::string("error: ") + e.what();
                }
                if (column.Fixed() && column.id <= lastFixed && !record.Find(column.id)) {
                    const ColumnValue stored{column.id,
                                             {{std::string(node.data.substr(4 + column.fixedOffset, column.size))}}};
                    cell.ignoringNull = ExportedText(table.name, column, &stored, longValues);
                }
            }
        },
        problems);
    return rows;
}

// A cell that only we read: esedbexport leaves it empty.
struct Gain {
    std::string table;
    size_t row = 0;
    std::string column;
    std::string value;
};

// Compares every table esedbexport reads in full and returns the cells it
// leaves empty where we read a value; `refused` gets the tables it does not
// read in full.
std::vector<Gain> CompareWithEsedbexport(const fs::path& path, std::set<std::string>& refused,
                                         std::map<std::string, std::vector<std::string>>& problemsByTable)
{
    const Database database(path);
    std::vector<Gain> gains;
    size_t cells = 0;
    size_t nullBitmap = 0;
    for (const Table& table : database.Tables().tables) {
        const ExportedTable exported = Export(path, table.name);
        if (!exported.complete) {
            refused.insert(table.name);
            continue;
        }
        std::vector<std::string> problems;
        const auto ours = OurRows(database, table, problems);
        if (!problems.empty())
            problemsByTable[table.name] = problems;
        EXPECT_EQ(ours.size(), exported.rows.size()) << table.name;
        if (ours.size() != exported.rows.size())
            continue;
        int shown = 0;
        for (size_t row = 0; row < ours.size(); ++row) {
            for (size_t i = 0; i < exported.columns.size(); ++i) {
                const std::string& name = exported.columns[i];
                const auto mine = ours[row].find(name);
                if (mine == ours[row].end()) {
                    ADD_FAILURE() << table.name << " has no column " << name;
                    break;
                }
                const std::string cell = i < exported.rows[row].size() ? exported.rows[row][i] : "";
                const OurCell& our = mine->second;
                ++cells;
                if (SameCell(cell, our.text))
                    continue;
                if (!our.ignoringNull.empty() && SameCell(cell, our.ignoringNull))
                    ++nullBitmap;
                else if (cell.empty())
                    gains.push_back({table.name, row, name, our.text});
                else if (shown++ < 5)
                    ADD_FAILURE() << table.name << " row " << row << " column " << name << ":\n esedbexport: " << cell
                                  << "\n ours:        " << our.text;
            }
        }
    }
    EXPECT_GT(cells, 10000u) << "too few cells compared";
    EXPECT_LT(nullBitmap, cells) << "fixed columns hold values";
    return gains;
}

TEST(EseOracle, WebCacheSampleEqualsEsedbexportWhereItReadsAndGoesOnWhereItStops)
{
    std::set<std::string> refused;
    std::map<std::string, std::vector<std::string>> problems;
    const std::vector<Gain> gains = CompareWithEsedbexport(WebCacheSample(), refused, problems);
    // esedbexport stops at one damaged page in each of these.
    EXPECT_EQ(refused, (std::set<std::string>{"Container_11", "Container_4"}));
    // It leaves out two URLs kept as long values (EntryId 70 and 72).
    // It leaves out the long binary values of BlobEntry_1, whose long-value
    // tree has one damaged page (170): we read all but the one kept there,
    // each a "CERT" record.
    EXPECT_EQ(
        problems,
        (std::map<std::string, std::vector<std::string>>{{"BlobEntry_1", {"page 170 fails its checksum (block 3)"}}}));
    size_t urls = 0;
    size_t blobs = 0;
    size_t missing = 0;
    for (const Gain& gain : gains) {
        if (gain.table == "Container_1" && gain.column == "Url") {
            EXPECT_TRUE(gain.value.starts_with("https://www.gstatic.com/_/mss/boq-one-google/")) << gain.value;
            ++urls;
        } else if (gain.table == "BlobEntry_1" && gain.column == "Data") {
            if (gain.value == "error: its long value is missing")
                ++missing;
            else
                EXPECT_TRUE(gain.value.starts_with("0000000043455254")) << gain.value;
            ++blobs;
        } else {
            ADD_FAILURE() << "esedbexport leaves " << gain.table << " " << gain.column << " empty, we read "
                          << gain.value;
        }
    }
    EXPECT_EQ(urls, 2u);
    EXPECT_EQ(blobs, 23u);
    EXPECT_EQ(missing, 1u);

    const Database database(WebCacheSample());
    for (const auto& [name, page, atLeast] :
         {std::tuple{"Container_4", 426, 3000u}, std::tuple{"Container_11", 202, 4000u}}) {
        const Table* table = database.Tables().Find(name);
        ASSERT_NE(table, nullptr) << name;
        std::vector<std::string> problems;
        size_t rows = 0;
        ForEachRow(
            database, *table, [&](const Row& row) { rows += row.record.problem.empty(); }, problems);
        EXPECT_GE(rows, atLeast) << name;
        ASSERT_EQ(problems.size(), 1u) << name;
        EXPECT_EQ(problems.front(), "page " + std::to_string(page) + " fails its checksum (block 3)");
    }
}

TEST(EseOracle, CleanSrumCopyEqualsEsedbexport)
{
    std::set<std::string> refused;
    std::map<std::string, std::vector<std::string>> problems;
    EXPECT_TRUE(CompareWithEsedbexport(SrumSample("clean"), refused, problems).empty());
    EXPECT_TRUE(refused.empty());
    EXPECT_TRUE(problems.empty());
}

TEST(EseOracle, DirtySrumCopyGivesTheCleanCopysRows)
{
    // esedbexport refuses the dirty copy: its header's checksum covers more
    // than libesedb sums.
    EXPECT_FALSE(Export(SrumSample("dirty"), "SruDbIdMapTable").complete);
    const Database clean(SrumSample("clean"));
    const Database dirty(SrumSample("dirty"));
    EXPECT_EQ(dirty.Header().state, static_cast<uint32_t>(DatabaseState::DirtyShutdown));
    EXPECT_EQ(clean.Header().state, static_cast<uint32_t>(DatabaseState::CleanShutdown));
    ASSERT_EQ(dirty.Tables().tables.size(), clean.Tables().tables.size());
    size_t rows = 0;
    for (const Table& table : clean.Tables().tables) {
        const Table* other = dirty.Tables().Find(table.name);
        ASSERT_NE(other, nullptr) << table.name;
        std::vector<std::string> problems;
        const auto expected = OurRows(clean, table, problems);
        const auto rowsOfDirty = OurRows(dirty, *other, problems);
        ASSERT_EQ(rowsOfDirty.size(), expected.size()) << table.name;
        for (size_t row = 0; row < expected.size(); ++row)
            for (const auto& [name, cell] : expected[row])
                EXPECT_EQ(rowsOfDirty[row].at(name).text, cell.text) << table.name << " " << name;
        EXPECT_TRUE(problems.empty()) << problems.front();
        rows += expected.size();
    }
    EXPECT_GT(rows, 3000u);
}

}  // namespace
}  // namespace trovana::ese::test
