// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting selected rows, every entry and a site: exactly the chosen entries
// leave the cache, every list and the site tree.
#include "entry_commands/deletion_report.h"
#include "operations_fixture.h"

namespace trovana::test {
namespace {

const std::string kIndex = "http://www.example.com/index.htm";
const std::string kLogo = "http://www.example.com/img/logo.gif";
const std::string kPhoto = "http://www.example.com/img/photo.jpg";
const std::string kLocked = "http://www.example.com/img/locked.png";
const std::string kApp = "http://Beta.org/app.js";
const std::string kOther = "http://alpha.net/other.htm";
const std::string kReadme = "http://alpha.net/docs/readme.txt";

class DeleteTest : public OperationsTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        urlcache::NewCacheEntry locked = Entry(kLocked, 10);
        locked.useCount = 1;
        m_cache.Add({locked, Entry(kOther, 5)});
        StartWindow();
        m_before = CachedUrls();
    }
    std::set<std::string> m_before;
};

TEST_F(DeleteTest, NoSelectionAndNoChangeNothing)
{
    View().DeleteSelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "No cache item is selected!");

    SelectRows(*View().GetAllList(), {kIndex});
    m_prompts.m_answers = {wxID_NO};
    View().DeleteSelected();
    FinishWork();
    EXPECT_EQ(m_prompts.m_asked.back().text, "Delete Selected Cache Items?");
    EXPECT_EQ(CachedUrls(), m_before);
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kIndex));
}

TEST_F(DeleteTest, ALockedEntryBetweenTwoOthers)
{
    SelectRows(*View().GetAllList(), {kLogo, kLocked, kPhoto});
    const int64_t total = View().Catalogue().TotalSize();
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();

    ASSERT_EQ(m_prompts.m_asked.size(), 2u);
    EXPECT_EQ(m_prompts.m_asked[1].caption, "Cannot Delete " + kLocked);
    EXPECT_EQ(m_prompts.m_asked[1].text,
              "The item is locked or in use. The item will be marked and will be deleted when the file is unlocked");
    EXPECT_EQ(CachedUrls(), Without(m_before, {kLogo, kPhoto}));
    const RowStore& all = View().GetAllList()->Rows();
    EXPECT_FALSE(Lists(all, kLogo));
    EXPECT_FALSE(Lists(all, kPhoto));
    EXPECT_TRUE(Lists(all, kLocked));
    EXPECT_EQ(View().Catalogue().TotalSize(), total - 5000) << "the totals follow the deletion";
    EXPECT_EQ(NodeAt({"www.example.com", "img", "logo.gif"}), nullptr);
}

TEST_F(DeleteTest, AnEntryNoLongerCachedIsReported)
{
    urlcache::UrlCache(m_cache.Location()).DeleteEntry(kApp);
    SelectRows(*View().GetAllList(), {kApp});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u);
    EXPECT_EQ(m_prompts.m_asked[1].text, "The item is not in the cache");
    EXPECT_EQ(m_prompts.m_asked[1].caption, "Cannot Delete " + kApp);
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kApp)) << "a failed deletion keeps its row";

    // Several failures: one box at the end, each reason once with its count.
    urlcache::UrlCache(m_cache.Location()).DeleteEntry(kReadme);
    SelectRows(*View().GetAllList(), {kApp, kLocked, kReadme, kOther});
    m_prompts.m_asked.clear();
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u);
    EXPECT_EQ(m_prompts.m_asked[1].caption, "Cannot Delete 3 Items");
    const std::string& text = m_prompts.m_asked[1].text;
    EXPECT_TRUE(text.starts_with("3 of 4 items could not be deleted:\n\n")) << text;
    EXPECT_NE(text.find("\nnot in the cache (2 items)"), std::string::npos) << text;
    EXPECT_NE(text.find("\nlocked or in use: marked, to be deleted when unlocked (1 item)"), std::string::npos) << text;
    EXPECT_EQ(CachedUrls(), Without(m_before, {kApp, kReadme, kOther}));
}

TEST_F(DeleteTest, RowsLeaveEveryListTheSearchResultsIncluded)
{
    View().GetTabStrip()->InsertItem(catalogue::kCategorySearchResults, "Search Results",
                                     catalogue::kCategorySearchResults);
    View().GetTabStrip()->SetCurSel(catalogue::kCategorySearchResults);
    RowStore& results = View().GetSearchList()->Rows();
    for (const std::string& url : {kIndex, kApp})
        results.InsertRow(0, View().GetAllList()->Rows().Row(View().GetAllList()->Rows().FindText(url)));
    View().GetSearchList()->RowsChanged();
    SelectRows(*View().GetSearchList(), {kApp});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();

    EXPECT_EQ(CachedUrls(), Without(m_before, {kApp}));
    EXPECT_EQ(Urls(results), std::vector<std::string>{kIndex});
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kApp));
    EXPECT_EQ(NodeAt({"Beta.org", "app.js"}), nullptr) << "the leaf left the model";
}

TEST_F(DeleteTest, OnTheImagesTab)
{
    View().GetTabStrip()->SetCurSel(catalogue::kCategoryImages);
    SelectSite(&View().RootNode());
    ASSERT_TRUE(Lists(View().GetCategoryList()->Rows(), kPhoto));
    SelectRows(*View().GetCategoryList(), {kPhoto});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    EXPECT_EQ(CachedUrls(), Without(m_before, {kPhoto}));
    EXPECT_FALSE(Lists(View().GetCategoryList()->Rows(), kPhoto));
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kPhoto));
    EXPECT_TRUE(Lists(View().GetCategoryList()->Rows(), kLogo));
}

TEST_F(DeleteTest, DeletingASitesRowsUntilTheSiteGoes)
{
    // The site holds exactly the selected rows: its item goes while the
    // rows are deleted, and nothing else may be deleted with it.
    urlcache::UrlCache(m_cache.Location()).DeleteEntry(kLocked);
    catalogue::CNode* img = NodeAt({"www.example.com", "img"});
    img->RemoveUrl(kLocked);
    SelectSite(img);
    ASSERT_EQ(View().GetCategoryList()->Rows().Count(), 2);
    SelectRows(*View().GetCategoryList(), {kLogo, kPhoto});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();

    EXPECT_EQ(CachedUrls(), Without(m_before, {kLogo, kPhoto}));
    EXPECT_EQ(NodeAt({"www.example.com", "img"}), nullptr);
    EXPECT_EQ(View().m_pSelectedNode, NodeAt({"www.example.com"}));
    EXPECT_EQ(View().m_pSiteTree->GetItemNode(View().m_pSiteTree->GetSelection()), NodeAt({"www.example.com"}));
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kLogo));
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kPhoto));
}

TEST_F(DeleteTest, TheLastEntryOfASitePrunesUpToAll)
{
    SelectSite(NodeAt({"Beta.org"}));
    SelectRows(*View().GetCategoryList(), {kApp});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    EXPECT_EQ(CachedUrls(), Without(m_before, {kApp}));
    EXPECT_EQ(View().m_pSelectedNode, &View().RootNode());
    EXPECT_TRUE(View().RootNode().TreeItem() != nullptr);
    EXPECT_EQ(View().m_pSiteTree->GetChildrenCount(wxTreeItemId(View().RootNode().TreeItem()), false), 3u);
}

TEST_F(DeleteTest, ADirectoryThatStillHoldsEntriesStays)
{
    catalogue::CNode* alpha = NodeAt({"alpha.net"});
    ASSERT_NE(alpha, nullptr);
    ASSERT_EQ(alpha->Children().size(), 2u) << "a page and the docs directory";
    SelectSite(alpha);
    View().m_pSiteTree->Expand(wxTreeItemId(alpha->TreeItem()));  // docs's item is made
    SelectRows(*View().GetCategoryList(), {kOther});
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSelected();
    FinishWork();
    // The one directory left below still holds an entry: it stays.
    EXPECT_EQ(CachedUrls(), Without(m_before, {kOther}));
    ASSERT_NE(NodeAt({"alpha.net", "docs"}), nullptr);
    EXPECT_TRUE(NodeAt({"alpha.net", "docs"})->TreeItem() != nullptr);
    EXPECT_EQ(View().m_pSelectedNode, NodeAt({"alpha.net"}));
}

TEST_F(DeleteTest, DeleteAllAsksAndDeletesWhatTheListShowed)
{
    m_prompts.m_answers = {wxID_NO};
    View().DeleteAll(true);
    FinishWork();
    EXPECT_EQ(m_prompts.m_asked.at(0).text, "Delete All Cache Items?");
    EXPECT_EQ(CachedUrls(), m_before);

    // An entry that came after the scan is not listed, and survives.
    const std::string late = "http://late.com/new.htm";
    m_cache.Add({Entry(late, 5)});
    View().GetSearchList()->Rows().InsertRow(0, kIndex);
    m_prompts.m_answers = {wxID_YES};
    View().DeleteAll(true);
    FinishWork();
    EXPECT_EQ(CachedUrls(), (std::set<std::string>{late, kLocked}));
    // The locked entry is reported once, and listed again by the rescan.
    ASSERT_EQ(m_prompts.m_asked.size(), 3u);
    EXPECT_EQ(m_prompts.m_asked[2].caption, "Cannot Delete " + kLocked);
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kLocked));
    EXPECT_EQ(View().GetSearchList()->Rows().Count(), 0);
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), catalogue::kCategoryAll);
    EXPECT_EQ(View().GetSearchSize(), 0);

    m_prompts.m_asked.clear();
    View().DeleteAll(false);
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u) << "no question, one report";
    EXPECT_EQ(m_prompts.m_asked[0].caption, "Cannot Delete " + kLocked);
    EXPECT_EQ(CachedUrls(), std::set<std::string>{kLocked});
}

TEST_F(DeleteTest, DeleteSiteOfADirectory)
{
    SelectSite(NodeAt({"www.example.com", "img"}));
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSite();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Cache Items Of img ?");
    EXPECT_EQ(m_prompts.m_asked[1].caption, "Cannot Delete " + kLocked);
    EXPECT_EQ(m_prompts.m_asked[1].text,
              "The file is locked or in use. The item will be marked and will be deleted when the file is unlocked");
    EXPECT_EQ(CachedUrls(), Without(m_before, {kLogo, kPhoto}));
    // The site stays in the tree with the entry that is still cached.
    catalogue::CNode* img = NodeAt({"www.example.com", "img"});
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(View().m_pSelectedNode, img);
    std::vector<std::string> left;
    img->CollectUrls(left);
    EXPECT_EQ(left, std::vector<std::string>{kLocked});
    EXPECT_EQ(Urls(View().GetCategoryList()->Rows()), std::vector<std::string>{kLocked});
    // Rows of deleted entries leave the All list; the locked one's stays.
    EXPECT_FALSE(Lists(View().GetAllList()->Rows(), kLogo));
    EXPECT_TRUE(Lists(View().GetAllList()->Rows(), kLocked));
}

TEST_F(DeleteTest, ASiteNeverOpenedLosesItsButtonWithItsLastDirectory)
{
    // The items below a site are made when it is first opened: here never.
    const std::string held = "http://lock.example/held.htm";
    urlcache::NewCacheEntry locked = Entry(held, 10);
    locked.useCount = 1;
    m_cache.Add({locked, Entry("http://lock.example/dir/gone.htm", 10)});
    View().RefreshCache();
    FinishWork();
    catalogue::CNode* site = NodeAt({"lock.example"});
    ASSERT_NE(site, nullptr);
    SelectSite(site);
    const wxTreeItemId item(site->TreeItem());
    EXPECT_TRUE(View().m_pSiteTree->ItemHasChildren(item)) << "dir is below";

    m_prompts.m_answers = {wxID_YES};
    View().DeleteSite();
    FinishWork();
    // The locked entry keeps the site; its directory went, and with it the
    // site's button: opening it shows nothing.
    std::set<std::string> left = m_before;
    left.insert(held);
    EXPECT_EQ(CachedUrls(), left);
    ASSERT_EQ(NodeAt({"lock.example"}), site);
    EXPECT_EQ(NodeAt({"lock.example", "dir"}), nullptr);
    EXPECT_FALSE(View().m_pSiteTree->ItemHasChildren(item));
    View().m_pSiteTree->Expand(item);
    EXPECT_EQ(View().m_pSiteTree->GetChildrenCount(item), 0u);
    EXPECT_EQ(Urls(View().GetCategoryList()->Rows()), std::vector<std::string>{held});
}

TEST_F(DeleteTest, DeleteSiteWithoutASelectionOrOnAll)
{
    View().m_pSiteTree->Unselect();
    View().DeleteSite();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "No web site is selected!");

    SelectSite(&View().RootNode());
    m_prompts.m_asked.clear();
    m_prompts.m_answers = {wxID_YES};
    View().DeleteSite();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u) << "no second question, one report";
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Cache Items Of All ?");
    EXPECT_EQ(m_prompts.m_asked[1].caption, "Cannot Delete " + kLocked);
    EXPECT_EQ(CachedUrls(), std::set<std::string>{kLocked});
}

TEST(DeleteFailureText, NamesTheEntryByTheOperationsWord)
{
    using entry_commands::EntryWording;
    EXPECT_EQ(entry_commands::DeleteFailureText(urlcache::ERROR_FILE_NOT_FOUND, EntryWording::File),
              "The file is not in the cache");
    EXPECT_EQ(entry_commands::DeleteFailureText(urlcache::ERROR_INVALID_DATA, EntryWording::Item), "");
}

}  // namespace
}  // namespace trovana::test
