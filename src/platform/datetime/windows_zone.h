// SPDX-License-Identifier: GPL-3.0-or-later
// Windows names its time zones by their registry keys ("W. Europe Standard
// Time"); this machine by IANA names ("Europe/Berlin"). A Wine prefix keeps
// the Windows name of the zone it last ran in, a Windows SYSTEM hive too.
// ICU holds CLDR's mapping between the two.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana {

// The IANA zone of a Windows zone key name, as the Unicode CLDR maps them
// (the zone of its main territory); none for a name Windows does not use.
std::optional<std::string> IanaNameOfWindowsZone(std::string_view windowsName);

// Every Windows zone key name the mapping knows, for checks.
std::vector<std::string> KnownWindowsZones();

}  // namespace trovana
