// SPDX-License-Identifier: GPL-3.0-or-later
// Folders, files and environment variables for the cache-location tests.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace trovana::urlcache::test {

// A fresh folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Sets (or, with nullopt, unsets) an environment variable until destroyed.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Writes `text` into `file`, making its folders.
void WriteFile(const std::filesystem::path& file, std::string_view text);
// Makes `folder` a container: a folder with an index.dat in it.
void MakeContainer(const std::filesystem::path& folder);

// Registry text exactly as Wine 8.0 wrote it in a prefix made by
// `wineboot -i` (other keys trimmed), for the user named `escapedUser` as the
// file spells it (non-ASCII letters as \xNN escapes).
std::string Wine8UserReg(std::string_view escapedUser);
std::string Wine8SystemReg(std::string_view escapedUser);
// The same with every line that names one of the cache folders (Cache,
// Cookies, History) removed, from both Shell Folders keys.
std::string WithoutCacheFolders(std::string text);

// A prefix as wineboot leaves it: dosdevices/c: -> ../drive_c, the user's
// profile folder, user.reg and system.reg (when given).
void MakeWinePrefix(const std::filesystem::path& prefix, const std::string& user,
                    const std::optional<std::string>& userReg, const std::optional<std::string>& systemReg);

}  // namespace trovana::urlcache::test
