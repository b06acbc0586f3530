// SPDX-License-Identifier: GPL-3.0-or-later
// The "please wait" signs of a long operation: the wait window with a text
// and the wait cursor. The main window supplies the real ones; this base
// class shows nothing, which is what runs without a display.
#pragma once

#include <string>

namespace trovana {

class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;

    virtual void Show(const std::string& /*text*/) {}
    virtual void Hide() {}
    virtual void SetWaitCursor() {}
    virtual void SetArrowCursor() {}
    // The status bar's progress control, 0 to 100.
    virtual void SetProgress(int /*percent*/) {}
};

// Shows the wait window and the wait cursor for its lifetime, so that every
// way out of an operation (an early return, an exception) hides them again.
class BusyScope {
public:
    BusyScope(BusyIndicator& indicator, const std::string& text) : m_indicator(indicator)
    {
        m_indicator.Show(text);
        m_indicator.SetWaitCursor();
    }
    ~BusyScope()
    {
        m_indicator.SetArrowCursor();
        m_indicator.Hide();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyIndicator& m_indicator;
};

// Shows the wait cursor for its lifetime, and the arrow afterwards.
class WaitCursorScope {
public:
    explicit WaitCursorScope(BusyIndicator& indicator) : m_indicator(indicator) { m_indicator.SetWaitCursor(); }
    ~WaitCursorScope() { m_indicator.SetArrowCursor(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    BusyIndicator& m_indicator;
};

}  // namespace trovana
