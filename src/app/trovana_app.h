// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: starts the program with the main window on the
// current user's cache.
#pragma once

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/string.h>

namespace trovana::app {

// Start-up's last step: 800 x 600 pixels, centred on the screen, shown
// normally whatever show state the program was started with.
void ShowMainWindow(wxFrame& frame);

// trovana [--read-only] [PATH]: the cache at PATH (a Wine prefix, a user
// profile, a drive root or a container file) instead of the current user's.
class CTrovanaApp : public wxApp {
public:
    // Starts GTK without its OpenGL probe (see toolkit_start.h).
    bool Initialize(int& argc, wxChar** argv) override;
    bool OnInit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    // Sees every event first: after a dialog is hidden, the preview pane is
    // drawn anew, as WebKit leaves the part the dialog covered unpainted on
    // a blank page.
    int FilterEvent(wxEvent& event) override;

private:
    wxString m_strCachePath;
    bool m_bReadOnly = false;
};

}  // namespace trovana::app
