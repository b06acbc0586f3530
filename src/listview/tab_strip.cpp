// SPDX-License-Identifier: GPL-3.0-or-later
#include "tab_strip.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/imaglist.h>
#include <wx/settings.h>

namespace trovana::listview {

wxDEFINE_EVENT(EVT_TAB_SELCHANGE, wxCommandEvent);

namespace {
constexpr int kPad = 5;          // blank space left and right of a tab's contents
constexpr int kGap = 4;          // between a tab's picture and its text
constexpr int kRaise = 2;        // how far the current tab stands above the others
constexpr int kFrame = 2;        // width of the frame around the display area
constexpr int kArrowWidth = 16;  // the two scroll arrows when the tabs do not fit

int TabWidthOf(const CTabStrip& strip, int index, bool withPicture)
{
    int width = 2 * kPad + strip.GetTextExtent(strip.GetItemText(index)).x;
    if (withPicture && strip.GetImageList() != nullptr && strip.GetItemImage(index) >= 0)
        width += 16 + kGap;
    return width;
}

// Where the tabs with their pictures are wider than the strip (longer
// captions in some languages), they show their captions alone.
bool PicturesFit(const CTabStrip& strip)
{
    int total = 0;
    for (int i = 0; i < strip.GetItemCount(); ++i)
        total += TabWidthOf(strip, i, true);
    return total <= strip.GetClientSize().x;
}
}  // namespace

CTabStrip::CTabStrip(wxWindow* parent, wxWindowID id)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    // One point smaller than the other controls' text, so that the seven
    // category tabs fit the list pane of a window of 800 pixels.
    wxFont font = GetFont();
    font.SetFractionalPointSize(font.GetFractionalPointSize() - 1);
    SetFont(font);
    Bind(wxEVT_PAINT, &CTabStrip::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CTabStrip::OnLeftDown, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        EnsureVisible(m_nCurSel);
        Refresh();
    });
}

void CTabStrip::SetImageList(wxImageList* images)
{
    m_pImages = images;
    Refresh();
}

int CTabStrip::InsertItem(int index, const wxString& text, int image)
{
    index = std::clamp(index, 0, GetItemCount());
    m_tabs.insert(m_tabs.begin() + index, Tab{text, image});
    if (m_nCurSel < 0)
        m_nCurSel = index;
    else if (index <= m_nCurSel)
        ++m_nCurSel;
    Refresh();
    return index;
}

wxString CTabStrip::GetItemText(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_tabs[index].text : wxString();
}

int CTabStrip::GetItemImage(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_tabs[index].image : -1;
}

void CTabStrip::SetCurSel(int index)
{
    if (index < 0 || index >= GetItemCount())
        return;
    m_nCurSel = index;
    EnsureVisible(index);
    Refresh();
}

void CTabStrip::EnsureVisible(int index)
{
    if (index < 0 || index >= GetItemCount())
        return;
    if (index < m_nFirstVisible)
        m_nFirstVisible = index;
    // Tabs scroll out on the left until this one ends before the arrows.
    const int limit = NeedsScrolling() ? ArrowRect(-1).x : GetClientSize().x;
    while (m_nFirstVisible < index && GetItemRect(index).GetRight() >= limit)
        ++m_nFirstVisible;
}

int CTabStrip::TabHeight() const
{
    return std::max(16, GetCharHeight()) + 2 * kRaise + 4;
}

int CTabStrip::TabWidth(int index) const
{
    return TabWidthOf(*this, index, PicturesFit(*this));
}

bool CTabStrip::NeedsScrolling() const
{
    int total = 0;
    for (int i = 0; i < GetItemCount(); ++i)
        total += TabWidth(i);
    return total > GetClientSize().x;
}

wxRect CTabStrip::ArrowRect(int direction) const
{
    const int right = GetClientSize().x;
    const int x = direction < 0 ? right - 2 * kArrowWidth : right - kArrowWidth;
    return wxRect(x, kRaise, kArrowWidth, TabHeight() - kRaise);
}

wxRect CTabStrip::GetItemRect(int index) const
{
    if (index < m_nFirstVisible || index >= GetItemCount())
        return wxRect();
    int x = 0;
    for (int i = m_nFirstVisible; i < index; ++i)
        x += TabWidth(i);
    return wxRect(x, kRaise, TabWidth(index), TabHeight() - kRaise);
}

int CTabStrip::HitTest(const wxPoint& point) const
{
    const int limit = NeedsScrolling() ? ArrowRect(-1).x : GetClientSize().x;
    if (point.x >= limit)
        return -1;
    for (int i = m_nFirstVisible; i < GetItemCount(); ++i) {
        if (GetItemRect(i).Inflate(0, kRaise).Contains(point))
            return i;
    }
    return -1;
}

wxRect CTabStrip::AdjustRect(const wxSize& size) const
{
    const int top = TabHeight() + kFrame;
    return wxRect(kFrame, top, std::max(0, size.x - 2 * kFrame), std::max(0, size.y - top - kFrame));
}

wxSize CTabStrip::DoGetBestClientSize() const
{
    return wxSize(200, TabHeight() + 2 * kFrame);
}

void CTabStrip::ScrollTabs(int direction)
{
    m_nFirstVisible = std::clamp(m_nFirstVisible + direction, 0, std::max(0, GetItemCount() - 1));
    Refresh();
}

void CTabStrip::OnLeftDown(wxMouseEvent& event)
{
    const wxPoint point = event.GetPosition();
    if (NeedsScrolling()) {
        if (ArrowRect(-1).Contains(point))
            return ScrollTabs(-1);
        if (ArrowRect(+1).Contains(point))
            return ScrollTabs(+1);
    }
    const int index = HitTest(point);
    if (index < 0 || index == m_nCurSel)
        return;
    SetCurSel(index);
    wxCommandEvent changed(EVT_TAB_SELCHANGE, GetId());
    changed.SetEventObject(this);
    changed.SetInt(index);
    ProcessWindowEvent(changed);
}

void CTabStrip::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(face));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));

    // The frame around the display area.
    const int top = TabHeight();
    dc.SetPen(wxPen(shadow));
    dc.SetBrush(wxBrush(window));
    dc.DrawRectangle(0, top, size.x, size.y - top);

    const bool scrolling = NeedsScrolling();
    const int limit = scrolling ? ArrowRect(-1).x : size.x;
    const bool pictures = PicturesFit(*this);
    auto drawTab = [&](int i) {
        wxRect rect = GetItemRect(i);
        const bool current = i == m_nCurSel;
        if (current)
            rect.Inflate(0, kRaise).SetHeight(rect.height + kRaise);
        dc.SetBrush(wxBrush(current ? window : face));
        dc.DrawRoundedRectangle(rect.x, rect.y, rect.width, rect.height + 3, 3);
        int x = rect.x + kPad;
        const Tab& tab = m_tabs[i];
        if (pictures && m_pImages != nullptr && tab.image >= 0) {
            m_pImages->Draw(tab.image, dc, x, rect.y + (rect.height - 16) / 2, wxIMAGELIST_DRAW_TRANSPARENT);
            x += 16 + kGap;
        }
        dc.DrawText(tab.text, x, rect.y + (rect.height - dc.GetCharHeight()) / 2);
    };
    // The other tabs stand behind the frame's top line, the current one in
    // front of it, open towards the display area.
    dc.SetClippingRegion(0, 0, limit, top + 1);
    for (int i = m_nFirstVisible; i < GetItemCount() && GetItemRect(i).x < limit; ++i) {
        if (i != m_nCurSel)
            drawTab(i);
    }
    dc.DrawLine(0, top, size.x, top);
    if (m_nCurSel >= m_nFirstVisible && GetItemRect(m_nCurSel).x < limit)
        drawTab(m_nCurSel);
    dc.DestroyClippingRegion();
    if (scrolling) {
        for (int direction : {-1, +1}) {
            const wxRect rect = ArrowRect(direction);
            dc.SetBrush(wxBrush(face));
            dc.DrawRectangle(rect);
            const wxPoint mid = rect.GetPosition() + wxPoint(rect.width / 2, rect.height / 2);
            const wxPoint arrow[] = {
                {mid.x - 3 * direction, mid.y - 4}, {mid.x + 3 * direction, mid.y}, {mid.x - 3 * direction, mid.y + 4}};
            dc.SetBrush(wxBrush(dc.GetTextForeground()));
            dc.DrawPolygon(3, arrow);
        }
    }
}

}  // namespace trovana::listview
