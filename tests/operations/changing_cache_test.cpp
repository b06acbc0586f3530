// SPDX-License-Identifier: GPL-3.0-or-later
// Another program changes the cache between the scan and the user's next
// step: every step must cope with entries that have gone or come, act only
// on what is there, and never crash.
#include <wx/app.h>
#include <wx/textctrl.h>

#include "listview/web_view.h"
#include "operations/search_dlg.h"
#include "operations_fixture.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

const std::string kIndex = "http://www.example.com/index.htm";
const std::string kLogo = "http://www.example.com/img/logo.gif";
const std::string kPhoto = "http://www.example.com/img/photo.jpg";
const std::string kApp = "http://Beta.org/app.js";
const std::string kNewPicture = "http://www.example.com/img/new.png";

class ChangingCacheTest : public OperationsTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        StartWindow();
    }
    // What another process does: its own handle on the same containers.
    void DeleteElsewhere(const std::string& url)
    {
        ASSERT_TRUE(urlcache::UrlCache(m_cache.Location()).DeleteEntry(url).ok()) << url;
    }
    void ClickRow(listview::CCacheList& list, const std::string& url)
    {
        SelectRows(list, {url});
        View().PreviewSelected();
        ProcessEvents();
    }
};

TEST_F(ChangingCacheTest, PreviewAndPropertiesOfAnEntryThatHasGone)
{
    DeleteElsewhere(kLogo);
    // The click shows the URL as text, as for any row without a file.
    ClickRow(*View().GetAllList(), kLogo);
    EXPECT_EQ(View().m_pWebView->CurrentSource(), kLogo);

    View().ShowProperties(kLogo);
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "No Information about the url");

    // An entry added since the scan has no row, and the others still preview.
    m_cache.Add({Entry(kNewPicture, 70)});
    ClickRow(*View().GetAllList(), kPhoto);
    EXPECT_NE(View().m_pWebView->CurrentSource(), kLogo);
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kNewPicture));
}

TEST_F(ChangingCacheTest, CopyLeavesOutWhatHasGone)
{
    const fs::path out = fs::temp_directory_path() / ("trovana-changing-" + std::to_string(::getpid()));
    fs::create_directories(out);
    m_prompts.m_folder = out;
    const fs::path photoFile = View().Catalogue().LookupCacheEntry(kPhoto)->localFileName;
    SelectRows(*View().GetAllList(), {kLogo, kPhoto, kIndex});
    DeleteElsewhere(kLogo);
    // The index's file goes too, but its entry stays: the copy reports it.
    const fs::path indexFile = View().Catalogue().LookupCacheEntry(kIndex)->localFileName;
    fs::remove(indexFile);

    View().CopySelected();
    FinishWork();
    EXPECT_TRUE(fs::exists(out / photoFile.filename()));
    EXPECT_FALSE(fs::exists(out / indexFile.filename()));
    ASSERT_EQ(m_prompts.m_asked.size(), 1u) << "one report, for the missing file";
    EXPECT_NE(m_prompts.m_asked[0].text.find(indexFile.filename().string()), std::string::npos);
    fs::remove_all(out);
}

TEST_F(ChangingCacheTest, SearchAndGalleryAfterChanges)
{
    DeleteElsewhere(kPhoto);
    m_cache.Add({Entry(kNewPicture, 70)});
    // The search looks at the scanned rows: the gone entry is still found,
    // the new one is not, until Refresh.
    wxTheApp->CallAfter([] {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* dialog = dynamic_cast<operations::CSearchDlg*>(window); dialog && dialog->IsModal()) {
                wxDynamicCast(dialog->FindWindow(operations::IDC_KEYWORDS), wxTextCtrl)->SetValue("img");
                dialog->OnSearch();
            }
    });
    View().Search();
    const std::vector<std::string> found = Urls(View().GetSearchList()->Rows());
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), (std::set<std::string>{kPhoto, kLogo}));

    // The gallery leaves out the picture that has gone.
    View().GetTabStrip()->SetCurSel(catalogue::kCategoryImages);
    View().ShowCategory();
    FinishWork();
    EXPECT_TRUE(View().IsGalleryShown());

    View().RefreshCache();
    FinishWork();
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kNewPicture));
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kPhoto));
}

TEST_F(ChangingCacheTest, DeletionsTakeOnlyWhatTheUserSaw)
{
    // Added after the scan, into a site the user deletes: not shown to the
    // user, so not deleted.
    m_cache.Add({Entry(kNewPicture, 70)});
    DeleteElsewhere(kLogo);
    SelectSite(NodeAt({"www.example.com"}));
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSite();
    FinishWork();
    std::set<std::string> left = CachedUrls();
    EXPECT_TRUE(left.contains(kNewPicture));
    EXPECT_FALSE(left.contains(kIndex));
    EXPECT_FALSE(left.contains(kPhoto));
    EXPECT_TRUE(left.contains(kApp));

    // Delete All takes every listed entry; the rescan then shows the one
    // that came meanwhile.
    const std::string kLate = "http://late.example.org/page.htm";
    m_cache.Add({Entry(kLate, 10)});
    View().DeleteAll(false);
    FinishWork();
    left = CachedUrls();
    EXPECT_FALSE(left.contains(kApp));
    EXPECT_TRUE(left.contains(kLate));
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kLate));
}

TEST_F(ChangingCacheTest, AContainerGrownElsewhereIsReadAgain)
{
    // Enough entries that the other process must grow the container into a
    // new, larger file: the window's lookups follow it.
    std::vector<urlcache::NewCacheEntry> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(Entry("http://grow.example.net/page" + std::to_string(i) + ".htm", 8));
    m_cache.Add(many);
    EXPECT_NE(View().Catalogue().LookupCacheEntry(kPhoto), nullptr);
    EXPECT_NE(View().Catalogue().LookupCacheEntry("http://grow.example.net/page2999.htm"), nullptr);
    SelectRows(*View().GetAllList(), {kApp});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    EXPECT_FALSE(CachedUrls().contains(kApp));
    EXPECT_TRUE(CachedUrls().contains("http://grow.example.net/page0.htm"));
}

}  // namespace
}  // namespace trovana::test
