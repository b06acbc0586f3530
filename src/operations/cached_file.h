// SPDX-License-Identifier: GPL-3.0-or-later
// The cache's own files for the preview: only files that lie inside one of
// the open cache's container folders (read through fileio's readers, which
// never block on a FIFO or a device).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "read_file.h"
#include "urlcache.h"

namespace trovana::operations {

// True when path, with every symbolic link resolved, lies inside one of the
// location's container folders (or the INetCache folder of its WebCache
// databases' profile): the rule the cache library applies to the files of
// entries it deletes.
bool IsInsideCache(const std::filesystem::path& path, const urlcache::CacheLocation& location);

}  // namespace trovana::operations
