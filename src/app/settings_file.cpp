// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_file.h"

#include <cstdlib>
#include <system_error>

#include <wx/fileconf.h>

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
    // wxCONFIG_USE_LOCAL_FILE alone: the file as named, no global file.
    auto* config = new wxFileConfig(wxString(), wxString(), wxString::FromUTF8(file.string()), wxString(),
                                    wxCONFIG_USE_LOCAL_FILE);
    delete wxConfigBase::Set(config);
}

}  // namespace trovana::app
