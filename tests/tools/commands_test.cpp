// SPDX-License-Identifier: GPL-3.0-or-later
// The commands end to end on a demo prefix made by `demo`: what list and
// info print is what the demo put in, delete and add change the cache as
// they report, and failures give exit status 1 and one line on stderr.
#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>

#include "cli_test_support.h"
#include "csv_reader.h"
#include "demo_plan.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ExpectOneErrorLine;
using test::JsonLines;
using test::RunCli;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::vector<DemoEntry>& Plan()
{
    static const std::vector<DemoEntry> plan = DemoEntries(DemoUser());
    return plan;
}

const DemoEntry& Planned(DemoKind kind)
{
    return *std::find_if(Plan().begin(), Plan().end(), [&](const DemoEntry& e) { return e.kind == kind; });
}

// The tests that only read share the program's demo prefix.
class DemoCache : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_list = new test::Outcome(RunCli({"--prefix", Prefix(), "list"})); }
    static void TearDownTestSuite()
    {
        delete s_list;
        s_list = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(test::Demo().made.status, 0) << test::Demo().made.err;
        ASSERT_EQ(s_list->status, 0) << s_list->err;
    }
    static std::string Prefix() { return test::Demo().prefix.string(); }
    static std::map<std::string, json> ListedByUrl()
    {
        std::map<std::string, json> byUrl;
        for (const json& line : JsonLines(s_list->out)) {
            byUrl[line["url"].get<std::string>()] = line;
        }
        return byUrl;
    }

    static inline test::Outcome* s_list = nullptr;
};

TEST_F(DemoCache, DemoReportsWhatItMade)
{
    const test::Outcome& made = test::Demo().made;
    EXPECT_NE(made.out.find(std::to_string(Plan().size()) + " entries"), std::string::npos) << made.out;
    EXPECT_EQ(made.err, "");
    EXPECT_TRUE(fs::exists(test::Demo().prefix / "system.reg"));
    EXPECT_TRUE(fs::exists(test::Demo().prefix / "user.reg"));
}

TEST_F(DemoCache, ListShowsEveryPlannedEntryWithItsFields)
{
    const std::map<std::string, json> listed = ListedByUrl();
    ASSERT_EQ(listed.size(), Plan().size());
    for (const DemoEntry& demo : Plan()) {
        const urlcache::NewCacheEntry& planned = demo.entry;
        ASSERT_EQ(listed.count(planned.url), 1u) << planned.url;
        const json& line = listed.at(planned.url);
        SCOPED_TRACE(planned.url);
        EXPECT_EQ(KeysWithoutHex(line), EntryColumns().size());
        EXPECT_EQ(line["type"], planned.cacheEntryType);
        EXPECT_EQ(line["hit_rate"], planned.hitRate);
        EXPECT_EQ(line["use_count"], 0);
        EXPECT_EQ(line["last_access"], planned.lastAccessTime);
        EXPECT_EQ(line["last_modified"], planned.lastModifiedTime);
        EXPECT_EQ(line["expire"], planned.expireTime);
        EXPECT_EQ(line["last_sync"], planned.lastSyncTime);
        EXPECT_EQ(line["header"], DecodedText(planned.headerInfo));
        EXPECT_EQ(line["header_size"], planned.headerInfo.size());
        EXPECT_EQ(line["size_high"], 0);
        if (!planned.body) {
            EXPECT_TRUE(line["local"].is_null());
            EXPECT_EQ(line["size_low"], 0);
            continue;
        }
        const fs::path local = line["local"].get<std::string>();
        EXPECT_TRUE(local.is_absolute());
        EXPECT_EQ(local.extension(), "." + planned.fileExtension);
        EXPECT_EQ(ReadFile(local), *planned.body);
        EXPECT_EQ(line["size_low"], planned.body->size());
    }
}

TEST_F(DemoCache, ListGivesCookiesThenHistoryThenContent)
{
    int stage = 0;
    for (const json& line : JsonLines(s_list->out)) {
        const std::string url = line["url"];
        const int kind = url.starts_with("Cookie:") ? 0 : url.starts_with("Visited:") ? 1 : 2;
        EXPECT_GE(kind, stage) << url;
        stage = kind;
    }
    EXPECT_EQ(stage, 2);
}

TEST_F(DemoCache, CsvListsTheSameEntriesInTheSameOrder)
{
    const test::Outcome csv = RunCli({"--prefix", Prefix(), "list", "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto rows = test::ParseCsv(csv.out);
    const std::vector<json> lines = JsonLines(s_list->out);
    ASSERT_EQ(rows.size(), lines.size() + 1);
    EXPECT_EQ(rows[0], CsvColumns(EntryColumns()));
    std::map<std::string, std::string> plannedHeaders;
    for (const DemoEntry& demo : Plan()) {
        plannedHeaders[demo.entry.url] = demo.entry.headerInfo;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string>& row = rows[i + 1];
        ASSERT_EQ(row.size(), CsvColumns(EntryColumns()).size());
        EXPECT_EQ(UnescapeCsvField(row[0]), lines[i]["url"]);
        EXPECT_EQ(UnescapeCsvField(row[1]), lines[i]["local"].is_null() ? "" : lines[i]["local"].get<std::string>());
        EXPECT_EQ(row[5], std::to_string(lines[i]["hit_rate"].get<uint32_t>()));
        EXPECT_EQ(row[8], std::to_string(lines[i]["last_access"].get<uint64_t>()));
        // The header's own bytes, CRLFs and all: its text, or where that is
        // Windows-1252 (a file name in a German header), its bytes beside it.
        const std::string& header = plannedHeaders[UnescapeCsvField(row[0])];
        const size_t headerHex = EntryColumns().size() + 2;
        ASSERT_EQ(CsvColumns(EntryColumns())[headerHex], "header_hex");
        if (IsUtf8(header))
            EXPECT_EQ(UnescapeCsvField(row[11]), header);
        else
            EXPECT_EQ(row[headerHex], HexBytes(header));
    }
}

// The catalogue's local times, in a zone the test chooses.
class UtcZone {
public:
    UtcZone() : m_saved(std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt)
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone()
    {
        m_saved ? ::setenv("TZ", m_saved->c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_saved;
};

std::string UtcText(uint64_t fileTime)
{
    const std::time_t seconds = static_cast<std::time_t>(fileTime / 10000000 - 11644473600ull);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%m/%d/%y %H:%M:%S", &parts);
    return text;
}

TEST_F(DemoCache, CatalogueAddsTheDerivedColumnsAfterTheEntrysOwn)
{
    const UtcZone zone;
    const test::Outcome listed = RunCli({"--prefix", Prefix(), "list", "--catalogue"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<json> lines = JsonLines(listed.out);
    const std::vector<json> plain = JsonLines(s_list->out);
    ASSERT_EQ(lines.size(), plain.size());
    std::vector<std::string> columns = EntryColumns();
    columns.insert(columns.end(), {"category", "class", "access_time", "access_time_tz", "key_path"});
    const std::map<std::string, DemoKind> kinds = [] {
        std::map<std::string, DemoKind> byUrl;
        for (const DemoEntry& e : Plan()) {
            byUrl[e.entry.url] = e.kind;
        }
        return byUrl;
    }();
    for (size_t i = 0; i < lines.size(); ++i) {
        const json& line = lines[i];
        SCOPED_TRACE(line["url"].get<std::string>());
        std::vector<std::string> keys;
        for (const auto& item : line.items()) {
            keys.push_back(item.key());
        }
        // nlohmann sorts an object's keys; the order on the line is checked through the CSV header below.
        // The hex of text that is not UTF-8 comes only where needed.
        std::erase_if(keys, [](const std::string& key) { return key.ends_with("_hex"); });
        std::vector<std::string> sorted = columns;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(keys, sorted);
        EXPECT_EQ(line["access_time_tz"], "UTC") << "the zone access_time is given in";
        for (const std::string& name : EntryColumns()) {
            EXPECT_EQ(line[name], plain[i][name]) << name;
        }
        EXPECT_EQ(line["access_time"], UtcText(line["last_access"].get<uint64_t>()));
        const DemoKind kind = kinds.at(line["url"].get<std::string>());
        const int category = line["category"].get<int>();
        EXPECT_GE(category, 1);
        EXPECT_LE(category, 6);
        if (kind == DemoKind::Cookie) {
            EXPECT_EQ(category, 4);
        } else if (kind == DemoKind::Visited) {
            EXPECT_EQ(category, 5);
        } else if ((kind == DemoKind::Jpeg || kind == DemoKind::Gif || kind == DemoKind::Png) &&
                   line["url"].get<std::string>().find('?') == std::string::npos) {
            EXPECT_EQ(category, 2);  // with a query and no Content-Type an image is "Normal"
        }
    }

    const std::string page = "http://www.example.com/about/team.html";
    const auto found = std::find_if(lines.begin(), lines.end(), [&](const json& l) { return l["url"] == page; });
    ASSERT_NE(found, lines.end());
    EXPECT_EQ((*found)["key_path"], json({"www.example.com", "about", "team.html"}));
    EXPECT_EQ((*found)["category"], 1);

    const test::Outcome csv = RunCli({"--prefix", Prefix(), "list", "--catalogue", "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto rows = test::ParseCsv(csv.out);
    ASSERT_EQ(rows.size(), lines.size() + 1);
    EXPECT_EQ(rows[0], CsvColumns(columns));
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(rows[i + 1].size(), CsvColumns(columns).size());
        const size_t own = EntryColumns().size();
        EXPECT_EQ(rows[i + 1][own], std::to_string(lines[i]["category"].get<int>()));
        EXPECT_EQ(json::parse(UnescapeCsvField(rows[i + 1][own + 4])), lines[i]["key_path"]);
    }
}

TEST_F(DemoCache, InfoPrintsTheLineListPrints)
{
    const std::map<std::string, json> listed = ListedByUrl();
    for (DemoKind kind : {DemoKind::Pdf, DemoKind::Visited, DemoKind::Cookie, DemoKind::NoFile}) {
        const std::string& url = Planned(kind).entry.url;
        const test::Outcome info = RunCli({"--prefix", Prefix(), "info", url});
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_EQ(info.err, "");
        const std::vector<json> lines = JsonLines(info.out);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], listed.at(url));
    }
    const test::Outcome csv = RunCli(
        {"--prefix", Prefix(), "info", Planned(DemoKind::Pdf).entry.url, "--format", "csv"});
    ASSERT_EQ(csv.status, 0);
    EXPECT_EQ(test::ParseCsv(csv.out).size(), 2u);
}

TEST_F(DemoCache, InfoOfAnUncachedUrlFails)
{
    // Lookups compare the exact bytes: another case is another URL.
    std::string url = Planned(DemoKind::Html).entry.url;
    url[0] = 'H';
    for (const std::string& missing : {std::string("http://nowhere.example/"), url}) {
        const test::Outcome info = RunCli({"--prefix", Prefix(), "info", missing});
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.out, "");
        EXPECT_EQ(info.err, "trovana-cache: " + missing + ": not in the cache\n");
    }
}

TEST(Demo, RefusesAFolderThatHoldsSomething)
{
    const fs::path dir = test::ScratchFolder("busy");
    fs::create_directories(dir);
    WriteFile(dir / "user.reg", "mine");
    const test::Outcome demo = RunCli({"demo", dir.string()});
    EXPECT_EQ(demo.status, 1);
    ExpectOneErrorLine(demo);
    EXPECT_EQ(ReadFile(dir / "user.reg"), "mine");
    EXPECT_FALSE(fs::exists(dir / "system.reg"));
    fs::remove_all(dir);
}

// A copy of the demo prefix for each test that changes the cache.
class ChangedCache : public test::DemoCopyTest {
protected:
    ChangedCache() : DemoCopyTest("changed") {}
    json Info(const std::string& url)
    {
        const test::Outcome info = Cli({"info", url});
        return info.status == 0 ? json::parse(info.out) : json();
    }
};

// Daily history that Internet Explorer left in a prefix's History.IE5:
// Wine does not read it, but it is part of the evidence. The prefix lists it
// as the profile folder does, and `info` marks it.
TEST_F(ChangedCache, APrefixListsItsDailyHistoryAndMarksWhatWineDoesNotRead)
{
    const test::Outcome before = Cli({"list"});
    ASSERT_EQ(before.status, 0) << before.err;
    fs::path history;
    for (const auto& item : fs::recursive_directory_iterator(m_prefix))
        if (item.path().filename() == "History.IE5")
            history = item.path();
    ASSERT_FALSE(history.empty());
    const fs::path daily = history / "MSHist012013031020130311";
    fs::create_directories(daily);
    fs::copy_file(fs::path(TROVANA_SAMPLES_DIR) / "plaso-MSHist012013031020130311-index.dat", daily / "index.dat");

    const test::Outcome prefix = Cli({"list"});
    ASSERT_EQ(prefix.status, 0) << prefix.err;
    const auto rows = JsonLines(prefix.out);
    EXPECT_EQ(rows.size(), JsonLines(before.out).size() + 23) << "the sample's 23 daily entries";
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const json& r) { return r["container"] == "daily"; }), 23);
    // The user's folder alone gives the same rows.
    const test::Outcome profile = RunCli({"--profile", history.parent_path().parent_path().parent_path().parent_path()
                                                           .parent_path().parent_path().string(),
                                          "list"});
    ASSERT_EQ(profile.status, 0) << profile.err;
    EXPECT_EQ(JsonLines(profile.out).size(), rows.size());

    const auto containers = JsonLines(Cli({"info"}).out);
    size_t ignored = 0;
    for (const json& container : containers) {
        const bool isDaily = container["path"] == (daily / "index.dat").string();
        EXPECT_EQ(container["wine_reads"], isDaily ? 0 : 1) << container["path"];
        ignored += isDaily;
    }
    EXPECT_EQ(ignored, 1u);
}

TEST_F(ChangedCache, DeleteReportsEachUrlAndRemovesEntriesAndFiles)
{
    const std::string page = Planned(DemoKind::Html).entry.url;
    const std::string cookie = Planned(DemoKind::Cookie).entry.url;
    const fs::path pageFile = Info(page)["local"].get<std::string>();
    const fs::path cookieFile = Info(cookie)["local"].get<std::string>();
    ASSERT_TRUE(fs::exists(pageFile));

    const test::Outcome deleted = Cli({"delete", page, "http://nowhere.example/", cookie});
    EXPECT_EQ(deleted.status, 1);
    EXPECT_EQ(deleted.out,
              page + ": deleted\nhttp://nowhere.example/: error 2 (not in the cache)\n" + cookie + ": deleted\n");
    EXPECT_EQ(deleted.err, "trovana-cache: 1 of 3 entries not deleted\n");
    EXPECT_FALSE(fs::exists(pageFile));
    EXPECT_FALSE(fs::exists(cookieFile));
    EXPECT_TRUE(Info(page).is_null());
    EXPECT_EQ(JsonLines(Cli({"list"}).out).size(), Plan().size() - 2);

    const test::Outcome again = Cli({"delete", Planned(DemoKind::Visited).entry.url});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "");

    // A file changed since it was cached (or copied without its times) is
    // kept, as Wine keeps it, and the line says so and why.
    const std::string picture = Planned(DemoKind::Png).entry.url;
    const fs::path pictureFile = Info(picture)["local"].get<std::string>();
    fs::last_write_time(pictureFile, fs::last_write_time(pictureFile) - std::chrono::hours(30));
    const test::Outcome kept = Cli({"delete", picture});
    EXPECT_EQ(kept.status, 0);
    EXPECT_EQ(kept.out, picture + ": deleted; its file " + pictureFile.string() +
                            " was kept: its modification time differs from the entry's (the file was changed after "
                            "it was cached, or the cache was copied without its times)\n");
    EXPECT_TRUE(fs::exists(pictureFile));
    EXPECT_TRUE(Info(picture).is_null());
}

TEST_F(ChangedCache, ARefusedContainerIsAWarningAndTheOthersAreListed)
{
    const fs::path cookies = m_prefix / "drive_c/users" / DemoUser() /
                             "AppData/Local/Microsoft/Windows/INetCookies/index.dat";
    std::fstream file(cookies, std::ios::in | std::ios::out | std::ios::binary);
    file.write("XXXX", 4);  // spoils the signature
    file.close();

    // The cookies are missing from the listing: it says so in its status.
    const test::Outcome listed = Cli({"list"});
    EXPECT_EQ(listed.status, kExitIncomplete);
    EXPECT_TRUE(listed.err.starts_with("trovana-cache: warning: ")) << listed.err;
    EXPECT_NE(listed.err.find(cookies.string()), std::string::npos) << listed.err;
    size_t cookieEntries = 0;
    for (const DemoEntry& e : Plan()) {
        cookieEntries += e.kind == DemoKind::Cookie ? 1 : 0;
    }
    EXPECT_EQ(JsonLines(listed.out).size(), Plan().size() - cookieEntries);
}

TEST_F(ChangedCache, AddStoresWhatItIsGivenAndPrintsTheEntry)
{
    const fs::path body = m_prefix / "body.bin";
    const fs::path header = m_prefix / "header.txt";
    const std::string bodyBytes("\x89PNG\r\n\x1a\n\0\0 binary", 18);
    const std::string headerBytes = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nX-Name: r\xE9sum\xE9\r\n\r\n";
    WriteFile(body, bodyBytes);
    WriteFile(header, headerBytes);
    const std::string url = "http://added.example.org/deep/er/logo.png?v=2";
    const test::Outcome added = Cli({"add", url, "--body", body.string(), "--header", header.string(), "--type", "0x5",
                                     "--hit-rate", "7", "--last-modified", "133000000000000000", "--last-access",
                                     "133500000000000000", "--expire", "134000000000000000"});
    ASSERT_EQ(added.status, 0) << added.err;
    const json entry = json::parse(added.out);
    EXPECT_EQ(entry, Info(url));
    EXPECT_EQ(entry["type"], 5);
    EXPECT_EQ(entry["hit_rate"], 7);
    EXPECT_EQ(entry["last_modified"], 133000000000000000ull);
    EXPECT_EQ(entry["last_access"], 133500000000000000ull);
    EXPECT_EQ(entry["expire"], 134000000000000000ull);
    EXPECT_EQ(entry["size_low"], bodyBytes.size());
    EXPECT_EQ(entry["header"], DecodedText(headerBytes));
    const fs::path local = entry["local"].get<std::string>();
    EXPECT_EQ(local.extension(), ".png") << "the URL's extension, without its query";
    EXPECT_EQ(ReadFile(local), bodyBytes);

    const test::Outcome named = Cli(
        {"add", "http://added.example.org/data", "--body", body.string(), "--extension", "bin"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(fs::path(json::parse(named.out)["local"].get<std::string>()).extension(), ".bin");
}

TEST_F(ChangedCache, AddWithoutFileAndAsVisitedLink)
{
    const test::Outcome added = Cli({"add", "Visited: trovana@http://added.example.org/", "--no-file", "--type",
                                     std::to_string(urlcache::URLHISTORY_CACHE_ENTRY | urlcache::NORMAL_CACHE_ENTRY)});
    ASSERT_EQ(added.status, 0) << added.err;
    const json entry = json::parse(added.out);
    EXPECT_TRUE(entry["local"].is_null());
    EXPECT_EQ(entry["size_low"], 0);
    EXPECT_EQ(entry["type"], urlcache::URLHISTORY_CACHE_ENTRY | urlcache::NORMAL_CACHE_ENTRY);
    EXPECT_EQ(JsonLines(Cli({"list"}).out).size(), Plan().size() + 1);
}

TEST_F(ChangedCache, ALockedEntryIsNotDeleted)
{
    const fs::path body = m_prefix / "body.txt";
    WriteFile(body, "locked body");
    const std::string url = "http://added.example.org/locked.txt";
    ASSERT_EQ(Cli({"add", url, "--body", body.string(), "--use-count", "1"}).status, 0);
    const fs::path local = Info(url)["local"].get<std::string>();

    const test::Outcome deleted = Cli({"delete", url});
    EXPECT_EQ(deleted.status, 1);
    EXPECT_TRUE(deleted.out.starts_with(url + ": error 5 (locked or in use)")) << deleted.out;
    ExpectOneErrorLine(deleted);
    EXPECT_TRUE(fs::exists(local));
}

TEST_F(ChangedCache, AddOfAnUnreadableFileFailsAndAddsNothing)
{
    const test::Outcome added = Cli({"add", "http://added.example.org/x", "--body", (m_prefix / "missing").string()});
    EXPECT_EQ(added.status, 1);
    EXPECT_EQ(added.out, "");
    ExpectOneErrorLine(added);
    EXPECT_NE(added.err.find("missing"), std::string::npos);
    EXPECT_TRUE(Info("http://added.example.org/x").is_null());
}

}  // namespace
}  // namespace trovana::cli
