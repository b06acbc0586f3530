// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the current user's containers in a Wine prefix through its registry.
#include "urlcache.h"

#include "env_test_support.h"

#include <gtest/gtest.h>

namespace trovana::urlcache {
namespace {

namespace fs = std::filesystem;
using test::MakeWinePrefix;
using test::TempFolder;
using test::Wine8SystemReg;
using test::Wine8UserReg;
using test::WithoutCacheFolders;
using test::WriteFile;

const char* const kLocal = "AppData/Local/Microsoft/Windows";

// The three folders in enumeration order, relative to `base`.
std::vector<ContainerLocation> Expected(const fs::path& base, const std::string& cookies, const std::string& history,
                                        const std::string& content)
{
    return {{ContainerKind::Cookies, base / cookies},
            {ContainerKind::History, base / history},
            {ContainerKind::Content, base / content}};
}

void ExpectContainers(const CacheLocation& location, const std::vector<ContainerLocation>& expected)
{
    ASSERT_EQ(location.containers.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(location.containers[i].kind, expected[i].kind) << i;
        EXPECT_EQ(location.containers[i].folder, expected[i].folder) << i;
    }
}

std::vector<ContainerLocation> WineDefaults(const fs::path& profile)
{
    return Expected(profile / kLocal, "INetCookies", "History/History.IE5", "INetCache/Content.IE5");
}

class LocatePrefix : public ::testing::Test {
protected:
    TempFolder temp;
    fs::path prefix = temp.path() / "prefix";
    test::ScopedEnv user{"USER", "alice"};
};

TEST_F(LocatePrefix, ResolvesWhatWine8Wrote)
{
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    CacheLocation location = LocatePrefixCache(prefix);
    EXPECT_EQ(location.winePrefix, prefix);
    // Listed before Wine has made them, so that entries can be created.
    ExpectContainers(location, WineDefaults(prefix / "drive_c/users/alice"));
}

TEST_F(LocatePrefix, FollowsTheRegistryProfileNotTheLoginName)
{
    // A prefix made by another login (copied, or looked at by root).
    MakeWinePrefix(prefix, "bob", Wine8UserReg("bob"), Wine8SystemReg("bob"));
    fs::create_directories(prefix / "drive_c/users/alice");
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/bob"));
}

TEST_F(LocatePrefix, DecodesNonAsciiUserNames)
{
    // Wine 8 writes the login name "josé" as jos\xe9; the folder is UTF-8.
    MakeWinePrefix(prefix, "jos\xC3\xA9", Wine8UserReg("jos\\xe9"), Wine8SystemReg("jos\\xe9"));
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/jos\xC3\xA9"));
}

TEST_F(LocatePrefix, UsesTheFoldersTheRegistryNames)
{
    // Prefixes made by older Wine versions keep the Windows XP folders.
    std::string userReg = WithoutCacheFolders(Wine8UserReg("alice")) +
                          "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] "
                          "1796632361\n"
                          "\"Cache\"=str(2):\"%USERPROFILE%\\\\Local Settings\\\\Temporary Internet Files\"\n"
                          "\"Cookies\"=str(2):\"%USERPROFILE%\\\\Cookies\"\n"
                          "\"History\"=str(2):\"%USERPROFILE%\\\\Local Settings\\\\History\"\n";
    MakeWinePrefix(prefix, "alice", userReg, Wine8SystemReg("alice"));
    ExpectContainers(LocatePrefixCache(prefix),
                     Expected(prefix / "drive_c/users/alice", "Cookies", "Local Settings/History/History.IE5",
                              "Local Settings/Temporary Internet Files/Content.IE5"));
}

TEST_F(LocatePrefix, FallsBackToMachineValuesThenDefaultsButNotToShellFolders)
{
    // Wine 8 itself ignores Shell Folders: with "Cache" only there, it made
    // its container in the default folder.
    std::string key = "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\";
    std::string userReg = WithoutCacheFolders(Wine8UserReg("alice")) + key + "Shell Folders] 1796632361\n" +
                          "\"Cache\"=\"C:\\\\Old Cache\"\n\"History\"=\"C:\\\\Old History\"\n";
    std::string systemReg = WithoutCacheFolders(Wine8SystemReg("alice")) + key +
                            "User Shell Folders] 1796632361\n\"History\"=str(2):\"%SystemDrive%\\\\Machine History\"\n";
    MakeWinePrefix(prefix, "alice", userReg, systemReg);
    fs::path profile = prefix / "drive_c/users/alice";
    ExpectContainers(LocatePrefixCache(prefix),
                     {{ContainerKind::Cookies, profile / kLocal / "INetCookies"},
                      {ContainerKind::History, prefix / "drive_c/Machine History/History.IE5"},
                      {ContainerKind::Content, profile / kLocal / "INetCache/Content.IE5"}});
}

TEST_F(LocatePrefix, SkipsValuesThatNameNoFolderOfThePrefix)
{
    // An unknown variable, an unmapped drive and a path without a drive: Wine
    // could not use them either.
    std::string userReg = WithoutCacheFolders(Wine8UserReg("alice")) +
                          "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1\n"
                          "\"Cache\"=str(2):\"%NOSUCHVARIABLE%\\\\Cache\"\n"
                          "\"Cookies\"=\"Q:\\\\Cookies\"\n"
                          "\"History\"=\"\\\\\\\\server\\\\share\\\\History\"\n";
    MakeWinePrefix(prefix, "alice", userReg, Wine8SystemReg("alice"));
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/alice"));
}

TEST_F(LocatePrefix, MapsDrivesThroughDosdevices)
{
    std::string userReg = WithoutCacheFolders(Wine8UserReg("alice")) +
                          "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1\n"
                          "\"Cache\"=\"D:\\\\web\\\\cache\"\n";
    MakeWinePrefix(prefix, "alice", userReg, Wine8SystemReg("alice"));
    fs::path elsewhere = temp.path() / "data";
    fs::create_directories(elsewhere / "web");
    fs::create_symlink(elsewhere, prefix / "dosdevices/d:");
    CacheLocation location = LocatePrefixCache(prefix);
    ASSERT_EQ(location.containers.size(), 3u);
    EXPECT_EQ(location.containers[2].folder, elsewhere / "web/cache/Content.IE5");
}

TEST_F(LocatePrefix, UsesDriveCWhenThereIsNoDriveLink)
{
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    fs::remove_all(prefix / "dosdevices");
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/alice"));
}

TEST_F(LocatePrefix, MatchesEveryNameWithoutCase)
{
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    fs::path profile = prefix / "drive_c/users/alice";
    fs::create_directories(profile / "APPDATA/local/MICROSOFT/windows/inetcache/content.ie5");
    fs::create_directories(profile / "APPDATA/local/MICROSOFT/windows/History");
    ExpectContainers(LocatePrefixCache(prefix), Expected(profile / "APPDATA/local/MICROSOFT/windows", "INetCookies",
                                                         "History/History.IE5", "inetcache/content.ie5"));
}

TEST_F(LocatePrefix, WithoutRegistryPrefersTheLoginsFolder)
{
    MakeWinePrefix(prefix, "carol", std::nullopt, std::nullopt);
    fs::create_directories(prefix / "drive_c/users/Alice");
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/Alice"));
}

TEST_F(LocatePrefix, WithoutRegistryTakesTheOnlyUserFolder)
{
    MakeWinePrefix(prefix, "bob", std::nullopt, std::nullopt);
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/bob"));
}

TEST_F(LocatePrefix, WithoutRegistryOrUserFolderUsesWhereWineWouldMakeIt)
{
    fs::create_directories(prefix);
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/alice"));
}

TEST_F(LocatePrefix, ARegistryProfileThatIsGoneFallsBackToTheUsersFolder)
{
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("olduser"));
    ExpectContainers(LocatePrefixCache(prefix), WineDefaults(prefix / "drive_c/users/alice"));
}

TEST_F(LocatePrefix, AMissingPrefixIsEmpty)
{
    CacheLocation location = LocatePrefixCache(temp.path() / "nothing");
    EXPECT_TRUE(location.containers.empty());
    EXPECT_TRUE(location.winePrefix.empty());
}

TEST_F(LocatePrefix, NamesThePrefixAsAnAbsoluteCleanPath)
{
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    fs::path original = fs::current_path();
    fs::current_path(temp.path());
    CacheLocation location = LocatePrefixCache("./prefix/");
    fs::current_path(original);
    EXPECT_EQ(location.winePrefix, prefix);
    ExpectContainers(location, WineDefaults(prefix / "drive_c/users/alice"));
}

}  // namespace
}  // namespace trovana::urlcache
