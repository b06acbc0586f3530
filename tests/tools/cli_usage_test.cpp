// SPDX-License-Identifier: GPL-3.0-or-later
// The command line itself: usage errors and help, the ways of naming a
// cache, and the built program's exit statuses.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "cli_test_support.h"
#include "csv_reader.h"
#include "demo_plan.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using test::ExpectOneErrorLine;
using test::JsonLines;
using test::RunCli;

TEST(Usage, MistakesExitWithTwoAndOneLine)
{
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"frobnicate"},
        {"--prefix", "a", "--profile", "b", "list"},
        {"--profile", "a", "--container", "b", "list"},
        {"list", "--format", "xml"},
        {"list", "extra"},
        {"info", "http://a.example/", "extra"},
        {"delete"},
        {"add", "http://example.com/"},
        {"add", "http://example.com/", "--body", "f", "--no-file"},
        {"add", "http://example.com/", "--no-file", "--type", "abc"},
        {"add", "http://example.com/", "--no-file", "--hit-rate", "-1"},
        {"add", "http://example.com/", "--no-file", "--expire", "-5"},
        {"demo"},
        {"--prefix", "p", "demo", "d"},
        {"--bogus", "list"},
    };
    for (const auto& args : mistakes) {
        std::string shown;
        for (const std::string& arg : args) {
            shown += arg + ' ';
        }
        SCOPED_TRACE(shown);
        const test::Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.out, "");
        ExpectOneErrorLine(outcome);
    }
    // A mistyped command is named.
    const test::Outcome unknown = RunCli({"--read-only", "frobnicate", "x"});
    EXPECT_NE(unknown.err.find("unknown command \"frobnicate\""), std::string::npos) << unknown.err;
}

TEST(Usage, HelpOfTheProgramAndOfEachCommand)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> helps = {{{"--help"}, "demo"},
                                                                                 {{"-h"}, "--container"},
                                                                                 {{"list", "--help"}, "--format"},
                                                                                 {{"info", "--help"}, "URL"},
                                                                                 {{"delete", "--help"}, "URL ..."},
                                                                                 {{"add", "--help"}, "--no-file"},
                                                                                 {{"demo", "--help"}, "DIR"},
                                                                                 {{"add", "--help"}, "--last-access"}};
    for (const auto& [args, expected] : helps) {
        const test::Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, 0) << args[0];
        EXPECT_NE(outcome.out.find(expected), std::string::npos) << outcome.out;
        EXPECT_EQ(outcome.err, "");
    }
}

TEST(UrlExtension, IsTheLastPathSegmentsOwn)
{
    EXPECT_EQ(UrlExtension("http://example.com/a/logo.png"), "png");
    EXPECT_EQ(UrlExtension("http://example.com/a.b/archive.tar.gz?x=1.2#top"), "gz");
    EXPECT_EQ(UrlExtension("http://example.com/dir.d/"), "");
    EXPECT_EQ(UrlExtension("http://example.com"), "");
    EXPECT_EQ(UrlExtension("http://www.example.com/view?file=a.pdf"), "");
    EXPECT_EQ(UrlExtension("Visited: alice@http://example.com/index.html"), "html");
}

// The ways of naming a cache, on the demo prefix.
class Locations : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(test::Demo().made.status, 0); }
    static const fs::path& Prefix() { return test::Demo().prefix; }
    static size_t Count(DemoKind kind)
    {
        const auto plan = DemoEntries(DemoUser());
        return static_cast<size_t>(
            std::count_if(plan.begin(), plan.end(), [&](const DemoEntry& e) { return e.kind == kind; }));
    }
};

TEST_F(Locations, WineprefixNamesTheDefaultCacheAndTrovanaProfileWins)
{
    const char* oldPrefix = std::getenv("WINEPREFIX");
    const char* oldProfile = std::getenv("TROVANA_PROFILE");
    const std::string savedPrefix = oldPrefix ? oldPrefix : "";
    const std::string savedProfile = oldProfile ? oldProfile : "";

    ::setenv("WINEPREFIX", Prefix().c_str(), 1);
    ::unsetenv("TROVANA_PROFILE");
    const test::Outcome fromPrefix = RunCli({"list"});
    const fs::path empty = test::ScratchFolder("empty-profile");
    fs::create_directories(empty);
    ::setenv("TROVANA_PROFILE", empty.c_str(), 1);
    const test::Outcome fromProfile = RunCli({"list"});

    oldPrefix ? ::setenv("WINEPREFIX", savedPrefix.c_str(), 1) : ::unsetenv("WINEPREFIX");
    oldProfile ? ::setenv("TROVANA_PROFILE", savedProfile.c_str(), 1) : ::unsetenv("TROVANA_PROFILE");
    fs::remove_all(empty);

    ASSERT_EQ(fromPrefix.status, 0) << fromPrefix.err;
    EXPECT_EQ(JsonLines(fromPrefix.out).size(), DemoEntries(DemoUser()).size());
    EXPECT_EQ(fromProfile.status, 1) << "a profile without containers is no cache";
    EXPECT_NE(fromProfile.err.find(empty.string()), std::string::npos) << fromProfile.err;
}

TEST_F(Locations, ProfileAndSingleContainer)
{
    const fs::path profile = Prefix() / "drive_c" / "users" / DemoUser();
    const test::Outcome all = RunCli({"--profile", profile.string(), "list"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(JsonLines(all.out).size(), DemoEntries(DemoUser()).size());

    const fs::path cookies = profile / "AppData/Local/Microsoft/Windows/INetCookies/index.dat";
    const test::Outcome one = RunCli({"--container", cookies.string(), "list"});
    ASSERT_EQ(one.status, 0) << one.err;
    const std::vector<nlohmann::json> lines = JsonLines(one.out);
    EXPECT_EQ(lines.size(), Count(DemoKind::Cookie));
    for (const nlohmann::json& line : lines) {
        EXPECT_TRUE(line["url"].get<std::string>().starts_with("Cookie:")) << line;
    }
}

TEST_F(Locations, AMissingFolderOrContainerIsAnError)
{
    const std::string missing = (Prefix() / "no").string();
    for (const char* option : {"--prefix", "--profile", "--container"}) {
        const std::string name = option == std::string("--container") ? missing + "/index.dat" : missing;
        const test::Outcome outcome = RunCli({option, name, "list"});
        EXPECT_EQ(outcome.status, 1) << option;
        EXPECT_EQ(outcome.out, "");
        ExpectOneErrorLine(outcome);
        EXPECT_NE(outcome.err.find(name), std::string::npos) << outcome.err;
    }
}

// Containers that Internet Explorer wrote on Windows (copies, so that
// nothing lands beside the originals).
TEST(SampleContainers, ListEveryEntryOfAWindowsContainer)
{
    const fs::path samples = TROVANA_SAMPLES_DIR;
    if (!fs::is_directory(samples)) {
        GTEST_SKIP() << "no samples in " << samples;
    }
    const fs::path folder = test::ScratchFolder("sample");
    for (const auto& sample : fs::directory_iterator(samples)) {
        if (sample.path().extension() != ".dat") {
            continue;
        }
        SCOPED_TRACE(sample.path().filename().string());
        fs::create_directories(folder);
        fs::copy_file(sample.path(), folder / "index.dat", fs::copy_options::overwrite_existing);
        const std::string container = (folder / "index.dat").string();
        const test::Outcome jsonl = RunCli({"--container", container, "list"});
        const test::Outcome csv = RunCli({"--container", container, "list", "--format", "csv"});
        ASSERT_EQ(jsonl.status, 0) << jsonl.err;
        ASSERT_EQ(csv.status, 0) << csv.err;
        const auto lines = JsonLines(jsonl.out);  // throws on anything a strict reader refuses
        const auto rows = test::ParseCsv(csv.out);
        EXPECT_FALSE(lines.empty());
        ASSERT_EQ(rows.size(), lines.size() + 1);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(rows[i + 1].size(), CsvColumns(EntryColumns()).size());
            EXPECT_EQ(UnescapeCsvField(rows[i + 1][0]), TextWithControlSymbols(lines[i]["url"].get<std::string>()));
        }
        fs::remove_all(folder);
    }
}

// The built program, as scripts call it.
int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Locations, TheProgramExitsWithZeroOneAndTwo)
{
    const std::string binary = TROVANA_CACHE_BINARY;
    const fs::path csv = test::ScratchFolder("list.csv");
    EXPECT_EQ(Shell("env -u TROVANA_PROFILE WINEPREFIX='" + Prefix().string() + "' '" + binary +
                    "' list --format csv > '" + csv.string() + "'"),
              0);
    std::ifstream file(csv, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(file), {});
    EXPECT_EQ(test::ParseCsv(text).size(), DemoEntries(DemoUser()).size() + 1);
    fs::remove(csv);

    EXPECT_EQ(Shell("'" + binary + "' --prefix '" + Prefix().string() + "' info http://nowhere.example/ 2>/dev/null"),
              1);
    EXPECT_EQ(Shell("'" + binary + "' frobnicate 2>/dev/null"), 2);
    EXPECT_EQ(Shell("'" + binary + "' --help > /dev/null"), 0);
}

}  // namespace
}  // namespace trovana::cli
