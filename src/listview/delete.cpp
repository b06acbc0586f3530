// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting entries from the cache: the selected rows, every entry, or the
// entries of a site.
#include <algorithm>
#include <optional>

#include <wx/msgdlg.h>
#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/delete_entries.h"
#include "operations/progress.h"

namespace trovana::listview {

namespace {

bool AskYes(wxWindow* parent, const wxString& question)
{
    return GetPrompts().MessageBox(parent, question, "", wxYES_NO | wxICON_QUESTION) == wxID_YES;
}

}  // namespace

void CCacheListView::DeleteSelected()
{
    if (WaitForFirstScan([this] { DeleteSelected(); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting items")))
        return;
    CCacheList* list = GetSelectionList();
    if (list == nullptr)
        return;
    const RowStore& rows = list->Rows();
    if (!AskYes(this, _("Delete Selected Cache Items?")))
        return;
    // The URLs are taken before the first deletion: pruning the tree may
    // select another site, which lists other rows in this list.
    std::vector<std::string> urls;
    for (int row = rows.NextSelected(); row != -1; row = rows.NextSelected(row))
        urls.push_back(rows.Text(row, catalogue::kColumnUrl));

    DeletionReport report(EntryWording::Item);
    std::vector<std::string> deleted;
    std::optional<operations::RowProgress> progress(std::in_place, Busy());
    for (const std::string& url : urls) {
        progress->Row(static_cast<size_t>(&url - urls.data()), urls.size());
        const urlcache::CacheResult result = Cache().DeleteEntry(url);
        // Also a deletion that kept its file goes into the report.
        report.Add(url, result, IsMarkedPending(Cache(), url, result));
        if (!result.ok())
            continue;
        deleted.push_back(url);
        if (m_pSelectedNode != nullptr) {
            RemoveEntryLeaf(*this, url);
            PruneSiteTree(*this);
        }
    }
    progress.reset();
    if (!deleted.empty())
        RemoveListRows(deleted);
    AfterDeletion(*this);
    ShowDeletionReport(*this, report, urls.size());
}

void CCacheListView::DeleteAll(bool bAsk)
{
    if (WaitForFirstScan([this, bAsk] { DeleteAll(bAsk); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting all items")))
        return;
    if (bAsk && !AskYes(this, _("Delete All Cache Items?")))
        return;
    const RowStore& all = Catalogue().ListAll();
    const int count = all.Count();
    DeletionReport report(EntryWording::Item);
    {
        operations::RowProgress progress(Busy());
        // Deleted in batches, each of which writes a container once.
        const int step = std::max(1, count / 12);
        for (int first = 0; first < count; first += step) {
            std::vector<std::string> urls;
            for (int row = first; row < std::min(count, first + step); ++row)
                urls.push_back(all.Text(row, catalogue::kColumnUrl));
            report.AddAll(Cache(), urls, Cache().DeleteEntries(urls));
            progress.Sink()(first * 100 / count);
        }
    }
    m_tabCategory->SetCurSel(catalogue::kCategoryAll);
    m_listCategory->Rows().DeleteAll();
    m_listSearch->Rows().DeleteAll();
    m_listCategory->RowsChanged();
    m_listSearch->RowsChanged();
    m_pSelectedNode = nullptr;
    if (m_pSiteTree != nullptr)
        m_pSiteTree->DeleteAllSites();
    m_nSearchSize = 0;
    m_nListSize = 0;
    // The scan lists every entry that is still in the cache.
    RefreshCache();
    ShowDeletionReport(*this, report, static_cast<size_t>(count));
}

void CCacheListView::DeleteSite()
{
    if (WaitForFirstScan([this] { DeleteSite(); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting a site")))
        return;
    const wxTreeItemId item = m_pSiteTree != nullptr ? m_pSiteTree->GetSelection() : wxTreeItemId();
    catalogue::CNode* node = m_pSiteTree != nullptr ? m_pSiteTree->GetItemNode(item) : nullptr;
    // Only a host, a directory or "All" is a site: never the tree's hidden
    // top or an item without its node.
    if (node == nullptr || item == m_pSiteTree->GetTopLevel()) {
        GetPrompts().MessageBox(this, _("No web site is selected!"), "", wxOK);
        return;
    }
    const wxString name = m_pSiteTree->GetItemText(item);
    if (!AskYes(this, wxString::Format(_("Delete Cache Items Of %s ?"), name)))
        return;
    const wxTreeItemId parentItem = m_pSiteTree->GetItemParent(item);
    catalogue::CNode* parent = m_pSiteTree->GetItemNode(parentItem);
    if (parent == nullptr) {
        // The "All" item stands for the whole cache.
        DeleteAll(false);
        return;
    }
    DeletionReport report(EntryWording::File);
    std::vector<std::string> urls;
    node->CollectUrls(urls);
    const size_t attempted = urls.size();
    const std::vector<std::string> gone = DeleteUrls(*this, urls, report);
    for (const std::string& url : gone)
        RemoveEntryLeaf(*this, url);
    if (!node->HasEntries()) {
        // The site leaves the model first, so that the parent, selected in
        // its place, no longer lists it; its item goes last.
        for (const auto& [key, child] : parent->Children()) {
            if (child.get() == node) {
                parent->RemoveChild(std::string(key));
                break;
            }
        }
        m_pSiteTree->SelectItem(parentItem);
        m_pSelectedNode = parent;
        m_pSiteTree->Delete(item);
    } else {
        // The site stays with the entries that are still in the cache.
        PruneEmptyBelow(*this, *node);
        m_pSelectedNode = node;
        ShowCategory();
    }
    RemoveListRows(gone);
    UpdateStatusSummary();
    ShowDeletionReport(*this, report, attempted);
}

}  // namespace trovana::listview
