#include "commands.h"

namespace trovana::cli {

urlcache::CacheLocation LocateCache(const CacheChoice& choice)
{
    // Absolute paths, so that every local file name printed is absolute too.
    namespace fs = std::filesystem;
    if (!choice.prefix.empty()) {
        return urlcache::LocatePrefixCache(fs::absolute(choice.prefix));
    }
    if (!choice.profile.empty()) {
        return urlcache::LocateProfileCache(fs::absolute(choice.profile));
    }
    if (!choice.container.empty()) {
        return urlcache::LocateSingleContainer(fs::absolute(choice.container));
    }
    return urlcache::LocateCurrentUserCache();
}

std::string FailureText(const urlcache::CacheResult& result)
{
    const std::string meaning = urlcache::ErrorText(result.code);
    std::string text = "error " + std::to_string(result.code) + " (" + meaning + ")";
    // The library's messages often restate the meaning and the URL.
    if (!result.message.empty() && !result.message.starts_with(meaning)) {
        text += ": " + result.message;
    }
    return text;
}

void ReportProblems(const urlcache::UrlCache& cache, std::ostream& err)
{
    for (const std::string& problem : cache.Problems()) {
        err << "trovana-cache: warning: " << problem << '\n';
    }
}

}  // namespace trovana::cli
