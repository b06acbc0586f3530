// SPDX-License-Identifier: GPL-3.0-or-later
// Support for tests with real windows (run under Xvfb): the wx application
// is started once per test process by the test main, and a cache made by the
// library in a temporary folder stands behind the windows.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_entry.h"
#include "urlcache.h"

class wxImage;
class wxRect;
class wxWindow;

namespace trovana::test {

// Handles the window system's events until the condition holds or the time
// is up; answers whether it held. Windows are sized and shown by the X
// server, so a test waits for that before it looks.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
// Handles the events that are waiting now.
void ProcessEvents();

// What the X server shows in a rectangle of the screen, read off the root
// window (so every child window is seen as drawn, the browser pane too).
wxImage ScreenImage(const wxRect& screenRect);

// A real picture of this size, one colour, as PNG bytes.
std::string PngBytes(int width, int height);

// A cache in a fresh temporary folder with the three containers of a user,
// removed with the object.
class TempCache {
public:
    TempCache();
    ~TempCache();
    TempCache(const TempCache&) = delete;
    TempCache& operator=(const TempCache&) = delete;

    const urlcache::CacheLocation& Location() const { return m_location; }
    // Adds entries; fails the test when one is refused.
    void Add(const std::vector<urlcache::NewCacheEntry>& entries);
    // The URLs of every entry, in the library's enumeration order.
    std::vector<std::string> EnumeratedUrls() const;

private:
    std::filesystem::path m_folder;
    urlcache::CacheLocation m_location;
};

}  // namespace trovana::test
