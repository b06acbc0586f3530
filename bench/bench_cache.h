// SPDX-License-Identifier: GPL-3.0-or-later
// A large URL cache for the benchmarks, made once per process by the cache
// library itself: about 100,000 entries over the three containers.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "urlcache.h"

namespace trovana::bench {

struct BenchCache {
    std::filesystem::path root;  // holds the three containers
    trovana::urlcache::CacheLocation location;
    std::vector<std::string> urls;  // every URL, in creation order
};

// Counts of the benchmark cache; each container filled as far as the
// format's largest file allows.
inline constexpr int kContentEntries = 25000;
inline constexpr int kHistoryEntries = 55000;
inline constexpr int kCookieEntries = 20000;

// Makes the cache below `root` (once; later calls reuse it).
const BenchCache& GetBenchCache();

// A copy of the benchmark cache in a fresh folder, for benchmarks that change it.
BenchCache CopyBenchCache(const std::filesystem::path& to);

}  // namespace trovana::bench
