// SPDX-License-Identifier: GPL-3.0-or-later
// Where a user's cache containers are: in a Wine prefix, in a user profile
// folder (Wine's or a copied Windows one), or a single index.dat.
#include "locate.h"

#include "ascii.h"
#include "file_descriptor.h"
#include "read_file.h"
#include "index_image.h"
#include "path_case.h"
#include "webcache.h"
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
    std::string_view folder;       // relative to the profile
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
    if (!clean.has_filename() && clean.has_relative_path())
        clean = clean.parent_path();
    return clean;
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
    if (!HasRegularFile(folder, "index.dat"))
        return;
    std::error_code ec;
    for (const auto& listed : list)
        if (fs::equivalent(listed.folder, folder, ec))
            return;
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
        if (StartsWithIgnoreAsciiCase(it->path().filename().string(), "MSHist") && it->is_directory(statEc))
            daily.push_back(it->path());
    }
    std::sort(daily.begin(), daily.end());
    for (const auto& folder : daily)
        AddIfContainer(list, ContainerKind::History, folder);
}

// The container folder's own name decides, else its parent's (Cookies\Low).
ContainerKind GuessKind(const fs::path& folder)
{
    for (const fs::path& name : {folder.filename(), folder.parent_path().filename()}) {
        std::string text = name.string();
        if (EqualsIgnoreAsciiCase(text, "Cookies") || EqualsIgnoreAsciiCase(text, "INetCookies"))
            return ContainerKind::Cookies;
        if (EqualsIgnoreAsciiCase(text, "History") || EqualsIgnoreAsciiCase(text, "History.IE5") ||
            StartsWithIgnoreAsciiCase(text, "MSHist"))
            return ContainerKind::History;
        if (EqualsIgnoreAsciiCase(text, "Content.IE5") || EqualsIgnoreAsciiCase(text, "INetCache") ||
            EqualsIgnoreAsciiCase(text, "Temporary Internet Files"))
            return ContainerKind::Content;
    }
    return ContainerKind::Content;
}

// A renamed copy: its own name says what it was ("History.IE5-index.dat",
// "MSHist01...-index.dat", "Cookies-index.dat"), else its folder's.
ContainerKind GuessKindFromName(const fs::path& file)
{
    std::string name = ToLowerAscii(file.filename().string());
    if (name.find("cookie") != std::string::npos)
        return ContainerKind::Cookies;
    if (name.find("history") != std::string::npos || name.find("mshist") != std::string::npos)
        return ContainerKind::History;
    if (name.find("content") != std::string::npos)
        return ContainerKind::Content;
    return GuessKind(file.parent_path());
}

std::optional<std::string> NonEmptyEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

fs::path HomeFolder()
{
    if (auto home = NonEmptyEnv("HOME"))
        return *home;
    if (const passwd* entry = ::getpwuid(::getuid()))
        return entry->pw_dir;
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
    if (ec && ec != std::errc::no_such_file_or_directory)
        Fail(what, path, "cannot be reached: " + ec.message());
    if (!fs::exists(status))
        Fail(what, path, "does not exist");
    if (fs::is_regular_file(status))
        Fail(what, path, "is a file, not a folder");
    if (!fs::is_directory(status))
        Fail(what, path, "is not a folder");
    fs::directory_iterator listing(path, ec);
    if (ec)
        Fail(what, path, "cannot be read: " + ec.message());
}

// Throws unless `path` is a regular file that can be opened for reading.
void RequireReadableFile(const fs::path& path)
{
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        Fail("The container", path, "cannot be reached: " + ec.message());
    if (!fs::exists(status))
        Fail("The container", path, "does not exist");
    if (!fs::is_regular_file(status))
        Fail("The container", path, "is not a regular file");
    fileio::FileDescriptor fd = fileio::OpenForReading(path);
    if (!fd.Valid())
        Fail("The container", path, std::string("cannot be read: ") + std::strerror(errno));
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
    if (!fs::exists(fs::symlink_status(prefix, ec)))
        return {};
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
    if (!fs::is_directory(prefix, ec))
        return location;
    location.winePrefix = CleanPath(prefix);
    location.containers = ResolvePrefixFolders(location.winePrefix).containers;
    // The daily and weekly history in the history folder: Wine does not
    // read them, but they are files of the evidence (a prefix that was a
    // Windows profile's copy, or one Internet Explorer ran in).
    std::vector<ContainerLocation> daily;
    for (const ContainerLocation& container : location.containers) {
        if (container.kind == ContainerKind::History)
            AddDailyHistory(daily, container.folder);
    }
    for (ContainerLocation& container : daily) {
        container.wineIgnores = true;
        location.containers.push_back(std::move(container));
    }
    std::stable_sort(location.containers.begin(), location.containers.end(),
                     [](const ContainerLocation& a, const ContainerLocation& b) { return a.kind < b.kind; });
    return location;
}

CacheLocation LocateProfileCache(const fs::path& profile)
{
    CacheLocation location;
    fs::path root = CleanPath(profile);
    std::error_code ec;
    if (!fs::is_directory(root, ec))
        return location;
    location.winePrefix = FindEnclosingPrefix(root, true);

    std::vector<ContainerLocation> found;
    // A prefix's registry may name other folders than today's defaults (older
    // Wine versions used the XP ones); its folders that lie in this profile
    // come first.
    if (!location.winePrefix.empty()) {
        for (const auto& container : ResolvePrefixFolders(location.winePrefix).containers)
            if (IsInside(container.folder, root))
                AddIfContainer(found, container.kind, container.folder);
    }
    for (auto& container : FindProfileContainers(root))
        AddIfContainer(found, container.kind, container.folder);
    std::stable_sort(found.begin(), found.end(),
                     [](const ContainerLocation& a, const ContainerLocation& b) { return a.kind < b.kind; });
    location.containers = std::move(found);
    // Wine reads no daily or weekly history container.
    for (ContainerLocation& container : location.containers) {
        container.wineIgnores = !location.winePrefix.empty() &&
                                StartsWithIgnoreAsciiCase(container.folder.filename().string(), "MSHist");
    }
    location.webCaches = FindProfileWebCaches(root);
    return location;
}

CacheLocation LocateSingleContainer(const fs::path& indexFile)
{
    fs::path file = CleanPath(indexFile);
    RequireReadableFile(file);
    // Forensic copies are often renamed: the signature decides, not the name.
    // A broken index.dat is still taken, so that reading it says what is wrong.
    CacheLocation location;
    if (file.filename() != "index.dat" && webcache::IsEseDatabase(file)) {
        location.webCaches.push_back(file);
        return location;
    }
    if (file.filename() != "index.dat" && !IsContainerFile(file))
        Fail("The file", file,
             "is no URL cache container (it lacks the signature \"" + std::string(kWindowsSignature) + "\" or \"" +
                 std::string(kWineSignature) + "\", and is no WebCache database)");
    ContainerKind kind = file.filename() == "index.dat" ? GuessKind(file.parent_path()) : GuessKindFromName(file);
    location.containers.push_back({kind, file.parent_path(), file.filename().string()});
    location.winePrefix = FindEnclosingPrefix(file, false);
    return location;
}

bool IsContainerFile(const fs::path& file)
{
    // Only a regular file is opened: a device's open alone may have effects.
    fileio::FileDescriptor fd;
    uint64_t size = 0;
    char head[sizeof kWindowsSignature] = {};
    static_assert(sizeof kWindowsSignature == sizeof kWineSignature);
    if (fileio::OpenRegularFile(file, fd, size) != fileio::FileRead::Read ||
        ::pread(fd.Get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return false;
    const std::string_view text(head, sizeof head);
    return text == std::string_view(kWindowsSignature, sizeof kWindowsSignature) ||
           text == std::string_view(kWineSignature, sizeof kWineSignature);
}

std::vector<ContainerLocation> FindProfileContainers(const fs::path& profile)
{
    std::vector<ContainerLocation> found;
    for (const auto& layout : kProfileContainers) {
        fs::path folder = FindPathIgnoringCase(profile, SplitPathNames(layout.folder));
        AddIfContainer(found, layout.kind, folder);
        if (layout.hasDailyHistory)
            AddDailyHistory(found, folder);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const ContainerLocation& a, const ContainerLocation& b) { return a.kind < b.kind; });
    return found;
}

namespace {

// Profiles Windows and Wine make for everyone: listed only when they hold a cache.
constexpr std::string_view kSharedProfiles[] = {"All Users",        "Default",      "Default User",  "Public",
                                                "Default.migrated", "LocalService", "NetworkService"};

bool IsSharedProfile(std::string_view name)
{
    return std::any_of(std::begin(kSharedProfiles), std::end(kSharedProfiles),
                       [&](std::string_view shared) { return EqualsIgnoreAsciiCase(name, shared); });
}

bool IsFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsUsersFolder(const fs::path& folder)
{
    const std::string name = folder.filename().string();
    return EqualsIgnoreAsciiCase(name, "Users") || EqualsIgnoreAsciiCase(name, "Documents and Settings");
}

// A folder that looks like a user profile even before it holds a cache:
// Windows' own files and folders in it, or a place in a prefix's drive_c/users.
bool LooksLikeProfile(const fs::path& folder)
{
    const fs::path users = folder.parent_path();
    return IsFolder(FindPathIgnoringCase(folder, {"AppData"})) ||
           IsFolder(FindPathIgnoringCase(folder, {"Local Settings"})) || HasRegularFile(folder, "NTUSER.DAT") ||
           (IsUsersFolder(users) && users.parent_path().filename() == "drive_c" &&
            IsWinePrefix(users.parent_path().parent_path()));
}

// A container folder: one with an index.dat (a broken one too, so that
// reading it says what is wrong).
std::optional<fs::path> ContainerFileIn(const fs::path& folder)
{
    if (HasRegularFile(folder, "index.dat"))
        return folder / "index.dat";
    return std::nullopt;
}

std::string ProfileNames(const std::vector<UserProfile>& profiles)
{
    std::string names;
    for (const auto& profile : profiles)
        names += (names.empty() ? "" : ", ") + profile.user;
    return names;
}

}  // namespace

std::vector<UserProfile> ListUserProfiles(const fs::path& driveRoot)
{
    std::vector<UserProfile> profiles;
    for (std::string_view users : {"Users", "Documents and Settings"}) {
        fs::path folder = FindPathIgnoringCase(driveRoot, {std::string(users)});
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code statEc;
            if (!it->is_directory(statEc))
                continue;
            UserProfile profile{it->path().filename().string(), it->path(),
                                FindProfileContainers(it->path()).size() + FindProfileWebCaches(it->path()).size()};
            if (profile.containers > 0 || !IsSharedProfile(profile.user))
                profiles.push_back(std::move(profile));
        }
    }
    std::sort(profiles.begin(), profiles.end(),
              [](const UserProfile& a, const UserProfile& b) { return a.folder < b.folder; });
    return profiles;
}

CacheLocation LocatePath(const fs::path& path)
{
    const fs::path clean = CleanPath(path);
    std::error_code ec;
    const fs::file_status status = fs::status(clean, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        Fail("The path", clean, "cannot be reached: " + ec.message());
    if (!fs::exists(status))
        Fail("The path", clean, "does not exist");
    if (!fs::is_directory(status))
        return LocateSingleContainer(clean);
    RequireReadableFolder("The folder", clean);

    if (IsWinePrefix(clean))
        return LocatePrefixCache(clean);
    if (IsWinePrefix(clean / "pfx"))
        return LocatePrefixCache(clean / "pfx");  // Proton's compatdata/ID
    if (auto file = ContainerFileIn(clean))
        return LocateSingleContainer(*file);
    if (LooksLikeProfile(clean) || !FindProfileContainers(clean).empty() || !FindProfileWebCaches(clean).empty())
        return LocateProfileCache(clean);
    const std::vector<UserProfile> profiles = ListUserProfiles(IsUsersFolder(clean) ? clean.parent_path() : clean);
    if (profiles.size() == 1)
        return LocateProfileCache(profiles.front().folder);
    if (profiles.size() > 1)
        Fail("The drive", clean, "holds several user profiles (" + ProfileNames(profiles) + "): open one of them");
    Fail("The folder", clean,
         "is no URL cache: expected a Wine prefix, a Windows user profile folder, a Windows drive root, "
         "a container folder or a container file");
}

std::vector<fs::path> FindProfileWebCaches(const fs::path& profile)
{
    const fs::path folder = FindPathIgnoringCase(profile, {"AppData", "Local", "Microsoft", "Windows", "WebCache"});
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = ToLowerAscii(it->path().filename().string());
        std::error_code statEc;
        if (name.starts_with("webcachev") && name.ends_with(".dat") && it->is_regular_file(statEc) &&
            webcache::IsEseDatabase(it->path()))
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

fs::path WebCacheProfile(const fs::path& database)
{
    fs::path folder = database.parent_path();
    for (std::string_view name : {"WebCache", "Windows", "Microsoft", "Local", "AppData"}) {
        if (!EqualsIgnoreAsciiCase(folder.filename().string(), name))
            return {};
        folder = folder.parent_path();
    }
    return folder;
}

std::vector<fs::path> WebCacheFileFolders(const CacheLocation& location)
{
    std::vector<fs::path> folders;
    for (const fs::path& database : location.webCaches) {
        const fs::path profile = WebCacheProfile(database);
        if (!profile.empty())
            folders.push_back(FindPathIgnoringCase(profile, {"AppData", "Local", "Microsoft", "Windows", "INetCache"}));
    }
    return folders;
}

std::optional<std::string> ReadOnlyReason(const CacheLocation& location)
{
    if (!location.webCaches.empty())
        return kWebCacheReadOnly;
    // A container's file and folder must be writable; a missing one would be
    // made in its nearest existing ancestor.
    for (const ContainerLocation& container : location.containers) {
        for (fs::path target : {container.IndexPath(), container.folder}) {
            std::error_code ec;
            while (!fs::exists(fs::symlink_status(target, ec)) && target.has_relative_path())
                target = target.parent_path();
            if (::access(target.c_str(), W_OK) != 0)
                return target.string() + " cannot be written: " + std::strerror(errno);
        }
    }
    return std::nullopt;
}

}  // namespace trovana::urlcache
