// The site tree pane: hosts and directories of the cache under one "All"
// item. Each item carries the site tree node it stands for.
#pragma once

#include <wx/treectrl.h>

#include "site_tree.h"

namespace trovana::listview {

class CSiteTree : public wxTreeCtrl {
public:
    CSiteTree() = default;
    CSiteTree(wxWindow* parent, wxWindowID id);

    // The invisible parent of the top-level items (the "All" item).
    wxTreeItemId GetTopLevel() const { return m_topLevel; }
    // Deletes every item but the invisible top.
    void DeleteAllSites();

    // The node an item stands for; null for no item or an item without one.
    catalogue::CNode* GetItemNode(const wxTreeItemId& item) const;
    void SetItemNode(const wxTreeItemId& item, catalogue::CNode* node);

    // Children are sorted by their texts without regard to letter case.
    int OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) override;

private:
    wxTreeItemId m_topLevel;

    wxDECLARE_DYNAMIC_CLASS(CSiteTree);
};

}  // namespace trovana::listview
