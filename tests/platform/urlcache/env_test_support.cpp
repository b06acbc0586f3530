// SPDX-License-Identifier: GPL-3.0-or-later
#include "env_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace trovana::urlcache::test {

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "trovana-env-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    // Tests may leave folders without permissions behind.
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
{
    if (const char* old = std::getenv(name))
        m_old = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

void WriteFile(const fs::path& file, std::string_view text)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void MakeContainer(const fs::path& folder)
{
    WriteFile(folder / "index.dat", "WINE URLCache Ver 0.2012001");
}

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

// Copied from user.reg of a prefix that `wineboot -i` of Wine 8.0 (Debian
// 8.0~repack-4) made for the user "root"; "@USER@" stands for the user.
constexpr std::string_view kWine8UserReg = R"REG(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current] 1796632361
#time=1dd8625864e14e6
@=""

[Control Panel\\Accessibility\\AudioDescription] 1796632357
#time=1dd862583c2dc98
"Locale"=dword:00000000
"On"="0"

[Environment] 1796632361
#time=1dd8625860cd8c8
"TEMP"="C:\\users\\@USER@\\Temp"
"TMP"="C:\\users\\@USER@\\Temp"

[Software\\Microsoft\\Protected Storage System Provider] 1796632361
#time=1dd8625864e15e0

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1796632361
#time=1dd8625860afb16
"Administrative Tools"="C:\\users\\@USER@\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"
"AppData"="C:\\users\\@USER@\\AppData\\Roaming"
"Cache"="C:\\users\\@USER@\\AppData\\Local\\Microsoft\\Windows\\INetCache"
"Cookies"="C:\\users\\@USER@\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
"Desktop"="C:\\users\\@USER@\\Desktop"
"Favorites"="C:\\users\\@USER@\\Favorites"
"Fonts"="C:\\windows\\Fonts"
"History"="C:\\users\\@USER@\\AppData\\Local\\Microsoft\\Windows\\History"
"Local AppData"="C:\\users\\@USER@\\AppData\\Local"
"My Music"="C:\\users\\@USER@\\Music"
"Personal"="C:\\users\\@USER@\\Documents"
"{A520A1A4-1780-4FF6-BD18-167343C5AF16}"="C:\\users\\@USER@\\AppData\\LocalLow"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders] 1796632361
#time=1dd8625860af800
"Administrative Tools"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"
"AppData"=str(2):"%USERPROFILE%\\AppData\\Roaming"
"Cache"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\INetCache"
"Cookies"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
"Desktop"=str(2):"%USERPROFILE%\\Desktop"
"Favorites"=str(2):"%USERPROFILE%\\Favorites"
"Fonts"=str(2):"C:\\windows\\Fonts"
"History"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\History"
"Local AppData"=str(2):"%USERPROFILE%\\AppData\\Local"
"My Music"=str(2):"%USERPROFILE%\\Music"
"Personal"=str(2):"%USERPROFILE%\\Documents"
"{A520A1A4-1780-4FF6-BD18-167343C5AF16}"=str(2):"%USERPROFILE%\\AppData\\LocalLow"

[Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings] 1796632361
#time=1dd8625862ebbf0
"User Agent"="Mozilla/4.0 (compatible; MSIE 8.0; Win32)"
)REG";

// Copied from system.reg of the same prefix.
constexpr std::string_view kWine8SystemReg = R"REG(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{1B544C20-FD0B-11CE-8C63-00AA0044B51E}] 1796632361
#time=1dd8625863aa974
"CLSID"="{1B544C20-FD0B-11CE-8C63-00AA0044B51E}"
"FilterData"=hex:02,00,00,00,00,00,60,00,02,00,00,00,00,00,00,00,30,70,69,33,\
  00,00,00,00,00,00,00,00,01,00,00,00,00,00,00,00,00,00,00,00,30,74,79,33,00,\
  00,00,00,00,00,00,00,00,00,00,00,00,00,00,00
"FriendlyName"="AVI Splitter"

[Software\\Classes\\Wow6432Node\\AppId] 1796632357
#time=1dd862583d3f654
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\
  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\
  00,5c,00,41,00,70,00,70,00,49,00,64,00

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1796632361
#time=1dd8625860cba46
"Common AppData"="C:\\ProgramData"
"Common Desktop"="C:\\users\\Public\\Desktop"
"Common Favorites"="C:\\users\\@USER@\\Favorites"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders] 1796632361
#time=1dd8625860c9fc0
"Common AppData"=str(2):"%ProgramData%"
"Common Desktop"=str(2):"%PUBLIC%\\Desktop"
"Common Favorites"=str(2):"%USERPROFILE%\\Favorites"

[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList] 1796632361
#time=1dd8625868026c0
"ProfilesDirectory"=str(2):"C:\\users"
"ProgramData"=str(2):"C:\\ProgramData"
"Public"=str(2):"C:\\users\\Public"

[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1000] 1796632361
#time=1dd8625868092a4
"Flags"=dword:00000000
"ProfileImagePath"="C:\\users\\@USER@"

[Software\\Microsoft\\Windows NT\\CurrentVersion\\SvcHost] 1796632361
#time=1dd86258668baf8
"imgsvc"=str(7):"StiSvc\0"
"netsvcs"=str(7):"BITS\0fontcache\0Schedule\0"

[System\\CurrentControlSet\\Control\\Session Manager\\Environment] 1796632361
#time=1dd862586583b06
"ComSpec"=str(2):"%SystemRoot%\\system32\\cmd.exe"
"TEMP"=str(2):"%SystemRoot%\\temp"
)REG";

}  // namespace

std::string Wine8UserReg(std::string_view escapedUser)
{
    return ReplaceAll(std::string(kWine8UserReg), "@USER@", escapedUser);
}

std::string Wine8SystemReg(std::string_view escapedUser)
{
    return ReplaceAll(std::string(kWine8SystemReg), "@USER@", escapedUser);
}

std::string WithoutCacheFolders(std::string text)
{
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("\"Cache\"=") || line.starts_with("\"Cookies\"=") || line.starts_with("\"History\"="))
            continue;
        out += line + "\n";
    }
    return out;
}

void MakeWinePrefix(const fs::path& prefix, const std::string& user, const std::optional<std::string>& userReg,
                    const std::optional<std::string>& systemReg)
{
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c" / "users" / "Public");
    fs::create_directories(prefix / "drive_c" / "users" / user);
    fs::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_symlink("/", prefix / "dosdevices" / "z:");
    if (userReg)
        WriteFile(prefix / "user.reg", *userReg);
    if (systemReg)
        WriteFile(prefix / "system.reg", *systemReg);
}

}  // namespace trovana::urlcache::test
