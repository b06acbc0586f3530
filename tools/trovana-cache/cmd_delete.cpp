#include "commands.h"

namespace trovana::cli {

void DeleteCommand(urlcache::UrlCache& cache, const std::vector<std::string>& urls, Streams streams)
{
    const std::vector<urlcache::CacheResult> results = cache.DeleteEntries(urls);
    if (results.size() != urls.size()) {
        throw CommandError("the cache gave " + std::to_string(results.size()) + " results for " +
                           std::to_string(urls.size()) + " URLs");
    }
    size_t failed = 0;
    for (size_t i = 0; i < urls.size(); ++i) {
        if (results[i].ok()) {
            streams.out << urls[i] << ": deleted\n";
        } else {
            streams.out << urls[i] << ": " << FailureText(results[i]) << '\n';
            ++failed;
        }
    }
    if (failed > 0) {
        throw CommandError(std::to_string(failed) + " of " + std::to_string(urls.size()) +
                           (urls.size() == 1 ? " entry" : " entries") + " not deleted");
    }
}

}  // namespace trovana::cli
