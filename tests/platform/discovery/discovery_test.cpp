// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery over a made-up home folder that holds every layout: plain Wine
// prefixes, Steam libraries (one on a second disk, one of Flatpak Steam),
// Bottles, Lutris, PlayOnLinux, and the same prefix reached twice.
#include "discovery.h"
#include "env_test_support.h"
#include "urlcache.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <future>
#include <memory>
#include <set>
#include <thread>
#include <tuple>

namespace trovana::discovery {
namespace {

namespace fs = std::filesystem;
using urlcache::test::TempFolder;
using urlcache::test::WriteFile;

const fs::path kSamples = TROVANA_SAMPLES_DIR;
constexpr const char* kContent = "AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
constexpr const char* kHistory = "AppData/Local/Microsoft/Windows/History/History.IE5";

// A prefix whose user has a content container (a real Windows one) and,
// with `history`, a history container too.
fs::path MakePrefix(const fs::path& prefix, const std::string& user, bool history = false)
{
    const fs::path profile = prefix / "drive_c/users" / user;
    fs::create_directories(profile / kContent);
    fs::copy_file(kSamples / "plaso-Content.IE5-index.dat", profile / kContent / "index.dat");
    if (history) {
        fs::create_directories(profile / kHistory);
        fs::copy_file(kSamples / "plaso-History.IE5-index.dat", profile / kHistory / "index.dat");
    }
    fs::create_directories(prefix / "drive_c/users/Public");
    WriteFile(prefix / "system.reg", "WINE REGISTRY Version 2\n");
    return profile;
}

// The entries an enumeration lists: what the discovery's count must match.
uint64_t EnumeratedEntries(const fs::path& profile)
{
    urlcache::UrlCache cache(urlcache::LocateProfileCache(profile));
    uint64_t count = 0;
    for (auto listing = cache.Enumerate(); listing.Next();)
        ++count;
    return count;
}

using Row = std::tuple<std::string, std::string, std::string, fs::path>;  // kind, name, user, path

class Discovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_environment.home = m_home.path();
        m_environment.variables["WINEPREFIX"] = m_elsewhere.path() / "work-prefix";
        m_environment.variables["HOME"] = m_home.path();
    }

    std::set<Row> Rows(const std::vector<FoundCache>& caches) const
    {
        std::set<Row> rows;
        for (const auto& cache : caches)
            rows.insert({std::string(KindName(cache.kind)), cache.name, cache.user, cache.path});
        return rows;
    }

    TempFolder m_home;
    TempFolder m_elsewhere;  // a second disk: WINEPREFIX, a Steam library, a Lutris prefix
    Environment m_environment;
};

TEST_F(Discovery, FindsEveryLayoutOnceWithNamesAndCounts)
{
    const fs::path home = m_home.path();
    const fs::path disk = m_elsewhere.path();
    std::set<Row> expected;
    const auto expect = [&](const char* kind, const std::string& name, const std::string& user,
                            const fs::path& profile) {
        expected.insert({kind, name, user, profile});
    };

    expect("wine", "work-prefix", "carol", MakePrefix(disk / "work-prefix", "carol"));
    // Two users with caches, one row each; Public has none and is left out.
    const fs::path alice = MakePrefix(home / ".wine", "alice", true);
    expect("wine", ".wine", "alice", alice);
    expect("wine", ".wine", "bob", MakePrefix(home / ".wine", "bob"));
    expect("wine", "office", "alice", MakePrefix(home / ".local/share/wineprefixes/office", "alice"));
    fs::create_directories(home / ".local/share/wineprefixes/empty/drive_c/users/alice/AppData");

    // Native Steam, reached also through the ~/.steam/steam link; its
    // libraryfolders.vdf names a library on the second disk.
    const fs::path steam = home / ".local/share/Steam";
    fs::create_directories(home / ".steam");
    fs::create_directory_symlink(steam, home / ".steam/steam");
    WriteFile(steam / "steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
                  "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"440\"\t\t\"1\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" +
                  (disk / "SteamLibrary").string() + "\"\n\t}\n}\n");
    WriteFile(steam / "steamapps/appmanifest_440.acf",
              "\"AppState\"\n{\n\t\"appid\"\t\t\"440\"\n\t\"name\"\t\t\"Team \\\"Fortress\\\" 2\"\n}\n");
    expect("proton", "Team \"Fortress\" 2", "steamuser",
           MakePrefix(steam / "steamapps/compatdata/440/pfx", "steamuser"));
    WriteFile(disk / "SteamLibrary/steamapps/appmanifest_1091500.acf",
              "\"AppState\"\n{\n\t\"appid\"\t\t\"1091500\"\n\t\"name\"\t\t\"Cyberpunk 2077\"\n}\n");
    expect("proton", "Cyberpunk 2077", "steamuser",
           MakePrefix(disk / "SteamLibrary/steamapps/compatdata/1091500/pfx", "steamuser"));
    // Flatpak Steam, with the old form of libraryfolders.vdf; no manifest.
    const fs::path flatpakSteam = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam";
    WriteFile(flatpakSteam / "steamapps/libraryfolders.vdf",
              "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n}\n");
    expect("proton", "Steam app 620", "steamuser",
           MakePrefix(flatpakSteam / "steamapps/compatdata/620/pfx", "steamuser"));

    const fs::path bottle = home / ".local/share/bottles/bottles/Games";
    WriteFile(bottle / "bottle.yml", "Arch: win64\nName: My Games\nEnvironment: Gaming\n");
    expect("bottles", "My Games", "bob", MakePrefix(bottle, "bob"));
    expect("bottles", "Office", "bob",
           MakePrefix(home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Office", "bob"));

    // Lutris: one game in its own prefix on the second disk, one in ~/.wine (listed once, as wine).
    WriteFile(home / ".config/lutris/games/gog-galaxy-1650000000.yml",
              "game:\n  exe: " + (disk / "gog/drive_c/GOG Galaxy/GalaxyClient.exe").string() + "\n  prefix: '" +
                  (disk / "gog").string() + "'\nwine:\n  version: lutris-7.2\n");
    expect("lutris", "gog-galaxy", "dave", MakePrefix(disk / "gog", "dave"));
    WriteFile(home / ".local/share/lutris/games/notepad-1650000001.yml", "game:\n  prefix: ~/.wine\n");

    expect("playonlinux", "Steam", "eve", MakePrefix(home / ".PlayOnLinux/wineprefix/Steam", "eve"));

    // FIFOs where settings files are read (a FIFO waits for a writer that
    // never comes): each is passed over as if unreadable, and nothing blocks.
    for (const fs::path& fifo : {steam / "config/libraryfolders.vdf", flatpakSteam / "steamapps/appmanifest_620.acf",
                                 home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Office/bottle.yml",
                                 home / ".config/lutris/games/stuck-1.yml"}) {
        fs::create_directories(fifo.parent_path());
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << fifo;
    }
    auto scan = std::make_shared<std::promise<discovery::Discovery>>();
    auto finished = scan->get_future();
    // Detached: a scan stuck in open() must fail the test, not hang it.
    std::thread([scan, environment = m_environment] { scan->set_value(DiscoverCaches(environment)); }).detach();
    ASSERT_EQ(finished.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "a FIFO blocked the scan";
    const auto found = finished.get();
    EXPECT_FALSE(found.cancelled);
    EXPECT_EQ(Rows(found.caches), expected);
    EXPECT_EQ(found.caches.size(), expected.size()) << "a cache was listed twice";

    for (const FoundCache& cache : found.caches) {
        if (cache.path != alice)
            continue;
        EXPECT_EQ(cache.prefix, home / ".wine");
        EXPECT_EQ(cache.containers, 2u);
        EXPECT_EQ(cache.entries, EnumeratedEntries(alice));
        EXPECT_GE(cache.bytes,
                  fs::file_size(alice / kContent / "index.dat") + fs::file_size(alice / kHistory / "index.dat"));
    }
}

TEST_F(Discovery, ProgressCountsEveryPrefixAndCanCancel)
{
    for (const char* name : {"a", "b", "c", "d"})
        MakePrefix(m_home.path() / ".local/share/wineprefixes" / name, "alice");

    std::vector<Progress> heard;
    const auto all = DiscoverCaches(m_environment, [&](const Progress& progress) {
        heard.push_back(progress);
        return true;
    });
    EXPECT_EQ(all.caches.size(), 4u);
    ASSERT_FALSE(heard.empty());
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].done, i);
        EXPECT_EQ(heard[i].total, heard.back().total);
    }
    EXPECT_EQ(heard.back().done, heard.back().total);

    size_t calls = 0;
    const auto cancelled = DiscoverCaches(m_environment, [&](const Progress&) { return ++calls < 4; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(calls, 4u);
    EXPECT_LT(cancelled.caches.size(), all.caches.size());
}

}  // namespace
}  // namespace trovana::discovery
