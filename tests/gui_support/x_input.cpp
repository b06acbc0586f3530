// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_input.h"

#include <cstdlib>

#include <gtest/gtest.h>
#include <wx/window.h>

#include "gui_test.h"

namespace trovana::test {

namespace {
void Run(const std::string& command)
{
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// Lets the X server deliver what was sent and the program handle it.
void Settle()
{
    for (int i = 0; i < 5; ++i) {
        ProcessEvents();
        wxMilliSleep(20);
    }
}
}  // namespace

XInput::~XInput()
{
    Join();
}

void XInput::Click(wxWindow& window, const wxPoint& point, int button)
{
    const wxPoint screen = window.ClientToScreen(point);
    Run("xdotool mousemove --sync " + std::to_string(screen.x) + " " + std::to_string(screen.y) + " click " +
        std::to_string(button));
    Settle();
}

void XInput::Keys(const std::string& keys)
{
    Run("xdotool key --delay 30 " + keys);
    Settle();
}

void XInput::KeysLater(const std::string& keys, const std::string& windowTitle, int delayMs)
{
    Join();
    m_later = std::thread([keys, windowTitle, delayMs] {
        std::string command = "sleep " + std::to_string(delayMs / 1000.0) + " && xdotool ";
        if (!windowTitle.empty())
            command += "search --sync --onlyvisible --name '^" + windowTitle + "$' windowfocus --sync ";
        command += "key --delay 60 " + keys;
        // Not EXPECT here: gtest's assertions belong to the main thread.
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "failed: %s\n", command.c_str());
    });
}

void XInput::Join()
{
    if (m_later.joinable())
        m_later.join();
}

}  // namespace trovana::test
