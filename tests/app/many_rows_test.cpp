// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a cache of thousands of rows, more than one chunk of the
// row store and more than the first scan's first batch: what it lists is
// checked against libyal's msiecfexport reading the same containers. The
// first scan waits after its first rows until the window has drawn them;
// tabs, a sort and a search, done with the mouse and keys, list what
// msiecfexport lists.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include <wx/button.h>

#include "app/main_frame.h"
#include "app/trovana_app.h"
#include "ascii.h"
#include "listview/cache_list.h"
#include "listview/first_scan.h"
#include "listview/tab_strip.h"
#include "operations/search_dlg.h"
#include "msiecf_records.h"
#include "when_shown.h"
#include "window_fixture.h"
#include "x_input.h"

namespace trovana::test {
namespace {

constexpr int kBulkEntries = 3000;
constexpr int kBulkHosts = 50;
// Longer than any test: a scan that goes on did not time out.
constexpr std::chrono::hours kNoTimeLimit{1};

// The URL of every record of every container of the cache, as msiecfexport
// reads them.
std::multiset<std::string> MsiecfUrls(const urlcache::CacheLocation& location)
{
    std::multiset<std::string> urls;
    for (const MsiecfRecord& record : MsiecfRecords(location)) {
        const auto url = record.fields.find("Location");
        if (url != record.fields.end())
            urls.insert(url->second);
    }
    return urls;
}

std::multiset<std::string> UrlsOf(const listview::CCacheList& list)
{
    std::multiset<std::string> urls;
    list.Rows().ForEach([&](const ListRow& row) { urls.insert(row.texts[catalogue::kColumnUrl]); });
    return urls;
}

template <class Keep>
std::multiset<std::string> Only(const std::multiset<std::string>& urls, Keep keep)
{
    std::multiset<std::string> kept;
    std::copy_if(urls.begin(), urls.end(), std::inserter(kept, kept.end()), keep);
    return kept;
}

bool IsBulkImage(const std::string& url)
{
    return url.starts_with("http://bulk") && url.ends_with(".png");
}

bool IsBulkPage(const std::string& url)
{
    return url.starts_with("http://bulk") && url.ends_with(".htm");
}

class ManyRowsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // A third each of images, pages and visited links, over 50 hosts.
        std::vector<urlcache::NewCacheEntry> bulk;
        for (int i = 0; i < kBulkEntries; ++i) {
            const std::string url = "http://bulk" + std::to_string(i % kBulkHosts) + ".example/p" + std::to_string(i);
            if (i % 3 == 0)
                bulk.push_back(Entry(url + ".png", 100 + i, "image/png"));
            else if (i % 3 == 1)
                bulk.push_back(Entry(url + ".htm", 100 + i, "text/html"));
            else
                bulk.push_back(Entry("Visited: user@" + url + ".htm"));
        }
        m_cache.Add(bulk);
        m_listed = MsiecfUrls(m_cache.Location());
        ASSERT_GE(m_listed.size(), static_cast<size_t>(kBulkEntries)) << "msiecfexport (scripts/install-deps.sh)";
    }
    catalogue::ShownTimes Zone() const
    {
        return app::TimesInUtcChosen() ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local;
    }
    void ClickTab(int tab)
    {
        listview::CTabStrip& tabs = *View().GetTabStrip();
        const wxRect rect = tabs.GetItemRect(tab);
        m_input.Click(tabs, rect.GetPosition() + wxPoint(rect.width / 2, rect.height / 2));
        ASSERT_TRUE(WaitUntil([&] { return tabs.GetCurSel() == tab; }));
        ProcessEvents();
    }

    std::multiset<std::string> m_listed;
    XInput m_input;
};

TEST_F(ManyRowsTest, TheFirstScanWaitsAfterItsFirstRowsUntilTheWindowHasDrawnThem)
{
    // On its own, nothing drawing its rows: the scan hands over its first
    // rows and goes no further until told.
    {
        listview::CFirstScan scan(m_cache.Location(), Zone(), kNoTimeLimit);
        size_t rows = 0;
        bool ended = false;
        scan.Deliver([&](std::vector<ListRow>&& batch, int64_t) { rows += batch.size(); },
                     [&](listview::CFirstScan::Ending&&) { ended = true; });
        ASSERT_TRUE(WaitUntil([&] { return rows > 0; }));
        const size_t first = rows;
        WaitUntil([&] { return ended; }, 500);
        EXPECT_EQ(rows, first);
        EXPECT_LT(rows, m_listed.size());
        EXPECT_FALSE(ended);
        scan.FirstRowsShown();
        ASSERT_TRUE(WaitUntil([&] { return ended; }, 20000));
        EXPECT_EQ(rows, m_listed.size());
    }

    // As the program starts: the window's drawing of the first rows lets
    // it go on, and every entry msiecfexport reads is listed.
    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    ASSERT_TRUE(m_pFrame->LoadFrame(m_cache.Location(), {},
                                    std::make_unique<listview::CFirstScan>(m_cache.Location(), Zone(), kNoTimeLimit)));
    app::ShowMainWindow(*m_pFrame);
    listview::CCacheList& all = *View().GetAllList();
    ASSERT_TRUE(WaitUntil([&] { return !View().RootNode().Children().empty(); }, 20000))
        << all.GetItemCount() << " rows of " << m_listed.size();
    EXPECT_EQ(UrlsOf(all), m_listed);
}

TEST_F(ManyRowsTest, TabsASortAndASearchListWhatMsiecfexportLists)
{
    StartWindow();
    const auto bulkImages = Only(m_listed, IsBulkImage);
    const auto bulkPages = Only(m_listed, IsBulkPage);
    ASSERT_EQ(bulkImages.size(), static_cast<size_t>(kBulkEntries / 3));

    // Each tab lists its rows: every bulk image on Images, every bulk page
    // on Documents, none of the other's.
    ClickTab(catalogue::kCategoryImages);
    listview::CCacheList& images = *View().GetActiveList();
    EXPECT_EQ(Only(UrlsOf(images), IsBulkImage), bulkImages);
    EXPECT_TRUE(Only(UrlsOf(images), IsBulkPage).empty());
    ClickTab(catalogue::kCategoryDocuments);
    EXPECT_EQ(Only(UrlsOf(*View().GetActiveList()), IsBulkPage), bulkPages);
    EXPECT_TRUE(Only(UrlsOf(*View().GetActiveList()), IsBulkImage).empty());

    // A click on the Url heading of the Images list: the same rows, in
    // descending order of their case-folded URLs.
    ClickTab(catalogue::kCategoryImages);
    listview::CCacheList& list = *View().GetActiveList();
    const auto before = UrlsOf(list);
    wxRect first;
    ASSERT_TRUE(list.GetItemRect(0, first));
    m_input.Click(list, wxPoint(40, first.y / 2));
    std::vector<std::string> order;
    ASSERT_TRUE(WaitUntil([&] {
        order.clear();
        list.Rows().ForEach([&](const ListRow& row) { order.push_back(ToLowerAscii(row.texts[0])); });
        return std::is_sorted(order.rbegin(), order.rend());
    })) << "first row "
        << (order.empty() ? "" : order.front());
    EXPECT_EQ(UrlsOf(list), before);

    // A search for one host's URLs, started with Ctrl+F and the dialog's
    // Search button: the results are the records msiecfexport reads with
    // that host, of every container.
    const std::string keyword = "bulk7.example/";
    View().LastSearch() = {};
    View().LastSearch().m_strKeywords = keyword;
    {
        const WhenShown<operations::CSearchDlg> searching([&](operations::CSearchDlg& dialog) {
            auto* button = wxDynamicCast(dialog.FindWindow(operations::IDC_SEARCH), wxButton);
            ASSERT_NE(button, nullptr);
            m_input.Click(*button, wxPoint(button->GetSize().x / 2, button->GetSize().y / 2));
            WaitUntil([&] { return !dialog.IsModal(); });
        });
        m_input.Click(list, wxPoint(40, first.y + first.height / 2));
        m_input.Keys("ctrl+f");
        ASSERT_TRUE(WaitUntil([&] { return View().GetTabStrip()->GetCurSel() == catalogue::kCategorySearchResults; }));
    }
    const auto found = Only(m_listed, [&](const std::string& url) { return url.find(keyword) != std::string::npos; });
    ASSERT_EQ(found.size(), static_cast<size_t>(kBulkEntries / kBulkHosts));
    EXPECT_EQ(UrlsOf(*View().GetActiveList()), found);
}

}  // namespace
}  // namespace trovana::test
