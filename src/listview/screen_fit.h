// SPDX-License-Identifier: GPL-3.0-or-later
// Windows that fit the screen: no larger than the work area of the display
// that shows them (the screen less the panels of the desktop) and wholly
// inside it, on small screens and without a window manager alike.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;
class wxWindow;

namespace trovana::listview {

// The work area of the display of window, or of the first display when the
// window is on none (not shown yet, or no window at all).
wxRect WorkAreaOf(const wxWindow* window);

// Makes window no larger than its display's work area, its minimum size
// with it, and moves it wholly onto that area: centred on its parent, or on
// the area, where it was placed off it.
void FitOnScreen(wxTopLevelWindow& window);

// The same for a dialog whose size the toolkit decides (a file or folder
// chooser), before it is shown: it is held to the work area and centred on
// its parent, or on the screen; once on the screen it takes the keyboard,
// which no one else gives it where there is no window manager.
void FitNativeDialog(wxTopLevelWindow& dialog);

}  // namespace trovana::listview
