// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_prefix.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "demo_time.h"

namespace trovana::cli {

namespace {

namespace fs = std::filesystem;

// The shell folders Wine names in the user's registry, relative to the
// profile, with Windows separators.
struct ShellFolder {
    const char* name;
    const char* path;
};

constexpr std::array<ShellFolder, 8> kShellFolders = {{
    {"AppData", "AppData\\Roaming"},
    {"Cache", "AppData\\Local\\Microsoft\\Windows\\INetCache"},
    {"Cookies", "AppData\\Local\\Microsoft\\Windows\\INetCookies"},
    {"Desktop", "Desktop"},
    {"Favorites", "Favorites"},
    {"History", "AppData\\Local\\Microsoft\\Windows\\History"},
    {"Local AppData", "AppData\\Local"},
    {"Personal", "Documents"},
}};

// A string as the registry file quotes it: backslashes and quotes escaped.
std::string Quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

using Values = std::vector<std::pair<std::string, std::string>>;

// One key: its name line with the time it was last written (Unix seconds,
// then the same as a FILETIME in hex), then its values, already formatted.
std::string Key(std::string_view name, int64_t unixTime, const Values& values)
{
    char time[32];
    std::snprintf(time, sizeof time, "%llx", static_cast<unsigned long long>(FileTimeFromUnix(unixTime)));
    std::string key = "\n[";
    for (char c : name) {
        key += c;
        if (c == '\\') {
            key += '\\';
        }
    }
    key += "] " + std::to_string(unixTime) + "\n#time=" + time + "\n";
    for (const auto& [valueName, data] : values) {
        key += Quoted(valueName) + "=" + data + "\n";
    }
    return key;
}

std::string Header(std::string_view root)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to " + std::string(root) + "\n\n#arch=win64\n";
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file.flush()) {
        throw CommandError("cannot write " + path.string());
    }
}

std::string SystemRegistry(const std::string& profile, int64_t time)
{
    const std::string profiles = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    return Header("REGISTRY\\\\Machine") +
           Key(profiles, time,
               {{"ProfilesDirectory", "str(2):" + Quoted("C:\\users")},
                {"ProgramData", "str(2):" + Quoted("C:\\ProgramData")},
                {"Public", "str(2):" + Quoted("C:\\users\\Public")}}) +
           Key(profiles + "\\S-1-5-21-0-0-0-1000", time,
               {{"Flags", "dword:00000000"}, {"ProfileImagePath", Quoted(profile)}}) +
           Key("System\\CurrentControlSet\\Control\\Session Manager\\Environment", time,
               {{"ComSpec", Quoted("C:\\windows\\system32\\cmd.exe")},
                {"PATH", "str(2):" + Quoted("C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem")},
                {"SystemRoot", Quoted("C:\\windows")},
                {"windir", Quoted("C:\\windows")}});
}

std::string UserRegistry(std::string_view user, const std::string& profile, int64_t time)
{
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    Values expanded;
    Values unexpanded;
    for (const ShellFolder& folder : kShellFolders) {
        expanded.emplace_back(folder.name, Quoted(profile + "\\" + folder.path));
        unexpanded.emplace_back(folder.name, "str(2):" + Quoted(std::string("%USERPROFILE%\\") + folder.path));
    }
    return Header("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000") +
           Key("Environment", time, {{"TEMP", Quoted(profile + "\\Temp")}, {"TMP", Quoted(profile + "\\Temp")}}) +
           Key("Software\\Microsoft\\Internet Explorer\\Main", time,
               {{"Start Page", Quoted("http://www.example.com/")}}) +
           Key(explorer + "\\Shell Folders", time, expanded) +
           Key(explorer + "\\User Shell Folders", time, unexpanded) +
           Key("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", time,
               {{"User Agent", Quoted("Mozilla/4.0 (compatible; MSIE 8.0; Win32)")}}) +
           Key("Volatile Environment", time,
               {{"APPDATA", Quoted(profile + "\\AppData\\Roaming")},
                {"HOMEDRIVE", Quoted("C:")},
                {"HOMEPATH", Quoted(profile.substr(2))},
                {"LOCALAPPDATA", Quoted(profile + "\\AppData\\Local")},
                {"USERNAME", Quoted(user)},
                {"USERPROFILE", Quoted(profile)}});
}

fs::path LinuxPath(std::string_view windowsPath)
{
    std::string path(windowsPath);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace

void WriteDemoPrefix(const fs::path& prefix, std::string_view user, int64_t unixTime)
{
    const std::string profile = "C:\\users\\" + std::string(user);
    const fs::path drive = prefix / "drive_c";
    const fs::path home = drive / "users" / std::string(user);

    for (const ShellFolder& folder : kShellFolders) {
        fs::create_directories(home / LinuxPath(folder.path));
    }
    for (const char* folder : {"AppData/LocalLow", "Temp"}) {
        fs::create_directories(home / folder);
    }
    for (const char* folder : {"users/Public/Documents", "windows/system32", "ProgramData", "Program Files"}) {
        fs::create_directories(drive / folder);
    }
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");

    WriteFile(prefix / "system.reg", SystemRegistry(profile, unixTime));
    WriteFile(prefix / "user.reg", UserRegistry(user, profile, unixTime));
    WriteFile(home / "Documents" / "notes.html",
              "<!DOCTYPE html>\n<html><head><title>Notes</title></head>\n"
              "<body><h1>Notes</h1><p>Sites to look at again.</p></body></html>\n");
}

}  // namespace trovana::cli
