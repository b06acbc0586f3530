// SPDX-License-Identifier: GPL-3.0-or-later
// Local file names of cache entries: what a stored name may be, how the
// ANSI (Windows-1252) name in the index maps to the UTF-8 name Wine gives the
// file on disk, and the check that a path stays inside its container folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace trovana::urlcache {

// Not empty, not "." or "..", no '/', '\' or control byte.
bool IsSafeLocalName(std::string_view name);

// Windows-1252 bytes as UTF-8 (undefined bytes map to the C1 controls of the
// same value, as Windows converts them).
std::string Cp1252ToUtf8(std::string_view bytes);

// The cache directory `name` of a container: the folder of that exact name,
// else one whose name matches it ignoring case (a copied Windows profile may
// have changed the case), else the exact name.
std::filesystem::path FindCacheDirectory(const std::filesystem::path& container, std::string_view name);

struct LocalFile {
    std::string path;
    bool exists = false;
    bool symlink = false;
};

// Where the stored name lies in dir: the UTF-8 form of the Windows-1252 bytes
// when such a file exists, else the raw bytes when those exist, else the
// UTF-8 form (a missing file is normal). An ASCII name has one form: it is
// examined (one lstat) only with `examineAscii`, else `exists` stays false.
LocalFile FindLocalFile(const std::string& dir, std::string_view storedName, bool examineAscii);

// True when dir holds a symbolic link, or when its listing does not say
// what its entries are (then each file must be examined on its own).
bool MayHoldSymlinks(const std::filesystem::path& dir);

// True when path, with every symbolic link resolved, lies inside root, which
// must itself be canonical.
bool StaysInside(const std::filesystem::path& path, const std::filesystem::path& canonicalRoot);

}  // namespace trovana::urlcache
