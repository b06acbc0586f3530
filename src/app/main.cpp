// SPDX-License-Identifier: GPL-3.0-or-later
#include <wx/app.h>

#include "app/command_line.h"
#include "app/trovana_app.h"

wxIMPLEMENT_APP_NO_MAIN(trovana::app::CTrovanaApp);

int main(int argc, char** argv)
{
    if (const std::optional<int> status = trovana::app::AnswerWithoutWindow(argc, argv))
        return *status;
    return wxEntry(argc, argv);
}
