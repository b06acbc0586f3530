// SPDX-License-Identifier: GPL-3.0-or-later
// The window's answers to tabs, tree selections, keys, column clicks and
// Refresh: which list shows which rows, the status summary, the shortcuts.
#include <numeric>

#include <wx/app.h>
#include <wx/statusbr.h>

#include "listview/cache_list.h"
#include "listview/list_sorter.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/search_dlg.h"
#include "scripted_prompts.h"
#include "window_fixture.h"

namespace trovana::test {
namespace {

using listview::CCacheList;

std::string Summary(const wxString& description, int count, int64_t bytes)
{
    return (description + wxString::Format(" (%d Items, %.2f M)   ", count, bytes / 1048576.0)).utf8_string();
}

// The summary as shown: the whole text, or its description shortened with
// "..." after a whole word where the counts would not fit the status field
// otherwise.
bool ShowsSummary(const std::string& shown, const std::string& full)
{
    if (shown == full)
        return true;
    const size_t counts = full.rfind(" (");
    const size_t dots = shown.rfind("...");
    return dots != std::string::npos && counts != std::string::npos && shown.substr(dots + 3) == full.substr(counts) &&
           full.starts_with(shown.substr(0, dots)) && dots < full.size() &&
           std::string(" -,;:").find(full[dots]) != std::string::npos;
}

class InteractionTest : public WindowTest {
protected:
    std::string StatusText() { return m_pFrame->GetStatusBar()->GetStatusText(0).utf8_string(); }
    void ChooseTab(int tab)
    {
        View().GetTabStrip()->SetCurSel(tab);
        View().ShowCategory();
        View().UpdateStatusSummary();
    }
    void SelectSite(catalogue::CNode* node)
    {
        ASSERT_NE(node, nullptr);
        // Below a site never opened its item is made first.
        View().m_pSiteTree->SelectItem(View().m_pSiteTree->ItemOf(node));
        ProcessEvents();
    }
    std::vector<std::string> Urls(const RowStore& rows)
    {
        std::vector<std::string> urls;
        for (int row = 0; row < rows.Count(); ++row)
            urls.push_back(rows.Text(row, 0));
        return urls;
    }
};

TEST_F(InteractionTest, EachTabListsItsRowsOfTheAllListInOrder)
{
    StartWindow();
    listview::CCacheListView& view = View();
    const RowStore& all = view.GetAllList()->Rows();
    EXPECT_EQ(StatusText(), Summary("All cache entries", all.Count(), view.Catalogue().TotalSize()));
    for (int tab = 1; tab <= 6; ++tab) {
        ChooseTab(tab);
        std::vector<std::string> expected;
        int64_t bytes = 0;
        for (int row = 0; row < all.Count(); ++row) {
            if (all.ItemData(row) != tab)
                continue;
            expected.push_back(all.Text(row, 0));
            if (!all.Text(row, 3).empty())
                bytes += std::stoll(all.Text(row, 3));
        }
        const RowStore& rows = view.GetCategoryList()->Rows();
        EXPECT_EQ(Urls(rows), expected) << "tab " << tab;
        for (int row = 0; row < rows.Count(); ++row) {
            EXPECT_EQ(rows.Image(row), tab);
            EXPECT_EQ(rows.ItemData(row), 0);
            EXPECT_EQ(rows.Row(row).texts, all.Row(all.FindText(rows.Text(row, 0))).texts);
        }
        EXPECT_EQ(view.GetListSize(), bytes);
        EXPECT_TRUE(view.GetCategoryList()->IsShown() && !view.GetAllList()->IsShown() &&
                    !view.GetSearchList()->IsShown());
        EXPECT_TRUE(ShowsSummary(StatusText(), Summary(view.GetDescription(tab), rows.Count(), bytes))) << StatusText();
    }
    ChooseTab(2);
    EXPECT_EQ(Urls(view.GetCategoryList()->Rows()), (std::vector<std::string>{"http://www.example.com/img/logo.gif",
                                                                              "http://www.example.com/img/photo.jpg"}));
    EXPECT_EQ(StatusText(), "Image files (2 Items, 0.00 M)   ");

    ChooseTab(0);
    EXPECT_TRUE(view.GetAllList()->IsShown() && !view.GetCategoryList()->IsShown());
    EXPECT_EQ(view.GetActiveList(), view.GetAllList());
}

TEST_F(InteractionTest, ASiteListsItsEntriesOnEveryTab)
{
    StartWindow();
    listview::CCacheListView& view = View();
    SelectSite(NodeAt({"www.example.com"}));
    EXPECT_EQ(view.GetActiveList(), view.GetCategoryList());
    EXPECT_TRUE(view.GetCategoryList()->IsShown() && !view.GetAllList()->IsShown());
    // The site's pages and images, and its cookie.
    EXPECT_EQ(view.GetCategoryList()->Rows().Count(), 4);
    EXPECT_EQ(StatusText(), Summary("All cache entries", 4, 6060));

    ChooseTab(2);
    EXPECT_EQ(view.GetCategoryList()->Rows().Count(), 2);
    EXPECT_EQ(StatusText(), Summary("Image files", 2, 5000));
    ChooseTab(4);
    EXPECT_TRUE(ShowsSummary(
        StatusText(),
        "Cookies - files created by web sites that store information on your computer (1 Items, 0.00 M)   "));
    SelectSite(NodeAt({"gamma.com"}));
    EXPECT_TRUE(ShowsSummary(
        StatusText(),
        "Cookies - files created by web sites that store information on your computer (0 Items, 0.00 M)   "));
}

TEST_F(InteractionTest, TheEmptySearchListAndAnEmptyCache)
{
    TempCache empty;
    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    ASSERT_TRUE(m_pFrame->LoadFrame(empty.Location()));
    ChooseTab(1);
    EXPECT_EQ(StatusText(), "Text, html files (0 Items, 0.00 M)   ");
    View().GetTabStrip()->InsertItem(7, "Search Results", 7);
    ChooseTab(7);
    EXPECT_EQ(StatusText(), "Search results (0 Items, 0.00 M)   ");
    EXPECT_TRUE(View().GetSearchList()->IsShown() && !View().GetCategoryList()->IsShown());
}

TEST_F(InteractionTest, KeysActOnTheActiveListWhereverTheFocusIs)
{
    StartWindow();
    listview::CCacheListView& view = View();
    ChooseTab(2);
    view.m_pSiteTree->SetFocus();
    EXPECT_TRUE(view.HandleListKey('A', true));
    EXPECT_EQ(view.GetCategoryList()->Rows().SelectedCount(), 2);
    EXPECT_EQ(view.GetCategoryList()->GetSelectedItemCount(), 2);
    EXPECT_EQ(view.GetAllList()->Rows().SelectedCount(), 0) << "only the visible list";
    EXPECT_TRUE(WaitUntil([&] {
        return wxWindow::FindFocus() == view.GetCategoryList() ||
               wxWindow::FindFocus() == view.GetCategoryList()->GetRowsWindow();
    }));

    // Ctrl+F opens the Search dialog (cancelled here).
    bool searchShown = false;
    wxTheApp->CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* dialog = dynamic_cast<operations::CSearchDlg*>(window); dialog != nullptr && dialog->IsModal()) {
                searchShown = true;
                dialog->EndModal(wxID_CANCEL);
            }
        }
    });
    EXPECT_TRUE(view.HandleListKey('F', true));
    EXPECT_TRUE(searchShown);

    // Delete asks about the selected rows; answered No, nothing changes.
    EXPECT_FALSE(view.HandleListKey(WXK_DELETE, true)) << "not a shortcut with Ctrl held";
    EXPECT_FALSE(view.HandleListKey('Q', true)) << "left to the menu's accelerator";
    EXPECT_TRUE(m_prompts.m_asked.empty());
    EXPECT_TRUE(view.HandleListKey(WXK_DELETE, false));
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Selected Cache Items?");
    EXPECT_EQ(view.GetCategoryList()->Rows().Count(), 2);
    EXPECT_FALSE(view.HandleListKey('A', false));
    EXPECT_FALSE(view.HandleListKey(WXK_DOWN, false));
}

TEST_F(InteractionTest, ColumnClicksSortTheActiveListInAlternatingDirections)
{
    StartWindow();
    listview::CCacheListView& view = View();
    const RowStore& all = view.GetAllList()->Rows();
    auto sizes = [&] {
        std::vector<long> values;
        for (int row = 0; row < all.Count(); ++row)
            values.push_back(std::atol(all.Text(row, 3).c_str()));
        return values;
    };
    const bool before = view.IsSortAscending();
    view.OnColumnclickList(3);
    EXPECT_EQ(view.IsSortAscending(), !before);
    auto values = sizes();
    if (before)
        EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend())) << "first click after start: largest first";
    else
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    view.OnColumnclickList(3);
    values = sizes();
    if (before)
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    else
        EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));

    // Item data stayed with their rows: a tab still copies the right ones.
    ChooseTab(2);
    EXPECT_EQ(view.GetCategoryList()->Rows().Count(), 2);
    for (int row = 0; row < all.Count(); ++row) {
        EXPECT_GE(all.ItemData(row), 1);
        EXPECT_LE(all.ItemData(row), 6);
    }
    // The shared flag flips on this list too, and sorts it by URL.
    const bool ascending = !view.IsSortAscending();
    view.OnColumnclickList(0);
    EXPECT_EQ(view.IsSortAscending(), ascending);
    const auto urls = Urls(view.GetCategoryList()->Rows());
    EXPECT_EQ(urls.front(), ascending ? "http://www.example.com/img/logo.gif" : "http://www.example.com/img/photo.jpg");
}

TEST_F(InteractionTest, RefreshRescansAndStartsOverOnTheAllTab)
{
    StartWindow();
    listview::CCacheListView& view = View();
    SelectSite(NodeAt({"alpha.net"}));
    ChooseTab(3);
    view.GetSearchList()->Rows().InsertRow(0, "http://old/");
    m_cache.Add({Entry("http://delta.org/new.gif", 10)});

    view.RefreshCache();
    FinishWork();
    ProcessEvents();
    EXPECT_EQ(view.GetTabStrip()->GetCurSel(), 0);
    EXPECT_EQ(view.m_pSelectedNode, &view.RootNode());
    EXPECT_TRUE(view.GetAllList()->IsShown() && !view.GetCategoryList()->IsShown() && !view.GetSearchList()->IsShown());
    EXPECT_EQ(view.GetSearchList()->Rows().Count(), 0);
    EXPECT_EQ(view.GetSearchSize(), 0);
    EXPECT_EQ(view.GetAllList()->Rows().Count(), 9);
    EXPECT_NE(NodeAt({"delta.org"}), nullptr);
    EXPECT_EQ(StatusText(), Summary("All cache entries", 9, view.Catalogue().TotalSize()));
}

}  // namespace
}  // namespace trovana::test
