// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk_image.h"

#include "entry_count.h"
#include "iso_utc.h"
#include "locate.h"
#include "ntfs_volume.h"
#include "profile_copy.h"
#include "shadow_copies.h"
#include "webcache.h"

#include <cstring>

namespace trovana::image {

namespace fs = std::filesystem;

namespace {

constexpr char kContainerSignature[] = "Client UrlCache MMF Ver ";
constexpr uint8_t kEseSignature[] = {0xEF, 0xCD, 0xAB, 0x89};  // at byte 4 of an ESE database
constexpr uint64_t kProgressEvery = 4096;                      // MFT entries between reports

// GPT partitions that never hold a Windows file system of users: the EFI
// system partition and the Microsoft reserved one.
bool IsSystemPartition(const DiskVolume& volume)
{
    return volume.type == "C12A7328-F81F-11D2-BA4B-00A0C93EC93B" ||
           volume.type == "E3C9E316-0B5C-4DB8-817D-F92DF00215AE";
}

uint64_t CountLocationEntries(const urlcache::CacheLocation& location)
{
    uint64_t entries = 0;
    for (const urlcache::ContainerLocation& container : location.containers) {
        entries += urlcache::CountEntries(container.IndexPath()).value_or(0);
    }
    for (const fs::path& database : location.webCaches) {
        entries += webcache::CountWebCacheEntries(database).value_or(0);
    }
    return entries;
}

std::string ProfileKind(const std::vector<CacheFile>& files)
{
    bool xp = false;
    for (const CacheFile& file : files) {
        if (file.path.find("/WebCache/") != std::string::npos) {
            return "8-11";
        }
        xp = xp || file.path.find("Local Settings/") != std::string::npos;
    }
    return xp ? "XP" : "Vista/7";
}

// The user whose profile folder holds `path`, when it is in Users/ or
// Documents and Settings/.
std::string UserOfPath(const std::string& path)
{
    for (const std::string parent : {"Users/", "Documents and Settings/"}) {
        if (path.starts_with(parent)) {
            return path.substr(parent.size(), path.find('/', parent.size()) - parent.size());
        }
    }
    return {};
}

std::string Parent(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string ImageVolume::VolumeText() const
{
    if (partition.index == 0) {
        return "whole disk";
    }
    return "partition " + std::to_string(partition.index) + " (" + partition.scheme + ", offset " +
           std::to_string(partition.offset) + ")";
}

std::string ImageVolume::SnapshotText() const
{
    if (snapshot == 0) {
        return "live";
    }
    return "VSS " + std::to_string(snapshot) + " (" + IsoUtcFromFileTime(snapshotTime) + ")";
}

struct DiskImage::Scanner {
    DiskImage& image;
    const ScanCallbacks& callbacks;

    bool Cancelled() const { return callbacks.cancelled && callbacks.cancelled(); }
    void Problem(const std::string& text) const
    {
        if (callbacks.problem) {
            callbacks.problem(text);
        }
    }
    void Progress(const ImageVolume& volume, const std::string& part, double fraction) const
    {
        if (callbacks.progress) {
            callbacks.progress({volume.VolumeText() + ", " + volume.SnapshotText(), part, fraction});
        }
    }

    fs::path NewCopyFolder(int number) const
    {
        const fs::path folder = image.m_workFolder / ("cache-" + std::to_string(number));
        fs::create_directories(folder);
        return folder;
    }

    void Found(ImageCache cache)
    {
        image.m_caches.push_back(std::move(cache));
        if (callbacks.found) {
            callbacks.found(image.m_caches.back());
        }
    }

    void ScanProfiles(NtfsVolume& ntfs, size_t volumeIndex)
    {
        const ImageVolume& volume = image.m_volumes[volumeIndex];
        Progress(volume, "profiles", 0);
        const fs::path scratch = image.m_workFolder / "hives";
        image.m_volumes[volumeIndex].timeZone = VolumeTimeZone(ntfs, scratch);
        const std::vector<ProfileCandidate> profiles = FindProfiles(ntfs, scratch);
        for (size_t i = 0; i < profiles.size() && !Cancelled(); ++i) {
            const ProfileCandidate& profile = profiles[i];
            Progress(volume, "profiles", double(i) / double(profiles.size()));
            const int number = static_cast<int>(image.m_caches.size()) + 1;
            const fs::path copy = image.m_workFolder / ("cache-" + std::to_string(number));
            std::vector<CacheFile> files;
            std::vector<std::string> unreadable;
            try {
                files = CopyProfileCaches(ntfs, profile.path, copy, unreadable);
            } catch (const std::exception& error) {
                unreadable.push_back(error.what());
            }
            for (const std::string& problem : unreadable) {
                Problem(volume.VolumeText() + ", " + volume.SnapshotText() + ": the profile " + profile.path +
                        " cannot be read in full: " + problem);
            }
            if (files.empty()) {
                std::error_code ignored;
                fs::remove_all(copy, ignored);
                continue;
            }
            ImageCache cache{number,           volumeIndex, profile.user, profile.sid, profile.path, ProfileKind(files),
                             std::move(files), false,       false,        0,           copy};
            cache.entries = CountLocationEntries(image.Location(cache));
            Found(std::move(cache));
        }
    }

    void ScanDeleted(NtfsVolume& ntfs, size_t volumeIndex)
    {
        const ImageVolume& volume = image.m_volumes[volumeIndex];
        const uint64_t count = ntfs.EntryCount();
        for (uint64_t index = 0; index < count; ++index) {
            if (index % kProgressEvery == 0) {
                if (Cancelled()) {
                    return;
                }
                Progress(volume, "deleted files", double(index) / double(count));
            }
            const std::optional<NtfsEntry> entry = ntfs.Entry(index);
            if (!entry || entry->allocated || entry->head.size() < 8) {
                continue;
            }
            const bool container = entry->head.size() >= sizeof kContainerSignature - 1 &&
                                   std::memcmp(entry->head.data(), kContainerSignature,
                                               sizeof kContainerSignature - 1) == 0;
            const bool ese = std::memcmp(entry->head.data() + 4, kEseSignature, 4) == 0;
            if (container || ese) {
                AddDeleted(ntfs, volumeIndex, index, entry->size, container);
            }
        }
    }

    void AddDeleted(NtfsVolume& ntfs, size_t volumeIndex, uint64_t index, uint64_t size, bool container)
    {
        const int number = static_cast<int>(image.m_caches.size()) + 1;
        const std::string path = ntfs.PathOf(index);
        const std::string folder = Parent(path);
        std::string folderName = fs::path(folder).filename().string();
        if (folderName.empty() || folderName == "?") {
            folderName = "deleted";
        }
        const std::string name = container ? "index.dat" : "WebCacheV01.dat";
        const fs::path copy = NewCopyFolder(number) / folderName / name;
        fs::create_directories(copy.parent_path());
        try {
            ntfs.CopyOut(index, copy);
        } catch (const std::exception& error) {
            Problem("the deleted file in MFT entry " + std::to_string(index) + " cannot be read: " + error.what());
            return;
        }
        ImageCache cache{number,
                         volumeIndex,
                         UserOfPath(path),
                         {},
                         folder,
                         container ? "index.dat" : "WebCache",
                         {{path, index, size}},
                         true,
                         ntfs.AnyClusterAllocated(ntfs.Extents(index)),
                         0,
                         copy};
        try {
            cache.entries = CountLocationEntries(image.Location(cache));
        } catch (const std::exception&) {
            cache.entries = 0;  // its bytes no longer read as a cache
        }
        Found(std::move(cache));
    }

    // One live volume or snapshot: its profiles, and for the live volume
    // the deleted files.
    void ScanNtfs(std::shared_ptr<ByteSource> bytes, size_t volumeIndex)
    {
        const ImageVolume& volume = image.m_volumes[volumeIndex];
        std::unique_ptr<NtfsVolume> ntfs;
        try {
            ntfs = std::make_unique<NtfsVolume>(bytes);
        } catch (const ImageError& error) {
            Problem(volume.VolumeText() + ", " + volume.SnapshotText() + ": " + error.what());
            return;
        }
        ScanProfiles(*ntfs, volumeIndex);
        if (volume.snapshot == 0 && !Cancelled()) {
            ScanDeleted(*ntfs, volumeIndex);
        }
    }

    void ScanPartition(const DiskVolume& partition)
    {
        const std::shared_ptr<ByteSource> bytes = Slice(image.m_file.media, partition.offset, partition.size);
        ImageVolume live{partition, 0, 0, {}};
        const std::string kind = VolumeKind(*bytes);
        if (kind == "BitLocker") {
            Problem(live.VolumeText() + ": a BitLocker-encrypted volume, which Trovana cannot read");
            return;
        }
        if (kind != "NTFS") {
            if (!IsSystemPartition(partition)) {
                Problem(live.VolumeText() + ": not an NTFS volume (no Windows file system); left out");
            }
            return;
        }
        image.m_volumes.push_back(live);
        ScanNtfs(bytes, image.m_volumes.size() - 1);
        const ShadowCopies shadows = ReadShadowCopies(bytes);
        if (!shadows.problem.empty()) {
            Problem(live.VolumeText() + ": " + shadows.problem);
        }
        for (const ShadowCopy& store : shadows.stores) {
            if (Cancelled()) {
                return;
            }
            image.m_volumes.push_back({partition, store.index, store.creationTime, {}});
            ScanNtfs(store.bytes, image.m_volumes.size() - 1);
        }
    }
};

DiskImage::DiskImage(const fs::path& path, const fs::path& workFolder)
    : m_path(path), m_workFolder(workFolder), m_file(OpenImageFile(path))
{
    fs::create_directories(m_workFolder);
    m_table = ReadPartitionTable(*m_file.media);
}

DiskImage::~DiskImage() = default;

bool DiskImage::Scan(const ScanCallbacks& callbacks)
{
    Scanner scanner{*this, callbacks};
    // The image's last sector: a truncated image, or one whose last segment
    // file is missing, ends before the disk it says it holds.
    const uint64_t size = m_file.media->Size();
    try {
        std::vector<uint8_t> last(kSectorSize);
        if (size >= kSectorSize) {
            ReadExactly(*m_file.media, size - kSectorSize, last.data(), last.size());
        }
    } catch (const ImageError& error) {
        scanner.Problem("the image is truncated or a segment file is missing: its last bytes cannot be read (" +
                        std::string(error.what()) + ")");
    }
    for (const std::string& problem : m_file.problems) {
        scanner.Problem(problem);
    }
    for (const std::string& problem : m_table.problems) {
        scanner.Problem(problem);
    }
    for (const DiskVolume& partition : m_table.volumes) {
        if (scanner.Cancelled()) {
            return false;
        }
        scanner.ScanPartition(partition);
    }
    return !scanner.Cancelled();
}

void DiskImage::CopyCachedFiles(const ImageCache& cache)
{
    if (cache.deleted) {
        return;  // a deleted container's files are not known
    }
    const ImageVolume& volume = m_volumes.at(cache.volume);
    std::shared_ptr<ByteSource> bytes = Slice(m_file.media, volume.partition.offset, volume.partition.size);
    if (volume.snapshot > 0) {
        const ShadowCopies shadows = ReadShadowCopies(bytes);
        if (static_cast<size_t>(volume.snapshot) > shadows.stores.size()) {
            throw ImageError(volume.SnapshotText() + " can no longer be read");
        }
        bytes = shadows.stores[static_cast<size_t>(volume.snapshot) - 1].bytes;
    }
    NtfsVolume ntfs(bytes);
    image::CopyCachedFiles(ntfs, cache.profile, cache.copy);
}

std::string InImagePaths(const ImageCache& cache, std::string text)
{
    std::string copied = cache.copy.string();
    std::string inImage;
    if (cache.deleted) {
        inImage = cache.files.empty() ? std::string() : cache.files.front().path;
    } else {
        copied += '/';
        inImage = cache.profile + '/';
    }
    if (copied.size() <= 1 || inImage.empty()) {
        return text;
    }
    for (size_t at = text.find(copied); at != std::string::npos; at = text.find(copied, at + inImage.size())) {
        text.replace(at, copied.size(), inImage);
    }
    return text;
}

urlcache::CacheLocation DiskImage::Location(const ImageCache& cache) const
{
    urlcache::CacheLocation location = cache.deleted ? urlcache::LocateSingleContainer(cache.copy)
                                                     : urlcache::LocateProfileCache(cache.copy);
    location.readOnly = true;
    location.recordedZone = m_volumes.at(cache.volume).timeZone;
    return location;
}

}  // namespace trovana::image
