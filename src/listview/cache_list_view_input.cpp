// SPDX-License-Identifier: GPL-3.0-or-later
// What the view does with the user's tabs, clicks, keys and commands: the
// list of the current tab, the status summary, the preview of a clicked
// row, the context menu, the keyboard shortcuts, column sorts and Refresh.
#include <algorithm>
#include <utility>

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/category_rows.h"
#include "listview/list_sorter.h"
#include "listview/recovered_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
constexpr double kBytesPerMegabyte = 1048576.0;
constexpr const char* kEllipsis = "...";
// Room that the status field keeps beside its text.
constexpr int kFieldSlack = 8;

wxStatusBar* StatusBarOf(const wxWindow* window)
{
    auto* frame = wxDynamicCast(wxGetTopLevelParent(const_cast<wxWindow*>(window)), wxFrame);
    return frame != nullptr ? frame->GetStatusBar() : nullptr;
}
// Each tab's list starts at its first row, wherever the list was scrolled
// to when it was last shown.
void ScrollToTop(CCacheList& list)
{
    if (list.GetItemCount() > 0)
        list.EnsureVisible(0);
}

// What the summary must not leave unsaid: that part of the cache is not
// listed (the warning at opening names it), and that daily history of a
// copied profile is read in a zone only assumed.
template <class ZoneOf>
wxString SummaryNotes(const urlcache::UrlCache& cache, ZoneOf zoneOf)
{
    wxString notes;
    if (!cache.Problems().empty())
        notes += _("; not all of it listed (see the warning)");
    const urlcache::CacheLocation& location = cache.Location();
    const bool daily = !location.webCaches.empty() ||
                       std::any_of(location.containers.begin(), location.containers.end(),
                                   [](const urlcache::ContainerLocation& container) {
                                       return container.folder.filename().string().starts_with("MSHist");
                                   });
    // The zone is looked up only for a copied cache with daily history.
    if (daily && location.winePrefix.empty() && zoneOf().Name() == "UTC")
        notes += _("; history read as UTC (View > History Time Zone)");
    return notes;
}

// The summary as it stands when it fits status field 0; otherwise the
// description is shortened, so that the counts are always seen.
wxString FitSummary(wxStatusBar& bar, const wxString& description, const wxString& counts)
{
    wxRect field;
    // A hidden window's fields have no real width yet; it is fitted again
    // when it is shown and whenever it is resized.
    if (!bar.IsShownOnScreen() || !bar.GetFieldRect(0, field) || field.width <= 0)
        return description + counts;
    const int room = field.width - 2 * bar.GetBorderX() - kFieldSlack;
    if (bar.GetTextExtent(description + counts).x <= room)
        return description + counts;
    // Whole words are dropped from its end, with the dashes and commas
    // left before them, so that no word is shown cut.
    wxString shown = description;
    while (!shown.empty() && bar.GetTextExtent(shown + kEllipsis + counts).x > room) {
        const size_t space = shown.find_last_of(' ');
        shown.Truncate(space == wxString::npos ? 0 : space);
        while (!shown.empty() && wxString(" -,;:").Find(shown.Last()) != wxNOT_FOUND)
            shown.RemoveLast();
    }
    return shown.empty() ? counts : shown + kEllipsis + counts;
}
}  // namespace

void CCacheListView::ShowCategory()
{
    // The Recovered view stays until it is left; the tabs are shown anew then.
    if (m_bRecoveredShown)
        return;
    // A list that had the keyboard passes it on to the list shown now: a
    // hidden window with the focus would take every key into nowhere.
    const int tab = m_tabCategory->GetCurSel();
    const bool siteSelected = m_pSelectedNode != &RootNode();
    // Only the All list may be shown while the first scan fills it.
    if ((tab != catalogue::kCategoryAll || siteSelected) && WaitForFirstScan([this] {
            ShowCategory();
            UpdateStatusSummary();
        }))
        return;
    const bool listHadFocus = HasListFocus();
    m_bGalleryShown = false;
    ForgetGallery();
    if (tab == catalogue::kCategorySearchResults) {
        m_listAll->Hide();
        m_listCategory->Hide();
        m_listSearch->Show();
        ScrollToTop(*m_listSearch);
        if (listHadFocus)
            m_listSearch->SetFocus();
        ShowBlankPreview();
        return;
    }
    if (tab != catalogue::kCategoryAll || siteSelected)
        ClearCategoryList();
    if (siteSelected)
        ListSiteEntries(m_pSelectedNode);
    else if (tab != catalogue::kCategoryAll)
        CopyCategoryRows(tab);
    m_listCategory->RowsChanged();

    if (tab == catalogue::kCategoryImages)
        MakeGallery();
    else
        ShowBlankPreview();
    const bool showAll = tab == catalogue::kCategoryAll && !siteSelected;
    m_listAll->Show(showAll);
    m_listCategory->Show(!showAll);
    m_listSearch->Hide();
    ScrollToTop(showAll ? *m_listAll : *m_listCategory);
    if (listHadFocus)
        (showAll ? m_listAll : m_listCategory)->SetFocus();
}

bool CCacheListView::HasListFocus() const
{
    for (const wxWindow* focus = FindFocus(); focus != nullptr; focus = focus->GetParent()) {
        if (focus == m_listAll || focus == m_listCategory || focus == m_listSearch)
            return true;
    }
    return false;
}

void CCacheListView::CopyCategoryRows(int category)
{
    const WaitCursorScope cursor(*m_pBusy);
    m_nListSize += listview::CopyCategoryRows(m_pCatalogue->ListAll(), category, m_listCategory->Rows(),
                                              [this](int percent) { m_pBusy->SetProgress(percent); });
}

void CCacheListView::UpdateStatusSummary()
{
    const int tab = m_tabCategory->GetCurSel();
    CCacheList* list = GetActiveList();
    int64_t total = m_nSearchSize;
    if (list == m_listAll)
        total = m_pCatalogue->TotalSize();
    else if (list == m_listCategory)
        total = m_nListSize;
    const wxString description = tab >= 0 && tab < catalogue::kCategoryCount ? m_strDescription[tab] : wxString();
    // A read-only cache says so beside the counts, which are never cut.
    const int items = list->Rows().Count();
    const double megabytes = static_cast<double>(total) / kBytesPerMegabyte;
    wxString counts = wxString::Format(_(" (%d Items, %.2f M)   "), items, megabytes);
    if (m_bReadOnly && !Cache().Location().webCaches.empty())
        counts = wxString::Format(_(" (%d Items, %.2f M, the WebCache database is opened read-only)   "), items,
                                  megabytes);
    else if (m_bReadOnly)
        counts = wxString::Format(_(" (%d Items, %.2f M, read-only cache)   "), items, megabytes);
    if (const wxString notes = SummaryNotes(Cache(), [this] { return SourceZone(); }); !notes.empty())
        counts = counts.Trim() + notes + "   ";
    if (wxStatusBar* bar = StatusBarOf(this)) {
        // While long work runs, its progress stands in place of the summary;
        // while a command asks, its prompt.
        if (IsWorking()) {
            bar->SetStatusText(WorkProgressText(), 0);
            PlaceCancelButton();
            bar->Update();
            return;
        }
        if (IsAsking()) {
            bar->SetStatusText(m_strAsking, 0);
            bar->Update();
            return;
        }
        // While the first scan has given no rows yet, the empty lists are no
        // summary; once rows come, their count grows with them.
        if (m_pendingScan != nullptr && m_pendingScan->IsRunning() && items == 0) {
            bar->SetStatusText(wxGetTranslation("Collecting Data ..."), 0);
            return;
        }
        if (!m_strNoCache.empty()) {
            bar->SetStatusText(m_strNoCache, 0);
            return;
        }
        if (m_bRecoveredShown) {
            using urlcache::RecordState;
            const CRecoveredList& records = *m_listRecovered;
            // The live records always, the other states where there are any,
            // so that the summary stays short enough to be read whole.
            wxString states = wxString::Format(_("%d live"), records.CountOf(RecordState::Live));
            const std::pair<RecordState, const char*> others[] = {{RecordState::Redirect, wxTRANSLATE("%d redirect")},
                                                                  {RecordState::Leak, wxTRANSLATE("%d leak")},
                                                                  {RecordState::Recovered, wxTRANSLATE("%d recovered")},
                                                                  {RecordState::Deleted, wxTRANSLATE("%d deleted")},
                                                                  {RecordState::LogOnly, wxTRANSLATE("%d log only")},
                                                                  {RecordState::TableRow, wxTRANSLATE("%d in other tables")}};
            for (const auto& [state, text] : others)
                if (const int count = records.CountOf(state); count > 0)
                    states += ", " + wxString::Format(wxGetTranslation(text), count);
            const wxString summary =
                wxString::Format(_(" (%zu Records: %s)   "), records.Records().size(), states);
            bar->SetStatusText(FitSummary(*bar, _("All records, read-only"), summary), 0);
            bar->Update();
            return;
        }
        bar->SetStatusText(FitSummary(*bar, description, counts), 0);
        bar->Update();
    }
}

void CCacheListView::PreviewSelected()
{
    if (WaitForFirstScan([this] { PreviewSelected(); }))
        return;
    if (m_bRecoveredShown) {
        const std::vector<int> rows = m_listRecovered->SelectedRows();
        PreviewRecovered(rows.empty() ? -1 : rows.front());
        return;
    }
    CCacheList* list = GetActiveList();
    list->StoreSelection();
    const int row = list->Rows().NextSelected();
    if (m_pWebView != nullptr)
        m_pWebView->SetOffline(true);
    if (row < 0)
        return;
    ShowPreview(list->Rows().Text(row, catalogue::kColumnUrl));
}

CCacheList* CCacheListView::GetSelectionList()
{
    CCacheList* list = GetActiveList();
    list->StoreSelection();
    if (list->Rows().SelectedCount() == 0) {
        UserPrompts().MessageBox(this, _("No cache item is selected!"), "", wxOK);
        return nullptr;
    }
    return list;
}

void CCacheListView::OnProperties()
{
    if (WaitForFirstScan([this] { OnProperties(); }))
        return;
    if (m_bRecoveredShown) {
        ShowRecoveredProperties();
        return;
    }
    CCacheList* list = GetActiveList();
    list->StoreSelection();
    const int row = list->Rows().NextSelected();
    if (row < 0)
        return;
    ShowProperties(list->Rows().Row(row));
}

bool CCacheListView::HandleListKey(int keyCode, bool bCtrlDown)
{
    // Only the program's shortcuts are taken: every other key, Ctrl
    // combinations included, stays with the window that has the focus, so
    // that the lists and the tree move their selection and the menus'
    // accelerators work from every pane.
    const bool selectAll = bCtrlDown && (keyCode == 'A' || keyCode == 'a');
    const bool search = bCtrlDown && (keyCode == 'F' || keyCode == 'f');
    const bool erase = !bCtrlDown && !m_bReadOnly && (keyCode == WXK_DELETE || keyCode == WXK_NUMPAD_DELETE);
    // Ctrl+Page Down and Ctrl+Page Up change the tab, as in GTK's notebooks.
    const int tabStep = !bCtrlDown                                                  ? 0
                        : keyCode == WXK_PAGEDOWN || keyCode == WXK_NUMPAD_PAGEDOWN ? 1
                        : keyCode == WXK_PAGEUP || keyCode == WXK_NUMPAD_PAGEUP     ? -1
                                                                                    : 0;
    if (m_bRecoveredShown && (tabStep != 0 || selectAll)) {
        // No tabs in the Recovered view: Ctrl+Page Up and Down do nothing.
        if (selectAll)
            m_listRecovered->SelectAll();
        return true;
    }
    if (m_bRecoveredShown && (search || erase)) {
        if (search)
            Search();
        else
            DeleteSelected();
        return true;
    }
    if (keyCode == WXK_ESCAPE && IsWorking()) {
        CancelWork();
        return true;
    }
    if (tabStep != 0) {
        const int count = m_tabCategory->GetItemCount();
        m_tabCategory->SetCurSel((m_tabCategory->GetCurSel() + tabStep + count) % count);
        OnSelchangeTab();
        return true;
    }
    if (!selectAll && !search && !erase)
        return false;
    CCacheList* list = GetActiveList();
    list->SetFocus();
    if (selectAll) {
        list->Rows().SelectAll(true);
        list->RowsChanged();
    } else if (search) {
        Search();
    } else {
        list->StoreSelection();
        DeleteSelected();
    }
    return true;
}

void CCacheListView::RescanNow()
{
    catalogue::CNode& root = RootNode();
    // The tree's items and the selection point into the model: both let go
    // of it before it is emptied.
    m_pSelectedNode = &root;
    if (m_pSiteTree != nullptr)
        m_pSiteTree->DeleteAllSites();
    root.RemoveAll();
    m_pCatalogue->ScanCache();
    ShowScannedCache();
}

void CCacheListView::ShowScannedCache()
{
    catalogue::CNode& root = RootNode();
    m_listAll->RowsChanged();
    if (m_pSiteTree != nullptr) {
        FillSiteTree(root);
        const wxTreeItemId all(root.TreeItem());
        m_pSiteTree->Expand(all);
        m_pSiteTree->SelectItem(all);
    }
    m_pSelectedNode = &root;
    m_tabCategory->SetCurSel(catalogue::kCategoryAll);
    m_nSearchSize = 0;
    m_listSearch->Rows().DeleteAll();
    m_listSearch->RowsChanged();
    ShowCategory();
    if (m_bRecoveredShown)
        SurveyRecords();
    UpdateStatusSummary();
}

void CCacheListView::OnSelchangeTab()
{
    ShowCategory();
    UpdateStatusSummary();
}

void CCacheListView::OnClickList()
{
    PreviewSelected();
}

void CCacheListView::OnDblclkList()
{
    OnProperties();
}

void CCacheListView::OnRclickList()
{
    wxMenu menu;
    menu.Append(ID_LIST_PROPERTIES, _("Properties"));
    menu.Append(ID_LIST_COPY, _("Copy"));
    menu.Append(ID_LIST_SEARCH, _("Search"));
    menu.Append(ID_LIST_DELETE, _("Delete"));
    // Not a second long action while one runs.
    menu.Enable(ID_LIST_COPY, !IsWorking());
    menu.Enable(ID_LIST_DELETE, !m_bReadOnly && !IsWorking());
    PopupMenu(&menu);
}

bool CCacheListView::OnKeydownList(int keyCode, bool bCtrlDown)
{
    return HandleListKey(keyCode, bCtrlDown);
}

void CCacheListView::OnColumnclickList(int column)
{
    if (WaitForFirstScan([this, column] { OnColumnclickList(column); }))
        return;
    if (column < 0 || column >= ListRow::kColumnCount)
        return;
    CCacheList* list = GetActiveList();
    m_bSortAscending = !m_bSortAscending;
    list->StoreSelection();
    {
        const WaitCursorScope cursor(*m_pBusy);
        CListSorter sorter(list->Rows(), column);
        sorter.Sort(m_bSortAscending, m_nColumnKind[column]);
        if (m_tabCategory->GetCurSel() == catalogue::kCategoryImages)
            MakeGallery();
    }
    list->RowsChanged();
}

}  // namespace trovana::listview
