// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a Wine prefix folder with a small cache of the current user, for the
// end-to-end tests of the program: make_window_test_cache PREFIX [locked].
// With "locked" every entry is in use, as after a retrieve, so that WinINet
// refuses to delete any of them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_entry.h"
#include "urlcache.h"

int main(int argc, char** argv)
{
    const bool locked = argc == 3 && std::string(argv[2]) == "locked";
    if (argc != 2 && !locked) {
        std::fprintf(stderr, "usage: make_window_test_cache PREFIX [locked]\n");
        return 2;
    }
    namespace urlcache = trovana::urlcache;
    using trovana::test::Entry;
    std::filesystem::create_directories(argv[1]);
    // A prefix is known by its registry beside drive_c.
    for (const char* name : {"system.reg", "user.reg"})
        std::ofstream(std::filesystem::path(argv[1]) / name) << "WINE REGISTRY Version 2\n";
    urlcache::UrlCache cache(urlcache::LocatePrefixCache(argv[1]));
    std::vector<urlcache::NewCacheEntry> entries = {
        Entry("http://www.example.com/index.htm", 1200, "text/html"),
        Entry("http://www.example.com/img/logo.gif", 2300, "image/gif"),
        Entry("http://www.example.com/style/site.css", 800, "text/css"),
        Entry("http://news.example.org/2024/story.html", 5400, "text/html"),
        Entry("Cookie:user@www.example.com/", 90),
        Entry("Visited: user@http://www.example.com/index.htm"),
    };
    for (urlcache::NewCacheEntry& entry : entries)
        entry.useCount = locked ? 1 : 0;
    for (const urlcache::CacheResult& result : cache.CreateEntries(entries)) {
        if (!result.ok()) {
            std::fprintf(stderr, "%s\n", result.message.c_str());
            return 1;
        }
    }
    return 0;
}
