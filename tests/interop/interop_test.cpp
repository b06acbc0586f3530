// SPDX-License-Identifier: GPL-3.0-or-later
// Both directions between Trovana and the real WinINet of Wine, on one
// temporary prefix shared by the tests below (wineboot is slow). The tests run
// in order; each stops Wine before trovana-cache changes anything, because
// trovana-cache refuses to write while a wineserver serves the prefix.
// CTest passes the programs' paths; TROVANA_INTEROP_KEEP=1 keeps the prefix
// for a look after a failure.
#include "hash.h"
#include "interrupted_writes.h"
#include "listing.h"
#include "test_support.h"
#include "wine_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace interop {
namespace {
namespace fs = std::filesystem;

// A URL as the client takes it (with \xHH escapes), as trovana-cache takes it
// (raw bytes) and as both list it (JSON: bytes that are not UTF-8 become
// U+00XX, here é).
struct Url {
    std::string client;
    std::string raw;
    std::string listed;
};

Url Ascii(const std::string& url)
{
    return {url, url, url};
}

const Url kIndex = Ascii("http://www.example.com/index.html");
const Url kLogo = Ascii("http://www.example.com/img/logo.png");
const Url kOtherIndex = Ascii("http://other.example.org/index.html");
const Url kSearch = Ascii("http://www.example.com/search.php?q=a:b");
const Url kData = Ascii("http://www.example.com/data");
const Url kNoFile = Ascii("http://www.example.com/nofile");
// Windows-1252 bytes in the URL, the header and the local file name, which
// Wine stores in the ANSI code page but names on disk in UTF-8.
const Url kCafe = {"http://www.example.com/caf\\xe9.html", "http://www.example.com/caf\xe9.html",
                   "http://www.example.com/caf\xc3\xa9.html"};
// What WinINet's ANSI functions store for "straße/münchen": Windows-1252.
const Url kStrasse = {"http://www.example.de/stra\\xdfe/m\\xfcnchen.htm",
                      "http://www.example.de/stra\xdf" "e/m\xfcnchen.htm",
                      "http://www.example.de/stra\xc3\x9f" "e/m\xc3\xbcnchen.htm"};

constexpr int kFillCount = 470;  // enough for Wine to add a second hash table
const std::string kFillPrefix = "http://fill.example/page";

std::string FillUrl(int i)
{
    return kFillPrefix + std::to_string(i) + ".html";
}

const std::vector<std::vector<std::string>> kWineWrites = {
    {"commit", kIndex.client, "<html><body>Example</body></html>",
     "HTTP/1.1 200 OK\\r\\nContent-Type: text/html\\r\\nContent-Length: 34\\r\\n\\r\\n", "html"},
    {"commit", kLogo.client, "\\x89PNG\\r\\n\\x1a\\n\\x00\\x00\\x00\\x0dIHDR",
     "HTTP/1.1 200 OK\\r\\nContent-Type: image/png\\r\\n\\r\\n", "png"},
    {"commit", kOtherIndex.client, "<p>other</p>", "HTTP/1.1 200 OK\\r\\n\\r\\n", "html"},
    {"commit", kSearch.client, "results", "HTTP/1.1 200 OK\\r\\n\\r\\n", "htm"},
    {"commit", kData.client, "raw bytes"},
    {"commit", kNoFile.client, "-", "HTTP/1.1 204 No Content\\r\\n\\r\\n"},
    {"commit", kCafe.client, "caf\\xe9", "HTTP/1.1 200 OK\\r\\nX-Note: caf\\xe9\\r\\n\\r\\n", "ht\\xe9"},
    {"commit", kStrasse.client, "<p>M\\xfcnchen</p>", "HTTP/1.1 200 OK\\r\\n\\r\\n", "htm"},
    {"cookie", "http://www.example.com/", "session", "abc123"},
    {"cookie", "http://shop.example.net/cart/", "basket", "3"},
    {"visit", "http://www.example.com/index.html"},
    {"visit", "http://other.example.org/"},
    {"fill", std::to_string(kFillCount), kFillPrefix},
};

std::string Describe(const RunResult& r)
{
    return "status " + std::to_string(r.status) + "\nstdout: " + r.out.substr(0, 2000) +
           "\nstderr: " + r.err.substr(0, 2000);
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

uint32_t ReadU32(const std::string& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v * 256 + static_cast<unsigned char>(bytes[offset + i]);
    return v;
}

class InteropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { s_session.reset(); }

    void SetUp() override
    {
        if (!s_skipReason.empty())
            GTEST_SKIP() << s_skipReason;
        ASSERT_TRUE(s_setupError.empty()) << s_setupError;
    }

    static WineSession& Session() { return *s_session; }
    static std::string User() { return Session().Profile().filename().string(); }
    static fs::path ContentFolder()
    {
        return Session().Profile() / "AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
    }

    // Wine's own enumeration (FindFirstUrlCacheEntryA/FindNextUrlCacheEntryA).
    static Listing WineList()
    {
        RunResult r = Session().Client({"list"});
        EXPECT_EQ(r.status, 0) << Describe(r);
        return Comparable(ParseJsonLines(r.out));
    }
    static Listing TrovanaList()
    {
        RunResult r = Session().Trovana({"list", "--format", "jsonl"});
        EXPECT_EQ(r.status, 0) << Describe(r);
        return Comparable(ParseJsonLines(r.out));
    }
    // GetUrlCacheEntryInfoA: the entry, or the error code it failed with.
    static std::pair<std::optional<Entry>, uint32_t> WineInfo(const std::string& clientUrl)
    {
        RunResult r = Session().Client({"info", clientUrl});
        if (r.status == 0)
            return {Comparable(ParseJsonLines(r.out).at(0)), 0};
        std::smatch m;
        if (std::regex_search(r.out, m, std::regex("error (\\d+)")))
            return {std::nullopt, static_cast<uint32_t>(std::stoul(m[1]))};
        ADD_FAILURE() << "client info " << clientUrl << ": " << Describe(r);
        return {std::nullopt, 0};
    }
    static std::optional<Entry> TrovanaInfo(const std::string& url)
    {
        RunResult r = Session().Trovana({"info", url});
        if (r.status != 0)
            return std::nullopt;
        return Comparable(ParseJsonLines(r.out).at(0));
    }
    // trovana-cache delete: the WinINet code for each URL (0 = deleted).
    static std::vector<uint32_t> TrovanaDelete(const std::vector<std::string>& urls);
    // trovana-cache add; returns the run for its status and messages.
    static RunResult TrovanaAdd(const std::string& url, const std::optional<std::string>& body,
                                const std::string& header, const std::string& ext,
                                const std::vector<std::string>& more = {});

    static void ExpectChangesRefusedWhile(const std::function<void()>& startWine);

    static void ExpectSame(const Listing& expected, const Listing& actual, const char* what)
    {
        auto problems = Differences(expected, actual);
        EXPECT_TRUE(problems.empty()) << what << ":\n" << Joined(problems);
    }
    static void ExpectFilesPresent(const Listing& listing)
    {
        for (const auto& entry : listing) {
            if (!entry["local"].is_string())
                continue;
            EXPECT_TRUE(fs::exists(entry["local"].get<std::string>())) << "the file of " << entry["url"] << " is gone";
        }
    }

    static inline std::unique_ptr<WineSession> s_session;
    static inline std::string s_skipReason;
    static inline std::string s_setupError;
    static inline Entry s_trovanaFirstVisit;  // made by Trovana before Wine's first use
};

std::string FirstVisitUrl(const std::string& user)
{
    return "Visited: " + user + "@http://trovana.example/first.html";
}

void InteropTest::SetUpTestSuite()
{
    Tools tools = Tools::FromEnvironment();
    s_skipReason = tools.Missing();
    if (!s_skipReason.empty())
        return;
    s_session = std::make_unique<WineSession>(tools);
    s_setupError = Session().Boot();
    if (!s_setupError.empty())
        return;
    Session().StopWine();

    // No container exists yet: Trovana makes the history container, and Wine
    // must then use it as its own.
    RunResult added = TrovanaAdd(FirstVisitUrl(User()), std::nullopt, "", "");
    auto info = TrovanaInfo(FirstVisitUrl(User()));
    if (added.status != 0 || !info) {
        s_setupError = "trovana-cache add into a new container failed: " + Describe(added);
        return;
    }
    s_trovanaFirstVisit = *info;

    for (const auto& args : kWineWrites) {
        RunResult r = Session().Client(args);
        if (r.status != 0) {
            s_setupError = "client " + args[0] + " " + args[1] + " failed: " + Describe(r);
            return;
        }
    }
    Session().StopWine();
}

std::vector<uint32_t> InteropTest::TrovanaDelete(const std::vector<std::string>& urls)
{
    std::vector<std::string> args = {"delete"};
    args.insert(args.end(), urls.begin(), urls.end());
    RunResult r = Session().Trovana(args);
    // One line per URL, in order: "deleted", or the code and its meaning.
    std::vector<uint32_t> codes;
    std::istringstream lines(r.out);
    std::string line;
    static const std::regex code("\\b(?:error|code) (\\d+)");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, code))
            codes.push_back(static_cast<uint32_t>(std::stoul(m[1])));
        else if (line.find("deleted") != std::string::npos)
            codes.push_back(0);
    }
    EXPECT_EQ(codes.size(), urls.size()) << Describe(r);
    return codes;
}

RunResult InteropTest::TrovanaAdd(const std::string& url, const std::optional<std::string>& body,
                                  const std::string& header, const std::string& ext,
                                  const std::vector<std::string>& more)
{
    std::vector<std::string> args = {"add", url};
    static int counter = 0;
    if (body) {
        args.push_back("--body");
        args.push_back(Session().WriteScratch("body" + std::to_string(++counter), *body).string());
    } else {
        args.push_back("--no-file");
    }
    if (!header.empty()) {
        args.push_back("--header");
        args.push_back(Session().WriteScratch("header" + std::to_string(++counter), header).string());
    }
    if (!ext.empty()) {
        args.push_back("--extension");
        args.push_back(ext);
    }
    args.insert(args.end(), more.begin(), more.end());
    return Session().Trovana(args);
}

TEST_F(InteropTest, TrovanaListsWhatWineWroteAsWineDoes)
{
    Listing wine = WineList();
    Session().StopWine();
    Listing trovana = TrovanaList();
    ExpectSame(wine, trovana, "trovana-cache list against Wine's enumeration");
    EXPECT_GE(wine.size(), static_cast<size_t>(kFillCount + 10));

    // The fill made Wine chain a second hash table in the content container.
    std::string index = ReadBytes(ContentFolder() / "index.dat");
    uint32_t first = ReadU32(index, 0x20);
    EXPECT_NE(ReadU32(index, first + 8), 0u) << "no second hash table";

    // Lookup by URL, the Windows-1252 one included (Wine 8 hashes its bytes
    // differently from the standard function).
    for (const Url* url : {&kIndex, &kLogo, &kSearch, &kData, &kNoFile, &kCafe, &kStrasse}) {
        auto mine = TrovanaInfo(url->raw);
        const Entry* listed = Find(wine, url->listed);
        ASSERT_TRUE(listed) << url->listed;
        ASSERT_TRUE(mine) << "trovana-cache info " << url->listed;
        ExpectSame({*listed}, {*mine}, "trovana-cache info against Wine's enumeration");
    }
    // The Windows-1252 URL reads as Wine's wide functions give it, and its
    // bytes are beside it.
    const Listing rows = ParseJsonLines(Session().Trovana({"list", "--format", "jsonl"}).out);
    const Entry* strasse = Find(rows, kStrasse.listed);
    ASSERT_TRUE(strasse);
    EXPECT_EQ((*strasse)["url_hex"], "687474703a2f2f7777772e6578616d706c652e64652f73747261df652f6dfc6e6368656e2e68746d");
    const Entry* plain = Find(rows, kIndex.listed);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->contains("url_hex"));
}

TEST_F(InteropTest, WineUsesTheContainerTrovanaMade)
{
    auto [entry, code] = WineInfo(FirstVisitUrl(User()));
    ASSERT_TRUE(entry) << "Wine lost the entry Trovana made first: error " << code;
    ExpectSame({s_trovanaFirstVisit}, {*entry}, "GetUrlCacheEntryInfoA against trovana-cache info");
    auto [wineVisit, wineCode] = WineInfo("Visited: " + User() + "@http://www.example.com/index.html");
    EXPECT_TRUE(wineVisit) << "Wine's own visit is missing: error " << wineCode;
    Session().StopWine();
}

TEST_F(InteropTest, WineFindsWhatTrovanaAdds)
{
    Session().StopWine();
    Listing before = TrovanaList();
    const std::string page = "http://trovana.example/added/page.html";
    const std::string bare = "http://trovana.example/added/bare";
    const std::string cookie = "Cookie:" + User() + "@trovana.example/";
    const std::string visit = "Visited: " + User() + "@" + page;
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    const std::string body = "<html><body>added by Trovana</body></html>";
    // 2031-01-02 03:04:06 UTC: an even second, which the DOS time of the
    // expiry keeps exactly.
    const uint64_t expire = 135695630460000000;
    const uint64_t modified = 133000000001234567;
    RunResult r = TrovanaAdd(
        page, body, header, "html",
        {"--expire", std::to_string(expire), "--last-modified", std::to_string(modified), "--hit-rate", "3"});
    ASSERT_EQ(r.status, 0) << Describe(r);
    r = TrovanaAdd(bare, std::nullopt, "HTTP/1.1 204 No Content\r\n\r\n", "");
    ASSERT_EQ(r.status, 0) << Describe(r);
    r = TrovanaAdd(cookie, "name\nvalue\ntrovana.example/\n0\n0\n31000000\n0\n30000000\n*\n", "", "txt");
    ASSERT_EQ(r.status, 0) << Describe(r);
    r = TrovanaAdd(visit, std::nullopt, "", "");
    ASSERT_EQ(r.status, 0) << Describe(r);
    const std::set<std::string> added = {page, bare, cookie, visit};

    Listing wine = WineList();
    // Wine kept everything else as it was: it did not wipe a container.
    ExpectSame(before, Without(wine, added), "Wine's enumeration apart from the added entries");
    ExpectFilesPresent(wine);
    for (const auto& url : added) {
        auto [entry, code] = WineInfo(url);
        ASSERT_TRUE(entry) << "GetUrlCacheEntryInfoA " << url << ": error " << code;
        const Entry* listed = Find(wine, url);
        ASSERT_TRUE(listed) << "Wine does not enumerate " << url;
        ExpectSame({*listed}, {*entry}, "GetUrlCacheEntryInfoA against Wine's enumeration");
    }
    const Entry& pageEntry = *Find(wine, page);
    EXPECT_EQ(pageEntry["type"], 1);  // NORMAL_CACHE_ENTRY
    EXPECT_EQ(pageEntry["size_low"], body.size());
    EXPECT_EQ(pageEntry["header"], header);
    EXPECT_EQ(pageEntry["expire"], expire);
    EXPECT_EQ(pageEntry["last_modified"], modified);
    EXPECT_EQ(pageEntry["hit_rate"], 3);
    ASSERT_TRUE(pageEntry["local"].is_string());
    EXPECT_EQ(ReadBytes(pageEntry["local"].get<std::string>()), body);
    EXPECT_EQ(Find(wine, cookie)->at("type"), 0x00100001);  // the container's bit added
    EXPECT_EQ(Find(wine, visit)->at("type"), 0x00200001);
    Session().StopWine();
    ExpectSame(wine, TrovanaList(), "trovana-cache list against Wine's enumeration");
}

TEST_F(InteropTest, WhatTrovanaDeletesIsGoneForWine)
{
    Session().StopWine();
    Listing before = TrovanaList();
    std::vector<std::string> urls = {kIndex.raw, kCafe.raw, "Cookie:" + User() + "@shop.example.net/cart/",
                                     "Visited: " + User() + "@http://other.example.org/"};
    // Spread over the fill, so that both hash tables lose entries.
    for (int i = 7; i < kFillCount; i += 47)
        urls.push_back(FillUrl(i));
    std::set<std::string> listed = {kCafe.listed};
    std::vector<fs::path> files;
    for (const auto& url : urls) {
        if (url != kCafe.raw)
            listed.insert(url);
    }
    for (const auto& url : listed) {
        const Entry* entry = Find(before, url);
        ASSERT_TRUE(entry) << url;
        if ((*entry)["local"].is_string())
            files.emplace_back((*entry)["local"].get<std::string>());
    }
    ASSERT_GE(files.size(), urls.size() - 1);  // all but the visited link have files

    urls.push_back("http://never.cached.example/");
    std::vector<uint32_t> codes = TrovanaDelete(urls);
    std::vector<uint32_t> expected(urls.size(), 0);
    expected.back() = 2;  // ERROR_FILE_NOT_FOUND
    EXPECT_EQ(codes, expected);
    for (const auto& file : files)
        EXPECT_FALSE(fs::exists(file)) << file;

    Listing wine = WineList();
    for (const auto& url : {kIndex.client, kCafe.client, FillUrl(7)}) {
        EXPECT_EQ(WineInfo(url).second, 2u) << url << " is still there for Wine";
    }
    ExpectSame(Without(before, listed), wine, "Wine's enumeration after the deletes");
    ExpectFilesPresent(wine);
    Session().StopWine();
    ExpectSame(wine, TrovanaList(), "trovana-cache list against Wine's enumeration");
}

TEST_F(InteropTest, LockedEntryIsRefusedAndKept)
{
    RunResult r = Session().Client({"retrieve", kOtherIndex.client});
    ASSERT_EQ(r.status, 0) << Describe(r);
    Entry retrieved = Comparable(ParseJsonLines(r.out).at(0));
    ASSERT_TRUE(retrieved["local"].is_string());
    const fs::path file = retrieved["local"].get<std::string>();
    Session().StopWine();

    EXPECT_EQ(TrovanaDelete({kOtherIndex.raw}), std::vector<uint32_t>{5});  // ERROR_ACCESS_DENIED
    EXPECT_TRUE(fs::exists(file));
    auto [entry, code] = WineInfo(kOtherIndex.client);
    ASSERT_TRUE(entry) << "the locked entry is gone: error " << code;
    EXPECT_EQ((*entry)["use_count"], 1);
    // Marked for deletion as Wine marks it: the last unlock deletes it.
    EXPECT_EQ((*entry)["type"].get<uint32_t>() & 0x00400000u, 0x00400000u);
    r = Session().Client({"unlock", kOtherIndex.client});
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(WineInfo(kOtherIndex.client).second, 2u);
    EXPECT_FALSE(fs::exists(file));
    Session().StopWine();
}

// While a wineserver serves the prefix, trovana-cache changes nothing and
// still reads. Returns after the checks; the caller stops Wine.
void InteropTest::ExpectChangesRefusedWhile(const std::function<void()>& startWine)
{
    Session().StopWine();
    Listing before = TrovanaList();
    const fs::path index = ContentFolder() / "index.dat";
    const std::string indexBytes = ReadBytes(index);
    const Entry* logo = Find(before, kLogo.listed);
    ASSERT_TRUE(logo && (*logo)["local"].is_string());

    startWine();
    RunResult r = Session().Trovana({"delete", kLogo.raw});
    EXPECT_EQ(r.status, 1) << Describe(r);
    EXPECT_NE(r.out.find("error 5 (locked or in use)"), std::string::npos) << Describe(r);
    EXPECT_NE(r.out.find("close the Windows programs"), std::string::npos) << Describe(r);
    // Reading goes on: the lookup gives the entry as the listing had it.
    auto info = TrovanaInfo(kLogo.raw);
    ASSERT_TRUE(info) << "trovana-cache info failed while Wine runs";
    ExpectSame({*logo}, {*info}, "trovana-cache info while a wineserver runs");
    r = TrovanaAdd("http://trovana.example/while-running", "x", "", "");
    EXPECT_NE(r.status, 0) << "added while a wineserver runs";
    EXPECT_TRUE(ReadBytes(index) == indexBytes) << "the content index changed";
    EXPECT_TRUE(fs::exists((*logo)["local"].get<std::string>()));
    ExpectSame(before, TrovanaList(), "trovana-cache list while a wineserver runs");
}

TEST_F(InteropTest, RunningWindowsProgramBlocksChanges)
{
    std::unique_ptr<Process> program;
    ExpectChangesRefusedWhile([&] {
        program = Session().StartClient({"hold", "120"});
        ASSERT_TRUE(program->WaitForOutput("holding", 60)) << "the client did not start";
    });
    Session().StopWine();  // ends the program too
}

// A Windows program in the middle of using the cache: it has looked an entry
// up and keeps an enumeration open, so Wine has every container mapped.
TEST_F(InteropTest, ProgramWithTheCacheOpenBlocksChanges)
{
    std::unique_ptr<Process> program;
    ExpectChangesRefusedWhile([&] {
        program = Session().StartClient({"browse", kLogo.client, "120"});
        ASSERT_TRUE(program->WaitForOutput("holding", 60)) << "the client did not open the cache";
    });
    Session().StopWine();
}

// Right after start-up the wineserver is still loading the registry in the
// prefix folder; it must be recognised already.
TEST_F(InteropTest, StartingWineserverBlocksChanges)
{
    ExpectChangesRefusedWhile([] { Session().StartPersistentServer(30); });
    Session().StopWine();
}

TEST_F(InteropTest, WineGoesOnCommittingAfterTrovanasChanges)
{
    Session().StopWine();
    Listing before = TrovanaList();
    // Enough to make Wine grow the content container past Trovana's changes.
    const int count = 200;
    const std::string prefix = "http://after.example/page";
    RunResult r = Session().Client({"fill", std::to_string(count), prefix});
    ASSERT_EQ(r.status, 0) << Describe(r);
    r = Session().Client({"visit", "http://after.example/"});
    ASSERT_EQ(r.status, 0) << Describe(r);
    r = Session().Client({"cookie", "http://after.example/", "late", "1"});
    ASSERT_EQ(r.status, 0) << Describe(r);

    Listing wine = WineList();
    std::set<std::string> added = {"Visited: " + User() + "@http://after.example/",
                                   "Cookie:" + User() + "@after.example/"};
    for (int i = 0; i < count; ++i)
        added.insert(prefix + std::to_string(i) + ".html");
    for (const auto& url : added)
        EXPECT_TRUE(Find(wine, url)) << url;
    ExpectSame(before, Without(wine, added), "Wine's enumeration apart from its new entries");
    ExpectFilesPresent(wine);
    Session().StopWine();
    ExpectSame(wine, TrovanaList(), "trovana-cache list against Wine's enumeration");
}

// Free or deleted slots of a bucket, over every hash table of the file.
size_t FreeSlotsOfBucket(const std::vector<uint8_t>& bytes, uint32_t bucket)
{
    using trovana::urlcache::test::Get32;
    size_t free = 0;
    for (uint32_t table = Get32(bytes, 0x20); table != 0; table = Get32(bytes, table + 8)) {
        for (uint32_t i = 0; i < 7; ++i) {
            const uint32_t key = Get32(bytes, table + 16 + 8 * (7 * bucket + i));
            free += key == 1 || key == 3;
        }
    }
    return free;
}

// Delete, create, re-commit and a create that chains a new hash table, each
// cut short after every one of its writes: trovana-cache and Wine must both
// read every such file with nothing lost, the changed entry whole or absent.
TEST_F(InteropTest, InterruptedChangesLeaveFilesBothSidesRead)
{
    namespace uc = trovana::urlcache;
    Session().StopWine();
    InterruptedChanges changes(Session(), ContentFolder());
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    const auto add = [&](const std::string& url, const std::string& body) {
        return [=](uc::ContainerWriter& w) {
            uc::NewCacheEntry entry = uc::test::Entry(url, body);
            entry.headerInfo = header;
            entry.fileExtension = "html";
            return w.Create(entry, url);
        };
    };
    ASSERT_TRUE(changes.Apply("delete", FillUrl(100), [](uc::ContainerWriter& w) { return w.Delete(FillUrl(100)); }));
    const std::string page = "http://trovana.example/interrupted/new.html";
    ASSERT_TRUE(changes.Apply("create", page, add(page, "<html>new</html>")));
    ASSERT_TRUE(changes.Apply("re-commit", FillUrl(101), add(FillUrl(101), "<html>again</html>")));

    // Fill the bucket with the fewest free slots, so that the next URL in it
    // needs a new hash table.
    const auto bytes = uc::test::ReadBytes(ContentFolder() / "index.dat");
    uint32_t bucket = 0;
    for (uint32_t b = 1; b < 64; ++b) {
        if (FreeSlotsOfBucket(bytes, b) < FreeSlotsOfBucket(bytes, bucket))
            bucket = b;
    }
    std::vector<uc::NewCacheEntry> filler;
    for (int i = 0; filler.size() <= FreeSlotsOfBucket(bytes, bucket); ++i) {
        const std::string url = "http://trovana.example/bucket/" + std::to_string(i);
        if (uc::HashBucket(uc::UrlHash(url)) == bucket)
            filler.push_back(uc::test::Entry(url, "x"));
    }
    const std::string last = filler.back().url;
    filler.pop_back();
    uc::UrlCache cache(uc::test::OneContainer(ContentFolder()));
    for (const auto& result : cache.CreateEntries(filler))
        ASSERT_TRUE(result.ok()) << result.message;
    ASSERT_TRUE(changes.Apply("create with a new hash table", last, add(last, "<html>last</html>")));

    changes.CheckWithWine();
    for (const Tally& t : changes.Tallies()) {
        std::cout << "[ points   ] " << t.change << ": " << t.tried << " tried, " << t.survivedTrovana
                  << " survived in trovana-cache, " << t.survivedWine << " in Wine\n";
        EXPECT_EQ(t.survivedTrovana, t.tried) << t.change;
        EXPECT_EQ(t.survivedWine, t.tried) << t.change;
    }
    EXPECT_GE(changes.Tallies().back().tried, 8u) << "the new hash table was not made in place";
}

}  // namespace
}  // namespace interop
