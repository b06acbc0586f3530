// The per-user folder where the program writes its generated pages (the
// text preview and the image gallery): the program's own directory is not
// writable once installed.
#pragma once

#include <filesystem>

namespace trovana {

// $XDG_CACHE_HOME/trovana when that variable holds an absolute path, else
// ~/.cache/trovana; made when missing, open to the user alone (0700).
// Empty when it cannot be made.
std::filesystem::path WorkingFolder();

}  // namespace trovana
