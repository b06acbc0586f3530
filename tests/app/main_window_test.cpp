// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the program starts it: size, title, panes, bars, the
// site tree's selection, and the wait window.
#include <webkit2/webkit2.h>
#include <wx/gauge.h>
#include <wx/settings.h>
#include <wx/webview.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/resource.h"
#include "app/right_frame.h"
#include "app/wait_window.h"
#include "listview/cache_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "window_fixture.h"
#include "project_info.h"

namespace trovana::test {
namespace {

using app::g_pWaitDlg;
using app::g_wndProgress;
using app::g_wndStatusBar;

TEST_F(WindowTest, StartsShownCentredWithTitleAndPanes)
{
    StartWindow();
    EXPECT_EQ(m_pFrame->GetTitle(), wxString("Trovana ") + kVersion);
    EXPECT_EQ(m_pFrame->GetSize(), wxSize(800, 600));
    const wxSize screen = wxGetDisplaySize();
    EXPECT_EQ(m_pFrame->GetScreenPosition(), wxPoint((screen.x - 800) / 2, (screen.y - 600) / 2));

    // The site tree on the left, 200 pixels wide; the lists above the preview.
    wxSplitterWindow* main = m_pFrame->GetSplitter();
    ASSERT_EQ(main->GetSplitMode(), wxSPLIT_VERTICAL);
    EXPECT_EQ(main->GetWindow1(), m_pFrame->m_pTreeView);
    EXPECT_EQ(main->GetSashPosition(), 200);
    EXPECT_EQ(main->GetMinimumPaneSize(), 100);
    wxSplitterWindow* right = m_pFrame->GetRightFrame()->GetSplitter();
    ASSERT_EQ(right->GetSplitMode(), wxSPLIT_HORIZONTAL);
    EXPECT_EQ(right->GetWindow1(), &View());
    EXPECT_EQ(right->GetWindow2(), View().m_pWebView);
    EXPECT_EQ(right->GetSashPosition(), 300);
    EXPECT_EQ(right->GetMinimumPaneSize(), 100);
    EXPECT_EQ(View().m_pSiteTree, m_pFrame->m_pTreeView);

    // The preview runs no page scripts.
    wxWebView* browser = View().m_pWebView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    auto* native = static_cast<WebKitWebView*>(browser->GetNativeBackend());
    EXPECT_FALSE(webkit_settings_get_enable_javascript_markup(webkit_web_view_get_settings(native)));

    // The first scan showed the wait window; only the main window is on the
    // screen once start-up is over.
    ASSERT_NE(g_pWaitDlg, nullptr);
    EXPECT_EQ(g_pWaitDlg->GetText(), "Collecting Data ...");
    EXPECT_FALSE(g_pWaitDlg->IsShown());
}

TEST_F(WindowTest, MenuAndButtonsCarryTheirCommandsAndPrompts)
{
    StartWindow();
    wxMenuBar* menus = m_pFrame->GetMenuBar();
    ASSERT_EQ(menus->GetMenuCount(), 4u);
    EXPECT_EQ(menus->GetMenuLabel(0), "&File");
    EXPECT_EQ(menus->GetMenuLabel(1), "&Edit");
    EXPECT_EQ(menus->GetMenuLabel(2), "&View");
    EXPECT_EQ(menus->GetMenuLabel(3), "&Help");
    // Export... above Exit; the View menu's two choices, both off at first.
    const wxMenuItemList& file = menus->GetMenu(0)->GetMenuItems();
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file[file.size() - 3]->GetId(), app::ID_FILE_EXPORT);
    EXPECT_EQ(file[file.size() - 1]->GetId(), app::ID_APP_EXIT);
    EXPECT_FALSE(menus->IsChecked(app::ID_VIEW_RECOVERED));
    EXPECT_EQ(menus->FindItem(app::ID_VIEW_TIMES_UTC)->GetMenu(), menus->GetMenu(2));
    const wxMenuItemList& edit = menus->GetMenu(1)->GetMenuItems();
    const std::vector<int> editIds = {app::ID_CACHE_COPY, wxID_SEPARATOR,       app::ID_CACHE_SEARCH,
                                      wxID_SEPARATOR,     app::ID_CACHE_DELETE, app::ID_CACHE_DELETE_ALL};
    ASSERT_EQ(edit.size(), editIds.size());
    int position = 0;
    for (const wxMenuItem* item : edit)
        EXPECT_EQ(item->GetId(), editIds[position++]);
    EXPECT_EQ(menus->FindItem(app::ID_CACHE_DELETE_ALL)->GetItemLabel(), "Delete &All");
    EXPECT_EQ(menus->FindItem(app::ID_APP_ABOUT)->GetItemLabel(), "&About Trovana...");

    wxToolBar* buttons = m_pFrame->GetToolBar();
    const int buttonIds[] = {app::ID_CACHE_REFRESH, app::ID_CACHE_COPY,       app::ID_CACHE_SEARCH,
                             app::ID_CACHE_DELETE,  app::ID_CACHE_DELETE_ALL, app::ID_CHECK_UPDATE};
    ASSERT_EQ(buttons->GetToolsCount(), std::size(buttonIds));
    for (size_t i = 0; i < std::size(buttonIds); ++i) {
        const wxToolBarToolBase* tool = buttons->GetToolByPos(static_cast<int>(i));
        EXPECT_EQ(tool->GetId(), buttonIds[i]);
        EXPECT_TRUE(tool->GetShortHelp().empty()) << "no tooltip on button " << i;
        EXPECT_FALSE(tool->GetLongHelp().empty());
        EXPECT_EQ(tool->GetNormalBitmap().GetSize(), wxSize(60, 46));
    }

    // The pictures' background has become the system's button colour.
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    for (size_t i = 0; i < std::size(buttonIds); ++i) {
        const wxImage picture = buttons->GetToolByPos(static_cast<int>(i))->GetNormalBitmap().ConvertToImage();
        EXPECT_EQ(wxColour(picture.GetRed(0, 0), picture.GetGreen(0, 0), picture.GetBlue(0, 0)), face);
        int drawn = 0;
        int background = 0;
        for (int y = 0; y < picture.GetHeight(); ++y) {
            for (int x = 0; x < picture.GetWidth(); ++x) {
                const wxColour pixel(picture.GetRed(x, y), picture.GetGreen(x, y), picture.GetBlue(x, y));
                background += pixel == wxColour(212, 234, 156) ? 1 : 0;
                drawn += pixel != face ? 1 : 0;
            }
        }
        EXPECT_EQ(background, 0) << "button " << i;
        EXPECT_GT(drawn, 100) << "button " << i << " has a picture";
    }

    // A pointed-at button's prompt shows in field 0; "Ready" comes back after.
    m_pFrame->DoGiveHelp(buttons->GetToolByPos(0)->GetLongHelp(), true);
    EXPECT_EQ(g_wndStatusBar->GetStatusText(0), "Refresh Cache List");
    m_pFrame->DoGiveHelp(wxString(), false);
    EXPECT_EQ(g_wndStatusBar->GetStatusText(0), "Ready");
}

TEST_F(WindowTest, StatusBarHasFiveFieldsAndTheProgressStaysOverField4)
{
    StartWindow();
    ASSERT_EQ(g_wndStatusBar, m_pFrame->GetStatusBar());
    ASSERT_EQ(g_wndStatusBar->GetFieldsCount(), 5);
    // The selection of "All" at start-up writes the summary of the All list.
    EXPECT_EQ(g_wndStatusBar->GetStatusText(0), "All cache entries (8 Items, 0.01 M)   ");
    EXPECT_GE(g_wndStatusBar->GetStatusWidth(4), g_wndStatusBar->GetTextExtent(wxString(' ', 33)).x);

    ASSERT_NE(g_wndProgress, nullptr);
    EXPECT_EQ(g_wndProgress->GetParent(), g_wndStatusBar);
    EXPECT_EQ(g_wndProgress->GetRange(), 100);
    EXPECT_EQ(g_wndProgress->GetValue(), 0);
    for (const wxSize size : {wxSize(640, 480), wxSize(900, 650), wxSize(800, 600)}) {
        ResizeWindow(size);
        wxRect field;
        ASSERT_TRUE(g_wndStatusBar->GetFieldRect(4, field));
        // Inside the field, as wide and all but a pixel above and below as high.
        const wxRect bar = g_wndProgress->GetRect();
        EXPECT_TRUE(field.Contains(bar)) << "window " << size.x << " x " << size.y;
        EXPECT_EQ(bar.width, field.width) << "window " << size.x << " x " << size.y;
        EXPECT_GE(bar.height, field.height - 2) << "window " << size.x << " x " << size.y;
    }
}

TEST_F(WindowTest, StartUpSelectsAllInTheTreeAndShowsTheAllList)
{
    StartWindow();
    listview::CSiteTree* tree = m_pFrame->m_pTreeView;
    const wxTreeItemId selected = tree->GetSelection();
    ASSERT_TRUE(selected.IsOk());
    EXPECT_EQ(tree->GetItemText(selected), "All");
    EXPECT_TRUE(tree->IsExpanded(selected));
    EXPECT_EQ(View().m_pSelectedNode, &View().RootNode());

    EXPECT_TRUE(View().GetAllList()->IsShown());
    EXPECT_FALSE(View().GetCategoryList()->IsShown());
    EXPECT_FALSE(View().GetSearchList()->IsShown());
    EXPECT_EQ(View().GetActiveList(), View().GetAllList());
}

TEST_F(WindowTest, WaitWindowShowsTheLatestTextAndEndsHidden)
{
    StartWindow();
    app::HideBusyIndicator();
    EXPECT_FALSE(g_pWaitDlg->IsShown()) << "hiding a hidden window keeps it hidden";

    app::ShowBusyIndicator("Collecting Data ...");
    // On the screen at once, without a return to the event loop.
    EXPECT_TRUE(g_pWaitDlg->IsShownOnScreen());
    EXPECT_EQ(g_pWaitDlg->GetTitle(), "Wait ...");
    app::ShowBusyIndicator("Second text");
    EXPECT_TRUE(g_pWaitDlg->IsShown());
    EXPECT_EQ(g_pWaitDlg->GetText(), "Second text");
    app::HideBusyIndicator();
    ProcessEvents();
    EXPECT_FALSE(g_pWaitDlg->IsShown());
}

}  // namespace
}  // namespace trovana::test
