// SPDX-License-Identifier: GPL-3.0-or-later
#include <wx/app.h>

#include "app/command_line.h"
#include "app/trovana_app.h"
#include "work_folder.h"

wxIMPLEMENT_APP_NO_MAIN(trovana::app::CTrovanaApp);

int main(int argc, char** argv)
{
    if (const std::optional<int> status = trovana::app::AnswerWithoutWindow(argc, argv))
        return *status;
    // wx answers -1 for a start that ended before the main loop.
    const int status = wxEntry(argc, argv);
    trovana::RemovePrivateTemporaryFolder();
    return status == -1 ? trovana::app::StartFailureStatus() : status;
}
