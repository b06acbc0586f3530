// SPDX-License-Identifier: GPL-3.0-or-later
#include "wait_window.h"

#include <chrono>
#include <functional>
#include <memory>

#include <gtk/gtk.h>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>
#include <wx/utils.h>

namespace trovana::app {

CWaitDlg* g_pWaitDlg = nullptr;
wxStatusBar* g_wndStatusBar = nullptr;
wxGauge* g_wndProgress = nullptr;

namespace {
// The window's size and the margin around its text, in dialog units.
const wxSize kDialogSize{186, 26};
constexpr int kMarginDu = 7;
// Showing a window is asynchronous under X: the server maps it and asks for
// it to be drawn. This bounds how long we wait for that to happen.
constexpr int kPaintTries = 100;
constexpr int kPaintPauseMs = 5;
// Pauses in which an unmoved gauge's window may draw what it was showing.
constexpr int kSettleTries = 4;
// Work that ends this soon after its first step shows no gauge: drawing it
// (the whole window's pending paint with it) would cost more than the work.
// Longer work has the gauge drawn at most this often.
constexpr std::chrono::milliseconds kGaugeInterval{100};

// Lets the windowing system draw what waits to be drawn, for up to `tries`
// short pauses or until done() holds. Only paint and size events are
// handled, so no user input is acted on while the work goes on. Before the
// program's event loop runs (the first scan happens during start-up) there
// is no active loop to yield with, so one is made.
void DrawPending(int tries, const std::function<bool()>& done)
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    std::unique_ptr<wxEventLoopBase> tempLoop;
    if (loop == nullptr) {
        tempLoop.reset(wxTheApp->GetTraits()->CreateEventLoop());
        loop = tempLoop.get();
    }
    for (int i = 0; i < tries; ++i) {
        loop->YieldFor(wxEVT_CATEGORY_UI);
        if (done())
            return;
        wxMilliSleep(kPaintPauseMs);
    }
}
}  // namespace

CWaitDlg::CWaitDlg() : wxDialog(nullptr, wxID_ANY, _("Wait ..."), wxDefaultPosition, wxDefaultSize, wxCAPTION)
{
    // The line is centred with a margin all round; a window's only child
    // would otherwise be stretched over its whole client area.
    m_wndText = new wxStaticText(this, 1003, _("Wait"), wxDefaultPosition, wxDefaultSize,
                                 wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->AddStretchSpacer();
    sizer->Add(m_wndText, 0, wxEXPAND | wxALL, ConvertDialogToPixels(wxSize(kMarginDu, 0)).x);
    sizer->AddStretchSpacer();
    SetSizer(sizer);
    SetClientSize(ConvertDialogToPixels(kDialogSize));
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(this);
        m_bPainted = true;
    });
}

void CWaitDlg::ShowWithText(const wxString& text)
{
    CentreOnScreen();
    Show();
    m_wndText->SetLabel(text);
    PaintNow();
}

wxString CWaitDlg::GetText() const
{
    return m_wndText->GetLabel();
}

void CWaitDlg::PaintNow()
{
    m_bPainted = false;
    Refresh();
    DrawPending(kPaintTries, [this] { return m_bPainted; });
    Update();
}

void ShowBusyIndicator(const wxString& text)
{
    if (g_pWaitDlg != nullptr)
        g_pWaitDlg->ShowWithText(text);
}

void HideBusyIndicator()
{
    if (g_pWaitDlg != nullptr && g_pWaitDlg->IsShown())
        g_pWaitDlg->Hide();
}

namespace {
// Counts the waits begun, so that a wait inside another (a sort inside a
// search, say) does not end the outer one's wait window or cursor early.
class CWaitIndicator : public BusyIndicator {
public:
    // The operations give their texts in English, marked for translation
    // where they are written. An inner wait only changes the text.
    void Show(const std::string& text) override
    {
        ++m_nShown;
        ShowBusyIndicator(wxGetTranslation(wxString::FromUTF8(text)));
    }
    void Hide() override
    {
        if (m_nShown > 0 && --m_nShown == 0)
            HideBusyIndicator();
    }
    void SetWaitCursor() override
    {
        if (m_nWaiting++ == 0)
            wxBeginBusyCursor();
    }
    void SetArrowCursor() override
    {
        if (m_nWaiting > 0 && --m_nWaiting == 0)
            wxEndBusyCursor();
    }
    void SetProgress(int percent) override
    {
        if (g_wndProgress == nullptr)
            return;
        WatchDrawing(*g_wndProgress);
        const bool changed = g_wndProgress->GetValue() != percent;
        m_bGaugeDrawn = false;
        g_wndProgress->SetValue(percent);
        // The work goes on without returning to the event loop: once it has
        // lasted a moment, the gauge, and the window under a question just
        // answered, are painted now (a moved gauge until GTK has drawn it).
        // Only paint and size events are handled, no user input.
        if (!g_wndProgress->IsShownOnScreen() || !DrawingDue())
            return;
        DrawPending(changed ? kPaintTries : kSettleTries, [this, changed] { return changed && m_bGaugeDrawn; });
        m_lastDrawing = Clock::now();
    }

private:
    using Clock = std::chrono::steady_clock;

    // Whether this step is painted: not in the work's first moment, then
    // no more often than kGaugeInterval. A piece of work is the steps
    // until the event loop runs again.
    bool DrawingDue()
    {
        const Clock::time_point now = Clock::now();
        if (!m_bInWork) {
            m_bInWork = true;
            m_workStart = now;
            wxTheApp->CallAfter([this] { m_bInWork = false; });
        }
        return now - m_workStart >= kGaugeInterval && now - m_lastDrawing >= kGaugeInterval;
    }

    // Notes when GTK has drawn the gauge, so that a step waits for no more.
    void WatchDrawing(wxGauge& gauge)
    {
        GObject* widget = G_OBJECT(gauge.GetHandle());
        if (g_object_get_data(widget, kWatchedKey) != nullptr)
            return;
        g_object_set_data(widget, kWatchedKey, &m_bGaugeDrawn);
        g_signal_connect(widget, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer drawn) {
                             *static_cast<bool*>(drawn) = true;
                             return FALSE;
                         }),
                         &m_bGaugeDrawn);
    }

    int m_nShown = 0;
    int m_nWaiting = 0;
    bool m_bGaugeDrawn = false;
    bool m_bInWork = false;
    Clock::time_point m_workStart;
    Clock::time_point m_lastDrawing;
    static constexpr const char* kWatchedKey = "trovana-drawn-watch";
};
}  // namespace

BusyIndicator& GetWaitIndicator()
{
    static CWaitIndicator indicator;
    return indicator;
}

}  // namespace trovana::app
