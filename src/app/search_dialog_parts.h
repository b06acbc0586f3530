// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogs that list caches while a worker searches for them share:
// the list's columns, the progress line (text, gauge, Stop), the size and
// place, and the rule that Cancel, Escape and the close box stop the worker
// at once.
#pragma once

#include <cstddef>

#include <wx/gdicmn.h>
#include <wx/listbase.h>
#include <wx/string.h>

#include "listview/window_worker.h"

class wxButton;
class wxDialog;
class wxGauge;
class wxListCtrl;
class wxSizer;
class wxStaticText;

namespace trovana::app {

struct ListColumn {
    const char* heading;  // marked with wxTRANSLATE
    int width;
    wxListColumnFormat format;
};

// A report list of one selectable row at a time with these columns.
wxListCtrl* MakeCacheList(wxDialog& dialog, int id, const ListColumn* columns, size_t count);

struct SearchProgress {
    wxStaticText* status = nullptr;
    wxGauge* gauge = nullptr;
    wxButton* stop = nullptr;
};

// The progress line: the text, a gauge of `range` steps and Stop (`stopId`).
wxSizer* MakeSearchProgress(wxDialog& dialog, const wxString& text, int range, int stopId, SearchProgress& parts);

// Sizes the dialog, centres it on its parent and keeps it on the screen.
void PlaceCacheDialog(wxDialog& dialog, const wxSize& smallest, const wxSize& start);

// Cancel, Escape and the close box stop the worker at once; the dialog
// never waits for its thread.
void StopWorkerOnCancel(wxDialog& dialog, listview::CWindowWorker& worker);

}  // namespace trovana::app
