// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/cache_list_view.h"

#include <algorithm>
#include <utility>

#include <wx/button.h>
#include <wx/settings.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "listview/cache_list.h"
#include "listview/list_images.h"
#include "listview/pictures.h"
#include "listview/recovered_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
constexpr const char* kTabText[kInitialTabCount] = {
    wxTRANSLATE("All"),     wxTRANSLATE("Documents"),     wxTRANSLATE("Images"), wxTRANSLATE("Applications"),
    wxTRANSLATE("Cookies"), wxTRANSLATE("Visited Links"), wxTRANSLATE("Other")};
constexpr const char* kDescription[catalogue::kCategoryCount] = {
    wxTRANSLATE("All cache entries"),
    wxTRANSLATE("Text, html files"),
    wxTRANSLATE("Image files"),
    wxTRANSLATE("Script files, css, etc"),
    wxTRANSLATE("Cookies - files created by web sites that store information on your computer"),
    wxTRANSLATE("Visited link cache entries"),
    wxTRANSLATE("Other cache entries"),
    wxTRANSLATE("Search results"),
};
constexpr const char* kColumnHeading[ListRow::kColumnCount] = {wxTRANSLATE("Url"), wxTRANSLATE("Access Time"),
                                                               wxTRANSLATE("Hit Rate"), wxTRANSLATE("Size")};
constexpr int kColumnKind[ListRow::kColumnCount] = {kSortText, kSortDateTime, kSortInteger, kSortInteger};
constexpr int kImageSide = 16;
// The widest text of the Access Time column, and the blank space that a
// column keeps around its text.
constexpr const char* kAccessTimeSample = "00/00/00 00:00:00";
constexpr int kColumnMargin = 8;
constexpr int kHitRateWidthAll = 60;
constexpr int kHitRateWidthOthers = 80;
// How long the selection must rest before the row it moved to is previewed:
// a run of arrow keys previews its last row only.
constexpr int kPreviewDelayMs = 150;
}  // namespace

std::array<int, ListRow::kColumnCount> ColumnWidths(int clientWidth, int accessTimeWidth)
{
    const int w = clientWidth - 6;
    auto share = [w](int part) { return std::max(0, w * part / 680); };
    // A wider Access Time column takes its room from the Url column.
    const int access = std::max(share(120), std::min(accessTimeWidth, w / 3));
    return {std::max(0, share(400) - (access - share(120))), access, share(80), share(80)};
}

CCacheListView::CCacheListView(wxWindow* parent, wxWindowID id, entry_commands::Prompts& prompts)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE), m_pPrompts(&prompts)
{
    m_pCache = std::make_unique<urlcache::UrlCache>(urlcache::CacheLocation{});
    m_pCatalogue = std::make_unique<catalogue::CCatalogue>(*m_pCache, m_noBusyIndicator);

    // The tab strip lies under the lists, which cover its display area.
    m_tabCategory = new CTabStrip(this, IDC_TAB_CATEGORY);
    m_listAll = new CCacheList(this, IDC_LIST_ALL, m_pCatalogue->ListAll());
    m_listCategory = new CCacheList(this, IDC_LIST_CATEGORY, m_rowsCategory);
    m_listSearch = new CCacheList(this, IDC_LIST_SEARCH, m_rowsSearch);
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch})
        BindListEvents(*list);
    m_listRecovered = new CRecoveredList(this, IDC_LIST_RECOVERED);
    m_listRecovered->Hide();
    BindRecoveredEvents();
    m_tabCategory->Bind(EVT_TAB_SELCHANGE, [this](wxCommandEvent&) { OnSelchangeTab(); });
    Bind(wxEVT_SIZE, &CCacheListView::OnSize, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { PreviewSelected(); }, m_previewTimer.GetId());
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnProperties(); }, ID_LIST_PROPERTIES);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { CopySelected(); }, ID_LIST_COPY);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Search(); }, ID_LIST_SEARCH);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { DeleteSelected(); }, ID_LIST_DELETE);
}

CCacheListView::~CCacheListView()
{
    // The Cancel button is the status bar's child and calls this view.
    if (m_btnCancel != nullptr)
        m_btnCancel->Destroy();
    // The lists draw from rows and pictures that are members of this view.
    DestroyChildren();
}

void CCacheListView::SetCache(urlcache::CacheLocation location, BusyIndicator& busy,
                              std::unique_ptr<CFirstScan> scan)
{
    DropPendingScan();
    m_rowsCategory.DeleteAll();
    m_rowsSearch.DeleteAll();
    m_pSelectedNode = nullptr;
    m_pBusy = &busy;
    // A scan ahead opens the cache itself: until its result is taken the
    // view shows an empty catalogue of no cache.
    if (scan != nullptr)
        location = {};
    auto cache = std::make_unique<urlcache::UrlCache>(std::move(location));
    auto catalogue = std::make_unique<catalogue::CCatalogue>(*cache, busy);
    InstallCatalogue(std::move(cache), std::move(catalogue));
    m_scanAhead = std::move(scan);
}

void CCacheListView::InstallCatalogue(std::unique_ptr<urlcache::UrlCache> cache,
                                      std::unique_ptr<catalogue::CCatalogue> catalogue)
{
    m_listAll->SetRows(catalogue->ListAll());
    catalogue->SetZone(m_pCatalogue->Zone());
    m_pCatalogue = std::move(catalogue);
    m_pCache = std::move(cache);
}

void CCacheListView::FirstScan()
{
    std::unique_ptr<CFirstScan> scan = std::move(m_scanAhead);
    if (scan != nullptr && scan->Zone() != m_pCatalogue->Zone()) {
        // Scanned in the other zone: the cache is scanned again here.
        auto cache = std::make_unique<urlcache::UrlCache>(scan->Location());
        auto catalogue = std::make_unique<catalogue::CCatalogue>(*cache, *m_pBusy);
        InstallCatalogue(std::move(cache), std::move(catalogue));
        scan.reset();
    }
    if (scan == nullptr) {
        m_pCatalogue->ScanCache();
        return;
    }
    // The rows are shown as they come; a scan that has ended already hands
    // over everything at once.
    m_pendingScan = std::move(scan);
    m_pendingScan->Deliver(
        [this](std::vector<ListRow>&& rows, int64_t totalSize) { AppendScannedRows(std::move(rows), totalSize); },
        [this](CFirstScan::Ending&& ending) { FinishFirstScan(std::move(ending)); });
}

void CCacheListView::AppendScannedRows(std::vector<ListRow>&& rows, int64_t totalSize)
{
    RowStore& all = m_pCatalogue->ListAll();
    for (ListRow& row : rows)
        all.InsertRow(all.Count(), std::move(row));
    m_pCatalogue->SetTotalSize(totalSize);
    // Before the initial update the lists are set up with the rows so far.
    if (!m_bInitialized)
        return;
    m_listAll->RowsAppended();
    if (GetActiveList() == m_listAll)
        UpdateStatusSummary();
}

void CCacheListView::FinishFirstScan(CFirstScan::Ending&& ending)
{
    // The selection made meanwhile stays; the tree's items and the selected
    // node point into the interim catalogue's model: both let go of it.
    m_listAll->StoreSelection();
    const long top = m_listAll->GetTopItem();
    m_pSelectedNode = nullptr;
    if (m_pSiteTree != nullptr)
        m_pSiteTree->DeleteAllSites();
    ending.catalogue->ListAll() = std::move(m_pCatalogue->ListAll());
    ending.catalogue->SetBusyIndicator(*m_pBusy);
    InstallCatalogue(std::move(ending.cache), std::move(ending.catalogue));
    if (!m_bInitialized)
        return;  // the initial update shows it
    std::vector<std::function<void()>> waiting = std::exchange(m_afterScan, {});
    if (!waiting.empty()) {
        m_pBusy->SetArrowCursor();
        m_pBusy->Hide();
    }
    // A tab chosen meanwhile is shown by the action that waited for it.
    const int tab = m_tabCategory->GetCurSel();
    ShowScannedCache();
    m_tabCategory->SetCurSel(tab);
    // Where the user was in the All list stays in view.
    if (top > 0 && m_listAll->IsShown()) {
        m_listAll->EnsureVisible(std::min<long>(top + m_listAll->GetCountPerPage() - 1, m_listAll->GetItemCount() - 1));
        m_listAll->EnsureVisible(top);
    }
    for (const auto& action : waiting)
        action();
    if (m_bProblemsWanted)
        ReportCacheProblems();
}

bool CCacheListView::WaitForFirstScan(std::function<void()> action)
{
    if (m_pendingScan == nullptr || !m_pendingScan->IsRunning())
        return false;
    if (m_afterScan.empty()) {
        m_pBusy->Show(wxTRANSLATE("Collecting Data ..."));
        m_pBusy->SetWaitCursor();
    }
    m_afterScan.push_back(std::move(action));
    return true;
}

void CCacheListView::DropPendingScan()
{
    m_pendingScan.reset();  // tells its thread to stop, without waiting
    if (!std::exchange(m_afterScan, {}).empty()) {
        m_pBusy->SetArrowCursor();
        m_pBusy->Hide();
    }
}

void CCacheListView::OpenCache(urlcache::CacheLocation location)
{
    if (WaitForWork([this, location] { OpenCache(location); }))
        return;
    // The tree's items and the selection point into the model that goes.
    if (m_pSiteTree != nullptr)
        m_pSiteTree->DeleteAllSites();
    m_pSelectedNode = nullptr;
    m_strNoCache.clear();
    SetCache(std::move(location), *m_pBusy);
    m_listCategory->RowsChanged();
    m_listSearch->RowsChanged();
    ShowBlankPreview();
    RescanNow();
}

void CCacheListView::SetReadOnly(bool readOnly)
{
    m_bReadOnly = readOnly;
    if (m_bInitialized)
        UpdateStatusSummary();
}

void CCacheListView::ShowNoCache(const wxString& why, const wxString& help)
{
    m_strNoCache = why;
    m_strNoCacheHelp = help;
    m_bReadOnly = true;
    if (m_bInitialized)
        UpdateStatusSummary();
    ShowBlankPreview();
}

void CCacheListView::BindListEvents(CCacheList& list)
{
    list.Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) { OnColumnclickList(event.GetColumn()); });
    list.Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { OnDblclkList(); });
    // A key the view does not take goes on to the list, which moves its
    // selection with it.
    list.Bind(wxEVT_LIST_KEY_DOWN, [this](wxListEvent& event) {
        if (!OnKeydownList(event.GetKeyCode(), wxGetKeyState(WXK_CONTROL)))
            event.Skip();
    });
    list.Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) { OnRclickList(); });
    // The row the keyboard (or anything else) moved to is previewed once
    // the selection rests.
    list.Bind(wxEVT_LIST_ITEM_FOCUSED, [this](wxListEvent& event) {
        event.Skip();
        if (!IsBeingDeleted())
            m_previewTimer.StartOnce(kPreviewDelayMs);
    });
    // A click anywhere in the rows, on a row or not, once the list has
    // changed its selection: previewed at once.
    list.GetRowsWindow()->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
        event.Skip();
        m_previewTimer.Stop();
        OnClickList();
    });
}

void CCacheListView::BindRecoveredEvents()
{
    CRecoveredList& list = *m_listRecovered;
    list.Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { OnProperties(); });
    list.Bind(wxEVT_LIST_KEY_DOWN, [this](wxListEvent& event) {
        if (!OnKeydownList(event.GetKeyCode(), wxGetKeyState(WXK_CONTROL)))
            event.Skip();
    });
    list.Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) { OnRclickList(); });
    // The row moved to by a click or a key is previewed.
    // Not while the windows go: the list sends it as it loses its rows.
    list.Bind(wxEVT_LIST_ITEM_FOCUSED, [this](wxListEvent& event) {
        event.Skip();
        if (m_bRecoveredShown && !IsBeingDeleted())
            PreviewRecovered(event.GetIndex());
    });
}

void CCacheListView::OnInitialUpdate()
{
    if (m_bInitialized)
        return;
    MakeImageLists();
    m_tabCategory->SetImageList(&m_imlTabs);
    for (int tab = 0; tab < kInitialTabCount; ++tab)
        m_tabCategory->InsertItem(tab, wxGetTranslation(kTabText[tab]), tab);
    std::transform(std::begin(kDescription), std::end(kDescription), m_strDescription.begin(),
                   [](const char* text) { return wxGetTranslation(text); });

    SetUpList(*m_listAll, kHitRateWidthAll);
    std::copy(std::begin(kColumnKind), std::end(kColumnKind), m_nColumnKind.begin());
    FirstScan();
    // A scan still running waits after its first rows until they are drawn.
    if (m_pendingScan != nullptr && m_pendingScan->IsRunning())
        m_listAll->GetRowsWindow()->Bind(wxEVT_PAINT, &CCacheListView::OnFirstRowsPaint, this);
    m_listAll->RowsChanged();

    SetUpSiteTree();

    for (CCacheList* list : {m_listCategory, m_listSearch}) {
        SetUpList(*list, kHitRateWidthOthers);
        list->Raise();
        list->Hide();
    }
    m_bInitialized = true;
    // The rows of a scan still running are counted as they come.
    if (m_pendingScan != nullptr && m_pendingScan->IsRunning())
        UpdateStatusSummary();
}

void CCacheListView::OnFirstRowsPaint(wxPaintEvent& event)
{
    event.Skip();
    if (m_listAll->GetItemCount() == 0)
        return;
    m_listAll->GetRowsWindow()->Unbind(wxEVT_PAINT, &CCacheListView::OnFirstRowsPaint, this);
    // Once the list has drawn them, not before.
    CallAfter([this] {
        if (m_pendingScan != nullptr)
            m_pendingScan->FirstRowsShown();
    });
}

void CCacheListView::ReportCacheProblems()
{
    m_bProblemsWanted = m_pendingScan != nullptr && m_pendingScan->IsRunning();
    if (m_bProblemsWanted)
        return;
    const std::vector<std::string>& problems = Cache().Problems();
    if (!problems.empty())
        UserPrompts().ShowProblems(this, _("Part of the cache cannot be read or changed:"), WordedProblems(problems));
}

std::vector<std::string> CCacheListView::WordedProblems(std::vector<std::string> problems) const
{
    if (m_problemText)
        for (std::string& problem : problems)
            problem = m_problemText(problem);
    return problems;
}

void CCacheListView::MakeImageLists()
{
    const wxBitmap categories(MakeCategoryStrip());
    for (wxImageList* images : {&m_imlTabs, &m_imlSmall}) {
        images->Create(kImageSide, kImageSide, true, 0);
        images->Add(categories, kCategoryMask);
    }
}

void CCacheListView::SetUpList(CCacheList& list, int hitRateWidth)
{
    list.SetWindowStyleFlag(list.GetWindowStyleFlag() | wxLC_HRULES | wxLC_VRULES);
    list.SetImageList(&m_imlSmall, wxIMAGE_LIST_SMALL);
    const int widths[ListRow::kColumnCount] = {400, 120, hitRateWidth, 60};
    for (int column = 0; column < ListRow::kColumnCount; ++column) {
        const bool utc = m_bTimesUtc && column == catalogue::kColumnAccessTime;
        list.InsertColumn(column, utc ? _("Access Time (UTC)") : wxGetTranslation(kColumnHeading[column]),
                          wxLIST_FORMAT_LEFT, widths[column]);
    }
}

void CCacheListView::SetUpSiteTree()
{
    if (m_pSiteTree == nullptr)
        return;
    // The folders are drawn on blue, which becomes white: nothing of them
    // is see-through.
    wxImage folders = MakeFolderStrip();
    ReplaceColour(folders, kFolderBackground, *wxWHITE);
    auto* images = new wxImageList(kImageSide, kImageSide, true, 0);
    images->Add(wxBitmap(folders), kFolderBackground);
    m_pSiteTree->AssignImageList(images);

    long style = m_pSiteTree->GetWindowStyleFlag();
    style &= ~wxTR_NO_LINES;
    m_pSiteTree->SetWindowStyleFlag(style | wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT);

    catalogue::CNode& root = RootNode();
    FillSiteTree(root);
    m_pSiteTree->SortChildren(m_pSiteTree->GetTopLevel());
    const wxTreeItemId all(root.TreeItem());
    m_pSiteTree->SelectItem(all);
    m_pSiteTree->Expand(all);
}

void CCacheListView::OnSize(wxSizeEvent& event)
{
    event.Skip();
    LayoutControls();
}

void CCacheListView::LayoutControls()
{
    if (m_listAll == nullptr)
        return;
    const wxSize client = GetClientSize();
    const wxRect display = m_tabCategory->AdjustRect(client);
    m_tabCategory->SetSize(0, 0, client.x, client.y);
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch})
        list->SetSize(display);
    m_listRecovered->SetSize(client);
    m_listRecovered->FitColumns();
    // The rows' vertical scroll bar takes its room inside the list's client
    // area whenever the rows are longer than the list: the columns leave
    // room for it always, so that the last column never runs under it.
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, m_listAll);
    const int accessTime = m_listAll->GetTextExtent(kAccessTimeSample).x + 2 * kColumnMargin;
    const auto widths = ColumnWidths(m_listAll->GetClientSize().x - std::max(0, scrollBar), accessTime);
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch}) {
        for (int column = 0; column < list->GetColumnCount(); ++column)
            list->SetColumnWidth(column, widths[column]);
    }
    wxPanel::Refresh();
    Update();
}

CCacheList* CCacheListView::GetActiveList() const
{
    const int tab = m_tabCategory->GetCurSel();
    if (tab == catalogue::kCategorySearchResults)
        return m_listSearch;
    if (tab == catalogue::kCategoryAll && m_pSelectedNode == &m_pCatalogue->RootNode())
        return m_listAll;
    return m_listCategory;
}

void CCacheListView::FillSiteTree(catalogue::CNode& root)
{
    if (m_pSiteTree != nullptr)
        m_pSiteTree->AddAllItem(root);
}

void CCacheListView::ClearCategoryList()
{
    m_nListSize = 0;
    m_listCategory->Rows().DeleteAll();
}

void CCacheListView::ListSiteEntries(const catalogue::CNode* node)
{
    if (node == nullptr)
        return;
    if (!node->IsLeaf()) {
        for (const auto& [key, child] : node->Children())
            ListSiteEntries(child.get());
        return;
    }
    const auto& entry = static_cast<const catalogue::CEntryNode&>(*node);
    const int tab = m_tabCategory->GetCurSel();
    if (tab != catalogue::kCategoryAll && tab != entry.m_nCategory)
        return;
    RowStore& rows = m_listCategory->Rows();
    // Each row goes on top, so the rows stand in the reverse of the walk.
    const int row = rows.InsertRow(0, entry.m_strUrl, entry.m_nCategory);
    if (entry.m_lastAccess.IsValid())
        rows.SetText(row, catalogue::kColumnAccessTime, entry.m_lastAccess.Format());
    rows.SetText(row, catalogue::kColumnHitRate, std::to_string(entry.m_dwHitRate));
    rows.SetItemData(row, entry.m_nCategory);
    if (entry.m_dwSize > 0) {
        m_nListSize += entry.m_dwSize;
        rows.SetText(row, catalogue::kColumnSize, std::to_string(entry.m_dwSize));
    }
}

}  // namespace trovana::listview
