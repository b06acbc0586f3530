// SPDX-License-Identifier: GPL-3.0-or-later
// What the scan of an image takes from a Windows volume's registry hives
// (read with hivex from copies in the private temporary folder): the user
// profiles the SOFTWARE hive lists, and the time zone the SYSTEM hive
// records.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace trovana::image {

struct ListedProfile {
    std::string sid;
    std::string imagePath;  // as stored: "C:\Users\alice", "%systemroot%\system32\config\systemprofile"
};

// SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList; empty when the
// hive cannot be read.
std::vector<ListedProfile> ReadProfileList(const std::filesystem::path& softwareHive);

// The zone key name of SYSTEM's current control set
// (Control\TimeZoneInformation\TimeZoneKeyName, else StandardName, as a
// Wine prefix's system.reg is read); none when the hive has neither.
std::optional<std::string> ReadTimeZoneKeyName(const std::filesystem::path& systemHive);

// A profile path of the ProfileList as a path inside its volume, with '/'
// between names: "C:\Users\alice" and "%SystemDrive%\Users\alice" give
// "Users/alice"; "%systemroot%\..." gives "Windows/...". Empty for a path
// on another drive or a network share.
std::string VolumePathOfProfile(const std::string& imagePath);

}  // namespace trovana::image
