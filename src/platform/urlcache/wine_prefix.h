// SPDX-License-Identifier: GPL-3.0-or-later
// How Wine finds a user's cache folders in a prefix, done from Linux through
// the prefix's registry files and drive links.
#pragma once

#include "cache_types.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

struct PrefixFolders {
    std::filesystem::path profile;              // the user's profile folder; empty when unknown
    std::vector<ContainerLocation> containers;  // cookies, history, content; they may not exist yet
};

// The current user's profile and container folders in `prefix`, as Wine
// would resolve them.
PrefixFolders ResolvePrefixFolders(const std::filesystem::path& prefix);

// A Windows path ("C:\users\alice") inside the prefix, through the drive links
// in dosdevices, every name matched without regard to case. None when the
// path has no drive letter or its drive is not mapped.
std::optional<std::filesystem::path> WindowsToLinuxPath(const std::filesystem::path& prefix,
                                                        std::string_view windowsPath);

// A Wine prefix: a drive_c folder, and system.reg, user.reg or
// drive_c/users beside or in it (a prefix copied in part, or made by a tool
// that writes only user.reg, is still one).
bool IsWinePrefix(const std::filesystem::path& folder);

// The Wine prefix whose drive_c holds `path` (with `usersOnly`, whose
// drive_c/users holds it): the nearest ancestor that IsWinePrefix. Empty
// when there is none.
std::filesystem::path FindEnclosingPrefix(const std::filesystem::path& path, bool usersOnly);

}  // namespace trovana::urlcache
