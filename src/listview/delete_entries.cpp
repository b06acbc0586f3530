// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/delete_entries.h"

#include <unordered_set>

#include <wx/msgdlg.h>
#include <wx/translation.h>

#include "classify.h"
#include "key_path.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/progress.h"

namespace trovana::listview {

namespace {

int64_t SizeOf(const std::string& text)
{
    return text.empty() ? 0 : std::atoll(text.c_str());
}

bool IsSameOrBelow(const CSiteTree& tree, const wxTreeItemId& ancestor, wxTreeItemId item)
{
    for (; item.IsOk(); item = tree.GetItemParent(item))
        if (item == ancestor)
            return true;
    return false;
}

// Deletes a tree item. When the selection is on it or below it, the parent
// item is selected first, so that the view never keeps a removed node.
void DeleteTreeItem(CCacheListView& view, const wxTreeItemId& item, const wxTreeItemId& parentItem,
                    catalogue::CNode* parentNode)
{
    CSiteTree& tree = *view.m_pSiteTree;
    if (IsSameOrBelow(tree, item, tree.GetSelection())) {
        tree.SelectItem(parentItem);
        view.m_pSelectedNode = parentNode;
    }
    tree.Delete(item);
}

}  // namespace

int64_t RemoveRowsOf(RowStore& rows, const std::vector<std::string>& urls)
{
    const std::unordered_set<std::string> gone(urls.begin(), urls.end());
    int64_t size = 0;
    for (int row = rows.Count() - 1; row >= 0; --row) {
        if (gone.contains(rows.Text(row, catalogue::kColumnUrl))) {
            size += SizeOf(rows.Text(row, catalogue::kColumnSize));
            rows.DeleteRow(row);
        }
    }
    return size;
}

void CCacheListView::RemoveListRows(const std::vector<std::string>& urls)
{
    m_pCatalogue->DeductSize(RemoveRowsOf(m_listAll->Rows(), urls));
    m_nListSize -= RemoveRowsOf(m_listCategory->Rows(), urls);
    m_nSearchSize -= RemoveRowsOf(m_listSearch->Rows(), urls);
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch})
        list->RowsChanged();
}

void PruneSiteTree(CCacheListView& view)
{
    catalogue::CNode* node = view.m_pSelectedNode;
    CSiteTree* tree = view.m_pSiteTree;
    if (node == nullptr || tree == nullptr)
        return;
    if (!node->HasEntries()) {
        if (node->TreeItem() != nullptr)
            tree->DeleteChildren(wxTreeItemId(node->TreeItem()));
        node->RemoveAll();
    }
    while (node != &view.RootNode() && node->TreeItem() != nullptr) {
        const wxTreeItemId item(node->TreeItem());
        if (node->Children().empty()) {
            const wxTreeItemId parentItem = tree->GetItemParent(item);
            catalogue::CNode* parent = tree->GetItemNode(parentItem);
            if (parent == nullptr)
                return;
            DeleteTreeItem(view, item, parentItem, parent);
            parent->RemoveChildNode(node);
            node = parent;
            continue;
        }
        if (node->Children().size() != 1)
            return;
        // One directory below: it goes only when it holds no entries, so
        // that no entry drops out of the tree.
        const std::string key = node->Children().begin()->first;
        const catalogue::CNode* child = node->Children().begin()->second.get();
        if (child->HasEntries())
            return;
        if (child->TreeItem() != nullptr)
            DeleteTreeItem(view, wxTreeItemId(child->TreeItem()), item, node);
        node->RemoveChild(key);
    }
}

std::vector<std::string> DeleteUrls(CCacheListView& view, const std::vector<std::string>& urls, DeletionReport& report)
{
    std::vector<std::string> gone;
    const operations::RowProgress progress(view.Busy());
    for (const std::string& url : urls) {
        progress.Row(static_cast<size_t>(&url - urls.data()), urls.size());
        const urlcache::CacheResult result = view.Cache().DeleteEntry(url);
        report.Add(url, result, IsMarkedPending(view.Cache(), url, result));
        if (result.ok() || result.code == urlcache::ERROR_FILE_NOT_FOUND)
            gone.push_back(url);
    }
    return gone;
}

void RemoveEntryLeaf(CCacheListView& view, const std::string& url)
{
    const int category = url.starts_with("Cookie:") ? catalogue::kCategoryCookies : catalogue::kCategoryAll;
    view.RootNode().RemoveUrlAt(catalogue::CutKeyPath(url, category), url);
}

void PruneEmptyBelow(CCacheListView& view, catalogue::CNode& node)
{
    std::vector<catalogue::CNode*> empty;
    for (auto& [key, child] : node.Children()) {
        if (child->IsLeaf())
            continue;
        PruneEmptyBelow(view, *child);
        if (!child->HasEntries())
            empty.push_back(child.get());
    }
    for (catalogue::CNode* child : empty) {
        if (child->TreeItem() != nullptr && view.m_pSiteTree != nullptr && node.TreeItem() != nullptr)
            DeleteTreeItem(view, wxTreeItemId(child->TreeItem()), wxTreeItemId(node.TreeItem()), &node);
        node.RemoveChildNode(child);
    }
    if (!empty.empty() && view.m_pSiteTree != nullptr)
        view.m_pSiteTree->UpdateButton(node);
}

void ShowDeletionReport(CCacheListView& view, const DeletionReport& report, size_t attempted)
{
    if (!report.Empty())
        GetPrompts().MessageBox(&view, report.Text(attempted), report.Caption(), wxOK | wxICON_EXCLAMATION);
    // The entries went, their files did not: one summary at the end.
    if (report.KeptFiles() > 0)
        GetPrompts().MessageBox(&view, report.KeptText(), _("Files Kept"), wxOK | wxICON_INFORMATION);
}

void AfterDeletion(CCacheListView& view)
{
    // On the Images tab the gallery follows the remaining pictures.
    if (view.GetTabStrip()->GetCurSel() == catalogue::kCategoryImages)
        view.MakeGallery();
    else if (view.m_pWebView != nullptr)
        view.m_pWebView->Navigate("about:blank");
    view.UpdateStatusSummary();
}

}  // namespace trovana::listview
