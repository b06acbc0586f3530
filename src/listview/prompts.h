// SPDX-License-Identifier: GPL-3.0-or-later
// The prompts of the program's windows: the wx dialogs, unless a test put
// scripted answers in their place.
#pragma once

#include "entry_commands/prompts.h"

namespace trovana::listview {

using entry_commands::ProgressWindow;
using entry_commands::Prompts;
using entry_commands::SaveChoice;

// The prompts in use; the wx dialogs unless SetPrompts installed others.
Prompts& GetPrompts();
// Installs `prompts` (not owned) and returns the previous ones; null restores the wx dialogs.
Prompts* SetPrompts(Prompts* prompts);

}  // namespace trovana::listview
