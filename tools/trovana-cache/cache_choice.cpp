// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "commands.h"

namespace trovana::cli {

namespace {

// A folder without containers is an empty cache, but a folder that is not
// there at all is a mistyped name, as for WINEPREFIX and TROVANA_PROFILE.
std::filesystem::path ExistingFolder(const std::string& option, const std::string& name)
{
    std::error_code error;
    if (!std::filesystem::is_directory(name, error)) {
        throw CommandError(option + " " + name + ": no such folder");
    }
    // A folder that cannot be listed (permission) is said as such, not as
    // a folder without containers.
    if (std::filesystem::directory_iterator listing(name, error); error) {
        throw CommandError(option + " " + name + ": cannot be read: " + error.message());
    }
    // Absolute, so that every local file name printed is absolute too.
    return std::filesystem::absolute(name);
}

bool NonEmpty(const char* value)
{
    return value != nullptr && *value != '\0';
}

urlcache::CacheLocation LocateNamedCache(const CacheChoice& choice)
{
    if (!choice.prefix.empty()) {
        return urlcache::LocatePrefixCache(ExistingFolder("--prefix", choice.prefix));
    }
    if (!choice.profile.empty()) {
        return urlcache::LocateProfileCache(ExistingFolder("--profile", choice.profile));
    }
    if (!choice.container.empty()) {
        return urlcache::LocateSingleContainer(std::filesystem::absolute(choice.container));
    }
    if (!choice.path.empty()) {
        return urlcache::LocatePath(std::filesystem::absolute(choice.path));
    }
    return urlcache::LocateCurrentUserCache();
}

// The folder the user named, by option or variable, else the prefix found.
std::string NamedFolder(const CacheChoice& choice, const urlcache::CacheLocation& location)
{
    for (const std::string* name : {&choice.prefix, &choice.profile, &choice.path}) {
        if (!name->empty()) {
            return std::filesystem::absolute(*name).string();
        }
    }
    for (const char* variable : {"TROVANA_PROFILE", "WINEPREFIX"}) {
        if (const char* value = std::getenv(variable); NonEmpty(value)) {
            return std::string(value) + " (" + variable + ")";
        }
    }
    return location.winePrefix.string();
}

}  // namespace

urlcache::CacheLocation LocateCache(const CacheChoice& choice, std::string* whyReadOnly)
{
    urlcache::CacheLocation location = LocateNamedCache(choice);
    location.readOnly = choice.readOnly;
    if (!location.readOnly) {
        if (auto reason = urlcache::ReadOnlyReason(location)) {
            location.readOnly = true;
            if (whyReadOnly) {
                *whyReadOnly = std::move(*reason);
            }
        }
    }
    return location;
}

void RequireReadableCache(urlcache::UrlCache& cache, const CacheChoice& choice)
{
    if (cache.ReadableContainers() > 0) {
        return;
    }
    const urlcache::CacheLocation& location = cache.Location();
    // A WebCache database alone that cannot be read (truncated, say): its
    // one problem is the error, and no warning repeats it.
    if (location.containers.empty() && location.webCaches.size() == 1 && cache.Problems().size() == 1) {
        throw CommandError(cache.Problems().front());
    }
    if (!cache.Problems().empty()) {
        // The warnings name each container; the error names where they are.
        std::string where = location.winePrefix.string();
        if (where.empty()) {
            for (const urlcache::ContainerLocation& container : location.containers) {
                where += (where.empty() ? "" : ", ") + container.IndexPath().string();
            }
            for (const std::filesystem::path& database : location.webCaches) {
                where += (where.empty() ? "" : ", ") + database.string();
            }
        }
        throw CommandError("no readable cache in " + where);
    }
    const bool named = choice.Named();
    const bool fromEnvironment = NonEmpty(std::getenv("TROVANA_PROFILE")) || NonEmpty(std::getenv("WINEPREFIX"));
    if (!named && !fromEnvironment && location.winePrefix.empty()) {
        throw CommandError("no cache: there is no Wine prefix at " + urlcache::DefaultWinePrefix().string() +
                           " (set WINEPREFIX or TROVANA_PROFILE, or give --path, --prefix, --profile or --container)");
    }
    // One rule however the folder was named: a folder without any container
    // is an error that names it; a cache without entries lists nothing.
    throw CommandError("no URL cache in " + NamedFolder(choice, location) +
                       ": none of its containers (index.dat) exists");
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

void ReportProblems(const urlcache::UrlCache& cache, std::ostream& err, std::string_view error)
{
    for (const std::string& problem : cache.Problems()) {
        if (problem != error) {
            err << "trovana-cache: warning: " << problem << '\n';
        }
    }
}

}  // namespace trovana::cli
