// SPDX-License-Identifier: GPL-3.0-or-later
// The site tree pane: hosts and directories of the cache under one "All"
// item. Each item carries the site tree node it stands for. The items of a
// node's directories are made the first time its item is expanded, so that
// the tens of thousands of directories of a large cache cost nothing until
// they are opened.
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

    // Adds the "All" item for the model's root at the top level, with the
    // items of the sites below it.
    wxTreeItemId AddAllItem(catalogue::CNode& root);
    // Makes the items of the directories below an item, sorted, unless they
    // are made already.
    void MakeChildItems(const wxTreeItemId& item);
    // The item of a node of the model shown, made with those on its way
    // down from "All" when they are not made yet; invalid when the node is
    // no directory of that model.
    wxTreeItemId ItemOf(const catalogue::CNode* node);
    // After directories left node's children in the model: an item whose
    // children are not made yet keeps its button only while one is left.
    void UpdateButton(const catalogue::CNode& node);

    // After deletions: removes the nodes and items left without entries,
    // from `selected` up to the first node that still holds entries. When
    // the selection was on an item that goes, its parent is selected, and
    // `selected` follows.
    void PruneUpFrom(catalogue::CNode*& selected, const catalogue::CNode& root);
    // Removes the directories below node that hold no entries any more,
    // with their items; `selected` follows the selection as above.
    void PruneEmptyBelow(catalogue::CNode& node, catalogue::CNode*& selected);

    // The node an item stands for; null for no item or an item without one.
    catalogue::CNode* GetItemNode(const wxTreeItemId& item) const;
    void SetItemNode(const wxTreeItemId& item, catalogue::CNode* node);

    // Children are sorted by their texts without regard to letter case.
    int OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) override;

private:
    wxTreeItemId AddSite(const wxTreeItemId& parent, const wxString& text, catalogue::CNode* node);
    // Every item of the model: typing a name's first letters searches every
    // item, those below collapsed items too.
    void MakeAllItems(const wxTreeItemId& item);
    bool IsSameOrBelow(const wxTreeItemId& ancestor, wxTreeItemId item) const;
    // Deletes an item; when the selection is on it or below it, the parent
    // item is selected first, so that the view never keeps a removed node.
    void DeleteItemKeepingSelection(const wxTreeItemId& item, const wxTreeItemId& parentItem,
                                    catalogue::CNode* parentNode, catalogue::CNode*& selected);

    wxTreeItemId m_topLevel;
    // Every item of the shown model is made (after the first search by
    // letters): later letters need no walk through the whole tree.
    bool m_bAllItemsMade = false;

    wxDECLARE_DYNAMIC_CLASS(CSiteTree);
};

}  // namespace trovana::listview
