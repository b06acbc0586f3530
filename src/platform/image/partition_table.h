// SPDX-License-Identifier: GPL-3.0-or-later
// The volumes of a disk: the partitions of its MBR (primary and logical
// ones in extended partitions) or GPT, or the whole disk when it holds one
// volume without a table. Damaged tables give what can still be read and
// name what is wrong.
#pragma once

#include "byte_source.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trovana::image {

struct DiskVolume {
    int index = 0;        // 1-based in the table's order; 0 for a disk without table
    uint64_t offset = 0;  // bytes from the disk's start
    uint64_t size = 0;    // bytes; cut at the disk's end
    std::string scheme;   // "MBR", "GPT" or "none"
    std::string type;     // "0x07", a GPT type GUID, ...
};

struct PartitionTable {
    std::string scheme;  // "MBR", "GPT" or "none"
    std::vector<DiskVolume> volumes;
    std::vector<std::string> problems;  // each one sentence
};

inline constexpr uint32_t kSectorSize = 512;

// Reads the table at the disk's start. Never throws for bad bytes; a disk
// that cannot be read at all gives no volume and a problem.
PartitionTable ReadPartitionTable(ByteSource& disk);

}  // namespace trovana::image
