#include "work_folder.h"

#include <cstdlib>
#include <system_error>

namespace trovana {

std::filesystem::path WorkingFolder()
{
    std::filesystem::path base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        base = cache;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        base = std::filesystem::path(home) / ".cache";
    else
        return {};
    const std::filesystem::path folder = base / "trovana";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return {};
    // Its pages name cached files and hold their text: the user's alone.
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                 error);
    return folder;
}

}  // namespace trovana
