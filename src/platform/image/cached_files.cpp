// SPDX-License-Identifier: GPL-3.0-or-later
#include "cached_files.h"

#include "ascii.h"
#include "image_file.h"
#include "ntfs_volume.h"
#include "shadow_copies.h"

namespace trovana::image {

namespace fs = std::filesystem;

namespace {

constexpr char kWebCacheFiles[] = "AppData/Local/Microsoft/Windows/INetCache/IE";

std::string Parent(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The live volume or the snapshot's store, as the search read it.
std::shared_ptr<ByteSource> VolumeBytes(const fs::path& image, const ImageVolume& volume)
{
    const ImageFile file = OpenImageFile(image);
    std::shared_ptr<ByteSource> bytes = Slice(file.media, volume.partition.offset, volume.partition.size);
    if (volume.snapshot == 0) {
        return bytes;
    }
    for (const ShadowCopy& store : ReadShadowCopies(bytes).stores) {
        if (store.index == volume.snapshot) {
            return store.bytes;
        }
    }
    throw ImageError("the shadow copy " + std::to_string(volume.snapshot) + " can no longer be read");
}

class CachedFileCopier {
public:
    CachedFileCopier(NtfsVolume& ntfs, const ImageCache& cache, const std::function<bool(const std::string&)>& copying)
        : m_ntfs(ntfs), m_cache(cache), m_copying(copying)
    {
    }

    // Every file in the folders of cached files (one level down) of `folder`.
    bool CopyFolders(const std::string& folder)
    {
        for (const NtfsFile& sub : m_ntfs.List(folder)) {
            if (!sub.directory || sub.name == "." || sub.name == "..") {
                continue;
            }
            for (const NtfsFile& file : m_ntfs.List(folder + "/" + sub.name)) {
                if (!file.directory && !CopyFile(folder + "/" + sub.name + "/" + file.name)) {
                    return false;
                }
            }
        }
        return true;
    }

    std::vector<std::string> TakeProblems() { return std::move(m_problems); }

private:
    bool CopyFile(const std::string& path)
    {
        if (m_copying && !m_copying(path)) {
            return false;
        }
        // Under the profile's copy, as the containers were copied.
        const fs::path target = m_cache.copy / path.substr(m_cache.profile.size() + 1);
        try {
            fs::create_directories(target.parent_path());
            m_ntfs.CopyOut(path, target);
        } catch (const std::exception& error) {
            m_problems.push_back("the cached file " + path + " cannot be copied: " + error.what());
        }
        return true;
    }

    NtfsVolume& m_ntfs;
    const ImageCache& m_cache;
    const std::function<bool(const std::string&)>& m_copying;
    std::vector<std::string> m_problems;
};

}  // namespace

std::vector<std::string> CopyCachedFiles(const fs::path& image, const ImageVolume& volume, const ImageCache& cache,
                                         const std::function<bool(const std::string&)>& copying)
{
    if (cache.deleted || cache.profile.empty()) {
        return {};
    }
    NtfsVolume ntfs(VolumeBytes(image, volume));
    CachedFileCopier copier(ntfs, cache, copying);
    bool going = true;
    for (const CacheFile& file : cache.files) {
        const std::string folder = Parent(file.path);
        if (going && ToLowerAscii(fs::path(folder).filename().string()) == "content.ie5") {
            going = copier.CopyFolders(folder);
        }
    }
    if (going && cache.kind == "8-11") {
        copier.CopyFolders(cache.profile + "/" + kWebCacheFiles);
    }
    return copier.TakeProblems();
}

}  // namespace trovana::image
