// SPDX-License-Identifier: GPL-3.0-or-later
#include "path_case.h"

#include "ascii.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace trovana::urlcache {

namespace fs = std::filesystem;

namespace {

// The entry of `folder` whose name equals `name` without regard to ASCII
// case (the folder names the cache uses are all ASCII, and Wine's user names
// are Unix login names); the smallest such name when there are several, so that the answer does not
// depend on the order in which the file system lists them.
std::optional<std::string> FindEntryIgnoringCase(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualsIgnoreAsciiCase(entry, name) && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

}  // namespace

std::vector<std::string> SplitPathNames(std::string_view path)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view name = path.substr(start, end - start);
        if (!name.empty() && name != ".")
            names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

fs::path FindPathIgnoringCase(const fs::path& base, const std::vector<std::string>& names)
{
    fs::path path = base;
    bool matching = true;
    for (const auto& name : names) {
        if (name == "..") {
            path = path.parent_path();
            std::error_code ec;
            matching = fs::exists(path, ec);
            continue;
        }
        if (matching) {
            std::error_code ec;
            if (!fs::exists(path / name, ec)) {
                auto entry = FindEntryIgnoringCase(path, name);
                if (entry) {
                    path /= *entry;
                    continue;
                }
                matching = false;
            }
        }
        path /= name;
    }
    return path;
}

bool HasRegularFile(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    return fs::is_regular_file(folder / name, ec);
}

}  // namespace trovana::urlcache
