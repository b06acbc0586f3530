// Where a user's cache containers are: in a Wine prefix, in a user profile
// folder (Wine's or a copied Windows one), or a single index.dat.
#include "locate.h"

#include "descriptor.h"
#include "path_case.h"
#include "wine_prefix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace trovana::urlcache {

namespace fs = std::filesystem;

namespace {

struct ProfileContainer {
    ContainerKind kind;
    std::string_view folder;     // relative to the profile
    bool hasDailyHistory = false;  // MSHist01* containers inside it
};

// Wine's folders first, then those of Windows Vista/7 (with the "Low"
// set of protected mode) and of Windows XP. Wine and Vista/7 share the
// history folder.
constexpr ProfileContainer kProfileContainers[] = {
    {ContainerKind::Cookies, "AppData/Local/Microsoft/Windows/INetCookies"},
    {ContainerKind::Cookies, "AppData/Roaming/Microsoft/Windows/Cookies"},
    {ContainerKind::Cookies, "AppData/Roaming/Microsoft/Windows/Cookies/Low"},
    {ContainerKind::Cookies, "Cookies"},
    {ContainerKind::History, "AppData/Local/Microsoft/Windows/History/History.IE5", true},
    {ContainerKind::History, "AppData/Local/Microsoft/Windows/History/Low/History.IE5", true},
    {ContainerKind::History, "Local Settings/History/History.IE5", true},
    {ContainerKind::Content, "AppData/Local/Microsoft/Windows/INetCache/Content.IE5"},
    {ContainerKind::Content, "AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5"},
    {ContainerKind::Content, "AppData/Local/Microsoft/Windows/Temporary Internet Files/Low/Content.IE5"},
    {ContainerKind::Content, "Local Settings/Temporary Internet Files/Content.IE5"},
};

// An absolute path without "." or ".." and without a trailing separator.
fs::path CleanPath(const fs::path& path)
{
    std::error_code ec;
    fs::path clean = fs::absolute(path, ec).lexically_normal();
    if (!clean.has_filename() && clean.has_relative_path()) clean = clean.parent_path();
    return clean;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view start)
{
    return text.size() >= start.size() && EqualsIgnoreCase(text.substr(0, start.size()), start);
}

bool IsInside(const fs::path& path, const fs::path& folder)
{
    std::error_code ec;
    fs::path relative = fs::weakly_canonical(path, ec).lexically_relative(fs::weakly_canonical(folder, ec));
    return !relative.empty() && *relative.begin() != "..";
}

// Adds `folder` when it holds an index.dat and is not listed yet: the same
// folder can be reached twice (a shared layout, a link).
void AddIfContainer(std::vector<ContainerLocation>& list, ContainerKind kind, const fs::path& folder)
{
    if (!HasRegularFile(folder, "index.dat")) return;
    std::error_code ec;
    for (const auto& listed : list)
        if (fs::equivalent(listed.folder, folder, ec)) return;
    list.push_back({kind, folder});
}

// Windows keeps daily and weekly history containers, MSHist01<dates>, inside
// History.IE5; listed in name order, which is date order.
void AddDailyHistory(std::vector<ContainerLocation>& list, const fs::path& history)
{
    std::vector<fs::path> daily;
    std::error_code ec;
    for (fs::directory_iterator it(history, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statEc;
        if (StartsWithIgnoreCase(it->path().filename().string(), "MSHist") && it->is_directory(statEc))
            daily.push_back(it->path());
    }
    std::sort(daily.begin(), daily.end());
    for (const auto& folder : daily) AddIfContainer(list, ContainerKind::History, folder);
}

// The container folder's own name decides, else its parent's (Cookies\Low).
ContainerKind GuessKind(const fs::path& folder)
{
    for (const fs::path& name : {folder.filename(), folder.parent_path().filename()}) {
        std::string text = name.string();
        if (EqualsIgnoreCase(text, "Cookies") || EqualsIgnoreCase(text, "INetCookies")) return ContainerKind::Cookies;
        if (EqualsIgnoreCase(text, "History") || EqualsIgnoreCase(text, "History.IE5") ||
            StartsWithIgnoreCase(text, "MSHist"))
            return ContainerKind::History;
        if (EqualsIgnoreCase(text, "Content.IE5") || EqualsIgnoreCase(text, "INetCache") ||
            EqualsIgnoreCase(text, "Temporary Internet Files"))
            return ContainerKind::Content;
    }
    return ContainerKind::Content;
}

std::optional<std::string> NonEmptyEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

fs::path HomeFolder()
{
    if (auto home = NonEmptyEnv("HOME")) return *home;
    if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_dir;
    return {};
}

[[noreturn]] void Fail(std::string_view what, const fs::path& path, std::string_view problem)
{
    throw UrlCacheError(std::string(what) + " (" + path.string() + ") " + std::string(problem) + ".");
}

// Throws unless `path` is a folder whose entries can be listed.
void RequireReadableFolder(std::string_view what, const fs::path& path)
{
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) Fail(what, path, "cannot be reached: " + ec.message());
    if (!fs::exists(status)) Fail(what, path, "does not exist");
    if (fs::is_regular_file(status)) Fail(what, path, "is a file, not a folder");
    if (!fs::is_directory(status)) Fail(what, path, "is not a folder");
    fs::directory_iterator listing(path, ec);
    if (ec) Fail(what, path, "cannot be read: " + ec.message());
}

// Throws unless `path` is a regular file that can be opened for reading.
void RequireReadableFile(const fs::path& path)
{
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) Fail("The container", path, "cannot be reached: " + ec.message());
    if (!fs::exists(status)) Fail("The container", path, "does not exist");
    if (!fs::is_regular_file(status)) Fail("The container", path, "is not a regular file");
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) Fail("The container", path, std::string("cannot be read: ") + std::strerror(errno));
}

}  // namespace

CacheLocation LocateCurrentUserCache()
{
    if (auto profile = NonEmptyEnv("TROVANA_PROFILE")) {
        RequireReadableFolder("TROVANA_PROFILE", *profile);
        return LocateProfileCache(*profile);
    }
    if (auto prefix = NonEmptyEnv("WINEPREFIX")) {
        RequireReadableFolder("WINEPREFIX", *prefix);
        return LocatePrefixCache(*prefix);
    }
    // Without WINEPREFIX, a missing ~/.wine only means Wine was never used.
    fs::path prefix = DefaultWinePrefix();
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(prefix, ec))) return {};
    RequireReadableFolder("The default Wine prefix", prefix);
    return LocatePrefixCache(prefix);
}

fs::path DefaultWinePrefix()
{
    return HomeFolder() / ".wine";
}

CacheLocation LocatePrefixCache(const fs::path& prefix)
{
    CacheLocation location;
    std::error_code ec;
    if (!fs::is_directory(prefix, ec)) return location;
    location.winePrefix = CleanPath(prefix);
    location.containers = ResolvePrefixFolders(location.winePrefix).containers;
    return location;
}

CacheLocation LocateProfileCache(const fs::path& profile)
{
    CacheLocation location;
    fs::path root = CleanPath(profile);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return location;
    location.winePrefix = FindEnclosingPrefix(root, true);

    std::vector<ContainerLocation> found;
    // A prefix's registry may name other folders than today's defaults (older
    // Wine versions used the XP ones); its folders that lie in this profile
    // come first.
    if (!location.winePrefix.empty()) {
        for (const auto& container : ResolvePrefixFolders(location.winePrefix).containers)
            if (IsInside(container.folder, root)) AddIfContainer(found, container.kind, container.folder);
    }
    for (const auto& layout : kProfileContainers) {
        fs::path folder = FindPathIgnoringCase(root, SplitPathNames(layout.folder));
        AddIfContainer(found, layout.kind, folder);
        if (layout.hasDailyHistory) AddDailyHistory(found, folder);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const ContainerLocation& a, const ContainerLocation& b) { return a.kind < b.kind; });
    location.containers = std::move(found);
    return location;
}

CacheLocation LocateSingleContainer(const fs::path& indexFile)
{
    fs::path file = CleanPath(indexFile);
    RequireReadableFile(file);
    // Entries name their files relative to the container's folder, and the
    // container is opened as <folder>/index.dat.
    if (file.filename() != "index.dat") Fail("The container", file, "is not named index.dat");
    CacheLocation location;
    location.containers.push_back({GuessKind(file.parent_path()), file.parent_path()});
    location.winePrefix = FindEnclosingPrefix(file, false);
    return location;
}

}  // namespace trovana::urlcache
