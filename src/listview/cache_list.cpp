// SPDX-License-Identifier: GPL-3.0-or-later
#include "cache_list.h"

#include <wx/strconv.h>

namespace trovana::listview {

CCacheList::CCacheList(wxWindow* parent, wxWindowID id, RowStore& rows)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_THEME),
      m_pRows(&rows)
{
}

void CCacheList::SetRows(RowStore& rows)
{
    m_pRows = &rows;
    RowsChanged();
}

void CCacheList::ShowCount()
{
    // A new count leaves the control to lay itself out when the event loop
    // is idle, and it paints nothing till then: while long work keeps the
    // loop busy (a deletion's batches), the list stayed blank. It is laid
    // out at once instead, and an unchanged count is not set again.
    if (GetItemCount() == m_pRows->Count())
        return;
    SetItemCount(m_pRows->Count());
    OnInternalIdle();
}

void CCacheList::RowsChanged()
{
    ShowCount();
    // Only the rows that change their state are touched, so that a long
    // list without a selection costs nothing here.
    for (long item = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        if (!m_pRows->IsSelected(static_cast<int>(item)))
            SetItemState(item, 0, wxLIST_STATE_SELECTED);
    }
    for (int row = m_pRows->NextSelected(); row != -1; row = m_pRows->NextSelected(row))
        SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    Refresh();
}

void CCacheList::RowsAppended()
{
    ShowCount();
    Refresh();
}

void CCacheList::StoreSelection()
{
    // Every row selected (Ctrl+A before Copy, Export or Delete) is taken at
    // once: asking the control row by row costs a long list a third of a second.
    const long count = GetItemCount();
    if (count > 0 && count == m_pRows->Count() && GetSelectedItemCount() == count) {
        m_pRows->SelectAll(true);
        return;
    }
    m_pRows->SelectAll(false);
    for (long item = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        m_pRows->SetSelected(static_cast<int>(item), true);
}

wxWindow* CCacheList::GetRowsWindow() const
{
    // The generic list is a header window above a window of rows, whose
    // class is private to wx: it is found among the children by address.
    for (wxWindow* child : GetChildren()) {
        if (static_cast<const void*>(child) == static_cast<const void*>(m_mainWin))
            return child;
    }
    return const_cast<CCacheList*>(this);
}

wxString CCacheList::OnGetItemText(long item, long column) const
{
    return ToDisplayText(m_pRows->Text(static_cast<int>(item), static_cast<int>(column)));
}

int CCacheList::OnGetItemImage(long item) const
{
    return m_pRows->Image(static_cast<int>(item));
}

}  // namespace trovana::listview
