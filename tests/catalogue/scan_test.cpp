// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "classify.h"
#include "scoped_time_zone.h"

namespace trovana::catalogue {
namespace {

namespace fs = std::filesystem;
using testing::FileTimeFromUnix;
using testing::ScopedTimeZone;
using urlcache::ContainerKind;
using urlcache::NewCacheEntry;

// 15 March 2004 22:02:09 UTC: "03/15/04 17:02:09" five hours behind.
constexpr uint64_t kAccessTime = FileTimeFromUnix(1079388129);

class RecordingBusyIndicator : public BusyIndicator {
public:
    void Show(const std::string& text) override { events.push_back("show " + text); }
    void Hide() override { events.push_back("hide"); }
    void SetWaitCursor() override { events.push_back("wait"); }
    void SetArrowCursor() override { events.push_back("arrow"); }

    std::vector<std::string> events;
};

NewCacheEntry Entry(std::string url, std::optional<std::string> body = std::nullopt, std::string headers = "")
{
    NewCacheEntry entry;
    entry.url = std::move(url);
    entry.body = std::move(body);
    entry.headerInfo = std::move(headers);
    entry.lastAccessTime = kAccessTime;
    entry.hitRate = 3;
    return entry;
}

// A cache of three containers in a fresh temporary folder, removed afterwards.
class ScanTest : public ::testing::Test {
protected:
    ScanTest()
        : m_folder(MakeFolder()),
          m_cache(urlcache::CacheLocation{{{ContainerKind::Cookies, m_folder / "cookies"},
                                           {ContainerKind::History, m_folder / "history"},
                                           {ContainerKind::Content, m_folder / "content"}},
                                          {}}),
          m_catalogue(m_cache, m_busy)
    {
    }
    ~ScanTest() override { fs::remove_all(m_folder); }

    static fs::path MakeFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "trovana-scan-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        return pattern;
    }

    void Create(const std::vector<NewCacheEntry>& entries)
    {
        for (const auto& result : m_cache.CreateEntries(entries)) {
            ASSERT_TRUE(result.ok()) << result.message;
        }
    }

    // The URLs in the library's own enumeration order.
    std::vector<std::string> EnumeratedUrls()
    {
        std::vector<std::string> urls;
        auto entries = m_cache.Enumerate();
        while (const auto info = entries.Next()) {
            urls.push_back(info->sourceUrlName);
        }
        return urls;
    }

    int RowOf(const std::string& url) const
    {
        const RowStore& rows = m_catalogue.ListAll();
        for (int i = 0; i < rows.Count(); ++i) {
            if (rows.Text(i, kColumnUrl) == url) {
                return i;
            }
        }
        ADD_FAILURE() << "no row for " << url;
        return -1;
    }

    std::vector<std::string> LeafUrls() const
    {
        std::vector<std::string> urls;
        m_catalogue.RootNode().CollectUrls(urls);
        std::sort(urls.begin(), urls.end());
        return urls;
    }

    ScopedTimeZone m_zone{"XST5"};
    fs::path m_folder;
    RecordingBusyIndicator m_busy;
    urlcache::UrlCache m_cache;
    CCatalogue m_catalogue;
};

TEST_F(ScanTest, RowsFollowTheEnumerationWithTheirTextsAndCategories)
{
    NewCacheEntry cookie = Entry("Cookie:user@host/", std::string("id=1\n"));
    cookie.cacheEntryType = urlcache::COOKIE_CACHE_ENTRY;
    NewCacheEntry visited = Entry("Visited: user@http://host/dir/page.htm");
    visited.cacheEntryType = urlcache::URLHISTORY_CACHE_ENTRY;
    Create({Entry("http://host/dir/page.htm", std::string(1000, 'x'),
                  "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n"),
            Entry("http://host/img/a.gif", std::string(250, 'g')), Entry("http://host/app.js", std::string(40, 'j')),
            cookie, visited});
    m_catalogue.ScanCache();

    const std::vector<std::string> order = EnumeratedUrls();
    const RowStore& rows = m_catalogue.ListAll();
    ASSERT_EQ(rows.Count(), 5);
    for (int i = 0; i < rows.Count(); ++i) {
        EXPECT_EQ(rows.Text(i, kColumnUrl), order[static_cast<size_t>(i)]) << i;
    }
    // Cookies, then history, then content.
    EXPECT_EQ(RowOf("Cookie:user@host/"), 0);
    EXPECT_EQ(RowOf("Visited: user@http://host/dir/page.htm"), 1);

    const int page = RowOf("http://host/dir/page.htm");
    EXPECT_EQ(rows.Text(page, kColumnAccessTime), "03/15/04 17:02:09");
    EXPECT_EQ(rows.Text(page, kColumnHitRate), "3");
    EXPECT_EQ(rows.Text(page, kColumnSize), "1000");
    const std::pair<std::string, int> categories[] = {
        {"http://host/dir/page.htm", 1},
        {"http://host/img/a.gif", 2},
        {"http://host/app.js", 3},
        {"Cookie:user@host/", 4},
        {"Visited: user@http://host/dir/page.htm", 5},
    };
    for (const auto& [url, category] : categories) {
        EXPECT_EQ(rows.ItemData(RowOf(url)), category) << url;
        EXPECT_EQ(rows.Image(RowOf(url)), category) << url;
    }

    EXPECT_EQ(rows.Text(RowOf("Cookie:user@host/"), kColumnSize), "5");
    EXPECT_EQ(m_catalogue.TotalSize(), 1000 + 250 + 40 + 5);
    EXPECT_EQ(m_busy.events, (std::vector<std::string>{"show Collecting Data ...", "wait", "arrow", "hide"}));
}

TEST_F(ScanTest, TheTreeHoldsTheFirstEntryOfEachPathThatLeadsNowhereFurther)
{
    Create({Entry("http://host/a", std::string("1")), Entry("http://host/a/", std::string("2")),
            Entry("http://host/dir/"), Entry("http://host/dir/page"), Entry("about:blank"),
            Entry("Cookie:user@host/", std::string("c")), Entry("Cookie:other@host/", std::string("d")),
            Entry("Cookie:nohost/", std::string("e"))});
    m_catalogue.ScanCache();

    EXPECT_EQ(m_catalogue.ListAll().Count(), 8);  // every entry has its row
    const bool plainFirst = RowOf("http://host/a") < RowOf("http://host/a/");
    const std::string firstCookie = RowOf("Cookie:user@host/") < RowOf("Cookie:other@host/") ? "Cookie:user@host/"
                                                                                             : "Cookie:other@host/";
    std::vector<std::string> expected{firstCookie, plainFirst ? "http://host/a" : "http://host/a/",
                                      "http://host/dir/page"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LeafUrls(), expected);

    const CNode& host = *m_catalogue.RootNode().Children().at("host");
    EXPECT_EQ(host.Children().size(), 3u);  // a, dir, Cookie
    EXPECT_TRUE(host.Children().at("Cookie")->IsLeaf());
    EXPECT_FALSE(host.Children().at("dir")->IsLeaf());
    EXPECT_EQ(m_catalogue.RootNode().Children().size(), 1u);
}

TEST_F(ScanTest, AnEntryWithoutFileOrWithAnUnconvertibleTimeIsStillListed)
{
    NewCacheEntry early = Entry("http://host/early", std::string(10, 'e'));
    early.lastAccessTime = 1;  // 1601 in UTC, before it five hours behind
    NewCacheEntry noFile = Entry("http://host/nofile");
    noFile.hitRate = 0;
    Create({early, noFile});
    m_catalogue.ScanCache();

    const RowStore& rows = m_catalogue.ListAll();
    ASSERT_EQ(rows.Count(), 2);
    const int earlyRow = RowOf("http://host/early");
    EXPECT_EQ(rows.Text(earlyRow, kColumnAccessTime), "");
    EXPECT_EQ(rows.Text(earlyRow, kColumnSize), "10");
    const int noFileRow = RowOf("http://host/nofile");
    EXPECT_EQ(rows.Text(noFileRow, kColumnAccessTime), "03/15/04 17:02:09");
    EXPECT_EQ(rows.Text(noFileRow, kColumnHitRate), "0");
    EXPECT_EQ(rows.Text(noFileRow, kColumnSize), "");
    EXPECT_EQ(rows.ItemData(noFileRow), kCategoryOther);
    EXPECT_EQ(m_catalogue.TotalSize(), 10);

    const auto& host = *m_catalogue.RootNode().Children().at("host");
    const auto& earlyLeaf = dynamic_cast<const CEntryNode&>(*host.Children().at("early"));
    EXPECT_FALSE(earlyLeaf.m_lastAccess.IsValid());
    EXPECT_EQ(earlyLeaf.m_dwSize, 10u);
    const auto& noFileLeaf = dynamic_cast<const CEntryNode&>(*host.Children().at("nofile"));
    EXPECT_EQ(noFileLeaf.m_dwSize, 0u);
    EXPECT_EQ(noFileLeaf.m_lastAccess, DateTime::FromParts(2004, 3, 15, 17, 2, 9));
}

TEST_F(ScanTest, ARescanReplacesTheRowsAndAnEmptyCacheLeavesNone)
{
    Create({Entry("http://host/a", std::string(100, 'a')), Entry("http://host/b", std::string(20, 'b'))});
    m_catalogue.ScanCache();
    m_catalogue.ScanCache();
    EXPECT_EQ(m_catalogue.ListAll().Count(), 2);
    EXPECT_EQ(m_catalogue.TotalSize(), 120);

    for (const auto& result : m_cache.DeleteEntries({"http://host/a", "http://host/b"})) {
        ASSERT_TRUE(result.ok()) << result.message;
    }
    // The scan only adds leaves: without emptying the tree, the old ones stay.
    m_catalogue.ScanCache();
    EXPECT_EQ(m_catalogue.ListAll().Count(), 0);
    EXPECT_EQ(m_catalogue.TotalSize(), 0);
    EXPECT_EQ(LeafUrls().size(), 2u);

    m_catalogue.RootNode().RemoveAll();
    m_catalogue.ScanCache();
    EXPECT_TRUE(m_catalogue.RootNode().Children().empty());
    EXPECT_EQ(m_busy.events.size(), 4u * 4);
    EXPECT_EQ(m_busy.events.back(), "hide");
}

TEST_F(ScanTest, AScanInBatchesGivesTheSameRowsInOrderShowsNothingAndStopsWhenAsked)
{
    std::vector<NewCacheEntry> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back(Entry("http://host" + std::to_string(i % 7) + "/p" + std::to_string(i), std::string(3, 'x')));
    Create(entries);
    m_catalogue.ScanCache();
    const RowStore& kept = m_catalogue.ListAll();
    m_busy.events.clear();

    urlcache::UrlCache cache(m_cache.Location());
    CCatalogue batched(cache, m_busy);
    std::vector<ListRow> rows;
    std::vector<size_t> sizes;
    int64_t lastTotal = -1;
    batched.ScanCache({}, [&](std::vector<ListRow>&& batch, int64_t total) {
        sizes.push_back(batch.size());
        std::move(batch.begin(), batch.end(), std::back_inserter(rows));
        lastTotal = total;
    });
    EXPECT_TRUE(m_busy.events.empty()) << "a scan in batches runs off the window's thread";
    EXPECT_EQ(batched.ListAll().Count(), 0) << "the rows go to the sink only";
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_LT(sizes.front(), 100u) << "a screenful first";
    ASSERT_EQ(static_cast<int>(rows.size()), kept.Count());
    for (int i = 0; i < kept.Count(); ++i)
        EXPECT_EQ(rows[i].texts, kept.Row(i).texts) << i;
    EXPECT_EQ(lastTotal, 600);
    EXPECT_EQ(batched.TotalSize(), 600);
    std::vector<std::string> leaves;
    batched.RootNode().CollectUrls(leaves);
    EXPECT_EQ(leaves.size(), 200u);

    // A stop asked for after the first batch ends the scan there.
    urlcache::UrlCache again(m_cache.Location());
    CCatalogue stopped(again, m_busy);
    std::stop_source stop;
    size_t given = 0;
    stopped.ScanCache(stop.get_token(), [&](std::vector<ListRow>&& batch, int64_t) {
        given += batch.size();
        stop.request_stop();
    });
    EXPECT_EQ(given, sizes.front());
}

TEST_F(ScanTest, LookupReadsTheEntryAfreshOrAnswersNull)
{
    Create({Entry("http://host/page", std::string(12, 'p'), "Content-Type: text/plain\r\n")});
    const auto info = m_catalogue.LookupCacheEntry("http://host/page");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->sourceUrlName, "http://host/page");
    EXPECT_TRUE(fs::exists(info->localFileName));
    EXPECT_EQ(info->headerInfo, "Content-Type: text/plain\r\n");
    EXPECT_TRUE(m_busy.events.empty()) << "the cursor is the caller's";

    EXPECT_EQ(m_catalogue.LookupCacheEntry("http://host/PAGE"), nullptr);
    ASSERT_TRUE(m_cache.DeleteEntry("http://host/page").ok());
    EXPECT_EQ(m_catalogue.LookupCacheEntry("http://host/page"), nullptr);
}

}  // namespace
}  // namespace trovana::catalogue
