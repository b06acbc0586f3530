// SPDX-License-Identifier: GPL-3.0-or-later
// The partition table reader on tables written here byte by byte (with
// zlib's CRC-32 for GPT), damaged ones, and random damage.
#include "partition_table.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

namespace trovana::image {
namespace {

constexpr uint64_t kSector = 512;

void Put32(std::vector<uint8_t>& disk, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        disk[at + i] = uint8_t(value >> (8 * i));
    }
}

void Put64(std::vector<uint8_t>& disk, size_t at, uint64_t value)
{
    Put32(disk, at, uint32_t(value));
    Put32(disk, at + 4, uint32_t(value >> 32));
}

// One 16-byte MBR entry in the table of the sector at `lba`.
void MbrEntry(std::vector<uint8_t>& disk, uint64_t lba, int slot, uint8_t type, uint32_t first, uint32_t sectors)
{
    const size_t at = lba * kSector + 446 + 16 * slot;
    disk[at + 4] = type;
    Put32(disk, at + 8, first);
    Put32(disk, at + 12, sectors);
    disk[lba * kSector + 510] = 0x55;
    disk[lba * kSector + 511] = 0xAA;
}

uint32_t Crc(const uint8_t* data, size_t size)
{
    return uint32_t(crc32(0, data, static_cast<uInt>(size)));
}

// A GPT header at `headerLba` naming an array of 128-byte entries at
// `arrayLba`; entries are (first, last) LBAs of basic data partitions.
void GptHeader(std::vector<uint8_t>& disk, uint64_t headerLba, uint64_t arrayLba, uint32_t count)
{
    const size_t at = headerLba * kSector;
    std::memcpy(&disk[at], "EFI PART", 8);
    Put32(disk, at + 8, 0x00010000);
    Put32(disk, at + 12, 92);
    Put64(disk, at + 24, headerLba);
    Put64(disk, at + 72, arrayLba);
    Put32(disk, at + 80, count);
    Put32(disk, at + 84, 128);
    Put32(disk, at + 88, Crc(&disk[arrayLba * kSector], size_t{count} * 128));
    Put32(disk, at + 16, 0);
    Put32(disk, at + 16, Crc(&disk[at], 92));
}

std::vector<uint8_t> GptDisk(uint64_t sectors, const std::vector<std::pair<uint64_t, uint64_t>>& partitions)
{
    std::vector<uint8_t> disk(sectors * kSector);
    MbrEntry(disk, 0, 0, 0xEE, 1, uint32_t(sectors - 1));
    constexpr uint8_t kBasicData[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                        0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    for (size_t i = 0; i < partitions.size(); ++i) {
        for (uint64_t array : {uint64_t{2}, sectors - 33}) {
            const size_t at = array * kSector + i * 128;
            std::memcpy(&disk[at], kBasicData, 16);
            disk[at + 16] = uint8_t(i + 1);
            Put64(disk, at + 32, partitions[i].first);
            Put64(disk, at + 40, partitions[i].second);
        }
    }
    GptHeader(disk, 1, 2, 128);
    GptHeader(disk, sectors - 1, sectors - 33, 128);
    return disk;
}

PartitionTable Read(std::vector<uint8_t> disk)
{
    auto source = MemorySource(std::move(disk));
    return ReadPartitionTable(*source);
}

bool Mentions(const PartitionTable& table, const std::string& words)
{
    for (const std::string& problem : table.problems) {
        if (problem.find(words) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(PartitionTable, MbrPrimaryAndLogicalPartitionsInTableOrder)
{
    std::vector<uint8_t> disk(4096 * kSector);
    MbrEntry(disk, 0, 0, 0x07, 64, 512);
    MbrEntry(disk, 0, 1, 0x0F, 1024, 2048);  // extended: two logical partitions
    MbrEntry(disk, 1024, 0, 0x07, 32, 256);
    MbrEntry(disk, 1024, 1, 0x05, 512, 600);  // link, relative to the extended start
    MbrEntry(disk, 1536, 0, 0x07, 32, 100);
    const PartitionTable table = Read(disk);
    EXPECT_EQ(table.scheme, "MBR");
    ASSERT_EQ(table.volumes.size(), 3u);
    EXPECT_EQ(table.volumes[0].offset, 64 * kSector);
    EXPECT_EQ(table.volumes[0].size, 512 * kSector);
    EXPECT_EQ(table.volumes[1].offset, (1024 + 32) * kSector);
    EXPECT_EQ(table.volumes[2].offset, (1536 + 32) * kSector);
    EXPECT_EQ(table.volumes[2].size, 100 * kSector);
    EXPECT_EQ(table.volumes[2].index, 3);
    EXPECT_TRUE(table.problems.empty());
}

TEST(PartitionTable, ALoopingChainOfExtendedPartitionsEnds)
{
    std::vector<uint8_t> disk(4096 * kSector);
    MbrEntry(disk, 0, 0, 0x05, 1024, 2048);
    MbrEntry(disk, 1024, 0, 0x07, 32, 64);
    MbrEntry(disk, 1024, 1, 0x05, 512, 600);
    MbrEntry(disk, 1536, 0, 0x07, 32, 64);
    MbrEntry(disk, 1536, 1, 0x05, 512, 600);  // links to itself
    const PartitionTable table = Read(disk);
    EXPECT_TRUE(Mentions(table, "loops"));
    EXPECT_EQ(table.volumes.size(), 2u);
}

TEST(PartitionTable, PartitionsPastTheEndAreNamedAndCut)
{
    std::vector<uint8_t> disk(1000 * kSector);
    MbrEntry(disk, 0, 0, 0x07, 100, 2000);  // crosses the end: a truncated image
    MbrEntry(disk, 0, 1, 0x07, 5000, 10);   // starts past it
    const PartitionTable table = Read(disk);
    ASSERT_EQ(table.volumes.size(), 1u);
    EXPECT_EQ(table.volumes[0].size, 900 * kSector);
    EXPECT_TRUE(Mentions(table, "truncated"));
    EXPECT_TRUE(Mentions(table, "past the end"));
}

TEST(PartitionTable, GptPartitionsAndTheBackupHeaderWhenTheFirstIsDamaged)
{
    std::vector<uint8_t> disk = GptDisk(4096, {{2048, 3047}, {3048, 4000}});
    PartitionTable table = Read(disk);
    EXPECT_EQ(table.scheme, "GPT");
    ASSERT_EQ(table.volumes.size(), 2u);
    EXPECT_EQ(table.volumes[0].offset, 2048 * kSector);
    EXPECT_EQ(table.volumes[0].size, 1000 * kSector);
    EXPECT_EQ(table.volumes[1].type, "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
    EXPECT_TRUE(table.problems.empty());

    disk[kSector + 40] ^= 0xFF;  // the primary header's checksum no longer holds
    table = Read(disk);
    EXPECT_EQ(table.volumes.size(), 2u);
    EXPECT_TRUE(Mentions(table, "backup"));
}

TEST(PartitionTable, AnImpossibleGptArrayIsNamedNotRead)
{
    std::vector<uint8_t> disk = GptDisk(4096, {{2048, 3047}});
    for (uint64_t header : {uint64_t{1}, uint64_t{4095}}) {
        const size_t at = header * kSector;
        Put32(disk, at + 80, 0x7FFFFFFF);  // entries: two gigabytes of array
        Put32(disk, at + 16, 0);
        Put32(disk, at + 16, Crc(&disk[at], 92));  // a header whose checksum holds
    }
    const PartitionTable table = Read(disk);
    EXPECT_EQ(table.scheme, "GPT");
    EXPECT_TRUE(table.volumes.empty());
    EXPECT_TRUE(Mentions(table, "impossible"));
}

TEST(PartitionTable, AVolumeWithoutTableIsTheWholeDisk)
{
    std::vector<uint8_t> disk(64 * kSector);
    std::memcpy(&disk[3], "NTFS    ", 8);
    disk[510] = 0x55;  // a boot sector ends like an MBR
    disk[511] = 0xAA;
    const PartitionTable table = Read(disk);
    EXPECT_EQ(table.scheme, "none");
    ASSERT_EQ(table.volumes.size(), 1u);
    EXPECT_EQ(table.volumes[0].size, disk.size());
}

TEST(PartitionTable, RandomDamageNeverGivesAVolumeOutsideTheDisk)
{
    const std::vector<uint8_t> mbr = [] {
        std::vector<uint8_t> disk(2048 * kSector);
        MbrEntry(disk, 0, 0, 0x07, 64, 512);
        MbrEntry(disk, 0, 1, 0x0F, 1024, 1000);
        MbrEntry(disk, 1024, 0, 0x07, 32, 256);
        MbrEntry(disk, 1024, 1, 0x05, 512, 400);
        MbrEntry(disk, 1536, 0, 0x07, 32, 100);
        return disk;
    }();
    const std::vector<uint8_t> gpt = GptDisk(2048, {{100, 900}, {901, 1900}});
    std::mt19937 random(36);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> disk = round % 2 ? mbr : gpt;
        // Damage the tables' sectors: the MBR, the EBRs, the GPT header and array.
        for (int i = 0; i < 8; ++i) {
            const uint64_t sector = std::vector<uint64_t>{0, 1, 2, 1024, 1536, 2047}[random() % 6];
            disk[sector * kSector + random() % kSector] = uint8_t(random());
        }
        disk.resize(disk.size() - (random() % 4 == 0 ? random() % disk.size() : 0));
        const PartitionTable table = Read(disk);
        for (const DiskVolume& volume : table.volumes) {
            ASSERT_LE(volume.offset + volume.size, disk.size()) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace trovana::image
