// A picture of the main window as it is on the screen, for the README and
// for checking by eye what a person would see. Asked for by setting
// TROVANA_SCREENSHOT to the PNG file to write.
#pragma once

#include <wx/string.h>

class wxTopLevelWindow;

namespace trovana::app {

// Writes the screen area of the window as a PNG file; false on failure.
bool SaveWindowScreenshot(const wxTopLevelWindow& window, const wxString& path);

// When TROVANA_SCREENSHOT is set: once the window has been drawn, writes it.
void ScheduleScreenshotFromEnvironment(wxTopLevelWindow& window);

}  // namespace trovana::app
