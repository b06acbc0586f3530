// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the program's icon, name and version, copyright and web
// address, and an "OK" button.
#pragma once

#include <wx/dialog.h>

namespace trovana::app {

class CAboutDlg : public wxDialog {
public:
    // Owned by the main window when there is one.
    CAboutDlg();
};

// The Help > About command: shows the box modally.
void ShowAboutBox();

}  // namespace trovana::app
