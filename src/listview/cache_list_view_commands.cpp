// SPDX-License-Identifier: GPL-3.0-or-later
// The view's operations on entries: each chooses what to work on and hands
// the work to its command (copy, delete, search, gallery, export); and what
// the commands see of the view.
#include <unordered_set>

#include <wx/translation.h>

#include "entry_commands/deletion.h"
#include "entry_commands/search_command.h"
#include "key_path.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/recovered_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {

// The status bar's text while a deletion asks (see CommandPrompt).
constexpr const char* kDeletePrompt = wxTRANSLATE("Delete selected items");
constexpr const char* kDeleteAllPrompt = wxTRANSLATE("Delete all cache items");
constexpr const char* kDeleteSitePrompt = wxTRANSLATE("Delete the cache items of the selected site");

int64_t SizeOf(const std::string& text)
{
    return text.empty() ? 0 : std::atoll(text.c_str());
}

// Deletes every row whose URL is one of urls (exactly, byte for byte) and
// returns the sum of their sizes.
int64_t RemoveRowsOf(RowStore& rows, const std::vector<std::string>& urls)
{
    const std::unordered_set<std::string> gone(urls.begin(), urls.end());
    int64_t size = 0;
    rows.DeleteIf([&](const ListRow& row) {
        if (!gone.contains(row.texts[catalogue::kColumnUrl]))
            return false;
        size += SizeOf(row.texts[catalogue::kColumnSize]);
        return true;
    });
    return size;
}

// Takes the leaves of deleted entries out of the site tree model, each
// found from the root along its key path (a row may lie outside the
// selected site).
void RemoveEntryLeaves(catalogue::CNode& root, const std::vector<std::string>& urls)
{
    for (const std::string& url : urls) {
        const int category = url.starts_with("Cookie:") ? catalogue::kCategoryCookies : catalogue::kCategoryAll;
        root.RemoveUrlAt(catalogue::CutKeyPath(url, category), url);
    }
}

}  // namespace

std::vector<std::string> CCacheListView::SelectedUrls()
{
    CCacheList* list = GetActiveList();
    list->StoreSelection();
    const RowStore& rows = list->Rows();
    std::vector<std::string> urls;
    for (int row = rows.NextSelected(); row != -1; row = rows.NextSelected(row))
        urls.push_back(rows.Text(row, catalogue::kColumnUrl));
    return urls;
}

void CCacheListView::RemoveRows(const std::vector<std::string>& urls)
{
    m_pCatalogue->DeductSize(RemoveRowsOf(m_listAll->Rows(), urls));
    m_nListSize -= RemoveRowsOf(m_listCategory->Rows(), urls);
    m_nSearchSize -= RemoveRowsOf(m_listSearch->Rows(), urls);
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch})
        list->RowsChanged();
}

void CCacheListView::DeleteSelected()
{
    if (WaitForFirstScan([this] { DeleteSelected(); }) || WaitForWork([this] { DeleteSelected(); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting items")))
        return;
    const CommandPrompt prompt(*this, kDeletePrompt);
    if (GetSelectionList() == nullptr)
        return;
    // The URLs are taken before the first deletion: pruning the tree may
    // select another site, which lists other rows in this list.
    RunDeletion(
        {SelectedUrls(), _("Delete Selected Cache Items?"), entry_commands::EntryWording::Item},
        [this](const entry_commands::DeletionOutcome& outcome) {
            // A row whose entry the cache no longer had stays, as it was
            // no deletion of the user's.
            if (m_pSelectedNode != nullptr)
                RemoveEntryLeaves(RootNode(), outcome.deleted);
            if (!outcome.deleted.empty())
                RemoveRows(outcome.deleted);
        },
        [this](bool) {
            if (m_pSelectedNode != nullptr && m_pSiteTree != nullptr)
                m_pSiteTree->PruneUpFrom(m_pSelectedNode, RootNode());
            // On the Images tab the gallery follows the remaining pictures.
            if (m_tabCategory->GetCurSel() == catalogue::kCategoryImages)
                MakeGallery();
            else
                ShowBlankPreview();
        });
}

void CCacheListView::DeleteAll(bool bAsk)
{
    if (WaitForFirstScan([this, bAsk] { DeleteAll(bAsk); }) || WaitForWork([this, bAsk] { DeleteAll(bAsk); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting all items")))
        return;
    const CommandPrompt prompt(*this, kDeleteAllPrompt);
    const RowStore& all = Catalogue().ListAll();
    std::vector<std::string> urls;
    urls.reserve(static_cast<size_t>(all.Count()));
    for (int row = 0; row < all.Count(); ++row)
        urls.push_back(all.Text(row, catalogue::kColumnUrl));
    RunDeletion(
        {std::move(urls), bAsk ? _("Delete All Cache Items?") : wxString(), entry_commands::EntryWording::Item},
        [this](const entry_commands::DeletionOutcome& outcome) {
            RemoveEntryLeaves(RootNode(), outcome.deleted);
            RemoveRows(outcome.deleted);
        },
        [this](bool stopped) {
            if (stopped) {
                // The entries not reached stay, and so do their sites.
                if (m_pSiteTree != nullptr)
                    m_pSiteTree->PruneEmptyBelow(RootNode(), m_pSelectedNode);
                ShowCategory();
                return;
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
        });
}

void CCacheListView::DeleteSite()
{
    if (WaitForFirstScan([this] { DeleteSite(); }) || WaitForWork([this] { DeleteSite(); }))
        return;
    if (m_bReadOnly || RefuseWhileRecovered(_("Deleting a site")))
        return;
    const CommandPrompt prompt(*this, kDeleteSitePrompt);
    const wxTreeItemId item = m_pSiteTree != nullptr ? m_pSiteTree->GetSelection() : wxTreeItemId();
    catalogue::CNode* node = m_pSiteTree != nullptr ? m_pSiteTree->GetItemNode(item) : nullptr;
    // Only a host, a directory or "All" is a site: never the tree's hidden
    // top or an item without its node.
    if (node == nullptr || item == m_pSiteTree->GetTopLevel()) {
        UserPrompts().MessageBox(this, _("No web site is selected!"), "", wxOK);
        return;
    }
    const wxString question = wxString::Format(_("Delete Cache Items Of %s ?"), m_pSiteTree->GetItemText(item));
    const wxTreeItemId parentItem = m_pSiteTree->GetItemParent(item);
    catalogue::CNode* parent = m_pSiteTree->GetItemNode(parentItem);
    if (parent == nullptr) {
        // The "All" item stands for the whole cache.
        if (UserPrompts().AskYes(this, question))
            DeleteAll(false);
        return;
    }
    std::vector<std::string> urls;
    node->CollectUrls(urls);
    // The site's node and items stay while the deletion runs: the commands
    // that would remove them wait for its end.
    RunDeletion(
        {std::move(urls), question, entry_commands::EntryWording::File},
        [this](const entry_commands::DeletionOutcome& outcome) {
            // An entry the cache no longer had leaves the site too.
            std::vector<std::string> gone = outcome.deleted;
            gone.insert(gone.end(), outcome.notCached.begin(), outcome.notCached.end());
            RemoveEntryLeaves(RootNode(), gone);
            RemoveRows(gone);
        },
        [this, node, parent, item, parentItem](bool) {
            if (!node->HasEntries()) {
                // The site leaves the model first, so that the parent,
                // selected in its place, no longer lists it; its item goes last.
                parent->RemoveChildNode(node);
                m_pSiteTree->SelectItem(parentItem);
                m_pSelectedNode = parent;
                m_pSiteTree->Delete(item);
            } else {
                // The site stays with the entries that are still in the cache.
                m_pSiteTree->PruneEmptyBelow(*node, m_pSelectedNode);
                m_pSelectedNode = node;
                ShowCategory();
            }
        });
}

void CCacheListView::Search()
{
    if (WaitForFirstScan([this] { Search(); }))
        return;
    if (RefuseWhileRecovered(_("Searching")))
        return;
    entry_commands::SearchCommand search(*this, m_dlgSearch);
    int64_t size = 0;
    switch (search.Run(m_listSearch->Rows(), size)) {
    case entry_commands::SearchCommand::Outcome::Cancelled: return;
    case entry_commands::SearchCommand::Outcome::NothingSearched:
        // Nothing restricts the search: every entry is shown, and the user
        // is told why nothing was searched.
        m_tabCategory->SetCurSel(catalogue::kCategoryAll);
        m_listAll->Show();
        m_listCategory->Hide();
        m_listSearch->Hide();
        m_bGalleryShown = false;
        ShowBlankPreview();
        UpdateStatusSummary();
        search.TellNothingSearched();
        return;
    case entry_commands::SearchCommand::Outcome::Searched: break;
    }
    m_nSearchSize = size;
    if (m_tabCategory->GetItemCount() == kInitialTabCount)
        m_tabCategory->InsertItem(catalogue::kCategorySearchResults, _("Search Results"),
                                  catalogue::kCategorySearchResults);
    m_tabCategory->SetCurSel(catalogue::kCategorySearchResults);
    m_listSearch->RowsChanged();
    // The results show as any tab's list does: no gallery of the tab the
    // search was started from, and their own summary.
    ShowCategory();
    UpdateStatusSummary();
}

}  // namespace trovana::listview
