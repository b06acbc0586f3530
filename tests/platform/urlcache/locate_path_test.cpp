// SPDX-License-Identifier: GPL-3.0-or-later
// Any path a user names: prefixes, profiles, drive roots, container folders
// and container files of any name; and what is none of these. (Read-only
// opening is tested through trovana-cache, tests/tools/read_only_test.cpp.)
#include "urlcache.h"

#include "env_test_support.h"

#include <gtest/gtest.h>

namespace trovana::urlcache {
namespace {

namespace fs = std::filesystem;
using test::MakeContainer;
using test::MakeWinePrefix;
using test::TempFolder;
using test::WriteFile;

const fs::path kSamples = TROVANA_SAMPLES_DIR;

std::vector<fs::path> Folders(const CacheLocation& location)
{
    std::vector<fs::path> folders;
    for (const auto& container : location.containers)
        folders.push_back(container.IndexPath());
    return folders;
}

std::string ErrorOf(const fs::path& path)
{
    try {
        LocatePath(path);
    } catch (const UrlCacheError& error) {
        return error.what();
    }
    return "no error";
}

TEST(LocatePath, OpensEachKindOfPlace)
{
    TempFolder temp;
    const fs::path prefix = temp.path() / "prefix";
    MakeWinePrefix(prefix, "alice", std::nullopt, "WINE REGISTRY Version 2\n");
    const fs::path alice = prefix / "drive_c/users/alice";
    const fs::path cookies = alice / "AppData/Local/Microsoft/Windows/INetCookies";
    MakeContainer(cookies);
    const std::vector<fs::path> all = Folders(LocatePrefixCache(prefix));
    ASSERT_EQ(all.size(), 3u);  // a prefix lists every container Wine would use

    EXPECT_EQ(Folders(LocatePath(prefix)), all);
    EXPECT_FALSE(LocatePath(prefix).winePrefix.empty());
    // Proton's compatdata/<app> holds the prefix as pfx.
    fs::create_directories(temp.path() / "compatdata/440");
    fs::create_directory_symlink(prefix, temp.path() / "compatdata/440/pfx");
    EXPECT_EQ(LocatePath(temp.path() / "compatdata/440").containers.size(), 3u);
    // The profile, the drive and its users folder: the profile's containers.
    const std::vector<fs::path> mine = {cookies / "index.dat"};
    EXPECT_EQ(Folders(LocatePath(alice)), mine);
    EXPECT_EQ(Folders(LocatePath(prefix / "drive_c")), mine);
    EXPECT_EQ(Folders(LocatePath(prefix / "drive_c/users/")), mine);
    // A profile in a prefix with no cache yet is an empty cache.
    fs::create_directories(prefix / "drive_c/users/bob");
    EXPECT_TRUE(LocatePath(prefix / "drive_c/users/bob").containers.empty());
    // A container folder.
    EXPECT_EQ(Folders(LocatePath(cookies)), mine);
    EXPECT_EQ(LocatePath(cookies).containers[0].kind, ContainerKind::Cookies);
}

TEST(LocatePath, ARenamedCopyIsKnownByItsSignature)
{
    TempFolder temp;
    for (const auto& [name, kind] : {std::pair{"History.IE5-index.dat", ContainerKind::History},
                                     std::pair{"MSHist012013031020130311-index.dat", ContainerKind::History},
                                     std::pair{"case-42_index.dat", ContainerKind::Content}}) {
        SCOPED_TRACE(name);
        fs::copy_file(kSamples / "plaso-History.IE5-index.dat", temp.path() / name);
        const CacheLocation location = LocatePath(temp.path() / name);
        ASSERT_EQ(location.containers.size(), 1u);
        EXPECT_EQ(location.containers[0].kind, kind);
        EXPECT_EQ(location.containers[0].IndexPath(), temp.path() / name);
        UrlCache cache(location);
        auto listing = cache.Enumerate();
        auto first = listing.Next();
        ASSERT_NE(first, nullptr) << "nothing read from the renamed copy";
        EXPECT_TRUE(first->sourceUrlName.starts_with("Visited: ")) << first->sourceUrlName;
    }
    // Text with the right name's look but no signature.
    WriteFile(temp.path() / "notes-index.dat", "Client UrlCache MMF Ver 5.1 and more text");
    const std::string error = ErrorOf(temp.path() / "notes-index.dat");
    EXPECT_NE(error.find((temp.path() / "notes-index.dat").string()), std::string::npos) << error;
    EXPECT_NE(error.find("Client UrlCache MMF Ver 5.2"), std::string::npos) << error;
}

TEST(LocatePath, DriveRootsListTheirProfiles)
{
    TempFolder temp;
    const fs::path xp = temp.path() / "xp";
    MakeContainer(xp / "Documents and Settings/bob/Local Settings/Temporary Internet Files/Content.IE5");
    fs::create_directories(xp / "Documents and Settings/Default User/Cookies");
    fs::create_directories(xp / "Documents and Settings/All Users");
    EXPECT_EQ(LocatePath(xp).containers.size(), 1u);  // shared profiles without a cache do not count

    const fs::path seven = temp.path() / "seven";
    MakeContainer(seven / "Users/carol/AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5");
    fs::create_directories(seven / "Users/dan/AppData");
    fs::create_directories(seven / "Users/Default/AppData");
    MakeContainer(seven / "Users/Public/AppData/Roaming/Microsoft/Windows/Cookies");
    const std::vector<UserProfile> profiles = ListUserProfiles(seven);
    std::vector<std::pair<std::string, size_t>> listed;
    for (const auto& profile : profiles)
        listed.emplace_back(profile.user, profile.containers);
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, size_t>>{{"Public", 1}, {"carol", 1}, {"dan", 0}}));
    const std::string several = ErrorOf(seven);
    EXPECT_NE(several.find("carol, dan"), std::string::npos) << several;
    EXPECT_NE(several.find(seven.string()), std::string::npos) << several;
}

TEST(LocatePath, WhatIsNoCacheSaysWhatWasExpected)
{
    TempFolder temp;
    fs::create_directories(temp.path() / "photos/2024");
    WriteFile(temp.path() / "photos/a.jpg", "\xFF\xD8\xFF");
    for (const fs::path& path : {temp.path() / "photos", temp.path() / "photos/a.jpg", temp.path() / "missing"}) {
        const std::string error = ErrorOf(path);
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_NE(error, "no error");
    }
    EXPECT_NE(ErrorOf(temp.path() / "photos").find("expected a Wine prefix, a Windows user profile folder"),
              std::string::npos);
}

}  // namespace
}  // namespace trovana::urlcache
