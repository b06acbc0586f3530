// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the site tree model on the screen: tree items for hosts and
// directories, and the rows of the entries below a chosen node.
#include <string>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"

namespace trovana::listview {

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
