// SPDX-License-Identifier: GPL-3.0-or-later
#include "wine_prefix.h"

#include "ascii.h"
#include "path_case.h"
#include "registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace trovana::urlcache {

namespace fs = std::filesystem;

namespace {

const std::string kUserShellFolders = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders)";
// Wine gives its one user this SID in every prefix.
const std::string kProfileKey = R"(Software\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-0-0-0-1000)";

struct ShellFolder {
    ContainerKind kind;
    std::string_view valueName;      // under User Shell Folders
    std::string_view defaultFolder;  // relative to the profile, when the registry names none
    std::string_view container;      // the container's folder below the shell folder
};

constexpr ShellFolder kCacheShellFolders[] = {
    {ContainerKind::Cookies, "Cookies", R"(AppData\Local\Microsoft\Windows\INetCookies)", ""},
    {ContainerKind::History, "History", R"(AppData\Local\Microsoft\Windows\History)", "History.IE5"},
    {ContainerKind::Content, "Cache", R"(AppData\Local\Microsoft\Windows\INetCache)", "Content.IE5"},
};

struct Profile {
    std::string windowsPath;  // what %USERPROFILE% expands to
    fs::path linuxPath;
};

std::string CurrentUserName()
{
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0')
        return user;
    if (const passwd* entry = ::getpwuid(::getuid()))
        return entry->pw_name;
    return {};
}

std::string_view CutAtNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

// The variables a shell folder value may use, as Wine sets them for its user.
std::optional<std::string> VariableValue(std::string_view name, std::string_view userProfile)
{
    if (EqualsIgnoreAsciiCase(name, "SystemDrive"))
        return "C:";
    if (EqualsIgnoreAsciiCase(name, "SystemRoot") || EqualsIgnoreAsciiCase(name, "windir"))
        return R"(C:\windows)";
    if (EqualsIgnoreAsciiCase(name, "ProgramData") || EqualsIgnoreAsciiCase(name, "ALLUSERSPROFILE"))
        return R"(C:\ProgramData)";
    if (EqualsIgnoreAsciiCase(name, "PUBLIC"))
        return R"(C:\users\Public)";
    if (userProfile.empty())
        return std::nullopt;
    if (EqualsIgnoreAsciiCase(name, "USERPROFILE"))
        return std::string(userProfile);
    if (EqualsIgnoreAsciiCase(name, "APPDATA"))
        return std::string(userProfile) + R"(\AppData\Roaming)";
    if (EqualsIgnoreAsciiCase(name, "LOCALAPPDATA"))
        return std::string(userProfile) + R"(\AppData\Local)";
    return std::nullopt;
}

// Expands %NAME% references; none when one of them is unknown, so that the
// caller tries its next source instead of using a path with a literal %NAME%.
std::optional<std::string> ExpandVariables(std::string_view text, std::string_view userProfile)
{
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('%', pos);
        size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open - pos);
        auto value = VariableValue(text.substr(open + 1, close - open - 1), userProfile);
        if (!value)
            return std::nullopt;
        out += *value;
        pos = close + 1;
    }
    return out;
}

// Where drive `letter` points: the dosdevices link, or drive_c for C: in a
// prefix that has no link for it.
fs::path DriveRoot(const fs::path& prefix, char letter)
{
    fs::path link = prefix / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code ec;
    fs::path target = fs::read_symlink(link, ec);
    if (!ec)
        return target.is_absolute() ? target : (link.parent_path() / target).lexically_normal();
    if (fs::is_directory(link, ec))
        return link;
    if (letter == 'c' && !fs::exists(fs::symlink_status(link, ec)))
        return prefix / "drive_c";
    return {};
}

// The user's folder in drive_c/users when the registry does not name an
// existing one: $USER's, else the only one besides Public, else $USER's as
// Wine would create it.
std::optional<Profile> FindUserFolder(const fs::path& prefix)
{
    fs::path users = FindPathIgnoringCase(DriveRoot(prefix, 'c'), {"users"});
    std::string user = CurrentUserName();
    std::vector<std::string> others;
    std::error_code ec;
    for (fs::directory_iterator it(users, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code statEc;
        if (EqualsIgnoreAsciiCase(name, "Public") || !it->is_directory(statEc))
            continue;
        if (!user.empty() && EqualsIgnoreAsciiCase(name, user))
            return Profile{R"(C:\users\)" + name, users / name};
        others.push_back(std::move(name));
    }
    if (others.size() == 1)
        return Profile{R"(C:\users\)" + others.front(), users / others.front()};
    if (user.empty())
        return std::nullopt;
    return Profile{R"(C:\users\)" + user, users / user};
}

std::optional<Profile> FindProfile(const fs::path& prefix, const std::optional<RegistryText>& system)
{
    std::optional<Profile> registered;
    const RegistryValue* value = system ? system->Value(kProfileKey, "ProfileImagePath") : nullptr;
    if (value != nullptr) {
        if (auto windows = ExpandVariables(CutAtNul(value->data), {})) {
            if (auto onLinux = WindowsToLinuxPath(prefix, *windows))
                registered = Profile{*windows, *onLinux};
        }
    }
    std::error_code ec;
    if (registered && fs::is_directory(registered->linuxPath, ec))
        return registered;
    if (auto found = FindUserFolder(prefix))
        return found;
    return registered;
}

// A shell folder as Wine 8 finds it: the per-user value of User Shell
// Folders, else the machine-wide one, else the built-in default. Wine does
// not read the expanded copies in Shell Folders (checked: a prefix whose
// Shell Folders alone names another cache folder gets the default one), so
// neither do we. A value that names no folder of the prefix (unknown
// variable, unmapped drive) passes to the next source.
fs::path ResolveShellFolder(const fs::path& prefix, const ShellFolder& folder, const Profile& profile,
                            const std::optional<RegistryText>& user, const std::optional<RegistryText>& system)
{
    const RegistryValue* sources[] = {
        user ? user->Value(kUserShellFolders, folder.valueName) : nullptr,
        system ? system->Value(kUserShellFolders, folder.valueName) : nullptr,
    };
    for (const RegistryValue* value : sources) {
        if (value == nullptr)
            continue;
        auto windows = ExpandVariables(CutAtNul(value->data), profile.windowsPath);
        if (!windows)
            continue;
        if (auto onLinux = WindowsToLinuxPath(prefix, *windows))
            return *onLinux;
    }
    return FindPathIgnoringCase(profile.linuxPath, SplitPathNames(folder.defaultFolder));
}

}  // namespace

std::optional<fs::path> WindowsToLinuxPath(const fs::path& prefix, std::string_view windowsPath)
{
    if (windowsPath.size() < 2 || windowsPath[1] != ':')
        return std::nullopt;
    char letter = ToLowerAscii(windowsPath.substr(0, 1))[0];
    if (letter < 'a' || letter > 'z')
        return std::nullopt;
    // "C:name" is relative to the drive's current folder: not a usable path.
    if (windowsPath.size() > 2 && windowsPath[2] != '\\' && windowsPath[2] != '/')
        return std::nullopt;
    fs::path root = DriveRoot(prefix, letter);
    if (root.empty())
        return std::nullopt;
    return FindPathIgnoringCase(root, SplitPathNames(windowsPath.substr(2)));
}

PrefixFolders ResolvePrefixFolders(const fs::path& prefix)
{
    auto user = RegistryText::Load(prefix / "user.reg", {kUserShellFolders});
    auto system = RegistryText::Load(prefix / "system.reg", {kUserShellFolders, kProfileKey});
    PrefixFolders result;
    auto profile = FindProfile(prefix, system);
    if (!profile)
        return result;
    result.profile = profile->linuxPath;
    for (const ShellFolder& folder : kCacheShellFolders) {
        fs::path shellFolder = ResolveShellFolder(prefix, folder, *profile, user, system);
        fs::path container = folder.container.empty()
                                 ? shellFolder
                                 : FindPathIgnoringCase(shellFolder, {std::string(folder.container)});
        result.containers.push_back({folder.kind, container});
    }
    return result;
}

bool IsWinePrefix(const fs::path& folder)
{
    std::error_code ec;
    return fs::is_directory(folder / "drive_c", ec) &&
           (fs::is_regular_file(folder / "system.reg", ec) || fs::is_regular_file(folder / "user.reg", ec) ||
            fs::is_directory(folder / "drive_c" / "users", ec));
}

fs::path FindEnclosingPrefix(const fs::path& path, bool usersOnly)
{
    std::error_code ec;
    fs::path lexical = fs::absolute(path, ec).lexically_normal();
    fs::path canonical = fs::weakly_canonical(lexical, ec);
    for (fs::path candidate : {lexical, canonical}) {
        if (!candidate.has_filename())
            candidate = candidate.parent_path();
        std::string below;  // the name just under the ancestor looked at
        for (fs::path folder = candidate; folder.has_relative_path(); folder = folder.parent_path()) {
            if (folder.filename() == "drive_c" && (!usersOnly || EqualsIgnoreAsciiCase(below, "users")) &&
                IsWinePrefix(folder.parent_path()))
                return folder.parent_path();
            below = folder.filename().string();
        }
    }
    return {};
}

}  // namespace trovana::urlcache
