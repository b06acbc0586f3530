// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/cached_file.h"

#include "local_file.h"

namespace trovana::listview {

bool IsInsideCache(const std::filesystem::path& path, const urlcache::CacheLocation& location)
{
    if (!path.is_absolute())
        return false;
    for (const urlcache::ContainerLocation& container : location.containers) {
        std::error_code error;
        const std::filesystem::path root = std::filesystem::weakly_canonical(container.folder, error);
        if (!error && urlcache::StaysInside(path, root))
            return true;
    }
    return false;
}

}  // namespace trovana::listview
