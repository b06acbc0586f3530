// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged databases, made from the samples with a few bytes changed (and
// the changed page's checksums made to hold again where the damage should
// reach the structure behind them): each gives a clear error or a problem
// naming the table's page, every other row still read, no crash, no hang.
#include "database.h"
#include "ese_samples.h"
#include "table.h"

#include <gtest/gtest.h>

namespace trovana::ese::test {
namespace {

namespace fs = std::filesystem;

struct TableRead {
    size_t rows = 0;
    size_t unreadableValues = 0;
    std::vector<std::string> problems;
};

// Every row of `name` with every value resolved.
TableRead ReadAll(const Database& database, const std::string& name)
{
    TableRead read;
    const Table* table = database.Tables().Find(name);
    if (!table) {
        read.problems.push_back("no table " + name);
        return read;
    }
    const LongValues longValues(database, *table, read.problems);
    ForEachRow(
        database, *table,
        [&](const Row& row) {
            ++read.rows;
            for (const ColumnValue& column : row.record.columns)
                for (const StoredValue& value : column.values) {
                    try {
                        ResolveValue(value, longValues);
                    } catch (const EseError&) {
                        ++read.unreadableValues;
                    }
                }
        },
        read.problems);
    return read;
}

size_t AllRows(const Database& database, std::vector<std::string>& problems)
{
    size_t rows = 0;
    for (const Table& table : database.Tables().tables) {
        TableRead read = ReadAll(database, table.name);
        rows += read.rows;
        for (std::string& problem : read.problems)
            problems.push_back(table.name + ": " + problem);
    }
    return rows;
}

// Writes `bytes` as page `number` with checksums that hold.
void WritePage(const fs::path& file, uint32_t number, std::string bytes)
{
    const PageGeometry geometry{static_cast<uint32_t>(bytes.size())};
    WritePageChecksums(bytes, number, geometry);
    Patch(file, (number + 1) * uint64_t{geometry.pageSize}, bytes);
}

void PutLE32(std::string& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text)
{
    for (const std::string& problem : problems)
        if (problem.find(text) != std::string::npos)
            return true;
    return false;
}

TEST(EseDamage, OneFlippedBitFailsThePagesChecksumInItsBlock)
{
    const Database database(WebCacheSample());
    const Page page = database.ReadPage(47);
    ASSERT_EQ(page.Problem(), "");
    for (const auto& [at, problem] :
         {std::pair{100u, "fails its checksum"}, std::pair{20000u, "fails its checksum (block 2)"},
          std::pair{32767u, "fails its checksum (block 3)"}}) {
        std::string bytes(page.Bytes());
        bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
        EXPECT_EQ(Page(bytes, 47, database.Geometry()).Problem(), problem) << at;
    }
    EXPECT_EQ(Page(std::string(page.Bytes()), 48, database.Geometry()).Problem(), "fails its checksum")
        << "the page number is part of the checksum";
}

TEST(EseDamage, OldFormChecksumsHoldWithTheirPageNumber)
{
    // A SRUM page without the new-checksum flag, its checksum written by the
    // old rule: 0x89abcdef XOR every 32-bit word from offset 4, the page
    // number in the second word.
    const Database database(SrumSample("clean"));
    std::string bytes(database.ReadPage(31).Bytes());
    bytes[37] = static_cast<char>(bytes[37] & ~0x20);
    PutLE32(bytes, 4, 31);
    uint32_t sum = 0x89abcdef;
    for (size_t at = 4; at < bytes.size(); at += 4)
        sum ^= ReadLE<uint32_t>(bytes, at);
    PutLE32(bytes, 0, sum);
    EXPECT_EQ(Page(bytes, 31, database.Geometry()).Problem(), "");
    EXPECT_EQ(Page(bytes, 32, database.Geometry()).Problem(), "fails its checksum");
}

TEST(EseDamage, ACutShortFileGivesTheRowsOfThePagesItStillHas)
{
    const Database whole(WebCacheSample());
    std::vector<std::string> none;
    const size_t allRows = AllRows(whole, none);
    for (const uint64_t size : {0ull, 100ull, 4096ull, 70000ull, 6ull * 32768}) {
        const fs::path cut = CopyOf(WebCacheSample(), "cut.dat");
        fs::resize_file(cut, size);
        EXPECT_THROW(Database{cut}, EseError) << size;
    }
    // Half the pages: the catalogue is there, the tables beyond are named.
    const fs::path cut = CopyOf(WebCacheSample(), "cut.dat");
    fs::resize_file(cut, 257 * 32768 + 1000);
    const Database half(cut);
    EXPECT_EQ(half.PageCount(), 255u);
    std::vector<std::string> problems;
    const size_t rows = AllRows(half, problems);
    EXPECT_GT(rows, 1000u);
    EXPECT_LT(rows, allRows);
    EXPECT_TRUE(Mentions(problems, "Container_1: page 447 lies outside the file (255 pages)"))
        << ::testing::PrintToString(problems);
    EXPECT_EQ(ReadAll(half, "Container_2").rows, 33u) << "a table before the cut is whole";
}

TEST(EseDamage, AHeaderThatFailsItsChecksumGivesWayToItsShadow)
{
    const fs::path file = CopyOf(SrumSample("clean"), "header.dat");
    Patch(file, 100, "damage");
    const Database database(file);
    EXPECT_TRUE(database.Header().fromShadow);
    EXPECT_EQ(database.Header().pageSize, 4096u);
    EXPECT_EQ(ReadAll(database, "SruDbIdMapTable").rows, 1044u);

    // Both copies damaged: one clear error.
    Patch(file, 4096 + 100, "damage");
    try {
        const Database refused(file);
        ADD_FAILURE() << "a database without a header was opened";
    } catch (const EseError& e) {
        EXPECT_NE(std::string(e.what()).find("its header fails its checksum, and so does its shadow copy"),
                  std::string::npos)
            << e.what();
    }
}

TEST(EseDamage, APageLoopIsStoppedAndNamed)
{
    const fs::path file = CopyOf(WebCacheSample(), "loop.dat");
    const Database before(file);
    const Table& table = *before.Tables().Find("Container_4");
    const Page root = before.ReadPage(table.rootPage);
    ASSERT_TRUE(root.Is(kPageParentOfLeaf) && !root.Is(kPageLeaf));
    // The root's last child made the root itself.
    const uint16_t last = root.TagCount() - 1;
    const std::optional<Node> node = root.NodeAt(last);
    ASSERT_TRUE(node);
    std::string bytes(root.Bytes());
    PutLE32(bytes, static_cast<size_t>(node->data.data() - root.Bytes().data()), table.rootPage);
    WritePage(file, table.rootPage, bytes);

    const Database looped(file);
    const TableRead read = ReadAll(looped, "Container_4");
    EXPECT_TRUE(Mentions(read.problems, "page 77 is reached twice (a loop)"))
        << ::testing::PrintToString(read.problems);
    EXPECT_GT(read.rows, 2500u) << "the other children are still read";
    EXPECT_LT(read.rows, 3297u);
}

TEST(EseDamage, ALongValueChunkThatPointsBackIsRefused)
{
    // BlobEntry_1's long value 0x16 has two chunks, at 0 and 0x1fd6, on page 169.
    const fs::path file = CopyOf(WebCacheSample(), "chunks.dat");
    const Database before(file);
    const Page page = before.ReadPage(169);
    std::string bytes(page.Bytes());
    const std::string_view body = page.Body();
    const size_t at = body.find(std::string("\x00\x00\x1f\xd6", 4));
    ASSERT_NE(at, std::string_view::npos);
    bytes.replace(page.Geometry().HeaderSize() + at, 4, std::string("\x00\x00\x00\x10", 4));
    WritePage(file, 169, bytes);

    const Database damaged(file);
    const Table& table = *damaged.Tables().Find("BlobEntry_1");
    std::vector<std::string> problems;
    const LongValues longValues(damaged, table, problems);
    try {
        longValues.Read(std::string("\x16\x00\x00\x00", 4));
        ADD_FAILURE() << "a chunk pointing back was read";
    } catch (const EseError& e) {
        EXPECT_EQ(std::string(e.what()), "its long value's chunk at 16 does not follow the 8150 bytes before it");
    }
    EXPECT_EQ(longValues.Read(std::string("\x14\x00\x00\x00", 4)).size(), 7144u) << "its neighbour is whole";
    const TableRead read = ReadAll(damaged, "BlobEntry_1");
    EXPECT_EQ(read.rows, 23u);
    EXPECT_EQ(read.unreadableValues, 2u) << "the value on the bad page 170 and the one pointing back";
}

TEST(EseDamage, GiantCountsStayWithinThePageAndTheRecord)
{
    // A page claiming 4095 tags, every one of them garbage past the real ones.
    const fs::path file = CopyOf(WebCacheSample(), "counts.dat");
    {
        const Database before(file);
        const uint32_t number = before.Tables().Find("Container_2")->rootPage;
        std::string bytes(before.ReadPage(number).Bytes());
        bytes[34] = '\xff';
        bytes[35] = '\x0f';
        WritePage(file, number, bytes);
    }
    const Database damaged(file);
    const TableRead read = ReadAll(damaged, "Container_2");
    EXPECT_FALSE(read.problems.empty());
    EXPECT_EQ(ReadAll(damaged, "Container_1").rows, 46u);

    // Records whose header and tagged array claim more than they hold.
    const Table& catalogue = CatalogueTable();
    const PageGeometry large{32768};
    EXPECT_EQ(DecodeRecord(catalogue, std::string("\x7f\xff\xff\xff", 4), large).problem,
              "its fixed columns overrun it");
    EXPECT_EQ(DecodeRecord(catalogue, std::string("\x00\xff\x04\x00", 4), large).problem,
              "its variable columns overrun it");
    const std::string tagged("\x00\x7f\x04\x00\x00\x01\xfc\x7f", 8);
    EXPECT_EQ(DecodeRecord(catalogue, tagged, large).problem, "its tagged columns overrun it");
    const std::string multi("\x00\x7f\x04\x00\x00\x01\x04\x00\x08\xff\x7f", 11);
    EXPECT_EQ(DecodeRecord(catalogue, multi, large).problem, "a multi-valued column overruns the record");
}

TEST(EseDamage, TheChangedByteThatKilledLibesedbNamesOnePage)
{
    // 0x00 to 0x4B at 465413: a catalogue page; its shadow copy names all.
    const fs::path file = CopyOf(WebCacheSample(), "byte.dat");
    Patch(file, 465413, "\x4b");
    const Database damaged(file);
    ASSERT_EQ(damaged.CatalogueProblems().size(), 1u);
    EXPECT_EQ(damaged.CatalogueProblems().front(), "page 13 fails its checksum (its shadow copy was read too)");
    const Database whole(WebCacheSample());
    EXPECT_EQ(damaged.Tables().tables.size(), whole.Tables().tables.size());
    for (const std::string name : {"Container_1", "Container_2", "Container_4", "Container_11", "Containers"})
        EXPECT_EQ(ReadAll(damaged, name).rows, ReadAll(whole, name).rows) << name;
}

}  // namespace
}  // namespace trovana::ese::test
