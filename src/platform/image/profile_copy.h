// SPDX-License-Identifier: GPL-3.0-or-later
// The user profiles of a Windows volume and the copying of their cache
// files out of it.
#pragma once

#include "disk_image.h"
#include "ntfs_volume.h"

#include <filesystem>
#include <string>
#include <vector>

namespace trovana::image {

struct ProfileCandidate {
    std::string path;  // inside the volume
    std::string user;
    std::string sid;
};

// The profiles that the volume's SOFTWARE hive lists (copied into `scratch`
// to be read), then the folders of Users/ and Documents and Settings/ and
// the system profiles, each once (paths compared without regard to case),
// those that exist only.
std::vector<ProfileCandidate> FindProfiles(NtfsVolume& volume, const std::filesystem::path& scratch);

// The volume's time zone as an IANA name from its SYSTEM hive (copied into
// `scratch`); empty when unknown.
std::string VolumeTimeZone(NtfsVolume& volume, const std::filesystem::path& scratch);

// Copies the profile's containers (index.dat) and WebCache databases with
// their logs into `target`, under the same relative paths; returns the
// containers and databases copied (paths inside the volume). A file that
// cannot be read in full is named in `unreadable` and kept as far as it
// was read (left out when nothing of it was); the others are copied.
std::vector<CacheFile> CopyProfileCaches(NtfsVolume& volume, const std::string& profile,
                                         const std::filesystem::path& target, std::vector<std::string>& unreadable);

// Copies the files of the profile's cached-file folders (Content.IE5/*/,
// INetCache/IE/*/ and their Low twins) into `target`, under the same
// relative paths.
void CopyCachedFiles(NtfsVolume& volume, const std::string& profile, const std::filesystem::path& target);

}  // namespace trovana::image
