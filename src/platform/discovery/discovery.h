// SPDX-License-Identifier: GPL-3.0-or-later
// The URL caches on this machine: one per user profile with containers in
// every Wine prefix that Wine, Steam's Proton, Bottles, Lutris and
// PlayOnLinux keep, found from a home folder and an environment that tests
// can make up. No GUI header may be included here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::discovery {

// Who keeps the prefix: plain Wine (WINEPREFIX, ~/.wine,
// ~/.local/share/wineprefixes), Steam's Proton, Bottles, Lutris,
// PlayOnLinux; Profile is a user profile folder named by TROVANA_PROFILE.
enum class CacheKind { Wine, Proton, Bottles, Lutris, PlayOnLinux, Profile };

// "wine", "proton", "bottles", "lutris", "playonlinux", "profile".
std::string_view KindName(CacheKind kind);

struct FoundCache {
    CacheKind kind = CacheKind::Wine;
    std::string name;              // the game, bottle or prefix folder name
    std::string user;              // the profile folder's name
    std::filesystem::path path;    // the profile folder: open it with urlcache::LocatePath
    std::filesystem::path prefix;  // the Wine prefix; empty for Profile
    size_t containers = 0;         // containers whose index file exists
    uint64_t entries = 0;          // entries their hash tables name
    uint64_t bytes = 0;            // index files and cached files, as allocated on disk
};

// Where to look: the home folder and the variables that name prefixes
// (WINEPREFIX, TROVANA_PROFILE, XDG_DATA_HOME, XDG_CONFIG_HOME).
struct Environment {
    std::filesystem::path home;
    std::map<std::string, std::string> variables;

    // HOME (else the password database) and the process's variables.
    static Environment Current();
    // The variable's value; none when unset or empty.
    std::optional<std::string> Get(const std::string& name) const;
};

struct Progress {
    size_t done = 0;                // prefixes examined
    size_t total = 0;               // prefixes to examine
    std::filesystem::path current;  // the prefix being examined
};
// Called before each prefix is examined, and once at the end (done == total); returning false cancels the search.
using ProgressCallback = std::function<bool(const Progress&)>;

struct Discovery {
    std::vector<FoundCache> caches;  // in the order found; a folder reached twice is listed once
    bool cancelled = false;          // the callback cancelled: `caches` holds what was found until then
};

Discovery DiscoverCaches(const Environment& environment, const ProgressCallback& progress = {});

}  // namespace trovana::discovery
