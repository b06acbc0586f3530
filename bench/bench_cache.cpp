// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_cache.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace trovana::bench {

namespace fs = std::filesystem;
using namespace trovana::urlcache;

namespace {

constexpr uint64_t kFiletime2024 = 133485408000000000ULL;  // 2024-01-01 UTC
constexpr uint64_t kHour = 36000000000ULL;

CacheLocation LocationBelow(const fs::path& root)
{
    CacheLocation location;
    location.containers = {
        {ContainerKind::Cookies, root / "Cookies"},
        {ContainerKind::History, root / "History" / "History.IE5"},
        {ContainerKind::Content, root / "Cache" / "Content.IE5"},
    };
    return location;
}

std::string ContentHeader(int i)
{
    static const char* const types[] = {"text/html", "image/png", "text/css", "application/javascript", "image/jpeg"};
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(types[i % 5]) +
           "\r\nContent-Length: 512\r\nServer: bench\r\nCache-Control: max-age=3600\r\n"
           "ETag: \"" +
           std::to_string(i) + "\"\r\n\r\n";
}

std::vector<NewCacheEntry> PlanEntries()
{
    std::vector<NewCacheEntry> plan;
    plan.reserve(kContentEntries + kHistoryEntries + kCookieEntries);
    static const char* const ext[] = {"html", "png", "css", "js", "jpg"};
    for (int i = 0; i < kContentEntries; ++i) {
        NewCacheEntry e;
        e.url = "http://host" + std::to_string(i % 97) + ".example.com/dir" + std::to_string(i % 13) + "/page" +
                std::to_string(i) + "." + ext[i % 5];
        e.body = std::string(512, static_cast<char>('a' + i % 26));
        e.fileExtension = ext[i % 5];
        e.headerInfo = ContentHeader(i);
        e.lastAccessTime = kFiletime2024 + static_cast<uint64_t>(i) * kHour;
        e.lastModifiedTime = kFiletime2024;
        e.hitRate = 1 + i % 40;
        plan.push_back(std::move(e));
    }
    for (int i = 0; i < kHistoryEntries; ++i) {
        NewCacheEntry e;
        e.url = "Visited: bench@http://site" + std::to_string(i % 211) + ".example.org/a/b" + std::to_string(i) +
                ".html";
        e.cacheEntryType = URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY;
        e.lastAccessTime = kFiletime2024 + static_cast<uint64_t>(i) * kHour;
        e.hitRate = 1 + i % 9;
        plan.push_back(std::move(e));
    }
    for (int i = 0; i < kCookieEntries; ++i) {
        NewCacheEntry e;
        e.url = "Cookie:bench@cookiehost" + std::to_string(i) + ".example.net/";
        e.body = "id\n" + std::to_string(i) + "\ncookiehost" + std::to_string(i) +
                 ".example.net/\n1024\n0\n0\n0\n0\n*\n";
        e.fileExtension = "txt";
        e.cacheEntryType = COOKIE_CACHE_ENTRY;
        e.lastAccessTime = kFiletime2024 + static_cast<uint64_t>(i) * kHour;
        plan.push_back(std::move(e));
    }
    return plan;
}

fs::path BenchRoot()
{
    const char* tmp = std::getenv("TMPDIR");
    return fs::path(tmp && *tmp ? tmp : "/tmp") / ("trovana-bench-" + std::to_string(getpid()));
}

}  // namespace

const BenchCache& GetBenchCache()
{
    static const BenchCache cache = [] {
        BenchCache made;
        made.root = BenchRoot();
        fs::remove_all(made.root);
        made.location = LocationBelow(made.root);
        std::vector<NewCacheEntry> plan = PlanEntries();
        UrlCache writer(made.location);
        std::vector<CacheResult> results = writer.CreateEntries(plan);
        for (size_t i = 0; i < plan.size(); ++i) {
            // Two URLs whose 32-bit hashes agree cannot both be stored (Wine
            // would take one for the other); at this size a few such pairs occur.
            if (results[i].code == ERROR_ALREADY_EXISTS)
                continue;
            if (!results[i].ok())
                throw std::runtime_error("benchmark cache: " + results[i].message);
            made.urls.push_back(plan[i].url);
        }
        std::atexit([] { fs::remove_all(BenchRoot()); });
        return made;
    }();
    return cache;
}

BenchCache CopyBenchCache(const fs::path& to)
{
    const BenchCache& original = GetBenchCache();
    fs::remove_all(to);
    fs::copy(original.root, to, fs::copy_options::recursive);
    BenchCache copy;
    copy.root = to;
    copy.location = LocationBelow(to);
    copy.urls = original.urls;
    return copy;
}

}  // namespace trovana::bench
