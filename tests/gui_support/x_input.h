// SPDX-License-Identifier: GPL-3.0-or-later
// Input sent through the X server with xdotool, as a person gives it: the
// pointer and the keys reach the program the way a real mouse and keyboard
// reach it, through GTK and wx, so that a handler that swallows a key or a
// click on empty space is caught.
#pragma once

#include <string>
#include <thread>

#include <wx/gdicmn.h>

class wxWindow;

namespace trovana::test {

class XInput {
public:
    XInput() = default;
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    // Moves the pointer to a point of the window (client coordinates) and
    // clicks there: button 1 left, 3 right. Waits until the program has
    // taken the click.
    void Click(wxWindow& window, const wxPoint& point, int button = 1);
    // Presses keys as xdotool names them ("Down", "shift+Down", "ctrl+a",
    // "alt+e", "F10"), one after another, with the pointer left where it is.
    void Keys(const std::string& keys);
    // The same from another thread after a pause, for keys meant for a menu
    // or dialog whose own event loop the test is inside of then. With a
    // window title, that window is waited for and given the focus first
    // (without a window manager nothing else gives a new dialog the keys).
    // Joined at the latest when this object goes.
    void KeysLater(const std::string& keys, const std::string& windowTitle = {}, int delayMs = 700);
    void Join();

private:
    std::thread m_later;
};

}  // namespace trovana::test
