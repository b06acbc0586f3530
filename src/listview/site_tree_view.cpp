// Puts the site tree model on the screen: tree items for hosts and
// directories, and the rows of the entries below a chosen node.
#include <string>

#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"

namespace trovana::listview {

namespace {
constexpr int kFolderImage = 0;
constexpr int kOpenFolderImage = 1;
}  // namespace

void CCacheListView::FillSiteTree(catalogue::CNode* node, const wxTreeItemId& parent)
{
    if (m_pSiteTree == nullptr || node == nullptr)
        return;
    wxTreeItemId under = parent;
    if (!under.IsOk()) {
        // The top level: the node itself is the "All" item.
        under = m_pSiteTree->AppendItem(m_pSiteTree->GetTopLevel(), _("All"), kFolderImage, kOpenFolderImage);
        m_pSiteTree->SetItemNode(under, node);
        node->m_hItem = under.GetID();
    }
    if (node->m_children.empty())
        return;
    for (auto& [key, child] : node->m_children) {
        // Entries are listed, not shown in the tree.
        if (child->m_bLeaf)
            continue;
        const wxTreeItemId item = m_pSiteTree->AppendItem(under, ToDisplayText(key), kFolderImage, kOpenFolderImage);
        m_pSiteTree->SetItemNode(item, child.get());
        child->m_hItem = item.GetID();
        FillSiteTree(child.get(), item);
    }
    m_pSiteTree->SortChildren(under);
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
    if (!node->m_bLeaf) {
        for (const auto& [key, child] : node->m_children)
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
