// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <wx/cmdline.h>
#include <wx/translation.h>

#include "app/resource.h"

namespace trovana::app {

namespace {
constexpr const char* kVersionSwitch = "version";

int g_startFailureStatus = kExitFailure;

// The status once the answer has reached standard output: a full disk or
// a closed pipe is said, as trovana-cache says it, and is a failure.
int Flushed()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return kExitClosed;
    std::fprintf(stderr, "trovana: cannot write the output: %s\n", std::strerror(errno));
    return kExitFailure;
}
}  // namespace

int StartFailureStatus()
{
    return g_startFailureStatus;
}

void SetStartFailureStatus(int status)
{
    g_startFailureStatus = status;
}

void AddProgramOptions(wxCmdLineParser& parser)
{
    parser.SetLogo(
        _("Trovana shows the WinINet URL cache of a Wine prefix or a Windows user profile; "
          "Windows 8-11 profiles (their WebCache database) are read, read-only."));
    parser.AddLongSwitch(kReadOnlySwitch, _("open the cache without changing anything in it"));
    parser.AddLongSwitch(kVersionSwitch, _("show the program's version and exit"));
    parser.AddParam(
        _("a Wine prefix, a user profile folder, a drive root, a container file, a WebCache database or a disk "
          "image (raw, split .001, E01, VMDK, VHD, VHDX, QCOW2; read-only)"),
        wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

std::optional<int> AnswerWithoutWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            break;
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("trovana %s\n", VERSION_TEXT);
            return Flushed();
        }
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            // The options wx adds to every program's parser (in wx's own
            // words), then the program's own, as the window's parser has them.
            wxCmdLineParser parser(argc, argv);
            parser.AddSwitch("h", "help", "show this help message", wxCMD_LINE_OPTION_HELP);
            parser.AddLongSwitch("verbose", "generate verbose log messages");
            AddProgramOptions(parser);
            std::fputs(parser.GetUsageString().utf8_str(), stdout);
            return Flushed();
        }
    }
    return std::nullopt;
}

}  // namespace trovana::app
