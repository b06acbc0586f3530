// SPDX-License-Identifier: GPL-3.0-or-later
// A main window started as the program starts it, on a small cache whose
// entries cover every category, hosts with and without directories, and
// host names that sort differently with and without regard to case.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/listctrl.h>

#include "app/main_frame.h"
#include "gui_test.h"
#include "listview/cache_list_view.h"
#include "scripted_prompts.h"

namespace trovana::test {

class WindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window: made hidden with its first scan, then shown. It
    // asks the user through m_prompts.
    void StartWindow();
    // Resizes the window and waits until the X server has done it.
    void ResizeWindow(const wxSize& size);

    listview::CCacheListView& View() { return *m_pFrame->GetListView(); }
    // Waits for a deletion running off the window's thread, and for the
    // gallery being made, to end.
    void FinishWork();
    // The node below the root under a key path such as {"www.example.com", "img"}.
    catalogue::CNode* NodeAt(std::initializer_list<std::string> path);
    // The row whose first column is the text; -1 when there is none.
    static long RowOf(wxListCtrl& list, const std::string& text);
    // The rows of the Properties dialog of the row whose first column is
    // the text, opened by a double click: "name=value" each.
    std::vector<std::string> PropertiesOf(wxListCtrl& list, const std::string& text);
    // The same for the row at this index.
    std::vector<std::string> PropertiesOf(wxListCtrl& list, long row);

    TempCache m_cache;
    // The answers to what the window asks, and what it asked.
    ScriptedPrompts m_prompts;
    app::CMainFrame* m_pFrame = nullptr;
};

}  // namespace trovana::test
