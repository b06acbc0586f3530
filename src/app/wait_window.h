// SPDX-License-Identifier: GPL-3.0-or-later
// The busy indicator: the wait window that a long scan shows, and the status
// bar with its progress control. These are program-wide objects; the main
// frame makes their windows.
#pragma once

#include <wx/dialog.h>
#include <wx/string.h>

#include "busy_indicator.h"

class wxGauge;
class wxStaticText;
class wxStatusBar;

namespace trovana::app {

// A small captioned window with one line of text, "Wait ..." in its title.
// It is shown and painted at once while the user-interface thread goes on
// working without returning to the event loop.
class CWaitDlg : public wxDialog {
public:
    CWaitDlg();

    // Centres the window on the screen, shows it, sets the text and paints it.
    void ShowWithText(const wxString& text);
    wxString GetText() const;

private:
    // Lets the windowing system map and draw the window now. Only paint and
    // size events are handled here, so no user input is acted on while busy.
    void PaintNow();

    wxStaticText* m_wndText = nullptr;
    bool m_bPainted = false;
};

// Set by the main frame: its wait window (owned by the frame), its status
// bar and the progress control over status field 4 (both owned by their
// parent windows). Null while there is no main frame.
extern CWaitDlg* g_pWaitDlg;
extern wxStatusBar* g_wndStatusBar;
extern wxGauge* g_wndProgress;

// Shows the wait window with the text; a second call while it is visible
// only changes the text.
void ShowBusyIndicator(const wxString& text);
// Hides the wait window; does nothing when it is hidden already.
void HideBusyIndicator();

// The wait window and the wait cursor, for operations that know no windows.
BusyIndicator& GetWaitIndicator();

}  // namespace trovana::app
