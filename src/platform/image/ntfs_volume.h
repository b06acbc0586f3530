// SPDX-License-Identifier: GPL-3.0-or-later
// An NTFS volume read through libfsntfs from any ByteSource (a partition,
// a shadow copy): folders by path, files copied out in pieces, and every
// MFT entry by number for the search of deleted files.
#pragma once

#include "byte_source.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::image {

struct NtfsFile {
    std::string name;
    bool directory = false;
    uint64_t mftEntry = 0;  // the MFT entry number (the file reference's low 48 bits)
    uint64_t size = 0;      // of the default data stream
};

// A run of the file's data: bytes from the volume's start.
struct NtfsExtent {
    uint64_t offset = 0;
    uint64_t size = 0;
    bool sparse = false;
};

// An MFT entry as the deleted-file search sees it: of an allocated entry,
// only that it is allocated.
struct NtfsEntry {
    bool allocated = false;
    bool hasData = false;
    uint64_t size = 0;
    std::vector<uint8_t> head;  // the first bytes of its data (up to 64), read for unallocated entries only
};

// What kind of volume `bytes` holds, by its boot sector: "NTFS",
// "BitLocker", or empty for anything else.
std::string VolumeKind(ByteSource& bytes);

class NtfsVolume {
public:
    // Throws ImageError with the reason when libfsntfs refuses the volume
    // (a damaged boot sector or MFT).
    explicit NtfsVolume(std::shared_ptr<ByteSource> bytes);
    ~NtfsVolume();
    NtfsVolume(const NtfsVolume&) = delete;
    NtfsVolume& operator=(const NtfsVolume&) = delete;

    // `path` uses '/' between names, from the volume's root ("" is the
    // root); names match without regard to case, as on Windows.
    std::optional<NtfsFile> Stat(std::string_view path);
    // A folder's entries; empty when it is none or cannot be read.
    std::vector<NtfsFile> List(std::string_view path);
    // Copies the file's data to `target` (made anew) in pieces, so that
    // memory stays flat. Throws ImageError when it cannot be read.
    void CopyOut(std::string_view path, const std::filesystem::path& target);
    void CopyOut(uint64_t mftEntry, const std::filesystem::path& target);

    uint64_t EntryCount();
    // None when the entry cannot be read at all.
    std::optional<NtfsEntry> Entry(uint64_t mftEntry);
    // The entry's path from the root, through the parents its $FILE_NAME
    // names ("" when unknown); for a deleted file the parents may be gone.
    std::string PathOf(uint64_t mftEntry);
    std::vector<NtfsExtent> Extents(uint64_t mftEntry);
    // True when a cluster of these extents is now allocated (to another
    // file, for a deleted one), by the volume's $Bitmap.
    bool AnyClusterAllocated(const std::vector<NtfsExtent>& extents);

    struct Handles;

private:
    std::shared_ptr<ByteSource> m_bytes;
    std::unique_ptr<Handles> m_handles;
    uint64_t m_clusterSize = 0;
};

}  // namespace trovana::image
