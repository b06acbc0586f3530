// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu, button bar, status bar and progress control.
#include <algorithm>
#include <string>

#include <gtk/gtk.h>
#include <wx/gauge.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "app/button_pictures.h"
#include "app/main_frame.h"
#include "app/program_icon.h"
#include "app/resource.h"
#include "app/wait_window.h"
#include "listview/cache_list_view.h"
#include "listview/pictures.h"

namespace trovana::app {

namespace {
// Status fields: the message, the three lock-key indicators and the field
// under the progress control, as wide as 33 blanks.
constexpr int kFieldCount = 5;
constexpr int kProgressField = 4;
constexpr int kFieldPadding = 12;
constexpr int kProgressId = 1;
constexpr int kProgressRange = 100;

// The progress control leaves this many pixels of its field above and below.
constexpr int kProgressBorder = 1;
// Where the progress control keeps its style sheet.
constexpr const char* kBarStyleKey = "trovana-bar-style";

// GTK draws a progress bar only as tall as its theme's minimum, a few
// pixels, in the middle of the control: the bar's minimum is made the
// control's height, less the borders that the usual themes draw round the
// trough and round the bar inside it.
constexpr int kThemeBorder = 2;
void FillHeight(wxGauge& gauge, int height)
{
    auto* css = static_cast<GtkCssProvider*>(g_object_get_data(G_OBJECT(gauge.GetHandle()), kBarStyleKey));
    if (css == nullptr)
        return;
    const auto rule = [](const char* node, int pixels) {
        return std::string(node) + " { min-height: " + std::to_string(std::max(pixels, 0)) + "px; } ";
    };
    const std::string rules = rule("trough", height - kThemeBorder) + rule("progress", height - 2 * kThemeBorder);
    gtk_css_provider_load_from_data(css, rules.c_str(), -1, nullptr);
}

struct Indicator {
    wxKeyCode key;
    const char* text;
};
constexpr Indicator kIndicators[] = {
    {WXK_CAPITAL, wxTRANSLATE("CAP")}, {WXK_NUMLOCK, wxTRANSLATE("NUM")}, {WXK_SCROLL, wxTRANSLATE("SCRL")}};

struct ButtonCommand {
    int id;
    const char* prompt;
};
constexpr ButtonCommand kButtonCommands[kButtonCount] = {
    {ID_CACHE_REFRESH, PROMPT_REFRESH},       {ID_CACHE_COPY, PROMPT_COPY},
    {ID_CACHE_SEARCH, PROMPT_SEARCH},         {ID_CACHE_DELETE, PROMPT_DELETE},
    {ID_CACHE_DELETE_ALL, PROMPT_DELETE_ALL}, {ID_CHECK_UPDATE, PROMPT_CHECK_UPDATE},
};
}  // namespace

void CMainFrame::CreateMenu()
{
    auto* file = new wxMenu;
    file->Append(ID_APP_EXIT, _("E&xit\tCtrl+Q"), wxGetTranslation(PROMPT_EXIT));
    auto* edit = new wxMenu;
    edit->Append(ID_CACHE_COPY, _("&Copy"), wxGetTranslation(PROMPT_COPY));
    edit->AppendSeparator();
    edit->Append(ID_CACHE_SEARCH, _("&Search"), wxGetTranslation(PROMPT_SEARCH));
    edit->AppendSeparator();
    edit->Append(ID_CACHE_DELETE, _("&Delete"), wxGetTranslation(PROMPT_DELETE));
    edit->Append(ID_CACHE_DELETE_ALL, _("Delete &All"), wxGetTranslation(PROMPT_DELETE_ALL));
    auto* help = new wxMenu;
    help->Append(ID_HELP_CONTENTS, _("Contents"));
    help->Append(ID_CHECK_UPDATE, _("Check Update"), wxGetTranslation(PROMPT_CHECK_UPDATE));
    help->AppendSeparator();
    help->Append(ID_APP_ABOUT, _("&About Trovana..."), wxGetTranslation(PROMPT_ABOUT));

    auto* bar = new wxMenuBar;
    bar->Append(file, _("&File"));
    bar->Append(edit, _("&Edit"));
    bar->Append(help, _("&Help"));
    SetMenuBar(bar);
}

void CMainFrame::CreateButtonBar()
{
    // The pictures' background becomes the system's button colour; every
    // other pixel stays as drawn.
    wxImage strip = MakeButtonStrip();
    listview::ReplaceColour(strip, kButtonBackground, wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    const wxBitmap pictures(strip);

    wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    bar->SetToolBitmapSize(wxSize(kButtonWidth, kButtonHeight));
    for (int i = 0; i < kButtonCount; ++i) {
        const wxBitmap picture = pictures.GetSubBitmap(wxRect(i * kButtonWidth, 0, kButtonWidth, kButtonHeight));
        // No short help: the buttons have no tooltips, only status prompts.
        bar->AddTool(kButtonCommands[i].id, wxString(), picture, wxNullBitmap, wxITEM_NORMAL, wxString(),
                     wxGetTranslation(kButtonCommands[i].prompt));
    }
    bar->Realize();
}

void CMainFrame::CreateStatusFields()
{
    g_wndStatusBar = CreateStatusBar(kFieldCount);
    int widths[kFieldCount] = {-1};
    for (int i = 0; i < 3; ++i)
        widths[i + 1] = g_wndStatusBar->GetTextExtent(wxGetTranslation(kIndicators[i].text)).x + kFieldPadding;
    widths[kProgressField] = g_wndStatusBar->GetTextExtent(wxString(' ', 33)).x + kFieldPadding;
    g_wndStatusBar->SetStatusWidths(kFieldCount, widths);
    g_wndStatusBar->SetStatusText(wxGetTranslation(IDLE_MESSAGE), 0);
    UpdateKeyIndicators();
    Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
        event.Skip();
        UpdateKeyIndicators();
    });
}

void CMainFrame::CreateProgress()
{
    wxRect rect;
    g_wndStatusBar->GetFieldRect(kProgressField, rect);
    g_wndProgress = new wxGauge(g_wndStatusBar, kProgressId, kProgressRange, rect.GetPosition(), rect.GetSize(),
                                wxGA_HORIZONTAL | wxGA_SMOOTH);
    GtkCssProvider* css = gtk_css_provider_new();
    GtkWidget* widget = g_wndProgress->GetHandle();
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_set_data_full(G_OBJECT(widget), kBarStyleKey, css, g_object_unref);
    g_wndProgress->SetValue(0);
    g_wndStatusBar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        PlaceProgress();
    });
}

void CMainFrame::PlaceProgress()
{
    if (!m_bProgressCreated || g_wndStatusBar == nullptr || g_wndProgress == nullptr)
        return;
    wxRect rect;
    if (!g_wndStatusBar->GetFieldRect(kProgressField, rect))
        return;
    rect.Deflate(0, kProgressBorder);
    FillHeight(*g_wndProgress, rect.height);
    g_wndProgress->SetSize(rect);
}

void CMainFrame::UpdateKeyIndicators()
{
    if (g_wndStatusBar == nullptr)
        return;
    for (int i = 0; i < 3; ++i) {
        const wxString text = wxGetKeyState(kIndicators[i].key) ? wxGetTranslation(kIndicators[i].text) : wxString();
        if (g_wndStatusBar->GetStatusText(i + 1) != text)
            g_wndStatusBar->SetStatusText(text, i + 1);
    }
}

void CMainFrame::DoGiveHelp(const wxString& text, bool show)
{
    if (g_wndStatusBar == nullptr)
        return;
    // While long work runs, its progress comes back instead of "Ready"; while
    // a command asks, its prompt (the pointer leaves the button as the
    // question opens).
    listview::CCacheListView* view = GetListView();
    if (!show && view != nullptr && (view->IsWorking() || view->IsAsking())) {
        view->UpdateStatusSummary();
        return;
    }
    g_wndStatusBar->SetStatusText(show ? text : wxGetTranslation(IDLE_MESSAGE), 0);
}

void CMainFrame::SetProgramIcon()
{
    SetIcons(ProgramIcons());
}

}  // namespace trovana::app
