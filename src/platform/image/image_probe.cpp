// SPDX-License-Identifier: GPL-3.0-or-later
#include "image_probe.h"

#include "image_file.h"
#include "ntfs_volume.h"
#include "partition_table.h"

namespace trovana::image {

namespace fs = std::filesystem;

bool LooksLikeDiskImage(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    // A FIFO or socket would wait for a writer; a folder is a profile or prefix.
    if (error || (!fs::is_regular_file(status) && !fs::is_block_file(status))) {
        return false;
    }
    try {
        const ImageFile file = OpenImageFile(path);
        if (file.format != "raw" && file.format != "split raw") {
            return true;
        }
        // Raw bytes are an image when they start with a partition table or
        // are one NTFS (or BitLocker) volume; a container or an ESE
        // database is neither.
        const PartitionTable table = ReadPartitionTable(*file.media);
        if (table.scheme != "none") {
            return true;
        }
        return !table.volumes.empty() && !VolumeKind(*file.media).empty();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace trovana::image
