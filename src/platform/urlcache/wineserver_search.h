// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways IsWineServerRunning looks for a prefix's wineserver, apart so
// that each can be tested.
#pragma once

#include <filesystem>
#include <optional>

namespace trovana::urlcache::detail {

// Through the locks /proc/locks lists: a process holding the server lock
// that has the prefix's server lock file open. None when /proc/locks cannot
// be read.
std::optional<bool> FindWineServerThroughLocks(const std::filesystem::path& prefix);

// Through the folders where upstream and Debian Wine put server folders, in
// TMPDIR and /tmp.
bool FindWineServerInTempFolders(const std::filesystem::path& prefix);

}  // namespace trovana::urlcache::detail
