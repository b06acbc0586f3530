// SPDX-License-Identifier: GPL-3.0-or-later
#include "cached_files.h"

#include "image_file.h"
#include "ntfs_volume.h"
#include "profile_copy.h"
#include "shadow_copies.h"

namespace trovana::image {

namespace fs = std::filesystem;

namespace {

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

}  // namespace

void CopyCachedFiles(const fs::path& image, const ImageVolume& volume, const ImageCache& cache)
{
    if (cache.deleted || cache.profile.empty()) {
        return;
    }
    NtfsVolume ntfs(VolumeBytes(image, volume));
    CopyCachedFiles(ntfs, cache.profile, cache.copy);
}

}  // namespace trovana::image
