// What the view does with the user's tabs, clicks, keys and commands: the
// list of the current tab, the status summary, the preview of a clicked
// row, the context menu, the keyboard shortcuts, column sorts and Refresh.
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/category_rows.h"
#include "listview/list_sorter.h"
#include "listview/prompts.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
constexpr const char* kBlankPage = "about:blank";
constexpr double kBytesPerMegabyte = 1048576.0;

wxStatusBar* StatusBarOf(const wxWindow* window)
{
    auto* frame = wxDynamicCast(wxGetTopLevelParent(const_cast<wxWindow*>(window)), wxFrame);
    return frame != nullptr ? frame->GetStatusBar() : nullptr;
}
}  // namespace


void CCacheListView::ShowCategory()
{
    m_bGalleryShown = false;
    const int tab = m_tabCategory->GetCurSel();
    const bool siteSelected = m_pSelectedNode != &RootNode();
    auto blankPreview = [this] {
        if (m_pWebView != nullptr)
            m_pWebView->Navigate(kBlankPage);
    };
    if (tab == kCategorySearch) {
        m_listAll->Hide();
        m_listCategory->Hide();
        m_listSearch->Show();
        blankPreview();
        return;
    }
    if (tab != kCategoryAll || siteSelected) {
        m_pCatalogue->m_nListSize = 0;
        m_listCategory->Rows().DeleteAll();
    }
    if (siteSelected)
        ListSiteEntries(m_pSelectedNode);
    else if (tab != kCategoryAll)
        CopyCategoryRows(tab);
    m_listCategory->RowsChanged();

    if (tab == kCategoryImages)
        MakeGallery();
    else
        blankPreview();
    const bool showAll = tab == kCategoryAll && !siteSelected;
    m_listAll->Show(showAll);
    m_listCategory->Show(!showAll);
    m_listSearch->Hide();
}

void CCacheListView::CopyCategoryRows(int category)
{
    m_pBusy->SetWaitCursor();
    m_pCatalogue->m_nListSize += listview::CopyCategoryRows(
        m_pCatalogue->m_listAll, category, m_listCategory->Rows(),
        [this](int percent) { m_pBusy->SetProgress(percent); });
    m_pBusy->SetArrowCursor();
}

void CCacheListView::UpdateStatusSummary()
{
    const int tab = m_tabCategory->GetCurSel();
    CCacheList* list = GetActiveList();
    int64_t total = m_pCatalogue->m_nSearchSize;
    if (list == m_listAll)
        total = m_pCatalogue->m_nTotalSize;
    else if (list == m_listCategory)
        total = m_pCatalogue->m_nListSize;
    const wxString description = tab >= 0 && tab < kCategoryCount ? m_strDescription[tab] : wxString();
    const wxString text = description + wxString::Format(" (%d Items, %.2f M)   ", list->Rows().Count(),
                                                         static_cast<double>(total) / kBytesPerMegabyte);
    if (wxStatusBar* bar = StatusBarOf(this)) {
        bar->SetStatusText(text, 0);
        bar->Update();
    }
}

void CCacheListView::PreviewSelected()
{
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
        GetPrompts().MessageBox(this, "No cache item is selected!", "", wxOK);
        return nullptr;
    }
    return list;
}

void CCacheListView::OnProperties()
{
    CCacheList* list = GetActiveList();
    list->StoreSelection();
    const int row = list->Rows().NextSelected();
    if (row < 0)
        return;
    ShowProperties(list->Rows().Text(row, catalogue::kColumnUrl));
}

bool CCacheListView::HandleListKey(int keyCode, bool bCtrlDown)
{
    CCacheList* list = GetActiveList();
    list->SetFocus();
    if (bCtrlDown) {
        if (keyCode == 'A' || keyCode == 'a') {
            list->Rows().SelectAll(true);
            list->RowsChanged();
        } else if (keyCode == 'F' || keyCode == 'f') {
            Search();
        }
        return true;
    }
    if (keyCode == WXK_DELETE || keyCode == WXK_NUMPAD_DELETE) {
        list->StoreSelection();
        DeleteSelected();
        return true;
    }
    return false;
}

void CCacheListView::RefreshCache()
{
    catalogue::CNode& root = RootNode();
    // The tree's items and the selection point into the model: both let go
    // of it before it is emptied.
    m_pSelectedNode = &root;
    if (m_pSiteTree != nullptr)
        m_pSiteTree->DeleteAllSites();
    root.RemoveAll();
    m_pCatalogue->ScanCache();
    m_listAll->RowsChanged();
    if (m_pSiteTree != nullptr) {
        FillSiteTree(&root, wxTreeItemId());
        const wxTreeItemId all(root.m_hItem);
        m_pSiteTree->Expand(all);
        m_pSiteTree->SelectItem(all);
    }
    m_pSelectedNode = &root;
    m_tabCategory->SetCurSel(kCategoryAll);
    m_pCatalogue->m_nSearchSize = 0;
    m_listSearch->Rows().DeleteAll();
    m_listSearch->RowsChanged();
    ShowCategory();
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
    menu.Append(ID_LIST_PROPERTIES, "Properties");
    menu.Append(ID_LIST_COPY, "Copy");
    menu.Append(ID_LIST_SEARCH, "Search");
    menu.Append(ID_LIST_DELETE, "Delete");
    PopupMenu(&menu);
}

void CCacheListView::OnKeydownList(int keyCode, bool bCtrlDown)
{
    HandleListKey(keyCode, bCtrlDown);
}

void CCacheListView::OnColumnclickList(int column)
{
    if (column < 0 || column >= ListRow::kColumnCount)
        return;
    CCacheList* list = GetActiveList();
    m_pBusy->SetWaitCursor();
    g_bSortAscending = !g_bSortAscending;
    list->StoreSelection();
    {
        CListSorter sorter(list->Rows(), column);
        sorter.Sort(g_bSortAscending, m_nColumnKind[column]);
        if (m_tabCategory->GetCurSel() == kCategoryImages)
            MakeGallery();
        m_pBusy->SetArrowCursor();
    }
    list->RowsChanged();
}

}  // namespace trovana::listview
