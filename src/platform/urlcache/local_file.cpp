// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_file.h"

#include "ascii.h"
#include "faithful_text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <system_error>

namespace trovana::urlcache {
namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

// 0: missing, 1: present, 2: present and a symbolic link.
int Probe(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return 0;
    return S_ISLNK(st.st_mode) ? 2 : 1;
}

}  // namespace

bool IsSafeLocalName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<uint8_t>(c);
        return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\';
    });
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    return CodePage::Windows1252().ToUtf8(bytes);
}

std::filesystem::path FindCacheDirectory(const std::filesystem::path& container, std::string_view name)
{
    std::filesystem::path exact = container / std::string(name);
    std::error_code ec;
    if (std::filesystem::exists(exact, ec))
        return exact;
    for (std::filesystem::directory_iterator it(container, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string found = it->path().filename().string();
        if (EqualsIgnoreAsciiCase(found, name))
            return it->path();
    }
    return exact;
}

LocalFile FindLocalFile(const std::string& dir, std::string_view storedName, bool examineAscii)
{
    const auto join = [&dir](std::string_view name) {
        std::string path;
        path.reserve(dir.size() + 1 + name.size());
        path.append(dir).append("/").append(name);
        return path;
    };
    if (IsAscii(storedName)) {
        LocalFile file{join(storedName)};
        if (!examineAscii)
            return file;
        const int probe = Probe(file.path);
        file.exists = probe != 0;
        file.symlink = probe == 2;
        return file;
    }
    std::string utf8 = join(Cp1252ToUtf8(storedName));
    std::string raw = join(storedName);
    for (std::string* candidate : {&utf8, &raw}) {
        if (const int probe = Probe(*candidate))
            return {std::move(*candidate), true, probe == 2};
    }
    return {std::move(utf8), false, false};
}

bool MayHoldSymlinks(const std::filesystem::path& dir)
{
    DIR* listing = opendir(dir.c_str());
    if (!listing)
        return false;  // no folder, no files in it
    bool links = false;
    while (const dirent* entry = readdir(listing)) {
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            links = true;
            break;
        }
    }
    closedir(listing);
    return links;
}

bool StaysInside(const std::filesystem::path& path, const std::filesystem::path& canonicalRoot)
{
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        return false;
    const std::string& root = canonicalRoot.native();
    const std::string& text = resolved.native();
    if (text.size() <= root.size() || text.compare(0, root.size(), root) != 0)
        return false;
    return root.ends_with('/') || text[root.size()] == '/';
}

}  // namespace trovana::urlcache
