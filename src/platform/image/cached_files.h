// SPDX-License-Identifier: GPL-3.0-or-later
// The cached files of a cache found in a disk image. The search copies a
// profile's containers only, as it must stay quick over every profile; the
// files they point to are copied when the user opens the cache, so that
// preview and Copy find them as in a copied profile.
#pragma once

#include "disk_image.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace trovana::image {

// Copies the cached files of `cache` (found in `volume` of the image at
// `image`) into its copy, under the same paths as inside the profile: the
// folders beside each Content.IE5 container, and a Windows 8-11 profile's
// INetCache/IE folders. `copying` is told each file (its path inside the
// volume) before it is copied and stops the copy by answering false. The
// problems are returned, one sentence each; a deleted cache has no files to
// copy. Throws ImageError when the image or volume cannot be opened again.
std::vector<std::string> CopyCachedFiles(const std::filesystem::path& image, const ImageVolume& volume,
                                         const ImageCache& cache,
                                         const std::function<bool(const std::string&)>& copying);

}  // namespace trovana::image
