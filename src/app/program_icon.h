// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon in the sizes a window manager asks for, drawn from the
// same picture that is installed for the desktop.
#pragma once

#include <wx/iconbndl.h>

namespace trovana::app {

wxIconBundle ProgramIcons();

}  // namespace trovana::app
