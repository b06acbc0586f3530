// SPDX-License-Identifier: GPL-3.0-or-later
// A disk image opened read-only and searched for URL caches: every NTFS
// volume of its partition table and every shadow copy of each, the user
// profiles that the SOFTWARE hive lists and the usual profile folders, and
// deleted files that still start like a container or an ESE database.
//
// Each cache found has its files (index.dat containers, the WebCache
// database and its logs) copied into a folder of the program's private
// temporary folder, from where it opens read-only like a copied profile:
// nothing is ever written to the image or beside it.
#pragma once

#include "image_file.h"
#include "partition_table.h"

#include "cache_types.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace trovana::image {

// One volume as the scan reads it: live, or one shadow copy of it.
struct ImageVolume {
    DiskVolume partition;
    int snapshot = 0;           // 0: the live volume; else the shadow copy's store number
    uint64_t snapshotTime = 0;  // FILETIME UTC of the shadow copy's creation
    std::string timeZone;       // IANA zone of its SYSTEM hive; empty when unknown

    // "partition 2 (MBR, offset 1048576)", "whole disk"
    std::string VolumeText() const;
    // "live", or "VSS 1 (2013-12-03T06:35:09Z)"
    std::string SnapshotText() const;
};

// A file of a cache inside the image.
struct CacheFile {
    std::string path;  // inside the volume, '/' between names
    uint64_t mftEntry = 0;
    uint64_t size = 0;
};

struct ImageCache {
    int number = 0;     // 1-based, in the order found
    size_t volume = 0;  // index into DiskImage::Volumes()
    std::string user;
    std::string sid;      // from the ProfileList; empty when found by folder
    std::string profile;  // the profile folder inside the volume; for a deleted file, its folder as far as known
    std::string kind;     // "XP", "Vista/7", "8-11", or for a deleted file "index.dat" / "WebCache"
    std::vector<CacheFile> files;  // index.dat containers and WebCache databases
    bool deleted = false;
    bool mayBeOverwritten = false;  // a deleted file whose clusters now belong to another file
    uint64_t entries = 0;
    std::filesystem::path copy;  // the copied files: a profile folder, or the one deleted file
};

// `text` (a problem of the cache's copy, say) with each path of the copy in
// the private temporary folder named as the file inside the image:
// "Users/ten/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat".
std::string InImagePaths(const ImageCache& cache, std::string text);

struct ScanProgress {
    std::string volume;   // VolumeText and SnapshotText
    std::string part;     // "profiles", "deleted files"
    double fraction = 0;  // of this part, 0 to 1
};

struct ScanCallbacks {
    std::function<void(const ImageCache&)> found;       // each cache, as soon as it is found
    std::function<void(const ScanProgress&)> progress;  // now and then
    std::function<void(const std::string&)> problem;    // each problem once, one sentence
    std::function<bool()> cancelled;                    // asked often; true stops the scan
};

class DiskImage {
public:
    // Opens the image and reads its partition table; `workFolder` is where
    // found caches are copied (made when missing). Throws ImageError when
    // the image cannot be opened at all.
    DiskImage(const std::filesystem::path& path, const std::filesystem::path& workFolder);
    ~DiskImage();
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;

    // Finds the caches; false when cancelled. Problems of the table found
    // when opening are reported here too.
    bool Scan(const ScanCallbacks& callbacks);

    const std::filesystem::path& Path() const { return m_path; }
    const ImageFile& File() const { return m_file; }
    const PartitionTable& Table() const { return m_table; }
    const std::vector<ImageVolume>& Volumes() const { return m_volumes; }
    const std::vector<ImageCache>& Caches() const { return m_caches; }

    // Where the cache's copied files are, to open read-only.
    urlcache::CacheLocation Location(const ImageCache& cache) const;
    // Copies the cache's cached files too (the scan copies its containers
    // only), for a preview or a copy of them. Throws ImageError when its
    // volume can no longer be read.
    void CopyCachedFiles(const ImageCache& cache);

    struct Scanner;

private:
    std::filesystem::path m_path;
    std::filesystem::path m_workFolder;
    ImageFile m_file;
    PartitionTable m_table;
    std::vector<ImageVolume> m_volumes;
    std::vector<ImageCache> m_caches;
};

}  // namespace trovana::image
