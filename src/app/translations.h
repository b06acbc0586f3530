// SPDX-License-Identifier: GPL-3.0-or-later
// The program's texts in the user's language: wx's own catalogue and
// Trovana's, looked up in the share/locale folder of the installed tree,
// of the configured install prefix and, run from the build tree, in the
// build's locale folder. English, the texts as written, needs none.
#pragma once

namespace trovana::app {

// Chooses the user's locale (quietly keeping "C" when the system lacks it)
// and installs the translations; the first thing the program does.
void SetUpTranslations();

}  // namespace trovana::app
