// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_frame.h"

#include <memory>

#include <wx/accel.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "app/resource.h"
#include "app/right_frame.h"
#include "app/wait_window.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/site_tree_ctrl.h"
#include "listview/web_view.h"

namespace trovana::app {

namespace {
// The site tree starts this wide and cannot be made narrower than the minimum.
constexpr int kTreeWidth = 200;
constexpr int kMinimumPane = 100;

// The site tree's context menu at a point of the frame's client area; its
// command acts on the selected site, or says that none is.
void ShowSiteMenu(CMainFrame& frame, bool onSite, const wxPoint& at)
{
    listview::CCacheListView* view = frame.GetListView();
    wxMenu menu;
    menu.Append(ID_DELETE_SITE, wxGetTranslation(TEXT_DELETE_SITE));
    // Not a second long action while one runs.
    menu.Enable(ID_DELETE_SITE, !view->IsReadOnly() && !view->IsWorking());
    if (frame.GetPopupMenuSelectionFromUser(menu, at) != ID_DELETE_SITE)
        return;
    if (onSite)
        view->DeleteSite();
    else
        frame.UserPrompts().MessageBox(view, _("No web site is selected!"), "", wxOK);
}

// Shift+F10 and the Menu key open the menu of the selected site, below it.
void OnTreeKeyDown(CMainFrame& frame, wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    const bool menuKey = (key == WXK_MENU || key == WXK_WINDOWS_MENU) && !event.HasAnyModifiers();
    const bool shiftF10 = key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT;
    if (!menuKey && !shiftF10) {
        event.Skip();
        return;
    }
    listview::CSiteTree& tree = *frame.m_pTreeView;
    const wxTreeItemId item = tree.GetSelection();
    wxRect rect;
    const bool onSite = item.IsOk() && tree.GetBoundingRect(item, rect, true);
    const wxPoint at = onSite ? rect.GetBottomLeft() : wxPoint(0, 0);
    ShowSiteMenu(frame, onSite, frame.ScreenToClient(tree.ClientToScreen(at)));
}
}  // namespace

CMainFrame::CMainFrame()
    : m_closingPause([](int ms) { wxMilliSleep(ms); }),
      m_wxPrompts(listview::MakeWxPrompts()),
      m_pPrompts(m_wxPrompts.get())
{
    g_pWaitDlg = new CWaitDlg();
}

void CMainFrame::UsePrompts(listview::Prompts* prompts)
{
    m_pPrompts = prompts != nullptr ? prompts : m_wxPrompts.get();
    if (listview::CCacheListView* view = GetListView())
        view->UsePrompts(*m_pPrompts);
}

CMainFrame::~CMainFrame()
{
    // The panes go after this body has run; nothing may reach them now.
    m_pTreeView = nullptr;
    g_wndStatusBar = nullptr;
    g_wndProgress = nullptr;
    if (g_pWaitDlg != nullptr) {
        g_pWaitDlg->Destroy();
        g_pWaitDlg = nullptr;
    }
}

bool CMainFrame::LoadFrame(urlcache::CacheLocation location, const wxString& name,
                           std::unique_ptr<listview::CFirstScan> scan)
{
    if (!Create(nullptr, wxID_ANY, APP_TITLE))
        return false;
    if (!OnCreateClient())
        return false;
    CreateMenu();
    AddExaminerMenus();
    AddCacheMenus();
    CreateButtonBar();
    CreateStatusFields();
    if (!m_bProgressCreated) {
        CreateProgress();
        m_bProgressCreated = true;
    }
    SetProgramIcon();
    BindCommands();

    listview::CCacheListView* view = GetListView();
    const bool readOnly = location.readOnly;
    view->SetCache(std::move(location), GetWaitIndicator(), std::move(scan));
    view->OnInitialUpdate();
    ShowCacheState(name, readOnly);
    return true;
}

bool CMainFrame::OnCreateClient()
{
    m_wndSplitter = new wxSplitterWindow(this, IDW_PANE_FIRST, wxDefaultPosition, wxDefaultSize,
                                         wxSP_LIVE_UPDATE | wxSP_3DSASH);
    m_wndSplitter->SetMinimumPaneSize(kMinimumPane);
    m_pTreeView = new listview::CSiteTree(m_wndSplitter, IDW_PANE_FIRST);
    auto* right = new CRightFrame(m_wndSplitter, IDW_PANE_FIRST + 1, *m_pPrompts);
    m_wndSplitter->SplitVertically(m_pTreeView, right, kTreeWidth);
    // The tree starts 200 wide: the sizes that the window passes through
    // while a window manager places it do not narrow it for good. Once the
    // user has dragged the sash, its place is the user's.
    auto dragged = std::make_shared<bool>(false);
    m_wndSplitter->Bind(wxEVT_SPLITTER_SASH_POS_CHANGING, [dragged](wxSplitterEvent& event) {
        event.Skip();
        *dragged = true;
    });
    m_wndSplitter->Bind(wxEVT_SIZE, [this, dragged](wxSizeEvent& event) {
        event.Skip();
        if (!*dragged)
            m_wndSplitter->SetSashPosition(kTreeWidth, false);
    });
    GetListView()->m_pSiteTree = m_pTreeView;

    m_pTreeView->Bind(wxEVT_TREE_SEL_CHANGED, [this](wxTreeEvent&) { OnSiteSelChanged(); });
    m_pTreeView->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent&) { m_pTreeView->SetFocus(); });
    m_pTreeView->Bind(wxEVT_RIGHT_UP, &CMainFrame::OnTreeRightClick, this);
    m_pTreeView->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) { OnTreeKeyDown(*this, event); });
    return true;
}

CRightFrame* CMainFrame::GetRightFrame() const
{
    return m_wndSplitter != nullptr ? static_cast<CRightFrame*>(m_wndSplitter->GetWindow2()) : nullptr;
}

listview::CCacheListView* CMainFrame::GetListView() const
{
    CRightFrame* right = GetRightFrame();
    return right != nullptr ? right->GetListView() : nullptr;
}

void CMainFrame::OnSiteSelChanged()
{
    listview::CCacheListView* view = GetListView();
    if (m_pTreeView == nullptr || view == nullptr)
        return;
    // A right click on empty space leaves no selected item: no site is
    // selected then, and nothing is listed.
    view->m_pSelectedNode = m_pTreeView->GetItemNode(m_pTreeView->GetSelection());
    view->ShowCategory();
    view->UpdateStatusSummary();
}

bool CMainFrame::SelectSiteAt(const wxPoint& point)
{
    int flags = 0;
    const wxTreeItemId item = m_pTreeView->HitTest(point, flags);
    if (!item.IsOk() || (flags & wxTREE_HITTEST_ONITEM) == 0)
        return false;
    // Selecting a new item reports the change, which lists the site.
    m_pTreeView->SelectItem(item);
    return true;
}

void CMainFrame::OnTreeRightClick(wxMouseEvent& event)
{
    // On empty space no site is chosen: the selection and the list stay as
    // they are, and the menu's command acts on no site.
    const bool onSite = SelectSiteAt(event.GetPosition());
    ShowSiteMenu(*this, onSite, ScreenToClient(wxGetMousePosition()));
}

void CMainFrame::OnCharHook(wxKeyEvent& event)
{
    // Keys with Alt held (and Alt itself) are the menu's: they are not
    // offered to the list, which would take the focus from the menu.
    listview::CCacheListView* view = GetListView();
    const bool menuKey = event.AltDown() || event.GetKeyCode() == WXK_ALT;
    if (!menuKey && view != nullptr && view->HandleListKey(event.GetKeyCode(), event.ControlDown()))
        return;
    event.Skip();
}

void CMainFrame::MovePaneFocus(int step)
{
    listview::CCacheListView* view = GetListView();
    if (view == nullptr)
        return;
    wxWindow* panes[] = {m_pTreeView, view->GetShownList(), view->m_pWebView};
    constexpr int count = 3;
    int current = 0;
    for (wxWindow* focus = FindFocus(); focus != nullptr; focus = focus->GetParent()) {
        const auto found = std::find(std::begin(panes), std::end(panes), focus);
        if (found != std::end(panes)) {
            current = static_cast<int>(found - std::begin(panes));
            break;
        }
    }
    panes[(current + step + count) % count]->SetFocus();
}

void CMainFrame::BindCommands()
{
    auto onView = [this](int id, void (listview::CCacheListView::*operation)()) {
        Bind(
            wxEVT_MENU, [this, operation](wxCommandEvent&) { (GetListView()->*operation)(); }, id);
    };
    onView(ID_CACHE_REFRESH, &listview::CCacheListView::RefreshCache);
    onView(ID_CACHE_COPY, &listview::CCacheListView::CopySelected);
    onView(ID_CACHE_SEARCH, &listview::CCacheListView::Search);
    onView(ID_CACHE_DELETE, &listview::CCacheListView::DeleteSelected);
    onView(ID_DELETE_SITE, &listview::CCacheListView::DeleteSite);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { GetListView()->DeleteAll(true); }, ID_CACHE_DELETE_ALL);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnCheckUpdate(); }, ID_CHECK_UPDATE);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnHelpContents(); }, ID_HELP_CONTENTS);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnAppExit(); }, ID_APP_EXIT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { MovePaneFocus(+1); }, ID_NEXT_PANE);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { MovePaneFocus(-1); }, ID_PREV_PANE);
    // The focus stays where it is when the window is activated.
    Bind(wxEVT_SET_FOCUS, [](wxFocusEvent&) {});
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    // The summary is fitted to the status field, which changes with the
    // window's width.
    if (wxStatusBar* bar = GetStatusBar()) {
        bar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
            event.Skip();
            listview::CCacheListView* view = GetListView();
            if (view != nullptr && view->IsInitialized())
                view->UpdateStatusSummary();
        });
    }

    wxAcceleratorEntry keys[] = {
        {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
        {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},
    };
    SetAcceleratorTable(wxAcceleratorTable(std::size(keys), keys));
}

}  // namespace trovana::app
