// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a file is a disk image rather than a cache file, by what the image
// layer reads in it: an image format's signature, or raw bytes holding a
// partition table or a Windows volume. The file name plays no part.
#pragma once

#include <filesystem>

namespace trovana::image {

// True for an image Trovana can search for caches; false for a folder, a
// container, a database or any other file, and for what cannot be read.
bool LooksLikeDiskImage(const std::filesystem::path& path);

}  // namespace trovana::image
