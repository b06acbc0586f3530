// SPDX-License-Identifier: GPL-3.0-or-later
// The window driven as a person drives it: clicks and keys sent through the
// X server, then the cache, the rows and the window's geometry checked.
#include <algorithm>
#include <functional>

#include <gtk/gtk.h>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/eventfilter.h>
#include <wx/textctrl.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/webview.h>

#include <cerrno>
#include <system_error>
#include <algorithm>
#include <cctype>
#include <optional>

#include "app/main_frame.h"
#include "app/trovana_app.h"
#include "app/wait_window.h"
#include "details/properties_dlg.h"
#include "folder_lock.h"
#include "listview/first_scan.h"
#include "listview/cache_list.h"
#include "listview/prompts.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/search_dlg.h"
#include "scripted_prompts.h"
#include "when_shown.h"
#include "window_fixture.h"
#include "x_input.h"

namespace trovana::test {
namespace {

class UserInputTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // Enough hosts that the tree and the All list must scroll.
        std::vector<urlcache::NewCacheEntry> more;
        for (int i = 0; i < 60; ++i)
            more.push_back(Entry("http://host" + std::to_string(100 + i) + ".example/page.htm", 10, "text/html"));
        m_cache.Add(more);
        StartWindow();
        m_pFrame->m_closingPause = [](int) {};
    }

    listview::CSiteTree& Tree() { return *m_pFrame->m_pTreeView; }
    wxPoint ItemPoint(catalogue::CNode* node)
    {
        wxRect rect;
        EXPECT_TRUE(Tree().GetBoundingRect(wxTreeItemId(node->TreeItem()), rect, true));
        return rect.GetPosition() + wxPoint(4, rect.height / 2);
    }
    // A point in a row of a list, in the list's client coordinates.
    wxPoint RowPoint(listview::CCacheList& list, int row)
    {
        wxRect rect;
        EXPECT_TRUE(list.GetItemRect(row, rect));
        return wxPoint(rect.x + 40, rect.y + rect.height / 2);
    }
    std::vector<long> SelectedItems(listview::CCacheList& list)
    {
        std::vector<long> items;
        for (long item = list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
             item = list.GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
            items.push_back(item);
        return items;
    }
    std::string StatusText() { return m_pFrame->GetStatusBar()->GetStatusText(0).utf8_string(); }

    XInput m_input;
};

TEST_F(UserInputTest, TheSiteTreeMenuDeletesOnlyARealSite)
{
    EXPECT_TRUE(Tree().IsVisible(wxTreeItemId(View().RootNode().TreeItem()))) << "the tree opens with All in view";
    catalogue::CNode* beta = NodeAt({"Beta.org"});
    ASSERT_NE(beta, nullptr);
    Tree().ScrollTo(wxTreeItemId(beta->TreeItem()));
    ProcessEvents();
    m_input.Click(Tree(), ItemPoint(beta));
    ASSERT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == beta; }));
    const std::vector<std::string> before = m_cache.EnumeratedUrls();
    const int listed = View().GetActiveList()->Rows().Count();

    // Empty space below the last item: the menu's Delete Site says that no
    // site is selected and changes nothing, whatever the user answers.
    Tree().ScrollTo(Tree().GetLastChild(wxTreeItemId(View().RootNode().TreeItem())));
    ProcessEvents();
    m_prompts.m_answers = {wxID_YES, wxID_YES};
    m_input.KeysLater("Down Return");
    m_input.Click(Tree(), wxPoint(Tree().GetClientSize().x / 2, Tree().GetClientSize().y - 3), 3);
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    EXPECT_EQ(m_prompts.m_asked[0].text, "No web site is selected!");
    EXPECT_EQ(m_prompts.m_asked.size(), 1u) << "no question, no deletion";
    EXPECT_EQ(m_cache.EnumeratedUrls(), before);
    EXPECT_EQ(View().m_pSelectedNode, beta) << "the selection stays";
    EXPECT_EQ(View().GetActiveList()->Rows().Count(), listed) << "the list stays";

    // On a site's item the question names the site; No keeps it.
    Tree().ScrollTo(wxTreeItemId(beta->TreeItem()));
    ProcessEvents();
    m_prompts.m_asked.clear();
    m_prompts.m_answers = {wxID_NO};
    m_input.KeysLater("Down Return");
    m_input.Click(Tree(), ItemPoint(beta), 3);
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Cache Items Of Beta.org ?");
    EXPECT_EQ(m_cache.EnumeratedUrls(), before);

    // From the keyboard, Shift+F10 and the Menu key open the same menu for
    // the selected site.
    for (const char* key : {"shift+F10", "Menu"}) {
        m_prompts.m_asked.clear();
        m_prompts.m_answers = {wxID_NO};
        m_input.Click(Tree(), ItemPoint(beta));
        m_input.KeysLater("Down Return");
        m_input.Keys(key);
        m_input.Join();
        ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); })) << key << " opened no menu";
        EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Cache Items Of Beta.org ?") << key;
    }
    EXPECT_EQ(m_cache.EnumeratedUrls(), before);
}

TEST_F(UserInputTest, TheTreeMakesTheItemsBelowASiteAsTheUserOpensIt)
{
    urlcache::NewCacheEntry top = Entry("http://deep.example/a/top.htm", 0, "text/html");
    top.body = "<html><head><title>first page</title></head></html>";
    top.fileExtension = "htm";
    m_cache.Add({top, Entry("http://deep.example/a/b/page.htm", 10, "text/html"),
                 Entry("http://deep.example/c/x.js", 10), Entry("http://other.example/x/y.htm", 10, "text/html")});
    View().RefreshCache();
    FinishWork();
    ProcessEvents();
    catalogue::CNode* deep = NodeAt({"deep.example"});
    catalogue::CNode* a = NodeAt({"deep.example", "a"});
    ASSERT_NE(deep, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(Tree().ItemHasChildren(wxTreeItemId(deep->TreeItem()))) << "a button before the items below are made";
    EXPECT_EQ(a->TreeItem(), nullptr);

    // A node below a site never opened: its item is found, the site stays closed.
    catalogue::CNode* img = NodeAt({"www.example.com", "img"});
    ASSERT_NE(img, nullptr);
    const wxTreeItemId imgItem = Tree().ItemOf(img);
    ASSERT_TRUE(imgItem.IsOk());
    EXPECT_EQ(Tree().GetItemNode(imgItem), img);
    EXPECT_FALSE(Tree().IsExpanded(Tree().GetItemParent(imgItem)));

    // Right opens the selected site with its directories, sorted; Down
    // moves into them and lists their entries.
    Tree().ScrollTo(wxTreeItemId(deep->TreeItem()));
    ProcessEvents();
    m_input.Click(Tree(), ItemPoint(deep));
    ASSERT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == deep; }));
    m_input.Keys("Right");
    ASSERT_TRUE(WaitUntil([&] { return Tree().IsExpanded(wxTreeItemId(deep->TreeItem())); }));
    EXPECT_EQ(Tree().GetChildrenCount(wxTreeItemId(deep->TreeItem()), false), 2u);
    m_input.Keys("Down");
    ASSERT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == a; }));
    EXPECT_EQ(Tree().GetItemText(Tree().GetSelection()), "a");
    EXPECT_EQ(View().GetActiveList()->Rows().Count(), 2);
    m_input.Keys("Right Down");
    EXPECT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == NodeAt({"deep.example", "a", "b"}); }));

    // F6 goes from the tree to the list, then to the preview pane, blank
    // before any page was shown; the first row clicked is shown there.
    m_input.Keys("F6 F6");
    wxWindow* focus = wxWindow::FindFocus();
    while (focus != nullptr && focus != View().m_pWebView)
        focus = focus->GetParent();
    EXPECT_EQ(focus, View().m_pWebView);
    m_input.Click(Tree(), ItemPoint(a));
    ASSERT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == a; }));
    listview::CCacheList& list = *View().GetActiveList();
    const int row = list.Rows().FindText(top.url);
    ASSERT_GE(row, 0);
    m_input.Click(list, RowPoint(list, row));
    wxWebView* browser = View().m_pWebView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return browser->GetCurrentTitle() == "first page"; }));

    // Delete Site on a site never opened takes its entries and its item.
    catalogue::CNode* other = NodeAt({"other.example"});
    ASSERT_NE(other, nullptr);
    Tree().ScrollTo(wxTreeItemId(other->TreeItem()));
    ProcessEvents();
    m_prompts.m_answers = {wxID_YES};
    m_input.KeysLater("Down Return");
    m_input.Click(Tree(), ItemPoint(other), 3);
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return NodeAt({"other.example"}) == nullptr; }));
    const std::vector<std::string> left = m_cache.EnumeratedUrls();
    EXPECT_EQ(std::find(left.begin(), left.end(), "http://other.example/x/y.htm"), left.end());
    EXPECT_EQ(View().m_pSelectedNode, &View().RootNode());

    // Typing a name's first letter finds an item below a site never opened:
    // "docs" below alpha.net, after "All".
    Tree().ScrollTo(wxTreeItemId(View().RootNode().TreeItem()));
    ProcessEvents();
    m_input.Click(Tree(), ItemPoint(&View().RootNode()));
    ASSERT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == &View().RootNode(); }));
    m_input.Keys("d");
    EXPECT_TRUE(WaitUntil([&] { return View().m_pSelectedNode == NodeAt({"alpha.net", "docs"}); }));
}

TEST_F(UserInputTest, TheListAndTheMenusWorkFromTheKeyboard)
{
    listview::CCacheList& all = *View().GetAllList();
    listview::CWebView& preview = *View().m_pWebView;
    // What a click on the third row previews, then on the first.
    m_input.Click(all, RowPoint(all, 2));
    ASSERT_TRUE(WaitUntil([&] { return !preview.CurrentSource().empty(); }));
    const wxString third = preview.CurrentSource();
    m_input.Click(all, RowPoint(all, 0));
    ASSERT_EQ(SelectedItems(all), std::vector<long>{0});
    ASSERT_TRUE(WaitUntil([&] { return preview.CurrentSource() != third; }));

    // The preview follows the selection that the keys move.
    m_input.Keys("Down Down");
    EXPECT_EQ(SelectedItems(all), std::vector<long>{2});
    EXPECT_TRUE(WaitUntil([&] { return preview.CurrentSource() == third; })) << preview.CurrentSource();
    m_input.Keys("shift+Down shift+Down");
    EXPECT_EQ(SelectedItems(all), (std::vector<long>{2, 3, 4}));
    m_input.Keys("End");
    EXPECT_EQ(SelectedItems(all), std::vector<long>{all.GetItemCount() - 1});
    m_input.Keys("Home");
    EXPECT_EQ(SelectedItems(all), std::vector<long>{0});
    m_input.Keys("Next");
    ASSERT_EQ(SelectedItems(all).size(), 1u);
    EXPECT_GT(SelectedItems(all)[0], 5) << "Page Down moves a page";
    m_input.Keys("ctrl+a");
    EXPECT_EQ(static_cast<int>(SelectedItems(all).size()), all.GetItemCount());

    // The shortcuts and the menus' keys, with the focus in the list.
    m_input.Keys("Home");
    m_prompts.m_answers = {wxID_NO};
    m_input.Keys("Delete");
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Selected Cache Items?");
    m_input.Keys("alt+e a");
    ASSERT_TRUE(WaitUntil([&] { return m_prompts.m_asked.size() == 2; }));
    EXPECT_EQ(m_prompts.m_asked[1].text, "Delete All Cache Items?");
    m_input.Keys("F10");
    m_input.Keys("Right");
    m_input.Keys("Up Return");
    ASSERT_TRUE(WaitUntil([&] { return m_prompts.m_asked.size() == 3; }));
    EXPECT_EQ(m_prompts.m_asked[2].text, "Delete All Cache Items?");

    // Ctrl+Page Down and Up change the tab.
    m_input.Keys("ctrl+Next");
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), 1);
    m_input.Keys("ctrl+Prior");
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), 0);
    m_input.Keys("ctrl+Prior");
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), 6) << "round to the last tab";
    m_input.Keys("ctrl+Next");
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), 0);

    // In the tree, the arrows move the tree's selection, not the focus.
    catalogue::CNode* first = &View().RootNode();
    m_input.Click(Tree(), ItemPoint(first));
    m_input.Keys("Down");
    EXPECT_NE(View().m_pSelectedNode, first);
    EXPECT_TRUE(Tree().HasFocus());

    // Ctrl+F: the words typed go into the keyword field; a search that
    // nothing narrows says why nothing was searched.
    View().LastSearch() = operations::SearchCriteria{};
    m_prompts.m_asked.clear();
    std::string typed;
    {
        const WhenShown<operations::CSearchDlg> typing([&](operations::CSearchDlg& dialog) {
            auto* field = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(operations::IDC_KEYWORDS));
            ASSERT_NE(field, nullptr);
            m_input.KeysLater("l o g o", "Search", 0);
            m_input.Join();
            WaitUntil([&] { return field->GetValue() == "logo"; }, 2000);
            typed = field->GetValue().utf8_string();
            m_input.Keys("ctrl+a BackSpace");
            m_input.Click(*dialog.FindWindow(operations::IDC_SEARCH), wxPoint(8, 8));
        });
        m_input.Click(all, RowPoint(all, 0));
        m_input.Keys("ctrl+f");
    }
    EXPECT_EQ(typed, "logo");
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text.rfind("Nothing was searched", 0), 0u) << m_prompts.m_asked[0].text;

    // Ctrl+Q, shown beside File > Exit, closes the window.
    bool destroyed = false;
    m_pFrame->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& event) {
        event.Skip();
        if (event.GetEventObject() == m_pFrame)
            destroyed = true;
    });
    m_input.Keys("ctrl+q");
    EXPECT_TRUE(WaitUntil([&] {
        wxTheApp->ProcessIdle();
        return destroyed;
    }));
    if (destroyed)
        m_pFrame = nullptr;
}

// Stands for a command that fails under the window: F9 throws what the cache
// library throws when a system call fails, F8 something that is no
// std::exception at all; every other key goes on to the list.
class FailingCommand : public wxEvtHandler {
public:
    FailingCommand()
    {
        Bind(wxEVT_KEY_DOWN, [](wxKeyEvent& event) {
            if (event.GetKeyCode() == WXK_F9)
                throw std::system_error(EACCES, std::generic_category(), "cannot open /cache/index.dat");
            if (event.GetKeyCode() == WXK_F8)
                throw 8;
            event.Skip();
        });
    }
};

TEST_F(UserInputTest, AnErrorThatReachesTheEventLoopIsShownOnceAndTheWindowGoesOn)
{
    listview::CCacheList& all = *View().GetAllList();
    m_input.Click(all, RowPoint(all, 0));
    ASSERT_EQ(SelectedItems(all), std::vector<long>{0});
    FailingCommand failing;
    all.GetRowsWindow()->PushEventHandler(&failing);

    m_input.Keys("F9");
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    ProcessEvents();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u) << "one message";
    EXPECT_EQ(m_prompts.m_asked[0].text,
              "The command could not be completed.\n\ncannot open /cache/index.dat: Permission denied");
    EXPECT_EQ(m_prompts.m_asked[0].caption, "");

    m_input.Keys("F8");
    ASSERT_TRUE(WaitUntil([&] { return m_prompts.m_asked.size() == 2; }));
    EXPECT_EQ(m_prompts.m_asked[1].text, "The command could not be completed.");

    // The window goes on as before: the keys still move the selection, and
    // the cache is listed whole.
    m_input.Keys("Down Down");
    EXPECT_EQ(SelectedItems(all), std::vector<long>{2});
    EXPECT_TRUE(m_pFrame->IsShown());
    EXPECT_EQ(all.GetItemCount(), static_cast<int>(m_cache.EnumeratedUrls().size()));
    EXPECT_EQ(m_prompts.m_asked.size(), 2u);
    all.GetRowsWindow()->PopEventHandler();
}

TEST_F(UserInputTest, WhatTheUserSeesAt800x600)
{
    listview::CCacheList& all = *View().GetAllList();
    // The Access Time column holds its text; the columns end inside the
    // rows' window, beside the vertical scroll bar.
    const int dateWidth = all.GetTextExtent(all.GetItemText(0, 1)).x;
    EXPECT_GT(all.GetItemText(0, 1).length(), 10u);
    EXPECT_GE(all.GetColumnWidth(1), dateWidth + 4);
    auto columnsFit = [&](listview::CCacheList& list) {
        int total = 0;
        for (int column = 0; column < list.GetColumnCount(); ++column)
            total += list.GetColumnWidth(column);
        return total <= list.GetRowsWindow()->GetClientSize().x;
    };
    EXPECT_TRUE(columnsFit(all));

    // The Cookies tab, clicked: its summary shows its count in the field.
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect cookies = tabs.GetItemRect(4);
    m_input.Click(tabs, cookies.GetPosition() + wxPoint(cookies.width / 2, cookies.height / 2));
    ASSERT_EQ(tabs.GetCurSel(), 4);
    const std::string summary = StatusText();
    EXPECT_NE(summary.find("(1 Items, 0.00 M)"), std::string::npos) << summary;
    wxRect field;
    m_pFrame->GetStatusBar()->GetFieldRect(0, field);
    EXPECT_LE(m_pFrame->GetStatusBar()->GetTextExtent(summary).x, field.width);

    // The progress control, full: on the screen its bar is nearly as tall as
    // the control, not a sliver across its middle.
    ASSERT_NE(app::g_wndProgress, nullptr);
    app::g_wndProgress->SetValue(app::g_wndProgress->GetRange());
    const wxRect gauge = app::g_wndProgress->GetScreenRect();
    ASSERT_GT(gauge.height, 8);
    // Rows of the middle column in the colour of its centre, when that
    // differs from the control's top edge (the bar drawn at all).
    const auto barRows = [&] {
        const wxImage pixels = ScreenImage(gauge);
        if (!pixels.IsOk())
            return 0;
        const int x = gauge.width / 2;
        const auto colour = [&](int y) {
            return wxColour(pixels.GetRed(x, y), pixels.GetGreen(x, y), pixels.GetBlue(x, y));
        };
        const wxColour bar = colour(gauge.height / 2);
        int rows = 0;
        for (int y = 0; y < gauge.height; ++y)
            rows += colour(y) == bar ? 1 : 0;
        return bar == colour(0) ? 0 : rows;
    };
    WaitUntil([&] { return barRows() >= gauge.height / 2; }, 2000);
    EXPECT_GE(barRows(), gauge.height / 2) << "bar rows of " << gauge.height;

    // Back on All, scrolled down before: it starts at its top again, and
    // its columns still fit.
    const wxRect allTab = tabs.GetItemRect(0);
    m_input.Click(tabs, allTab.GetPosition() + wxPoint(allTab.width / 2, allTab.height / 2));
    all.EnsureVisible(all.GetItemCount() - 1);
    ProcessEvents();
    m_input.Click(tabs, cookies.GetPosition() + wxPoint(cookies.width / 2, cookies.height / 2));
    m_input.Click(tabs, allTab.GetPosition() + wxPoint(allTab.width / 2, allTab.height / 2));
    ASSERT_EQ(tabs.GetCurSel(), 0);
    EXPECT_EQ(all.GetTopItem(), 0);
    EXPECT_TRUE(columnsFit(all));

    // Ctrl+F and Enter search; the new tab is current and in view. (Without
    // keywords, as Enter in the keyword box starts a new line, and without
    // cookies, as a search for everything lists no results.)
    View().LastSearch().m_bUseKeywords = false;
    View().LastSearch().m_bAllTypes = false;
    View().LastSearch().m_bCookies = false;
    m_input.Click(all, RowPoint(all, 0));
    m_input.KeysLater("Return", "Search");
    m_input.Keys("ctrl+f");
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return tabs.GetCurSel() == 7; }));
    const wxRect results = tabs.GetItemRect(7);
    EXPECT_FALSE(results.IsEmpty());
    EXPECT_LE(results.GetRight(), tabs.GetClientSize().x - 2 * 16) << "left of the scroll arrows";
}

// Delete All answered in the real question box: while the entries go, the
// gauge moves on the screen (GTK draws it part full), and at the end the list
// shows what is left and the gauge is back at 0.
TEST_F(UserInputTest, DeleteAllShowsItsProgressOnTheScreen)
{
    std::vector<double> drawn;
    GtkWidget* gauge = app::g_wndProgress->GetHandle();
    const gulong watch = g_signal_connect(gauge, "draw", G_CALLBACK(+[](GtkWidget* widget, cairo_t*, gpointer seen) {
                                              static_cast<std::vector<double>*>(seen)->push_back(
                                                  gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(widget)));
                                              return FALSE;
                                          }),
                                          &drawn);
    m_pFrame->UsePrompts(nullptr);
    m_input.Click(*View().GetAllList(), RowPoint(*View().GetAllList(), 0));
    m_input.KeysLater("Return", "Trovana");
    m_input.Keys("alt+e a");
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return m_cache.EnumeratedUrls().empty(); }, 20000));
    ProcessEvents();
    m_pFrame->UsePrompts(&m_prompts);
    g_signal_handler_disconnect(gauge, watch);

    EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](double part) { return part > 0.0 && part < 1.0; }))
        << drawn.size() << " drawings of the gauge, none part full";
    EXPECT_EQ(app::g_wndProgress->GetValue(), 0);
    EXPECT_EQ(View().GetAllList()->GetItemCount(), 0);
    EXPECT_NE(StatusText().find("(0 Items, 0.00 M)"), std::string::npos) << StatusText();
}

TEST_F(UserInputTest, APropertysValueIsCopiedFromTheKeyboard)
{
    listview::CCacheList& all = *View().GetAllList();
    const std::string url = "http://www.example.com/index.htm";
    const auto info = View().Catalogue().LookupCacheEntry(url);
    ASSERT_NE(info, nullptr);
    all.EnsureVisible(RowOf(all, url));
    ProcessEvents();
    std::string copied;
    {
        // Enter on the row opens the dialog; a click on its File Name row
        // and Ctrl+C put the name on the clipboard.
        const WhenShown<details::CPropertiesDlg> copying([&](details::CPropertiesDlg& dialog) {
            wxListCtrl& props = *dialog.m_listProps;
            wxRect rect;
            ASSERT_TRUE(props.GetItemRect(1, rect));
            m_input.Click(props, wxPoint(rect.x + 20, rect.y + rect.height / 2));
            m_input.KeysLater("ctrl+c", "Properties", 0);
            m_input.Join();
            WaitUntil([&] {
                wxTheClipboard->UsePrimarySelection(false);
                wxTextDataObject data;
                if (wxTheClipboard->Open()) {
                    if (wxTheClipboard->GetData(data))
                        copied = data.GetText().utf8_string();
                    wxTheClipboard->Close();
                }
                return !copied.empty();
            });
        });
        m_input.Click(all, RowPoint(all, static_cast<int>(RowOf(all, url))));
        m_input.Keys("Return");
    }
    EXPECT_EQ(copied, info->localFileName);
}

// The first scan run ahead, as the program starts: the All list's rows show
// while it runs, and what acts on the lists waits, under the wait window,
// for its end. The content container is read last; while the test holds its
// lock the scan waits there, whatever the speed of the machine.
class FirstScanTest : public WindowTest {
protected:
    XInput m_input;
};

TEST_F(FirstScanTest, RowsShowWhileTheScanRunsAndASortOrADeletionWaitsForItsEnd)
{
    std::vector<urlcache::NewCacheEntry> visited;
    for (int i = 0; i < 300; ++i)
        visited.push_back(Entry("Visited: user@http://host" + std::to_string(i % 40) + ".example/p" +
                                std::to_string(1000 - i) + ".htm"));
    m_cache.Add(visited);
    const int total = static_cast<int>(m_cache.EnumeratedUrls().size());
    std::optional<urlcache::FolderLock> content;
    for (const auto& container : m_cache.Location().containers) {
        if (container.kind == urlcache::ContainerKind::Content)
            content.emplace(container.folder, urlcache::FolderLock::Mode::Exclusive);
    }
    ASSERT_TRUE(content.has_value());

    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    const auto zone = app::TimesInUtcChosen() ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local;
    ASSERT_TRUE(m_pFrame->LoadFrame(m_cache.Location(), {},
                                    std::make_unique<listview::CFirstScan>(m_cache.Location(), zone)));
    app::ShowMainWindow(*m_pFrame);
    listview::CCacheList& all = *View().GetAllList();
    // The first batch, a screenful, at least.
    ASSERT_TRUE(WaitUntil([&] { return m_pFrame->IsShownOnScreen() && all.GetItemCount() >= 64; }))
        << all.GetItemCount() << " rows of " << total;
    const int shown = all.GetItemCount();
    EXPECT_LT(shown, total) << "the content entries are not read yet";
    EXPECT_TRUE(View().RootNode().Children().empty()) << "the tree fills at the end";
    EXPECT_FALSE(app::g_pWaitDlg->IsShown()) << "the rows are there to be looked at";
    EXPECT_NE(m_pFrame->GetStatusBar()->GetStatusText(0).Find(wxString::Format("(%d Items", shown)), wxNOT_FOUND);

    // A click on the Url heading and the Delete key on a row wait.
    wxRect header;
    all.GetItemRect(0, header);
    m_input.Click(all, wxPoint(40, header.y / 2));
    m_input.Click(all, wxPoint(40, header.y + header.height / 2));
    m_input.Keys("Delete");
    ProcessEvents();
    EXPECT_TRUE(app::g_pWaitDlg->IsShown());
    EXPECT_EQ(app::g_pWaitDlg->GetText(), "Collecting Data ...");
    EXPECT_TRUE(m_prompts.m_asked.empty()) << "nothing acts on a half-filled list";
    EXPECT_EQ(all.GetItemCount(), shown);

    // At the end: every row, the tree, then the sort and the question.
    m_prompts.m_answers = {wxID_NO};
    content.reset();
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    EXPECT_EQ(m_prompts.m_asked[0].text, "Delete Selected Cache Items?");
    EXPECT_FALSE(app::g_pWaitDlg->IsShown());
    ASSERT_EQ(all.GetItemCount(), total);
    EXPECT_FALSE(View().RootNode().Children().empty());
    std::vector<std::string> urls;
    for (int row = 0; row < total; ++row) {
        std::string url = all.Rows().Text(row, catalogue::kColumnUrl);
        std::transform(url.begin(), url.end(), url.begin(), [](unsigned char c) { return std::tolower(c); });
        urls.push_back(std::move(url));
    }
    EXPECT_TRUE(std::is_sorted(urls.begin(), urls.end()) || std::is_sorted(urls.rbegin(), urls.rend()))
        << "the whole list sorted, not the rows there at the click";

    // Long after the scan, a tab emptied by a deletion gives its counts, not
    // the scan's "Collecting Data ...".
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect cookies = tabs.GetItemRect(catalogue::kCategoryCookies);
    m_input.Click(tabs, cookies.GetPosition() + wxPoint(5, cookies.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList()->GetItemCount() == 1; }));
    listview::CCacheList& cookieList = *View().GetActiveList();
    wxRect row;
    ASSERT_TRUE(cookieList.GetItemRect(0, row));
    m_prompts.m_answers = {wxID_YES};
    m_input.Click(cookieList, wxPoint(row.x + 40, row.y + row.height / 2));
    m_input.Keys("Delete");
    ASSERT_TRUE(WaitUntil([&] { return cookieList.GetItemCount() == 0; }));
    const wxString status = m_pFrame->GetStatusBar()->GetStatusText(0);
    EXPECT_NE(status.Find("(0 Items, 0.00 M)"), wxNOT_FOUND) << status;
}

}  // namespace
}  // namespace trovana::test
