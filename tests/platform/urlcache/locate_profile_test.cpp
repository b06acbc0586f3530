// SPDX-License-Identifier: GPL-3.0-or-later
// Containers of a user profile folder (Wine's or a copied Windows one), of a
// single index.dat, and of the current user as the environment names it.
#include "urlcache.h"

#include "env_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

namespace trovana::urlcache {
namespace {

namespace fs = std::filesystem;
using test::MakeContainer;
using test::MakeWinePrefix;
using test::ScopedEnv;
using test::TempFolder;
using test::Wine8SystemReg;
using test::Wine8UserReg;
using test::WithoutCacheFolders;
using test::WriteFile;

std::vector<std::pair<ContainerKind, fs::path>> Listed(const CacheLocation& location, const fs::path& base)
{
    std::vector<std::pair<ContainerKind, fs::path>> listed;
    for (const auto& container : location.containers)
        listed.emplace_back(container.kind, container.folder.lexically_relative(base));
    return listed;
}

using Expected = std::vector<std::pair<ContainerKind, fs::path>>;
constexpr auto kCookies = ContainerKind::Cookies;
constexpr auto kHistory = ContainerKind::History;
constexpr auto kContent = ContainerKind::Content;

class LocateProfile : public ::testing::Test {
protected:
    TempFolder temp;
    fs::path profile = temp.path() / "profile";
};

TEST_F(LocateProfile, FindsWindowsXpContainers)
{
    for (const char* folder :
         {"Local Settings/Temporary Internet Files/Content.IE5", "Cookies",
          "Local Settings/History/History.IE5/MSHist012004031520040322", "Local Settings/History/History.IE5",
          "Local Settings/History/History.IE5/MSHist012004031520040315"})
        MakeContainer(profile / folder);
    CacheLocation location = LocateProfileCache(profile);
    EXPECT_TRUE(location.winePrefix.empty());
    EXPECT_EQ(Listed(location, profile),
              (Expected{{kCookies, "Cookies"},
                        {kHistory, "Local Settings/History/History.IE5"},
                        {kHistory, "Local Settings/History/History.IE5/MSHist012004031520040315"},
                        {kHistory, "Local Settings/History/History.IE5/MSHist012004031520040322"},
                        {kContent, "Local Settings/Temporary Internet Files/Content.IE5"}}));
}

TEST_F(LocateProfile, FindsVistaContainersWithTheirLowSet)
{
    const std::string local = "AppData/Local/Microsoft/Windows/";
    const std::string roaming = "AppData/Roaming/Microsoft/Windows/";
    for (const std::string& folder :
         {local + "Temporary Internet Files/Low/Content.IE5", local + "Temporary Internet Files/Content.IE5",
          roaming + "Cookies/Low", roaming + "Cookies", local + "History/Low/History.IE5",
          local + "History/History.IE5", local + "History/History.IE5/MSHist012010010420100111"})
        MakeContainer(profile / folder);
    EXPECT_EQ(Listed(LocateProfileCache(profile), profile),
              (Expected{{kCookies, roaming + "Cookies"},
                        {kCookies, roaming + "Cookies/Low"},
                        {kHistory, local + "History/History.IE5"},
                        {kHistory, local + "History/History.IE5/MSHist012010010420100111"},
                        {kHistory, local + "History/Low/History.IE5"},
                        {kContent, local + "Temporary Internet Files/Content.IE5"},
                        {kContent, local + "Temporary Internet Files/Low/Content.IE5"}}));
}

TEST_F(LocateProfile, ListsOnlyFoldersThatHoldAnIndex)
{
    fs::create_directories(profile / "Cookies");
    fs::create_directories(profile / "Local Settings/History/History.IE5/index.dat");  // a folder, not a file
    MakeContainer(profile / "Local Settings/Temporary Internet Files/Content.IE5");
    EXPECT_EQ(Listed(LocateProfileCache(profile), profile),
              (Expected{{kContent, "Local Settings/Temporary Internet Files/Content.IE5"}}));
}

TEST_F(LocateProfile, MatchesFolderNamesWithoutCase)
{
    MakeContainer(profile / "local settings/TEMPORARY INTERNET FILES/content.ie5");
    MakeContainer(profile / "COOKIES");
    EXPECT_EQ(Listed(LocateProfileCache(profile), profile),
              (Expected{{kCookies, "COOKIES"}, {kContent, "local settings/TEMPORARY INTERNET FILES/content.ie5"}}));
}

TEST_F(LocateProfile, ListsAFolderReachedTwiceOnce)
{
    // Vista keeps "Cookies" in the profile as a junction to the real folder.
    MakeContainer(profile / "AppData/Roaming/Microsoft/Windows/Cookies");
    fs::create_directory_symlink("AppData/Roaming/Microsoft/Windows/Cookies", profile / "Cookies");
    EXPECT_EQ(Listed(LocateProfileCache(profile), profile),
              (Expected{{kCookies, "AppData/Roaming/Microsoft/Windows/Cookies"}}));
}

TEST_F(LocateProfile, AnEmptyOrMissingProfileHasNoContainers)
{
    fs::create_directories(profile);
    EXPECT_TRUE(LocateProfileCache(profile).containers.empty());
    EXPECT_TRUE(LocateProfileCache(temp.path() / "missing").containers.empty());
}

TEST_F(LocateProfile, AWineProfileNamesItsPrefix)
{
    fs::path prefix = temp.path() / "prefix";
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    fs::path alice = prefix / "drive_c/users/alice";
    const std::string local = "AppData/Local/Microsoft/Windows/";
    for (const char* folder : {"INetCache/Content.IE5", "INetCookies", "History/History.IE5"})
        MakeContainer(alice / (local + folder));
    CacheLocation location = LocateProfileCache(alice);
    EXPECT_EQ(location.winePrefix, prefix);
    EXPECT_EQ(Listed(location, alice), (Expected{{kCookies, local + "INetCookies"},
                                                 {kHistory, local + "History/History.IE5"},
                                                 {kContent, local + "INetCache/Content.IE5"}}));
}

TEST_F(LocateProfile, InAPrefixTheRegistryFoldersOfItsUserCount)
{
    fs::path prefix = temp.path() / "prefix";
    std::string userReg = WithoutCacheFolders(Wine8UserReg("alice")) +
                          "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1\n"
                          "\"Cache\"=str(2):\"%USERPROFILE%\\\\Web Cache\"\n";
    MakeWinePrefix(prefix, "alice", userReg, Wine8SystemReg("alice"));
    fs::create_directories(prefix / "drive_c/users/bob");
    MakeContainer(prefix / "drive_c/users/alice/Web Cache/Content.IE5");
    MakeContainer(prefix / "drive_c/users/bob/Web Cache/Content.IE5");
    EXPECT_EQ(Listed(LocateProfileCache(prefix / "drive_c/users/alice"), prefix / "drive_c/users/alice"),
              (Expected{{kContent, "Web Cache/Content.IE5"}}));
    // The registry is alice's; bob's profile is searched by the usual layouts.
    CacheLocation bob = LocateProfileCache(prefix / "drive_c/users/bob");
    EXPECT_TRUE(bob.containers.empty());
    EXPECT_EQ(bob.winePrefix, prefix);
}

TEST(LocateSingleContainer, GuessesTheKindFromFolderNames)
{
    TempFolder temp;
    const std::pair<const char*, ContainerKind> cases[] = {
        {"Cookies", kCookies},
        {"AppData/Local/Microsoft/Windows/INetCookies", kCookies},
        {"AppData/Roaming/Microsoft/Windows/Cookies/Low", kCookies},
        {"Local Settings/History/History.IE5", kHistory},
        {"History/History.IE5/MSHist012004031520040322", kHistory},
        {"AppData/Local/Microsoft/Windows/History/Low/History.IE5", kHistory},
        {"case 12/history", kHistory},
        {"Temporary Internet Files/Content.IE5", kContent},
        {"Temporary Internet Files/Low/Content.IE5", kContent},
        {"evidence/disk1", kContent},
    };
    for (const auto& [folder, kind] : cases) {
        MakeContainer(temp.path() / folder);
        CacheLocation location = LocateSingleContainer(temp.path() / folder / "index.dat");
        ASSERT_EQ(location.containers.size(), 1u) << folder;
        EXPECT_EQ(location.containers[0].kind, kind) << folder;
        EXPECT_EQ(location.containers[0].folder, temp.path() / folder);
        EXPECT_TRUE(location.winePrefix.empty());
    }
}

TEST(LocateSingleContainer, NamesThePrefixThatHoldsIt)
{
    TempFolder temp;
    fs::path prefix = temp.path() / "prefix";
    MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    fs::path folder = prefix / "drive_c/users/alice/AppData/Local/Microsoft/Windows/INetCookies";
    MakeContainer(folder);
    EXPECT_EQ(LocateSingleContainer(folder / "index.dat").winePrefix, prefix);
    // Through the drive link as well.
    EXPECT_EQ(LocateSingleContainer(prefix /
                                    "dosdevices/c:/users/alice/AppData/Local/Microsoft/Windows/INetCookies/index.dat")
                  .winePrefix,
              prefix);
}

void ExpectError(const std::function<void()>& call, std::initializer_list<std::string> mentions)
{
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const UrlCacheError& error) {
        for (const auto& mention : mentions)
            EXPECT_NE(std::string(error.what()).find(mention), std::string::npos) << error.what();
    }
}

TEST(LocateSingleContainer, RefusesWhatIsNotAReadableIndexFile)
{
    TempFolder temp;
    fs::path folder = temp.path() / "Content.IE5";
    MakeContainer(folder);
    ExpectError([&] { LocateSingleContainer(folder); }, {folder.string(), "not a regular file"});
    ExpectError([&] { LocateSingleContainer(folder / "missing.dat"); }, {"missing.dat", "does not exist"});
    fs::create_symlink("loop", temp.path() / "loop");
    ExpectError([&] { LocateSingleContainer(temp.path() / "loop"); }, {"loop", "cannot be reached"});
    WriteFile(folder / "copy.dat", "x");
    // Another name is taken only with a container's signature.
    ExpectError([&] { LocateSingleContainer(folder / "copy.dat"); }, {"copy.dat", "is no URL cache container"});
    if (::geteuid() != 0) {  // root reads any file
        fs::permissions(folder / "index.dat", fs::perms::none);
        ExpectError([&] { LocateSingleContainer(folder / "index.dat"); }, {"index.dat", "cannot be read"});
    }
}

class LocateCurrentUser : public ::testing::Test {
protected:
    TempFolder temp;
    ScopedEnv home{"HOME", temp.path().string()};
    ScopedEnv user{"USER", "alice"};
    ScopedEnv profileVariable{"TROVANA_PROFILE", std::nullopt};
    ScopedEnv prefixVariable{"WINEPREFIX", std::nullopt};
};

TEST_F(LocateCurrentUser, TrovanaProfileComesFirst)
{
    MakeContainer(temp.path() / "profile/Cookies");
    MakeWinePrefix(temp.path() / "prefix", "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    ScopedEnv profile("TROVANA_PROFILE", (temp.path() / "profile").string());
    ScopedEnv prefix("WINEPREFIX", (temp.path() / "prefix").string());
    CacheLocation location = LocateCurrentUserCache();
    ASSERT_EQ(location.containers.size(), 1u);
    EXPECT_EQ(location.containers[0].folder, temp.path() / "profile/Cookies");
}

TEST_F(LocateCurrentUser, AnEmptyVariableCountsAsUnset)
{
    MakeWinePrefix(temp.path() / "prefix", "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    ScopedEnv profile("TROVANA_PROFILE", "");
    ScopedEnv prefix("WINEPREFIX", (temp.path() / "prefix").string());
    CacheLocation location = LocateCurrentUserCache();
    EXPECT_EQ(location.winePrefix, temp.path() / "prefix");
    EXPECT_EQ(location.containers.size(), 3u);
}

TEST_F(LocateCurrentUser, DefaultsToDotWineInHome)
{
    EXPECT_TRUE(LocateCurrentUserCache().containers.empty());  // Wine never used: not an error
    MakeWinePrefix(temp.path() / ".wine", "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
    CacheLocation location = LocateCurrentUserCache();
    EXPECT_EQ(location.winePrefix, temp.path() / ".wine");
    EXPECT_EQ(location.containers.size(), 3u);
}

TEST_F(LocateCurrentUser, SaysWhichVariableNamesWhatIsWrong)
{
    fs::path missing = temp.path() / "missing";
    fs::path file = temp.path() / "file";
    WriteFile(file, "not a folder");
    {
        ScopedEnv profile("TROVANA_PROFILE", missing.string());
        ExpectError(LocateCurrentUserCache, {"TROVANA_PROFILE", missing.string(), "does not exist"});
    }
    {
        ScopedEnv prefix("WINEPREFIX", file.string());
        ExpectError(LocateCurrentUserCache, {"WINEPREFIX", file.string(), "is a file"});
    }
    fs::create_symlink("loop", temp.path() / "loop");
    {
        ScopedEnv prefix("WINEPREFIX", (temp.path() / "loop").string());
        ExpectError(LocateCurrentUserCache, {"WINEPREFIX", "loop", "cannot be reached"});
    }
    WriteFile(temp.path() / ".wine", "");
    ExpectError(LocateCurrentUserCache, {"default Wine prefix", (temp.path() / ".wine").string(), "is a file"});
}

TEST_F(LocateCurrentUser, RefusesAnUnreadableFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    fs::path locked = temp.path() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    ScopedEnv profile("TROVANA_PROFILE", locked.string());
    ExpectError(LocateCurrentUserCache, {"TROVANA_PROFILE", locked.string(), "cannot be read"});
}

}  // namespace
}  // namespace trovana::urlcache
