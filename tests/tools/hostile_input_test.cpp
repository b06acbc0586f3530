// SPDX-License-Identifier: GPL-3.0-or-later
// trovana-cache given what a hostile user or entry could give it: bodies
// that never end or never open, URLs with bytes above 0x7F or terminal
// escapes or spreadsheet formulas, and a run stopped half-way.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "cli_test_support.h"
#include "csv_reader.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ExpectOneErrorLine;
using test::JsonLines;
using test::RunCli;

class HostileInput : public test::DemoCopyTest {
protected:
    HostileInput() : DemoCopyTest("hostile") {}
    bool Cached(const std::string& url) { return Cli({"info", url}).status == 0; }
};

// Neither waits for a writer nor reads without end: only regular files of
// at most 1 GiB are read, and the refusal names the file.
TEST_F(HostileInput, AddReadsOnlyRegularFilesOfASaneSize)
{
    const fs::path fifo = m_prefix / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path huge = m_prefix / "huge";
    std::ofstream(huge).close();
    fs::resize_file(huge, (uint64_t{1} << 30) + 1);  // sparse: nothing is written
    const fs::path header = m_prefix / "header";
    std::ofstream(header) << "HTTP/1.1 200 OK\r\n\r\n";

    const std::string url = "http://hostile.example/x.bin";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--body", "/dev/zero"}, "/dev/zero: is not a regular file"},
        {{"--body", fifo.string()}, fifo.string() + ": is not a regular file"},
        {{"--no-file", "--header", fifo.string()}, fifo.string() + ": is not a regular file"},
        {{"--body", m_prefix.string()}, m_prefix.string() + ": is not a regular file"},
        {{"--body", huge.string(), "--header", header.string()}, huge.string() + ": is larger than"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args = {"add", url};
        args.insert(args.end(), options.begin(), options.end());
        SCOPED_TRACE(options.at(1));
        const test::Outcome added = Cli(args);
        EXPECT_EQ(added.status, 1);
        EXPECT_EQ(added.out, "");
        ExpectOneErrorLine(added);
        EXPECT_NE(added.err.find(message), std::string::npos) << added.err;
        EXPECT_FALSE(Cached(url));
    }
}

// Stored percent-escaped, and printed as stored.
TEST_F(HostileInput, AddOfANonAsciiUrlPrintsTheEntryItAdded)
{
    const std::string url =
        "http://m\xC3\xBCnchen.example/stra\xC3\x9F"
        "e.html";
    const std::string stored = "http://m%C3%BCnchen.example/stra%C3%9Fe.html";
    const test::Outcome added = Cli({"add", url, "--no-file"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(json::parse(added.out)["url"], stored);
    EXPECT_TRUE(Cached(stored));
}

// Control bytes never reach the terminal raw and no field starts a formula;
// JSON lines still carry the exact bytes.
TEST_F(HostileInput, CsvIsSafeForTerminalsAndSpreadsheets)
{
    const std::string clears = "http://hostile.example/\x1B[2J\x1B]0;owned\x07";
    const std::string formula = "=cmd|'/c calc'!A1";
    ASSERT_EQ(Cli({"add", clears, "--no-file"}).status, 0);
    ASSERT_EQ(Cli({"add", formula, "--no-file"}).status, 0);

    const test::Outcome csv = Cli({"list", "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    for (char c : csv.out) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 || c == '\r' || c == '\n' || c == '\t') << "control byte " << int{byte};
    }
    std::vector<std::string> urls;
    for (const auto& row : test::ParseCsv(csv.out))
        urls.push_back(row.at(0));
    // The controls as their symbols (ESC U+241B, BEL U+2407), the bytes in url_hex.
    EXPECT_NE(std::find(urls.begin(), urls.end(), "http://hostile.example/\xE2\x90\x9B[2J\xE2\x90\x9B]0;owned\xE2\x90\x87"),
              urls.end());
    EXPECT_NE(std::find(urls.begin(), urls.end(), "'" + formula), urls.end());

    std::vector<std::string> listed;
    for (const json& line : JsonLines(Cli({"list"}).out))
        listed.push_back(line["url"]);
    EXPECT_NE(std::find(listed.begin(), listed.end(), clears), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), formula), listed.end());
}

// The text as it was at each flush.
class FlushLog : public std::stringbuf {
public:
    std::vector<std::string> flushed;

protected:
    int sync() override
    {
        flushed.push_back(str());
        return 0;
    }
};

// Each result is flushed before the next entry is deleted, so that the log
// of a run killed half-way says what it did.
TEST_F(HostileInput, DeleteFlushesEachResultAsItHappens)
{
    const std::vector<json> entries = JsonLines(Cli({"list"}).out);
    ASSERT_GE(entries.size(), 2u);
    const std::string first = entries.front()["url"];
    const std::string last = entries.back()["url"];
    FlushLog log;
    std::ostream out(&log);
    const test::Outcome deleted = Cli({"delete", first, "http://nowhere.example/", last}, &out);
    EXPECT_EQ(deleted.status, 1);
    const std::string one = first + ": deleted\n";
    const std::string two = one + "http://nowhere.example/: error 2 (not in the cache)\n";
    ASSERT_GE(log.flushed.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.flushed.begin(), log.flushed.begin() + 3),
              (std::vector<std::string>{one, two, two + last + ": deleted\n"}));
}

}  // namespace
}  // namespace trovana::cli
