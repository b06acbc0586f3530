// SPDX-License-Identifier: GPL-3.0-or-later
// The list view form: tabs, lists and columns after start-up, the rule for
// the active list, the column layout on resize, the site tree and the
// listing of a site's entries.
#include <algorithm>
#include <map>

#include <wx/imaglist.h>
#include <wx/settings.h>

#include "listview/cache_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "window_fixture.h"

namespace trovana::test {
namespace {

using listview::CCacheList;

std::vector<std::string> RowUrls(const RowStore& rows)
{
    std::vector<std::string> urls;
    for (int row = 0; row < rows.Count(); ++row)
        urls.push_back(rows.Text(row, 0));
    return urls;
}

std::vector<int> ColumnWidthsOf(CCacheList& list)
{
    std::vector<int> widths;
    for (int column = 0; column < list.GetColumnCount(); ++column)
        widths.push_back(list.GetColumnWidth(column));
    return widths;
}

// The texts of the tree's items below an item, each level in display order:
// "name{child,child{...}}". Every item is expanded, as the user opens it to
// see what is below.
std::string Outline(listview::CSiteTree& tree, const wxTreeItemId& parent)
{
    std::string text;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = tree.GetFirstChild(parent, cookie); item.IsOk();
         item = tree.GetNextChild(parent, cookie)) {
        if (!text.empty())
            text += ",";
        text += tree.GetItemText(item).utf8_string();
        if (tree.ItemHasChildren(item)) {
            tree.Expand(item);
            text += "{" + Outline(tree, item) + "}";
        }
    }
    return text;
}

TEST(ColumnWidths, ShareTheClientWidthLessSlack)
{
    using Widths = std::array<int, 4>;
    EXPECT_EQ(listview::ColumnWidths(686), (Widths{400, 120, 80, 80}));
    EXPECT_EQ(listview::ColumnWidths(346), (Widths{200, 60, 40, 40}));
    EXPECT_EQ(listview::ColumnWidths(100), (Widths{55, 16, 11, 11}));
    // Narrower than the slack: no negative widths (which would mean "fit").
    EXPECT_EQ(listview::ColumnWidths(3), (Widths{0, 0, 0, 0}));
    // A date wider than its share widens Access Time at the Url's cost, up
    // to a third of the width.
    EXPECT_EQ(listview::ColumnWidths(346, 100), (Widths{160, 100, 40, 40}));
    EXPECT_EQ(listview::ColumnWidths(346, 300), (Widths{147, 113, 40, 40}));
}

TEST_F(WindowTest, TabsReportOnlyTheUsersChoice)
{
    StartWindow();
    listview::CTabStrip& tabs = *View().GetTabStrip();
    std::vector<int> reported;
    tabs.Bind(listview::EVT_TAB_SELCHANGE, [&](wxCommandEvent& event) { reported.push_back(event.GetInt()); });

    tabs.SetCurSel(3);
    EXPECT_EQ(tabs.GetCurSel(), 3);
    EXPECT_TRUE(reported.empty()) << "the program's own choice is not reported";

    auto clickOn = [&](int tab) {
        wxMouseEvent click(wxEVT_LEFT_DOWN);
        click.SetPosition(tabs.GetItemRect(tab).GetPosition() + wxPoint(3, 3));
        click.SetEventObject(&tabs);
        tabs.ProcessWindowEvent(click);
    };
    clickOn(2);
    EXPECT_EQ(tabs.GetCurSel(), 2);
    clickOn(2);  // the current tab again: no change to report
    EXPECT_EQ(reported, (std::vector<int>{2}));
    EXPECT_EQ(tabs.HitTest(wxPoint(tabs.GetClientSize().x - 1, tabs.GetClientSize().y - 1)), -1);

    // A tab inserted before the current one keeps the same tab current.
    tabs.InsertItem(0, "First", 0);
    EXPECT_EQ(tabs.GetCurSel(), 3);
    EXPECT_EQ(tabs.GetItemText(3), "Images");
}

TEST_F(WindowTest, TabsColumnsAndStylesAfterStartUp)
{
    StartWindow();
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const char* texts[] = {"All", "Documents", "Images", "Applications", "Cookies", "Visited Links", "Other"};
    ASSERT_EQ(tabs.GetItemCount(), 7);
    for (int tab = 0; tab < 7; ++tab) {
        EXPECT_EQ(tabs.GetItemText(tab), texts[tab]);
        EXPECT_EQ(tabs.GetItemImage(tab), tab);
    }
    EXPECT_EQ(tabs.GetCurSel(), 0);
    EXPECT_EQ(View().GetDescription(4), "Cookies - files created by web sites that store information on your computer");
    EXPECT_EQ(View().GetDescription(7), "Search results");
    EXPECT_EQ(View().GetColumnKinds(), (std::array<int, 4>{2, 3, 1, 1}));

    for (CCacheList* list : {View().GetAllList(), View().GetCategoryList(), View().GetSearchList()}) {
        ASSERT_EQ(list->GetColumnCount(), 4);
        const char* headings[] = {"Url", "Access Time", "Hit Rate", "Size"};
        for (int column = 0; column < 4; ++column) {
            wxListItem heading;
            heading.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
            list->GetColumn(column, heading);
            EXPECT_EQ(heading.GetText(), headings[column]);
            EXPECT_EQ(heading.GetAlign(), wxLIST_FORMAT_LEFT);
        }
        EXPECT_TRUE(list->HasFlag(wxLC_HRULES) && list->HasFlag(wxLC_VRULES)) << "grid lines";
        EXPECT_TRUE(list->HasFlag(wxLC_REPORT));
        // Clicks on the rows are caught in the window that holds them.
        EXPECT_NE(list->GetRowsWindow(), list);
        EXPECT_EQ(list->GetRowsWindow()->GetParent(), list);
        // A row of category i shows the picture of tab i.
        EXPECT_EQ(list->GetImageList(wxIMAGE_LIST_SMALL)->GetImageCount(), 8);
    }
    // The pictures of tab i and of rows of category i are the same.
    wxImageList* tabImages = tabs.GetImageList();
    wxImageList* rowImages = View().GetAllList()->GetImageList(wxIMAGE_LIST_SMALL);
    for (int i = 0; i < 8; ++i) {
        const wxImage tab = tabImages->GetBitmap(i).ConvertToImage();
        const wxImage row = rowImages->GetBitmap(i).ConvertToImage();
        ASSERT_EQ(tab.GetSize(), wxSize(16, 16));
        EXPECT_TRUE(std::equal(tab.GetData(), tab.GetData() + 16 * 16 * 3, row.GetData())) << "picture " << i;
    }
    EXPECT_EQ(m_pFrame->m_pTreeView->GetImageList()->GetImageCount(), 2);
}

TEST_F(WindowTest, AllListHoldsEveryEntryInEnumerationOrder)
{
    StartWindow();
    const RowStore& rows = View().GetAllList()->Rows();
    EXPECT_EQ(RowUrls(rows), m_cache.EnumeratedUrls());
    EXPECT_EQ(View().GetAllList()->GetItemCount(), rows.Count());
    EXPECT_EQ(View().Catalogue().TotalSize(), 1000 + 2000 + 3000 + 400 + 50 + 60);
    // What a row shows comes from its row: the URL, the category's picture.
    for (int row = 0; row < rows.Count(); ++row) {
        EXPECT_EQ(View().GetAllList()->GetItemText(row).utf8_string(), rows.Text(row, 0));
        if (rows.Text(row, 0) == "http://www.example.com/img/logo.gif") {
            EXPECT_EQ(rows.Image(row), 2);
            EXPECT_EQ(View().GetAllList()->GetItemText(row, 3), "2000");
        }
    }
}

TEST_F(WindowTest, AListIsLaidOutForItsNewRowCountAtOnce)
{
    // Long work (a deletion's batches) keeps the event loop busy: a list
    // whose row count changed is laid out at once, not when the loop is
    // next idle, until which it would paint nothing.
    StartWindow();
    CCacheList& list = *View().GetAllList();
    const int before = list.GetRowsWindow()->GetVirtualSize().GetHeight();
    for (int i = 0; i < 500; ++i)
        list.Rows().InsertRow(list.Rows().Count(), "http://more.example/" + std::to_string(i));
    list.RowsAppended();
    const int grown = list.GetRowsWindow()->GetVirtualSize().GetHeight();
    EXPECT_GT(grown, before);
    list.Rows().DeleteIf([](const ListRow& row) { return row.texts[0].starts_with("http://more.example/"); });
    list.RowsChanged();
    EXPECT_LT(list.GetRowsWindow()->GetVirtualSize().GetHeight(), grown);
}

TEST_F(WindowTest, ActiveListFollowsTabAndTreeSelection)
{
    StartWindow();
    listview::CCacheListView& view = View();
    EXPECT_EQ(view.GetActiveList(), view.GetAllList());
    view.m_pSelectedNode = nullptr;
    EXPECT_EQ(view.GetActiveList(), view.GetCategoryList()) << "no node selected yet";
    view.m_pSelectedNode = NodeAt({"www.example.com"});
    EXPECT_EQ(view.GetActiveList(), view.GetCategoryList()) << "a site on tab 0";
    view.GetTabStrip()->SetCurSel(3);
    EXPECT_EQ(view.GetActiveList(), view.GetCategoryList());
    view.m_pSelectedNode = &view.RootNode();
    EXPECT_EQ(view.GetActiveList(), view.GetCategoryList()) << "a category tab for all sites";

    view.GetTabStrip()->InsertItem(7, "Search Results", 7);
    view.GetTabStrip()->SetCurSel(7);
    EXPECT_EQ(view.GetActiveList(), view.GetSearchList());
    view.m_pSelectedNode = NodeAt({"www.example.com"});
    EXPECT_EQ(view.GetActiveList(), view.GetSearchList()) << "whatever the tree selection";
}

TEST_F(WindowTest, ResizeLaysOutTheListsAndTheirColumns)
{
    StartWindow();
    listview::CCacheListView& view = View();
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, view.GetAllList());
    const int dateWidth = view.GetAllList()->GetTextExtent("12/31/99 23:59:59").x;
    const int chrome = view.GetClientSize().x - view.GetAllList()->GetClientSize().x;
    for (const int clientWidth : {686, 346}) {
        view.SetSize(clientWidth + chrome, 300);
        ProcessEvents();
        ASSERT_EQ(view.GetAllList()->GetClientSize().x, clientWidth);
        const std::vector<int> widths = ColumnWidthsOf(*view.GetAllList());
        ASSERT_EQ(widths.size(), 4u);
        // The columns end before the rows' scroll bar; the Access Time column
        // holds a date; Hit Rate and Size share alike.
        EXPECT_LE(widths[0] + widths[1] + widths[2] + widths[3], clientWidth - scrollBar);
        EXPECT_GE(widths[1], std::min(dateWidth, (clientWidth - scrollBar - 6) / 3));
        EXPECT_EQ(widths[2], widths[3]);
        EXPECT_GT(widths[0], widths[1]) << "the Url column stays the widest";
        for (CCacheList* list : {view.GetAllList(), view.GetCategoryList(), view.GetSearchList()}) {
            EXPECT_EQ(ColumnWidthsOf(*list), widths);
            EXPECT_EQ(list->GetRect(), view.GetAllList()->GetRect()) << "the lists lie on one another";
        }
    }
    // The lists fill the tab strip's display area, below the tabs.
    const wxRect display = view.GetTabStrip()->AdjustRect(view.GetClientSize());
    EXPECT_EQ(view.GetAllList()->GetRect(), display);
    EXPECT_EQ(view.GetTabStrip()->GetRect(), wxRect(wxPoint(0, 0), view.GetClientSize()));
}

TEST_F(WindowTest, SiteTreeShowsHostsAndDirectoriesSortedWithoutCase)
{
    StartWindow();
    listview::CSiteTree& tree = *m_pFrame->m_pTreeView;
    // Entries never get items: alpha.net's start page, the files, the cookie.
    EXPECT_EQ(Outline(tree, tree.GetTopLevel()), "All{alpha.net{docs},Beta.org,gamma.com,www.example.com{img}}");

    // Every item carries its node, and the node its item.
    catalogue::CNode* img = NodeAt({"www.example.com", "img"});
    ASSERT_NE(img, nullptr);
    const wxTreeItemId item(img->TreeItem());
    EXPECT_EQ(tree.GetItemText(item), "img");
    EXPECT_EQ(tree.GetItemNode(item), img);
    EXPECT_EQ(tree.GetItemImage(item), 0);
    EXPECT_EQ(tree.GetItemImage(item, wxTreeItemIcon_Selected), 1);
}

TEST_F(WindowTest, SiteEntriesAreListedForTheCurrentTab)
{
    StartWindow();
    listview::CCacheListView& view = View();
    catalogue::CNode* site = NodeAt({"www.example.com"});
    ASSERT_NE(site, nullptr);
    auto listSite = [&](int tab) {
        view.GetTabStrip()->SetCurSel(tab);
        view.ClearCategoryList();
        view.ListSiteEntries(site);
        return RowUrls(view.GetCategoryList()->Rows());
    };

    // Each row goes on top: the rows stand in the reverse of the model's walk,
    // whatever order its maps keep.
    std::vector<std::string> walk;
    site->CollectUrls(walk);
    auto reversedWalk = [&walk](const std::vector<std::string>& only) {
        std::vector<std::string> urls;
        for (auto url = walk.rbegin(); url != walk.rend(); ++url) {
            if (std::find(only.begin(), only.end(), *url) != only.end())
                urls.push_back(*url);
        }
        return urls;
    };
    const std::vector<std::string> images = {"http://www.example.com/img/logo.gif",
                                             "http://www.example.com/img/photo.jpg"};
    EXPECT_EQ(listSite(0),
              reversedWalk({"http://www.example.com/index.htm", images[0], images[1], "Cookie:user@www.example.com/"}));
    EXPECT_EQ(view.GetListSize(), 1000 + 3000 + 2000 + 60);
    EXPECT_EQ(listSite(2), reversedWalk(images));
    EXPECT_EQ(view.GetListSize(), 5000);
    const RowStore& rows = view.GetCategoryList()->Rows();
    const int photo = rows.FindText(images[1]);
    ASSERT_GE(photo, 0);
    EXPECT_EQ(rows.Image(photo), 2);
    EXPECT_EQ(rows.ItemData(photo), 2);
    EXPECT_EQ(rows.Text(photo, 2), "1");
    EXPECT_EQ(rows.Text(photo, 3), "3000");
    EXPECT_FALSE(rows.Text(photo, 1).empty());
    EXPECT_EQ(listSite(4), (std::vector<std::string>{"Cookie:user@www.example.com/"}));
    EXPECT_EQ(listSite(5), (std::vector<std::string>{}));

    // An entry without a file lists with an empty size and adds nothing.
    view.GetTabStrip()->SetCurSel(0);
    view.ClearCategoryList();
    view.ListSiteEntries(NodeAt({"gamma.com"}));
    ASSERT_EQ(RowUrls(rows), (std::vector<std::string>{"Visited: user@http://gamma.com/page.htm"}));
    EXPECT_EQ(rows.Text(0, 3), "");
    EXPECT_EQ(view.GetListSize(), 0);
}

TEST_F(WindowTest, SecondInitialUpdateChangesNothing)
{
    StartWindow();
    listview::CCacheListView& view = View();
    listview::CSiteTree& tree = *m_pFrame->m_pTreeView;
    const int rows = view.GetAllList()->Rows().Count();
    const size_t items = tree.GetCount();
    // An entry added now would show up in a second scan.
    m_cache.Add({Entry("http://late.example.org/new.htm", 10)});

    view.OnInitialUpdate();
    EXPECT_EQ(view.GetTabStrip()->GetItemCount(), 7);
    EXPECT_EQ(view.GetAllList()->GetColumnCount(), 4);
    EXPECT_EQ(view.GetCategoryList()->GetColumnCount(), 4);
    EXPECT_EQ(view.GetTabStrip()->GetImageList()->GetImageCount(), 8);
    EXPECT_EQ(view.GetAllList()->Rows().Count(), rows);
    EXPECT_EQ(tree.GetCount(), items);
}

TEST_F(WindowTest, EmptyCacheGivesOnlyTheAllItem)
{
    TempCache empty;
    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    ASSERT_TRUE(m_pFrame->LoadFrame(empty.Location()));
    listview::CSiteTree& tree = *m_pFrame->m_pTreeView;
    EXPECT_EQ(Outline(tree, tree.GetTopLevel()), "All");
    EXPECT_EQ(View().GetAllList()->GetItemCount(), 0);
    EXPECT_EQ(View().m_pSelectedNode, &View().RootNode());
}

}  // namespace
}  // namespace trovana::test
