// SPDX-License-Identifier: GPL-3.0-or-later
// The Search command: the dialog, then the matching rows of the All list
// under the "Search Results" tab.
#include <wx/msgdlg.h>
#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/progress.h"
#include "operations/search_dlg.h"
#include "operations/search_match.h"

namespace trovana::listview {

void CCacheListView::Search()
{
    if (WaitForFirstScan([this] { Search(); }))
        return;
    if (RefuseWhileRecovered(_("Searching")))
        return;
    {
        operations::CSearchDlg dialog(this, m_dlgSearch);
        if (dialog.ShowModal() != wxID_OK)
            return;
    }
    if (m_dlgSearch.m_bMatchAll) {
        // Nothing restricts the search: every entry is shown, and the user
        // is told why nothing was searched.
        m_tabCategory->SetCurSel(catalogue::kCategoryAll);
        m_listAll->Show();
        m_listCategory->Hide();
        m_listSearch->Hide();
        m_bGalleryShown = false;
        if (m_pWebView != nullptr)
            m_pWebView->Navigate("about:blank");
        UpdateStatusSummary();
        GetPrompts().MessageBox(this,
                                _("Nothing was searched: no keywords, access date or type narrows the search. "
                                  "All cache items are shown."),
                                "", wxOK | wxICON_INFORMATION);
        return;
    }
    if (m_tabCategory->GetItemCount() == kInitialTabCount)
        m_tabCategory->InsertItem(catalogue::kCategorySearchResults, _("Search Results"),
                                  catalogue::kCategorySearchResults);
    m_tabCategory->SetCurSel(catalogue::kCategorySearchResults);

    RowStore& results = m_listSearch->Rows();
    results.DeleteAll();
    const operations::RowFilter filter = operations::MakeFilter(m_dlgSearch);
    {
        operations::RowProgress progress(Busy());
        m_nSearchSize = operations::CollectMatches(Catalogue().ListAll(), filter, results, progress.Sink());
    }
    m_listSearch->RowsChanged();
    // The results show as any tab's list does: no gallery of the tab the
    // search was started from, and their own summary.
    ShowCategory();
    UpdateStatusSummary();
}

}  // namespace trovana::listview
