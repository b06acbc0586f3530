// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/search_dialog_parts.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include "listview/screen_fit.h"

namespace trovana::app {

namespace {
constexpr int kBorder = 8;
constexpr int kGaugeWidth = 120;
}  // namespace

wxListCtrl* MakeCacheList(wxDialog& dialog, int id, const ListColumn* columns, size_t count)
{
    auto* list = new wxListCtrl(&dialog, id, wxDefaultPosition, wxDefaultSize,
                                wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES);
    for (size_t i = 0; i < count; ++i)
        list->InsertColumn(static_cast<long>(i), wxGetTranslation(columns[i].heading), columns[i].format,
                           columns[i].width);
    return list;
}

wxSizer* MakeSearchProgress(wxDialog& dialog, const wxString& text, int range, int stopId, SearchProgress& parts)
{
    auto* progress = new wxBoxSizer(wxHORIZONTAL);
    parts.status = new wxStaticText(&dialog, wxID_ANY, text, wxDefaultPosition, wxDefaultSize, wxST_ELLIPSIZE_MIDDLE);
    parts.gauge = new wxGauge(&dialog, wxID_ANY, range, wxDefaultPosition, wxSize(kGaugeWidth, -1));
    parts.stop = new wxButton(&dialog, stopId, _("S&top"));
    progress->Add(parts.status, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    progress->Add(parts.gauge, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    progress->Add(parts.stop, 0, wxALIGN_CENTER_VERTICAL);
    return progress;
}

void PlaceCacheDialog(wxDialog& dialog, const wxSize& smallest, const wxSize& start)
{
    dialog.SetMinSize(smallest);
    dialog.SetSize(start);
    if (dialog.GetParent() != nullptr)
        dialog.CentreOnParent();
    listview::FitOnScreen(dialog);
}

void StopWorkerOnCancel(wxDialog& dialog, listview::CWindowWorker& worker)
{
    dialog.Bind(
        wxEVT_BUTTON,
        [&worker](wxCommandEvent& event) {
            worker.Stop();
            event.Skip();
        },
        wxID_CANCEL);
    dialog.Bind(wxEVT_CLOSE_WINDOW, [&worker](wxCloseEvent& event) {
        worker.Stop();
        event.Skip();
    });
}

}  // namespace trovana::app
