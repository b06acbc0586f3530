#include "listview/site_tree_ctrl.h"

namespace trovana::listview {

namespace {
class CNodeData : public wxTreeItemData {
public:
    explicit CNodeData(catalogue::CNode* node) : m_pNode(node) {}
    catalogue::CNode* m_pNode;
};
}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CSiteTree, wxTreeCtrl);

CSiteTree::CSiteTree(wxWindow* parent, wxWindowID id)
    : wxTreeCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxTR_HIDE_ROOT | wxTR_SINGLE | wxTR_NO_LINES | wxBORDER_NONE)
{
    m_topLevel = AddRoot(wxString());
}

void CSiteTree::DeleteAllSites()
{
    DeleteChildren(m_topLevel);
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

}  // namespace trovana::listview
