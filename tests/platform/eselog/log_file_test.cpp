// SPDX-License-Identifier: GPL-3.0-or-later
// The log file reader against the SRUM sample's own logs (their header
// fields and first records read by hand from the bytes), and against damaged
// copies: a bad segment is named and skipped, a short file keeps what it has.
#include <gtest/gtest.h>

#include <algorithm>

#include "log_file.h"
#include "log_set.h"
#include "log_test_support.h"

namespace trovana::eselog {
namespace {

using test::ReadBytes;
using test::SrumFolder;

LogFile ReadSample(const std::string& name)
{
    const auto bytes = ReadBytes(SrumFolder() / name);
    return ReadLogFile(bytes, name);
}

size_t CountType(const LogFile& file, uint8_t type)
{
    return static_cast<size_t>(
        std::count_if(file.records.begin(), file.records.end(), [&](const LogRecord& r) { return r.type == type; }));
}

TEST(LogHeader, FieldsAndChecksumOfTheSample)
{
    const LogFile file = ReadSample("SRU.log");
    ASSERT_TRUE(file.headerRead);
    const LogHeader& header = file.header;
    EXPECT_TRUE(header.checksumHolds);
    EXPECT_EQ(header.checksum, 0xc8c44e81u);
    EXPECT_EQ(header.generation, 0x5C);
    EXPECT_EQ(header.sectorSize, 4096);
    EXPECT_EQ(header.headerSectors, 1);
    EXPECT_EQ(header.fileSectors, 16);
    EXPECT_EQ(header.databasePageSize, 4096u);
    EXPECT_EQ(header.fileType, 3u);
    EXPECT_EQ(header.versionMajor, 8u);
    EXPECT_EQ(header.versionMinor, 4000u);
    EXPECT_EQ(FormatLogTime(header.created), "2022-07-03 02:10:42");
    EXPECT_EQ(header.checkpoint.generation, 0x5B);
    EXPECT_EQ(header.checkpoint.sector, 13);
    EXPECT_TRUE(file.problems.empty());
}

TEST(LogHeader, AChangedByteBreaksTheChecksumAndNothingIsRead)
{
    auto bytes = ReadBytes(SrumFolder() / "SRU.log");
    bytes[0x50] ^= 0x01;
    const LogFile file = ReadLogFile(bytes, "SRU.log");
    EXPECT_FALSE(file.header.checksumHolds);
    EXPECT_FALSE(file.headerRead);
    EXPECT_TRUE(file.records.empty());
    ASSERT_EQ(file.problems.size(), 1u);
    EXPECT_NE(file.problems[0].what.find("checksum"), std::string::npos);
}

TEST(LogRecords, FirstRecordsOfAGenerationAsTheBytesHoldThem)
{
    const LogFile file = ReadSample("SRU0005A.log");
    ASSERT_TRUE(file.problems.empty());
    ASSERT_GE(file.records.size(), 3u);
    // 5A:1:40 an insert into the tree of object 0x12 on page 0x135, line
    // 0x19: an 8-byte key prefix, an 11-byte suffix and 14 bytes of data;
    // then the commit and the next begin of session 9.
    const LogRecord& insert = file.records[0];
    EXPECT_EQ(insert.type, kInsert);
    EXPECT_EQ(FormatLogPosition(insert.position), "5A:1:40");
    EXPECT_EQ(insert.page, 0x135u);
    EXPECT_EQ(insert.line, 0x19);
    EXPECT_EQ(insert.objectId, 0x12u);
    EXPECT_EQ(insert.treeRoot, 0x50u);
    EXPECT_EQ(insert.dbtime, 0xa8f5u);
    EXPECT_EQ(insert.dbtimeBefore, 0xa8b4u);
    EXPECT_EQ(insert.key.size(), 19u);
    EXPECT_EQ(insert.key[0], 0x7f);
    EXPECT_EQ(insert.data.size(), 14u);
    EXPECT_EQ(insert.size, 83u);
    EXPECT_EQ(file.records[1].type, kCommit);
    EXPECT_EQ(file.records[1].session, 9);
    EXPECT_EQ(file.records[2].type, kBegin);
    EXPECT_EQ(file.records[2].levelFrom, 1);
    EXPECT_EQ(file.records[2].levels, 1);
}

TEST(LogRecords, RecordsSplitIntoFragmentsComeWhole)
{
    // Segments 2 to 6 of this log start with the continuation of a record
    // begun in the segment before.
    const LogFile file = ReadSample("SRU0005A.log");
    EXPECT_EQ(CountType(file, kFragmentBegin), 0u);
    EXPECT_EQ(CountType(file, kFragment), 0u);
    size_t crossing = 0;
    for (const LogRecord& record : file.records) {
        if (record.position.offset + record.size > 4096) {
            ++crossing;
            EXPECT_GT(record.type, 0);
            EXPECT_LT(record.type, kTypeLimit);
        }
    }
    EXPECT_GE(crossing, 5u);
}

TEST(LogRecords, EverySegmentOfTheSampleIsReadInTheNewChecksumForm)
{
    const LogSet set = ReadLogsBeside(SrumFolder() / "SRUDB.dat");
    EXPECT_TRUE(set.problems.empty());
    ASSERT_EQ(set.files.size(), 5u);  // SRU.log, SRU00059-5B.log and the reused SRUtmp.log
    std::vector<int32_t> generations;
    for (const auto& file : set.files)
        generations.push_back(file.header.generation);
    EXPECT_EQ(generations, (std::vector<int32_t>{0x50, 0x59, 0x5A, 0x5B, 0x5C}));
    size_t inserts = 0;
    for (const auto& file : set.files) {
        EXPECT_GT(file.segmentsRead, 0u) << file.name;
        inserts += CountType(file, kInsert);
    }
    EXPECT_GT(inserts, 1300u);
}

TEST(LogRecords, SizesComeFromTheFixedPartAndItsLengthFields)
{
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = kCommit;
    EXPECT_EQ(LogRecordSize(bytes), 4u);
    // An insert: 50 fixed bytes, then suffix, prefix and data lengths.
    bytes[0] = kInsert;
    bytes[44] = 3;
    bytes[46] = 2;
    bytes[48] = 7;
    EXPECT_EQ(LogRecordSize(bytes), 62u);
    // A replace: 50 fixed bytes and its data; the top bit of the length
    // marks the wide diff form, not size.
    bytes[0] = kReplaceDiff;
    bytes[44] = 9;
    bytes[45] = 0x80;
    EXPECT_EQ(LogRecordSize(bytes), 59u);
    // A create-database record: its path, and a version when flagged.
    bytes[0] = kCreateDatabase;
    bytes[40] = 10;
    bytes[41] = 0;
    bytes[42] = 0;
    EXPECT_EQ(LogRecordSize(bytes), 53u);
    bytes[42] = 0x04;
    EXPECT_EQ(LogRecordSize(bytes), 57u);
    // The types later engines added to be skipped: a 32-bit length.
    bytes[0] = 71;
    bytes[1] = 0xc4;
    bytes[2] = 0x0f;
    bytes[3] = 0;
    bytes[4] = 0;
    EXPECT_EQ(LogRecordSize(bytes), 5u + 0xfc4u);
    // Unknown types and lengths past the bytes give no size.
    bytes[0] = kTypeLimit;
    EXPECT_EQ(LogRecordSize(bytes), 0u);
    EXPECT_EQ(LogRecordSize(std::span<const uint8_t>(bytes).first(30)), 0u);  // kTypeLimit still
    bytes[0] = kInsert;
    EXPECT_EQ(LogRecordSize(std::span<const uint8_t>(bytes).first(47)), 0u);
}

TEST(LogDamage, ABadSegmentIsNamedAndTheOthersAreStillRead)
{
    const LogFile whole = ReadSample("SRU00059.log");
    auto bytes = ReadBytes(SrumFolder() / "SRU00059.log");
    bytes[3 * 4096 + 700] ^= 0x20;
    const LogFile damaged = ReadLogFile(bytes, "SRU00059.log");
    ASSERT_FALSE(damaged.problems.empty());
    EXPECT_EQ(damaged.problems[0].sector, 3);
    EXPECT_NE(damaged.problems[0].what.find("segment 3"), std::string::npos);
    EXPECT_LT(damaged.records.size(), whole.records.size());
    EXPECT_GT(damaged.records.size(), whole.records.size() / 2);
    for (const LogRecord& record : damaged.records)
        EXPECT_NE(record.position.sector, 3);
}

TEST(LogDamage, ATruncatedLogKeepsItsFirstSegments)
{
    auto bytes = ReadBytes(SrumFolder() / "SRU00059.log");
    bytes.resize(3 * 4096 + 100);
    const LogFile file = ReadLogFile(bytes, "SRU00059.log");
    EXPECT_TRUE(file.headerRead);
    EXPECT_FALSE(file.records.empty());
    bool namedTruncation = false;
    for (const auto& problem : file.problems)
        namedTruncation |= problem.what.find("truncated") != std::string::npos;
    EXPECT_TRUE(namedTruncation);
    for (const LogRecord& record : file.records)
        EXPECT_LT(record.position.sector, 3);
}

TEST(LogDamage, GarbageAndEmptyInputGiveProblemsNotCrashes)
{
    EXPECT_FALSE(ReadLogFile({}, "empty.log").headerRead);
    std::vector<uint8_t> garbage(64 * 1024);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
    const LogFile file = ReadLogFile(garbage, "garbage.log");
    EXPECT_FALSE(file.headerRead);
    EXPECT_FALSE(file.problems.empty());
}

TEST(LogSet, OnlyEseLogsBesideTheDatabaseAreRead)
{
    test::ScratchFolder folder;
    std::filesystem::copy_file(SrumFolder() / "SRU.log", folder.Path() / "edb.log");
    std::filesystem::copy_file(SrumFolder() / "SRU.chk", folder.Path() / "edb.chk");
    std::filesystem::copy_file(SrumFolder() / "SRUres00001.jrs", folder.Path() / "edbres00001.jrs");
    test::WriteBytes(folder.Path() / "setup.LOG", {'p', 'l', 'a', 'i', 'n', '\n'});
    auto broken = ReadBytes(SrumFolder() / "SRU0005B.log");
    broken[100] ^= 0xFF;
    test::WriteBytes(folder.Path() / "edb0005B.log", broken);
    const LogSet set = ReadLogsBeside(folder.Path() / "x.edb");
    ASSERT_EQ(set.files.size(), 1u);
    EXPECT_EQ(set.files[0].name, "edb.log");
    // The damaged log is named; the text file is no log and is not.
    ASSERT_EQ(set.problems.size(), 1u);
    EXPECT_EQ(set.problems[0].rfind("edb0005B.log: ", 0), 0u) << set.problems[0];
}

TEST(LogSet, LogsOfAnotherDatabaseAreNamedAndLeftOut)
{
    // The copy taken from the running system names its logs' signature in
    // its header (the clean copy's header no longer does).
    const auto dirty = SrumFolder().parent_path() / "srum-win11-dirty";
    test::ScratchFolder folder;
    for (const auto& entry : std::filesystem::directory_iterator(dirty))
        std::filesystem::copy_file(entry.path(), folder.Path() / entry.path().filename());
    const auto database = folder.Path() / "SRUDB.dat";
    std::filesystem::permissions(database, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(ReadLogsBeside(database).files.size(), 5u);

    auto bytes = ReadBytes(database);
    bytes[108] ^= 0x01;  // another random number in the logs' signature
    test::WriteBytes(database, bytes);
    const LogSet set = ReadLogsBeside(database);
    EXPECT_TRUE(set.files.empty());
    ASSERT_EQ(set.problems.size(), 5u);
    EXPECT_NE(set.problems[0].find("another database"), std::string::npos) << set.problems[0];
}

}  // namespace
}  // namespace trovana::eselog
