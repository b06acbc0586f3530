// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a disk image of any format Trovana reads, read-only: raw (also
// split .001/.002 and block devices), EnCase/SMART (libewf), VMDK (libvmdk),
// VHD and VHDX (libvhdi), QCOW2 (libqcow). The result is the image's media:
// the bytes of the disk it holds.
#pragma once

#include "byte_source.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace trovana::image {

struct StoredHash {
    std::string algorithm;  // "MD5", "SHA1"
    std::string hex;        // lower case
};

struct ImageFile {
    std::string format;  // "raw", "split raw", "EWF", "VMDK", "VHD", "QCOW"
    std::shared_ptr<ByteSource> media;
    std::vector<StoredHash> storedHashes;    // what the image itself records (EWF)
    std::vector<std::string> problems = {};  // what its library says is wrong, each one sentence
};

// Opens `path` by its signature. Throws ImageError naming the file when it
// cannot be opened or its format's library refuses it.
ImageFile OpenImageFile(const std::filesystem::path& path);

// True when `path` is a file or block device that holds a disk image of a
// format above, or a raw disk with a partition table or an NTFS boot
// sector; false for a cache container or a WebCache database.
bool LooksLikeDiskImage(const std::filesystem::path& path);

}  // namespace trovana::image
