// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test program with windows: starts wx once, runs the
// tests, then lets wx clean up.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/init.h>

#include "listview/toolkit_start.h"

namespace {
// A failed wx check fails the test instead of opening a dialog that nobody
// would answer.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "wx check failed in " << func << ": " << cond << " " << msg;
}
}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
    wxApp::SetInstance(new wxApp());
    {
        // GTK starts as in the program.
        const trovana::listview::ToolkitStartWithoutGl noGl;
        if (!wxEntryStart(argc, argv))
            return 1;
    }
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
