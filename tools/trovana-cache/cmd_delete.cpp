// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

namespace trovana::cli {

void DeleteCommand(urlcache::UrlCache& cache, const std::vector<std::string>& urls, Streams streams)
{
    // Each result is printed and flushed as soon as it is known, so that the
    // log of an interrupted run says what was done.
    size_t failed = 0;
    const auto report = [&](size_t i, const urlcache::CacheResult& result) {
        if (result.ok() && result.kept != urlcache::KeptFile::NotKept) {
            // The entry is gone but not its file: say so, and why.
            streams.out << urls[i] << ": deleted; its file " << result.keptPath
                        << " was kept: " << urlcache::KeptFileText(result) << '\n';
        } else if (result.ok()) {
            streams.out << urls[i] << ": deleted\n";
        } else {
            streams.out << urls[i] << ": " << FailureText(result) << '\n';
            ++failed;
        }
        streams.out.flush();
    };
    const std::vector<urlcache::CacheResult> results = cache.DeleteEntries(urls, report);
    if (results.size() != urls.size()) {
        throw CommandError("the cache gave " + std::to_string(results.size()) + " results for " +
                           std::to_string(urls.size()) + " URLs");
    }
    if (failed > 0) {
        throw CommandError(std::to_string(failed) + " of " + std::to_string(urls.size()) +
                           (urls.size() == 1 ? " entry" : " entries") + " not deleted");
    }
}

}  // namespace trovana::cli
