// SPDX-License-Identifier: GPL-3.0-or-later
// The Search command: the dialog, then the matching rows of the All list
// under the "Search Results" tab.
#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/tab_strip.h"
#include "operations/progress.h"
#include "operations/search_dlg.h"
#include "operations/search_match.h"

namespace trovana::listview {

void CCacheListView::Search()
{
    if (RefuseWhileRecovered(_("Searching")))
        return;
    {
        operations::CSearchDlg dialog(this, m_dlgSearch);
        if (dialog.ShowModal() != wxID_OK)
            return;
    }
    if (m_dlgSearch.m_bMatchAll) {
        // Nothing restricts the search: every entry is shown.
        m_tabCategory->SetCurSel(catalogue::kCategoryAll);
        m_listAll->Show();
        m_listCategory->Hide();
        m_listSearch->Hide();
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
        m_nSearchSize = operations::CollectMatches(Catalogue().m_listAll, filter, results, progress.Sink());
    }
    m_listSearch->RowsChanged();
    m_listAll->Hide();
    m_listCategory->Hide();
    m_listSearch->Show();
}

}  // namespace trovana::listview
