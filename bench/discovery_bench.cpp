// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery over a home folder with 200 Wine prefixes: 120 plain prefixes in
// ~/.local/share/wineprefixes, 50 Proton prefixes in two Steam libraries, 20
// bottles and 10 PlayOnLinux prefixes. Three in four have a cache of 60
// entries in three containers (made once by the library, then copied); the
// rest have a profile without one, as games that never used WinINet.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>

#include "discovery.h"
#include "urlcache.h"

namespace fs = std::filesystem;
using namespace trovana;

namespace {

constexpr int kPrefixes = 200;

// A profile with a cache, to be copied into each prefix.
fs::path MakeTemplateProfile(const fs::path& root)
{
    const fs::path prefix = root / "template";
    const fs::path profile = prefix / "drive_c/users/steamuser";
    fs::create_directories(profile);
    std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n";
    urlcache::CacheLocation location = urlcache::LocatePrefixCache(prefix);
    std::vector<urlcache::NewCacheEntry> entries;
    for (int i = 0; i < 60; ++i) {
        urlcache::NewCacheEntry entry;
        const std::string site = "http://site" + std::to_string(i % 7) + ".example/";
        if (i % 3 == 0) {
            entry.url = site + "page" + std::to_string(i) + ".html";
            entry.body = std::string(2048, 'x');
            entry.fileExtension = "html";
        } else if (i % 3 == 1) {
            entry.url = "Visited: steamuser@" + site + std::to_string(i);
        } else {
            entry.url = "Cookie:steamuser@site" + std::to_string(i) + ".example/";
            entry.body = "name\nvalue\n";
            entry.fileExtension = "txt";
        }
        entries.push_back(std::move(entry));
    }
    urlcache::UrlCache cache(location);
    for (const auto& result : cache.CreateEntries(entries)) {
        if (!result.ok())
            throw std::runtime_error(result.message);
    }
    return profile;
}

void MakePrefix(const fs::path& prefix, const fs::path& templateProfile, bool withCache)
{
    fs::create_directories(prefix / "drive_c/users/Public");
    fs::create_directories(prefix / "drive_c/windows/system32");
    std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n";
    const fs::path profile = prefix / "drive_c/users/steamuser";
    if (withCache)
        fs::copy(templateProfile, profile, fs::copy_options::recursive);
    else
        fs::create_directories(profile / "AppData/Roaming");
}

struct BenchHome {
    fs::path root;
    discovery::Environment environment;
    ~BenchHome() { fs::remove_all(root); }
};

const BenchHome& GetHome()
{
    static const BenchHome home = [] {
        BenchHome made;
        made.root = fs::temp_directory_path() / ("trovana-discovery-bench-" + std::to_string(::getpid()));
        const fs::path home = made.root / "home";
        const fs::path templateProfile = MakeTemplateProfile(made.root);
        const fs::path steam = home / ".local/share/Steam";
        const fs::path secondDisk = made.root / "disk2/SteamLibrary";
        fs::create_directories(secondDisk / "steamapps");
        fs::create_directories(steam / "steamapps");
        std::ofstream(steam / "steamapps/libraryfolders.vdf")
            << "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" << steam.string()
            << "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" << secondDisk.string() << "\"\n\t}\n}\n";
        for (int i = 0; i < kPrefixes; ++i) {
            const bool withCache = i % 4 != 3;
            const std::string n = std::to_string(i);
            fs::path prefix;
            if (i < 120) {
                prefix = home / ".local/share/wineprefixes" / ("prefix" + n);
            } else if (i < 170) {
                const fs::path library = i % 2 ? steam : secondDisk;
                prefix = library / "steamapps/compatdata" / n / "pfx";
                std::ofstream(library / "steamapps" / ("appmanifest_" + n + ".acf"))
                    << "\"AppState\"\n{\n\t\"appid\"\t\t\"" << n << "\"\n\t\"name\"\t\t\"Game " << n << "\"\n}\n";
            } else if (i < 190) {
                prefix = home / ".local/share/bottles/bottles" / ("bottle" + n);
                fs::create_directories(prefix);
                std::ofstream(prefix / "bottle.yml") << "Arch: win64\nName: Bottle " << n << "\n";
            } else {
                prefix = home / ".PlayOnLinux/wineprefix" / ("pol" + n);
            }
            MakePrefix(prefix, templateProfile, withCache);
        }
        made.environment.home = home;
        return made;
    }();
    return home;
}

void BM_Discover200Prefixes(benchmark::State& state)
{
    const BenchHome& home = GetHome();
    size_t found = 0;
    uint64_t entries = 0;
    for (auto _ : state) {
        const discovery::Discovery result = discovery::DiscoverCaches(home.environment);
        found = result.caches.size();
        entries = 0;
        for (const auto& cache : result.caches)
            entries += cache.entries;
    }
    if (found != 150)
        state.SkipWithError("not every cache was found");
    state.counters["caches"] = static_cast<double>(found);
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_Discover200Prefixes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
