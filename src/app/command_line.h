// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's command line: trovana [--read-only] [PATH], with the
// options every wx program has (-h/--help, --verbose) and --version.
#pragma once

#include <optional>

class wxCmdLineParser;

namespace trovana::app {

inline constexpr const char* kReadOnlySwitch = "read-only";

// The program's own options and its PATH parameter, for the application's
// parser (after wx's -h/--help and --verbose).
void AddProgramOptions(wxCmdLineParser& parser);

// Answers --version and -h/--help on standard output before GTK starts, so
// that they work without a display: the exit status, or nothing when the
// command line asks for the window.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

}  // namespace trovana::app
