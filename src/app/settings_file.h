// SPDX-License-Identifier: GPL-3.0-or-later
// Where the window keeps its settings (the times shown in UTC, the recent
// caches and their names): $XDG_CONFIG_HOME/trovana/trovana.conf, by
// default ~/.config/trovana/trovana.conf.
#pragma once

#include <filesystem>

namespace trovana::app {

// The settings file that the environment names: under XDG_CONFIG_HOME when
// it holds an absolute path, else under HOME's .config; empty without
// either.
std::filesystem::path SettingsFilePath();

// Makes the settings file wx's configuration for the whole program. When it
// does not exist yet, the settings of earlier versions (~/.trovana) are
// copied into it once and that file is left as it was. Its folder is made
// here; a folder or file that cannot be made leaves the settings unsaved,
// never the program unstarted.
void UseSettingsFile();

}  // namespace trovana::app
