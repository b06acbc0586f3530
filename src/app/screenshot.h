// SPDX-License-Identifier: GPL-3.0-or-later
// A picture of the main window as it is on the screen, for the README and
// for checking by eye what a person would see. Asked for by setting
// TROVANA_SCREENSHOT to the PNG file to write; TROVANA_SCREENSHOT_TAB picks
// the category tab shown in it (2: the Images tab with its gallery).
#pragma once

#include <wx/string.h>

class wxTopLevelWindow;

namespace trovana::listview {
class CCacheListView;
}
namespace trovana::app {

// Writes the screen area of the window as a PNG file; false on failure.
bool SaveWindowScreenshot(const wxTopLevelWindow& window, const wxString& path);

// When TROVANA_SCREENSHOT is set: once the window has been drawn, writes it.
// When TROVANA_SCREENSHOT is set: shows the tab TROVANA_SCREENSHOT_TAB asks
// for, then writes the window once it has been drawn.
void ScheduleScreenshotFromEnvironment(wxTopLevelWindow& window, listview::CCacheListView& view);

}  // namespace trovana::app
