// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a Wine prefix whose cache holds COUNT entries spread over a few
// hundred hosts, as a large real cache is: pages, images, scripts, style
// sheets, cookies and visited links. Usage: make_large_cache PREFIX COUNT
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cache_kinds.h"
#include "urlcache.h"

namespace {
namespace urlcache = trovana::urlcache;

constexpr int kHosts = 400;

urlcache::NewCacheEntry MakeEntry(int i)
{
    const std::string host = "www.site" + std::to_string(i % kHosts) + ".example.com";
    urlcache::NewCacheEntry entry;
    if (i % 50 == 0) {
        entry.url = "Cookie:user@" + host + "/";
        entry.body = "id=" + std::to_string(i) + "\n" + host + "/\n";
        entry.cacheEntryType = urlcache::COOKIE_CACHE_ENTRY;
        return entry;
    }
    const auto& kind = kCacheKinds[i % CACHE_KIND_COUNT];
    const std::string path = "/dir" + std::to_string(i % 7) + "/sub" + std::to_string(i % 13) + "/file" +
                             std::to_string(i) + "." + kind[0];
    // Four in ten are visited links, so that no container grows past what
    // one index.dat holds.
    if (i % 10 >= 1 && i % 10 <= 4) {
        entry.url = "Visited: user@http://" + host + path;
        entry.cacheEntryType = urlcache::URLHISTORY_CACHE_ENTRY;
        return entry;
    }
    entry.url = "http://" + host + path;
    entry.body = std::string(200 + i % 3000, 'x');
    entry.fileExtension = kind[0];
    entry.headerInfo = std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + kind[1] + "\r\n\r\n";
    entry.hitRate = 1 + i % 9;
    return entry;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_large_cache PREFIX COUNT\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    std::filesystem::create_directories(argv[1]);
    urlcache::UrlCache cache(urlcache::LocatePrefixCache(argv[1]));
    std::vector<urlcache::NewCacheEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.push_back(MakeEntry(i));
    int refused = 0;
    for (const urlcache::CacheResult& result : cache.CreateEntries(entries)) {
        if (!result.ok() && refused++ == 0)
            std::fprintf(stderr, "first refusal: %s\n", result.message.c_str());
    }
    std::printf("%d entries made, %d refused\n", count - refused, refused);
    return refused == count ? 1 : 0;
}
