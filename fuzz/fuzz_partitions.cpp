// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the input as a disk's first sectors: its MBR (with extended
// partitions) or GPT. Whatever the bytes, the reader ends and every volume
// it gives lies inside the disk.
#include "partition_table.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::image;
    const auto disk = MemorySource(std::vector<uint8_t>(data, data + size));
    const PartitionTable table = ReadPartitionTable(*disk);
    for (const DiskVolume& volume : table.volumes) {
        if (volume.offset > size || volume.size > size - volume.offset) {
            std::abort();
        }
    }
    return 0;
}
