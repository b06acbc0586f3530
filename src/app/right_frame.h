// SPDX-License-Identifier: GPL-3.0-or-later
// The right-hand pane of the main window: the entry lists above the preview,
// in a splitter of two rows.
#pragma once

#include <wx/panel.h>

class wxSplitterWindow;

namespace trovana::entry_commands {
class Prompts;
}  // namespace trovana::entry_commands

namespace trovana::listview {
class CCacheListView;
class CWebView;
}  // namespace trovana::listview

namespace trovana::app {

class CRightFrame : public wxPanel {
public:
    // The list view asks the user through `prompts`.
    CRightFrame(wxWindow* parent, wxWindowID id, entry_commands::Prompts& prompts);

    listview::CCacheListView* GetListView() const;
    listview::CWebView* GetWebView() const;
    wxSplitterWindow* GetSplitter() const { return m_wndSplitter; }

private:
    wxSplitterWindow* m_wndSplitter = nullptr;
};

}  // namespace trovana::app
