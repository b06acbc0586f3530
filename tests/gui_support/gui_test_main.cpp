// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test program with windows: starts wx once, with the
// program's own application object (GTK started as in the program, errors
// that reach the event loop handled as in the program), runs the tests, then
// lets wx clean up.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/init.h>

#include "app/trovana_app.h"

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
    wxApp::SetInstance(new trovana::app::CTrovanaApp());
    if (!wxEntryStart(argc, argv))
        return 1;
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
