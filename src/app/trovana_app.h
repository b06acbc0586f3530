// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: starts the program with the main window on the
// current user's cache.
#pragma once

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/string.h>

#include <memory>

#include "listview/prompts.h"

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
    // Lets the work still running off the window's thread end first.
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    // A mistake in the command line: the usage, and kExitUsage.
    bool OnCmdLineError(wxCmdLineParser& parser) override;
    // The main loop's status, or the one of the signal that ended it.
    int OnRun() override;
    // Sees every event first: after a dialog is hidden, the preview pane is
    // drawn anew, as WebKit leaves the part the dialog covered unpainted on
    // a blank page.
    int FilterEvent(wxEvent& event) override;
    // An exception that reaches the event loop from a command (the cache
    // library's, the file system's): its message is shown and the program
    // goes on, as every change to the cache is written whole or not at all.
    bool OnExceptionInMainLoop() override;
    // One that leaves the event loop: shown the same way; the program then
    // ends through its usual clean-up.
    void OnUnhandledException() override;

private:
    // What the program asks the user through: the main window's prompts once
    // that window is there, the wx dialogs before.
    listview::Prompts& UserPrompts();
    // Shows the exception being handled in one message box; a second one
    // while that box is open (it runs its own event loop) is not shown.
    void ReportCurrentException();
    // SIGTERM, SIGINT and SIGHUP, seen in the main loop: the open dialogs are
    // cancelled and the windows closed, so that the program ends as by
    // File > Exit (its temporary folder removed), without the animation.
    static void EndBySignal(int signal);
    void CloseEverything();

    std::unique_ptr<listview::Prompts> m_wxPrompts = listview::MakeWxPrompts();

    bool m_bReportingException = false;
    wxString m_strCachePath;
    bool m_bReadOnly = false;
    int m_signalStatus = 0;
    int m_nClosingRounds = 0;
};

}  // namespace trovana::app
