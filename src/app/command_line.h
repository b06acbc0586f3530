// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's command line: trovana [--read-only] [PATH], with the
// options every wx program has (-h/--help, --verbose) and --version.
#pragma once

#include <optional>

class wxCmdLineParser;

namespace trovana::app {

inline constexpr const char* kReadOnlySwitch = "read-only";

// The program's exit statuses, one for each kind of ending (the manual page
// lists them): closed by the user; failed (the cache named by an argument
// or a variable cannot be opened, no window can be made, the version or the
// help cannot be written); a mistake in the command line. Ended by SIGTERM,
// SIGINT or SIGHUP, it exits with 128 plus the signal's number, as a shell
// reports a process that a signal ended.
inline constexpr int kExitClosed = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitBySignal = 128;

// The status of a start that ended before the main loop: kExitFailure
// unless the start said otherwise.
int StartFailureStatus();
void SetStartFailureStatus(int status);

// The program's own options and its PATH parameter, for the application's
// parser (after wx's -h/--help and --verbose).
void AddProgramOptions(wxCmdLineParser& parser);

// Answers --version and -h/--help on standard output before GTK starts, so
// that they work without a display: the exit status (kExitFailure, after a
// message on standard error, when standard output cannot be written), or
// nothing when the command line asks for the window.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

}  // namespace trovana::app
