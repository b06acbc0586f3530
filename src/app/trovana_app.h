// The application object: starts the program with the main window on the
// current user's cache.
#pragma once

#include <wx/app.h>
#include <wx/frame.h>

namespace trovana::app {

// Start-up's last step: 800 x 600 pixels, centred on the screen, shown
// normally whatever show state the program was started with.
void ShowMainWindow(wxFrame& frame);

class CTrovanaApp : public wxApp {
public:
    bool OnInit() override;
    // Sees every event first: after a dialog is hidden, the preview pane is
    // drawn anew, as WebKit leaves the part the dialog covered unpainted on
    // a blank page.
    int FilterEvent(wxEvent& event) override;
};

}  // namespace trovana::app
