// SPDX-License-Identifier: GPL-3.0-or-later
// The cached files of a cache found in a disk image. The search copies a
// profile's containers only, as it must stay quick over every profile; the
// files they point to are copied when the user opens the cache, so that
// preview and Copy find them as in a copied profile.
#pragma once

#include "disk_image.h"

#include <filesystem>

namespace trovana::image {

// Copies the cached files of `cache` (found in `volume` of the image at
// `image`) into its copy, as DiskImage::CopyCachedFiles does, from the image
// opened anew: so that it may run on a thread of its own while the search's
// DiskImage is still in use on another. A deleted cache has no files to
// copy. Throws ImageError when the image or volume cannot be read.
void CopyCachedFiles(const std::filesystem::path& image, const ImageVolume& volume, const ImageCache& cache);

}  // namespace trovana::image
