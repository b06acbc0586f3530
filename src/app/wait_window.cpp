// SPDX-License-Identifier: GPL-3.0-or-later
#include "wait_window.h"

#include <memory>

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
    // Before the program's event loop runs (the first scan happens during
    // start-up) there is no active loop to yield with, so make one.
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    std::unique_ptr<wxEventLoopBase> tempLoop;
    if (loop == nullptr) {
        tempLoop.reset(wxTheApp->GetTraits()->CreateEventLoop());
        loop = tempLoop.get();
    }
    m_bPainted = false;
    Refresh();
    for (int i = 0; i < kPaintTries; ++i) {
        loop->YieldFor(wxEVT_CATEGORY_UI);
        if (m_bPainted)
            break;
        wxMilliSleep(kPaintPauseMs);
    }
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
class CWaitIndicator : public BusyIndicator {
public:
    // The operations give their texts in English, marked for translation
    // where they are written.
    void Show(const std::string& text) override { ShowBusyIndicator(wxGetTranslation(wxString::FromUTF8(text))); }
    void Hide() override { HideBusyIndicator(); }
    void SetWaitCursor() override
    {
        if (!m_bWaiting)
            wxBeginBusyCursor();
        m_bWaiting = true;
    }
    void SetArrowCursor() override
    {
        if (m_bWaiting)
            wxEndBusyCursor();
        m_bWaiting = false;
    }
    void SetProgress(int percent) override
    {
        if (g_wndProgress != nullptr)
            g_wndProgress->SetValue(percent);
    }

private:
    bool m_bWaiting = false;
};
}  // namespace

BusyIndicator& GetWaitIndicator()
{
    static CWaitIndicator indicator;
    return indicator;
}

}  // namespace trovana::app
