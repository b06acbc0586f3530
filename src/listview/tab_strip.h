// SPDX-License-Identifier: GPL-3.0-or-later
// A strip of category tabs with pictures over one display area, in the way
// of the Windows tab control: choosing a tab with the mouse sends
// EVT_TAB_SELCHANGE, while selecting one from the program sends nothing.
// The windows shown for a tab are siblings laid over the display area.
#pragma once

#include <string>
#include <vector>

#include <wx/control.h>
#include <wx/event.h>

class wxImageList;

namespace trovana::listview {

wxDECLARE_EVENT(EVT_TAB_SELCHANGE, wxCommandEvent);

class CTabStrip : public wxControl {
public:
    CTabStrip(wxWindow* parent, wxWindowID id);

    // The pictures of the tabs; not owned.
    void SetImageList(wxImageList* images);
    wxImageList* GetImageList() const { return m_pImages; }

    // Inserts a tab before index (at the end when index is past it); returns
    // its index. The first tab inserted becomes the current one.
    int InsertItem(int index, const wxString& text, int image);
    int GetItemCount() const { return static_cast<int>(m_tabs.size()); }
    wxString GetItemText(int index) const;
    int GetItemImage(int index) const;

    // The current tab, -1 when there is none.
    int GetCurSel() const { return m_nCurSel; }
    // Makes a tab current without any notification, and scrolls the tabs
    // so that it is in view.
    void SetCurSel(int index);
    // Scrolls the tabs so that this one is in view.
    void EnsureVisible(int index);

    // The display area, in this control's client coordinates, of a control
    // of the given size: below the row of tabs, inside the frame.
    wxRect AdjustRect(const wxSize& size) const;
    // The tab under a point of the client area, -1 when none.
    int HitTest(const wxPoint& point) const;
    wxRect GetItemRect(int index) const;

protected:
    wxSize DoGetBestClientSize() const override;

private:
    struct Tab {
        wxString text;
        int image = -1;
    };

    int TabHeight() const;
    int TabWidth(int index) const;
    bool NeedsScrolling() const;
    wxRect ArrowRect(int direction) const;
    void ScrollTabs(int direction);
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);

    std::vector<Tab> m_tabs;
    int m_nCurSel = -1;
    int m_nFirstVisible = 0;  // the first tab drawn when they do not all fit
    wxImageList* m_pImages = nullptr;
};

}  // namespace trovana::listview
