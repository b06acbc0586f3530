// SPDX-License-Identifier: GPL-3.0-or-later
// --read-only and --path through the built program: a cache opened
// read-only is left exactly as it was, and any kind of path opens.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "cli_test_support.h"
#include "demo_plan.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using test::JsonLines;
using test::RunCli;
using test::TreeState;

class ReadOnly : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(m_prefix); }
    fs::path m_prefix = test::CopyOfDemo("read-only");
    fs::path m_profile = m_prefix / "drive_c/users" / DemoUser();
};

TEST_F(ReadOnly, ListingAndRefusedChangesLeaveEveryFileAsItWas)
{
    const std::string content = (m_profile / "AppData/Local/Microsoft/Windows/INetCache/Content.IE5").string();
    // A renamed copy beside the original, as a forensic copy would be.
    fs::copy_file(content + "/index.dat", content + "/Content.IE5-index.dat");
    const auto before = TreeState(m_prefix);

    const std::vector<std::vector<std::string>> places = {
        {"--path", m_prefix.string()},
        {"--path", m_profile.string()},
        {"--container", content + "/Content.IE5-index.dat"},
        {"--prefix", m_prefix.string()},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.back());
        const auto run = [&](std::vector<std::string> command) {
            command.insert(command.begin(), place.begin(), place.end());
            command.insert(command.begin(), "--read-only");
            return RunCli(command);
        };
        const test::Outcome list = run({"list"});
        ASSERT_EQ(list.status, 0) << list.err;
        const std::vector<nlohmann::json> entries = JsonLines(list.out);
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(run({"list", "--recovered"}).status, 0);

        const std::string url = entries.back()["url"];
        const test::Outcome removed = run({"delete", url});
        EXPECT_EQ(removed.status, 1);
        EXPECT_NE(removed.out.find(url + ": error 5"), std::string::npos) << removed.out;
        EXPECT_NE(removed.out.find("the cache is open read-only"), std::string::npos) << removed.out;
        const test::Outcome added = run({"add", "http://new.example/page.html", "--no-file"});
        EXPECT_EQ(added.status, 1);
        EXPECT_NE(added.err.find("the cache is open read-only"), std::string::npos) << added.err;
        EXPECT_EQ(run({"info", url}).status, 0);
    }
    EXPECT_TRUE(TreeState(m_prefix) == before) << "a read-only run changed the prefix";
}

// A profile whose containers do not exist yet: a plain add would make them.
TEST_F(ReadOnly, NothingIsMadeWhereContainersAreMissing)
{
    fs::remove_all(m_profile / "AppData");
    fs::create_directories(m_profile / "AppData");
    const auto before = TreeState(m_prefix);
    const test::Outcome added = RunCli(
        {"--read-only", "--path", m_prefix.string(), "add", "http://new.example/", "--no-file"});
    EXPECT_EQ(added.status, 1);
    EXPECT_TRUE(TreeState(m_prefix) == before) << "a read-only add made folders or files";
}

// --path of a drive opens its one profile; what is no cache says what was expected.
TEST_F(ReadOnly, PathOpensADriveAndRefusesWhatIsNoCache)
{
    const test::Outcome whole = RunCli({"--prefix", m_prefix.string(), "list"});
    const test::Outcome drive = RunCli({"--path", (m_prefix / "drive_c").string(), "list"});
    EXPECT_EQ(drive.status, 0) << drive.err;
    EXPECT_EQ(drive.out, whole.out);
    const fs::path plain = m_prefix / "drive_c/windows";
    fs::create_directories(plain);
    const test::Outcome none = RunCli({"--path", plain.string(), "list"});
    EXPECT_EQ(none.status, 1);
    test::ExpectOneErrorLine(none);
    EXPECT_NE(none.err.find(plain.string()), std::string::npos) << none.err;
    EXPECT_NE(none.err.find("expected a Wine prefix"), std::string::npos) << none.err;
}

// caches with a made-up home: the demo prefix as ~/.wine, counted as list counts it.
TEST_F(ReadOnly, CachesListsTheDemoPrefixWithItsCounts)
{
    const test::Outcome whole = RunCli({"--prefix", m_prefix.string(), "list"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const fs::path home = m_prefix.string() + "-home";
    fs::create_directories(home);
    fs::create_directory_symlink(m_prefix, home / ".wine");
    const std::string command = "env -u WINEPREFIX -u TROVANA_PROFILE -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME='" +
                                home.string() + "' '" + TROVANA_CACHE_BINARY + "' caches --format jsonl > '" +
                                home.string() + "/out'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(home / "out");
    const std::vector<nlohmann::json> rows = JsonLines({std::istreambuf_iterator<char>(in), {}});
    fs::remove_all(home);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["kind"], "wine");
    EXPECT_EQ(rows[0]["user"], DemoUser());
    EXPECT_EQ(rows[0]["containers"], 3);
    EXPECT_EQ(rows[0]["entries"], JsonLines(whole.out).size());
    EXPECT_GT(rows[0]["bytes"].get<uint64_t>(), 0u);
}

}  // namespace
}  // namespace trovana::cli
