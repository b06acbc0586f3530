// SPDX-License-Identifier: GPL-3.0-or-later
// A report-style list that draws its rows from a row store (virtual mode),
// so that a list of 100,000 entries is drawn and changed quickly.
#pragma once

#include <string_view>

#include <wx/listctrl.h>

#include "entry_commands/display_text.h"
#include "rowstore.h"

namespace trovana::listview {

using entry_commands::ToDisplayText;

class CCacheList : public wxListCtrl {
public:
    // The rows must outlive the list, or be replaced before they go.
    CCacheList(wxWindow* parent, wxWindowID id, RowStore& rows);

    RowStore& Rows() { return *m_pRows; }
    const RowStore& Rows() const { return *m_pRows; }
    // Draws from other rows from now on.
    void SetRows(RowStore& rows);

    // Tells the list that rows were inserted, deleted or reordered: it takes
    // the new row count and the rows' selection, and draws them anew.
    void RowsChanged();
    // Tells the list that rows were appended: it takes the new row count and
    // keeps the selection the user made meanwhile.
    void RowsAppended();
    // Copies the selection that the user made in the list into the rows.
    void StoreSelection();

    // The window inside the list that receives the mouse over the rows.
    wxWindow* GetRowsWindow() const;

private:
    // Gives the control the store's row count and lays it out at once.
    void ShowCount();

    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;

    RowStore* m_pRows;
};

}  // namespace trovana::listview
