// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/cached_file.h"

#include "local_file.h"
#include "locate.h"

namespace trovana::operations {

bool IsInsideCache(const std::filesystem::path& path, const urlcache::CacheLocation& location)
{
    if (!path.is_absolute())
        return false;
    // A WebCache database's files lie in its profile's INetCache folder.
    std::vector<std::filesystem::path> folders = urlcache::WebCacheFileFolders(location);
    for (const urlcache::ContainerLocation& container : location.containers)
        folders.push_back(container.folder);
    for (const std::filesystem::path& folder : folders) {
        std::error_code error;
        const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
        if (!error && urlcache::StaysInside(path, root))
            return true;
    }
    return false;
}

}  // namespace trovana::operations
