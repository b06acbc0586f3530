// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_file.h"

#include <cstdlib>
#include <system_error>

#include <wx/fileconf.h>
#include <wx/log.h>

#include "read_file.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

fs::path HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home != nullptr && *home == '/' ? fs::path(home) : fs::path();
}
}  // namespace

fs::path SettingsFilePath()
{
    fs::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        base = config;
    else if (const fs::path home = HomeFolder(); !home.empty())
        base = home / ".config";
    else
        return {};
    return base / "trovana" / "trovana.conf";
}

void UseSettingsFile()
{
    const fs::path file = SettingsFilePath();
    if (file.empty())
        return;  // wx's own default, in the current folder's terms
    std::error_code error;
    const fs::path earlier = HomeFolder() / ".trovana";
    fs::create_directories(file.parent_path(), error);
    if (!fs::exists(file, error) && fs::is_regular_file(earlier, error))
        fs::copy_file(earlier, file, error);
    // wx opens the file itself, plainly: a FIFO or a device in its place
    // would hold the start for good. Such a file is left alone, and the
    // settings last for this run only.
    fileio::FileDescriptor probe;
    uint64_t size = 0;
    if (fileio::OpenRegularFile(file, probe, size) == fileio::FileRead::NotRegular) {
        wxLogWarning(_("%s is not a regular file: the settings are kept for this run only."),
                     wxString::FromUTF8(file.string()));
        delete wxConfigBase::Set(new wxFileConfig(wxString(), wxString(), wxString(), wxString(), 0));
        return;
    }
    // wxCONFIG_USE_LOCAL_FILE alone: the file as named, no global file.
    auto* config = new wxFileConfig(wxString(), wxString(), wxString::FromUTF8(file.string()), wxString(),
                                    wxCONFIG_USE_LOCAL_FILE);
    delete wxConfigBase::Set(config);
}

}  // namespace trovana::app
