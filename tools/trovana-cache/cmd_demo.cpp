// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "demo_plan.h"
#include "demo_prefix.h"

namespace trovana::cli {

void DemoCommand(const std::filesystem::path& directory, Streams streams)
{
    namespace fs = std::filesystem;
    // Never write registry files into a folder that holds something already:
    // it may be someone's real prefix.
    if (fs::exists(directory) && (!fs::is_directory(directory) || !fs::is_empty(directory))) {
        throw CommandError(directory.string() + " already exists and is not an empty folder");
    }
    const fs::path prefix = fs::absolute(directory);
    fs::create_directories(prefix);
    const std::string user = DemoUser();
    WriteDemoPrefix(prefix, user, kDemoNow);

    std::vector<urlcache::NewCacheEntry> entries;
    size_t cookies = 0;
    size_t visits = 0;
    for (DemoEntry& demo : DemoEntries(user)) {
        cookies += demo.kind == DemoKind::Cookie ? 1 : 0;
        visits += demo.kind == DemoKind::Visited ? 1 : 0;
        entries.push_back(std::move(demo.entry));
    }

    urlcache::UrlCache cache(urlcache::LocatePrefixCache(prefix));
    const std::vector<urlcache::CacheResult> results = cache.CreateEntries(entries);
    ReportProblems(cache, streams.err);
    for (size_t i = 0; i < results.size() && i < entries.size(); ++i) {
        if (!results[i].ok()) {
            throw CommandError("cannot add " + entries[i].url + ": " + FailureText(results[i]));
        }
    }
    streams.out << "Made a Wine prefix with a demo cache in " << prefix.string() << ": " << entries.size()
                << " entries (" << entries.size() - cookies - visits << " cached files and responses, " << cookies
                << " cookies, " << visits << " visited links)\n";
}

}  // namespace trovana::cli
