// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/site_tree_ctrl.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include <wx/translation.h>

#include "listview/cache_list.h"

namespace trovana::listview {

namespace {
constexpr int kFolderImage = 0;
constexpr int kOpenFolderImage = 1;

class CNodeData : public wxTreeItemData {
public:
    explicit CNodeData(catalogue::CNode* node) : m_pNode(node) {}
    catalogue::CNode* m_pNode;
    bool m_bChildrenMade = false;
};

// Entries are listed, not shown in the tree: only directories get items.
bool HasDirectories(const catalogue::CNode& node)
{
    return std::any_of(node.Children().begin(), node.Children().end(),
                       [](const auto& child) { return !child.second->IsLeaf(); });
}

// The directories from `from` down to `target`, both included; false when
// target is not below. The model's nodes know no parent: it is searched.
bool FindPath(catalogue::CNode& from, const catalogue::CNode* target, std::vector<catalogue::CNode*>& path)
{
    path.push_back(&from);
    if (&from == target)
        return true;
    for (auto& [key, child] : from.Children()) {
        if (!child->IsLeaf() && FindPath(*child, target, path))
            return true;
    }
    path.pop_back();
    return false;
}

// A key that starts the tree's search for an item by its first letters.
bool StartsSearch(const wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    return !event.HasModifiers() && key < 128 && (std::isalnum(key) != 0 || key == '_');
}
}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CSiteTree, wxTreeCtrl);

CSiteTree::CSiteTree(wxWindow* parent, wxWindowID id)
    : wxTreeCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxTR_HIDE_ROOT | wxTR_SINGLE | wxTR_NO_LINES | wxBORDER_NONE)
{
    m_topLevel = AddRoot(wxString());
    // Before the tree's own handlers: the items are there when it expands
    // an item or searches.
    Bind(wxEVT_TREE_ITEM_EXPANDING, [this](wxTreeEvent& event) {
        MakeChildItems(event.GetItem());
        event.Skip();
    });
    Bind(wxEVT_CHAR, [this](wxKeyEvent& event) {
        if (StartsSearch(event) && !m_bAllItemsMade) {
            MakeAllItems(m_topLevel);
            m_bAllItemsMade = true;
        }
        event.Skip();
    });
}

void CSiteTree::DeleteAllSites()
{
    DeleteChildren(m_topLevel);
}

wxTreeItemId CSiteTree::AddSite(const wxTreeItemId& parent, const wxString& text, catalogue::CNode* node)
{
    const wxTreeItemId item = AppendItem(parent, text, kFolderImage, kOpenFolderImage);
    SetItemNode(item, node);
    node->SetTreeItem(item.GetID());
    SetItemHasChildren(item, HasDirectories(*node));
    return item;
}

wxTreeItemId CSiteTree::AddAllItem(catalogue::CNode& root)
{
    // The sites under "All" are shown from the start.
    m_bAllItemsMade = false;
    const wxTreeItemId all = AddSite(m_topLevel, _("All"), &root);
    MakeChildItems(all);
    return all;
}

void CSiteTree::MakeChildItems(const wxTreeItemId& item)
{
    auto* data = item.IsOk() ? static_cast<CNodeData*>(GetItemData(item)) : nullptr;
    if (data == nullptr || data->m_bChildrenMade)
        return;
    data->m_bChildrenMade = true;
    for (auto& [key, child] : data->m_pNode->Children()) {
        if (!child->IsLeaf())
            AddSite(item, ToDisplayText(key), child.get());
    }
    SortChildren(item);
    // The children's items give the button from now on: it goes with the last.
    SetItemHasChildren(item, false);
}

void CSiteTree::MakeAllItems(const wxTreeItemId& item)
{
    MakeChildItems(item);
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(item, cookie); child.IsOk(); child = GetNextChild(item, cookie))
        MakeAllItems(child);
}

wxTreeItemId CSiteTree::ItemOf(const catalogue::CNode* node)
{
    wxTreeItemIdValue cookie;
    catalogue::CNode* root = GetItemNode(GetFirstChild(m_topLevel, cookie));
    std::vector<catalogue::CNode*> path;
    if (node == nullptr || root == nullptr || !FindPath(*root, node, path))
        return wxTreeItemId();
    for (size_t step = 0; step + 1 < path.size(); ++step)
        MakeChildItems(wxTreeItemId(path[step]->TreeItem()));
    return wxTreeItemId(node->TreeItem());
}

void CSiteTree::UpdateButton(const catalogue::CNode& node)
{
    const wxTreeItemId item(node.TreeItem());
    auto* data = item.IsOk() ? static_cast<CNodeData*>(GetItemData(item)) : nullptr;
    if (data != nullptr && !data->m_bChildrenMade)
        SetItemHasChildren(item, HasDirectories(node));
}

catalogue::CNode* CSiteTree::GetItemNode(const wxTreeItemId& item) const
{
    if (!item.IsOk())
        return nullptr;
    auto* data = static_cast<CNodeData*>(GetItemData(item));
    return data != nullptr ? data->m_pNode : nullptr;
}

void CSiteTree::SetItemNode(const wxTreeItemId& item, catalogue::CNode* node)
{
    SetItemData(item, new CNodeData(node));
}

int CSiteTree::OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second)
{
    return GetItemText(first).CmpNoCase(GetItemText(second));
}

bool CSiteTree::IsSameOrBelow(const wxTreeItemId& ancestor, wxTreeItemId item) const
{
    for (; item.IsOk(); item = GetItemParent(item))
        if (item == ancestor)
            return true;
    return false;
}

void CSiteTree::DeleteItemKeepingSelection(const wxTreeItemId& item, const wxTreeItemId& parentItem,
                                           catalogue::CNode* parentNode, catalogue::CNode*& selected)
{
    if (IsSameOrBelow(item, GetSelection())) {
        SelectItem(parentItem);
        selected = parentNode;
    }
    Delete(item);
}

void CSiteTree::PruneUpFrom(catalogue::CNode*& selected, const catalogue::CNode& root)
{
    catalogue::CNode* node = selected;
    if (node == nullptr)
        return;
    if (!node->HasEntries()) {
        if (node->TreeItem() != nullptr)
            DeleteChildren(wxTreeItemId(node->TreeItem()));
        node->RemoveAll();
    }
    while (node != &root && node->TreeItem() != nullptr) {
        const wxTreeItemId item(node->TreeItem());
        if (node->Children().empty()) {
            const wxTreeItemId parentItem = GetItemParent(item);
            catalogue::CNode* parent = GetItemNode(parentItem);
            if (parent == nullptr)
                return;
            DeleteItemKeepingSelection(item, parentItem, parent, selected);
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
            DeleteItemKeepingSelection(wxTreeItemId(child->TreeItem()), item, node, selected);
        node->RemoveChild(key);
    }
}

void CSiteTree::PruneEmptyBelow(catalogue::CNode& node, catalogue::CNode*& selected)
{
    std::vector<catalogue::CNode*> empty;
    for (auto& [key, child] : node.Children()) {
        if (child->IsLeaf())
            continue;
        PruneEmptyBelow(*child, selected);
        if (!child->HasEntries())
            empty.push_back(child.get());
    }
    for (catalogue::CNode* child : empty) {
        if (child->TreeItem() != nullptr && node.TreeItem() != nullptr)
            DeleteItemKeepingSelection(wxTreeItemId(child->TreeItem()), wxTreeItemId(node.TreeItem()), &node, selected);
        node.RemoveChildNode(child);
    }
    if (!empty.empty())
        UpdateButton(node);
}

}  // namespace trovana::listview
