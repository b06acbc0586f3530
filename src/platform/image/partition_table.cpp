// SPDX-License-Identifier: GPL-3.0-or-later
#include "partition_table.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <set>

namespace trovana::image {

namespace {

constexpr size_t kMbrEntries = 446;
constexpr size_t kMaxLogicalVolumes = 128;  // bounds a looping chain of EBRs
constexpr uint32_t kMaxGptEntries = 1024;

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Le64(const uint8_t* p)
{
    return uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32;
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

std::string Hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

// A GUID as Windows writes it: its first three fields little-endian.
std::string GuidText(const uint8_t* g)
{
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", Le32(g),
                  unsigned(g[4] | g[5] << 8), unsigned(g[6] | g[7] << 8), g[8], g[9], g[10], g[11], g[12], g[13], g[14],
                  g[15]);
    return text;
}

bool IsExtended(uint8_t type)
{
    return type == 0x05 || type == 0x0F || type == 0x85;
}

class Reader {
public:
    Reader(ByteSource& disk, PartitionTable& table) : m_disk(disk), m_table(table) {}

    // One sector, or nothing when the disk ends before it or cannot be read.
    std::vector<uint8_t> Sector(uint64_t lba, size_t count = 1)
    {
        const uint64_t offset = lba * kSectorSize;
        if (lba > m_disk.Size() / kSectorSize) {
            return {};
        }
        try {
            std::vector<uint8_t> bytes = ReadBytes(m_disk, offset, count * kSectorSize);
            if (bytes.size() == count * kSectorSize) {
                return bytes;
            }
        } catch (const ImageError& error) {
            Problem(error.what());
        }
        return {};
    }

    void Problem(std::string text) { m_table.problems.push_back(std::move(text)); }

    // Adds a volume, cut at the disk's end; one that starts past it is named
    // and left out.
    void Add(const std::string& scheme, uint64_t firstLba, uint64_t sectors, std::string type)
    {
        const int index = static_cast<int>(m_table.volumes.size()) + 1;
        const uint64_t diskSize = m_disk.Size();
        if (sectors == 0) {
            return;
        }
        if (firstLba >= diskSize / kSectorSize) {
            Problem(scheme + " partition " + std::to_string(index) + " starts at sector " + std::to_string(firstLba) +
                    ", past the end of the disk (" + std::to_string(diskSize) +
                    " bytes): the image is truncated or "
                    "the table damaged");
            return;
        }
        const uint64_t offset = firstLba * kSectorSize;
        const uint64_t available = diskSize - offset;
        const bool cut = sectors > available / kSectorSize;
        const uint64_t size = cut ? available : sectors * kSectorSize;
        if (cut) {
            Problem(scheme + " partition " + std::to_string(index) +
                    " ends past the end of the disk: the image is "
                    "truncated; its first " +
                    std::to_string(size) + " bytes are read");
        }
        m_table.volumes.push_back({index, offset, size, scheme, std::move(type)});
    }

    void ReadExtended(uint64_t extendedStart, uint64_t extendedSectors)
    {
        std::set<uint64_t> seen;
        uint64_t ebr = extendedStart;
        for (size_t count = 0; count < kMaxLogicalVolumes; ++count) {
            if (!seen.insert(ebr).second) {
                Problem("the chain of extended partitions loops back to sector " + std::to_string(ebr));
                return;
            }
            const std::vector<uint8_t> sector = Sector(ebr);
            if (sector.empty() || sector[510] != 0x55 || sector[511] != 0xAA) {
                Problem("the extended partition's table at sector " + std::to_string(ebr) + " is missing or damaged");
                return;
            }
            const uint8_t* logical = sector.data() + kMbrEntries;
            const uint8_t* next = logical + 16;
            if (logical[4] != 0 && !IsExtended(logical[4])) {
                Add("MBR", ebr + Le32(logical + 8), Le32(logical + 12), Hex(logical[4]));
            }
            if (!IsExtended(next[4]) || Le32(next + 8) == 0) {
                return;
            }
            if (Le32(next + 8) >= extendedSectors) {
                Problem("the extended partition's link at sector " + std::to_string(ebr) + " points outside it");
                return;
            }
            ebr = extendedStart + Le32(next + 8);
        }
        Problem("more than " + std::to_string(kMaxLogicalVolumes) + " logical partitions; the rest are left out");
    }

    void ReadMbr(const std::vector<uint8_t>& sector)
    {
        m_table.scheme = "MBR";
        for (int i = 0; i < 4; ++i) {
            const uint8_t* entry = sector.data() + kMbrEntries + 16 * i;
            const uint8_t type = entry[4];
            if (type == 0) {
                continue;
            }
            if (IsExtended(type)) {
                ReadExtended(Le32(entry + 8), Le32(entry + 12));
                continue;
            }
            Add("MBR", Le32(entry + 8), Le32(entry + 12), Hex(type));
        }
    }

    // The header at `lba` when its signature and checksum hold.
    std::vector<uint8_t> GptHeader(uint64_t lba)
    {
        std::vector<uint8_t> header = Sector(lba);
        if (header.empty() || std::memcmp(header.data(), "EFI PART", 8) != 0) {
            return {};
        }
        const uint32_t size = Le32(header.data() + 12);
        if (size < 92 || size > kSectorSize) {
            return {};
        }
        std::vector<uint8_t> copy(header.begin(), header.begin() + size);
        std::memset(copy.data() + 16, 0, 4);
        if (Crc32(copy.data(), copy.size()) != Le32(header.data() + 16)) {
            return {};
        }
        return header;
    }

    bool ReadGpt()
    {
        std::vector<uint8_t> header = GptHeader(1);
        if (header.empty()) {
            const uint64_t last = m_disk.Size() / kSectorSize;
            header = last > 1 ? GptHeader(last - 1) : std::vector<uint8_t>{};
            if (header.empty()) {
                Problem("the GPT header is damaged (signature or checksum), and so is its backup");
                return false;
            }
            Problem("the GPT header is damaged; its backup at the disk's end is read");
        }
        m_table.scheme = "GPT";
        const uint64_t entriesLba = Le64(header.data() + 72);
        const uint32_t count = Le32(header.data() + 80);
        const uint32_t entrySize = Le32(header.data() + 84);
        if (entrySize < 128 || entrySize > 4096 || entrySize % 8 != 0 || count > kMaxGptEntries) {
            Problem("the GPT header names an impossible partition array (" + std::to_string(count) + " entries of " +
                    std::to_string(entrySize) + " bytes)");
            return true;
        }
        const size_t bytes = size_t{count} * entrySize;
        const std::vector<uint8_t> entries = Sector(entriesLba, (bytes + kSectorSize - 1) / kSectorSize);
        if (entries.empty()) {
            Problem("the GPT partition array at sector " + std::to_string(entriesLba) + " cannot be read");
            return true;
        }
        if (Crc32(entries.data(), bytes) != Le32(header.data() + 88)) {
            Problem("the GPT partition array's checksum does not match; its entries are read as they are");
        }
        static constexpr uint8_t kUnused[16] = {};
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* entry = entries.data() + size_t{i} * entrySize;
            if (std::memcmp(entry, kUnused, 16) == 0) {
                continue;
            }
            const uint64_t first = Le64(entry + 32);
            const uint64_t last = Le64(entry + 40);
            if (last < first) {
                Problem("GPT entry " + std::to_string(i + 1) + " ends before it starts");
                continue;
            }
            Add("GPT", first, last - first + 1, GuidText(entry));
        }
        return true;
    }

    void Read()
    {
        const std::vector<uint8_t> sector = Sector(0);
        if (sector.empty()) {
            Problem("the disk is shorter than one sector");
            return;
        }
        // A volume's boot sector ends in 55 AA too: a disk that starts with
        // one holds that volume alone.
        const bool bootSector = std::memcmp(sector.data() + 3, "NTFS    ", 8) == 0 ||
                                std::memcmp(sector.data() + 3, "-FVE-FS-", 8) == 0 ||
                                std::memcmp(sector.data() + 3, "MSDOS5.0", 8) == 0 ||
                                std::memcmp(sector.data() + 3, "EXFAT   ", 8) == 0;
        const bool mbr = sector[510] == 0x55 && sector[511] == 0xAA;
        if (!bootSector && mbr) {
            const bool protective = sector[kMbrEntries + 4] == 0xEE || sector[kMbrEntries + 16 + 4] == 0xEE;
            if (protective && ReadGpt()) {
                return;
            }
            ReadMbr(sector);
            if (!m_table.volumes.empty()) {
                return;
            }
        }
        m_table.scheme = "none";
        m_table.volumes.clear();
        m_table.volumes.push_back({0, 0, m_disk.Size(), "none", ""});
    }

private:
    ByteSource& m_disk;
    PartitionTable& m_table;
};

}  // namespace

PartitionTable ReadPartitionTable(ByteSource& disk)
{
    PartitionTable table;
    Reader(disk, table).Read();
    return table;
}

}  // namespace trovana::image
