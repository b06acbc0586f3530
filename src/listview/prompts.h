// SPDX-License-Identifier: GPL-3.0-or-later
// The prompts of the program's windows as the user sees them: the wx
// dialogs. The main window owns one set and hands it to whatever asks.
#pragma once

#include <memory>

#include "entry_commands/prompts.h"

namespace trovana::listview {

using entry_commands::ProgressWindow;
using entry_commands::Prompts;
using entry_commands::SaveChoice;

// Prompts shown as the wx dialogs.
std::unique_ptr<Prompts> MakeWxPrompts();

}  // namespace trovana::listview
