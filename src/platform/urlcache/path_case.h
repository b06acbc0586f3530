// SPDX-License-Identifier: GPL-3.0-or-later
// Windows compares file names without regard to case; the Linux file system
// does not. These helpers find the real name of a path that Wine or a copied
// Windows profile spells in whatever case.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

// The names of a relative path written with '\' or '/' separators; empty
// names and "." are dropped.
std::vector<std::string> SplitPathNames(std::string_view path);

// `base` followed by `names`, each matched against the real entries of its
// folder: the exact name when it exists, else the first entry (in sorted
// order) equal to it without regard to case. From the first name that matches
// nothing, the rest is appended as given (where Wine would create it).
// ".." goes up one level.
std::filesystem::path FindPathIgnoringCase(const std::filesystem::path& base, const std::vector<std::string>& names);

// A regular file (links followed) named exactly `name` in `folder`.
bool HasRegularFile(const std::filesystem::path& folder, std::string_view name);

}  // namespace trovana::urlcache
