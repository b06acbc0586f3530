// SPDX-License-Identifier: GPL-3.0-or-later
// Where a user's cache is: the containers of the current user, of a user
// profile folder, of a Wine prefix, of any path a user names, or one
// container file alone.
#pragma once

#include "cache_types.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace trovana::urlcache {

// Where the current user's cache is: TROVANA_PROFILE (a user profile
// folder), else the user's profile in WINEPREFIX (default ~/.wine). No
// containers is an empty location. Throws UrlCacheError when a variable
// names something that is not a readable folder.
CacheLocation LocateCurrentUserCache();
// The Wine prefix used when neither variable is set: ~/.wine, where ~ is
// HOME, else the user's home folder in the password database.
std::filesystem::path DefaultWinePrefix();
// The containers of a user profile folder: a Wine one, or a copied Windows
// XP, Vista or 7 one. Only containers whose index.dat exists are listed.
CacheLocation LocateProfileCache(const std::filesystem::path& profile);
// The current user's profile in a Wine prefix, resolved through its registry
// files as Wine does. Containers are listed where Wine would make them, even
// when they do not exist yet (so that entries can be created).
CacheLocation LocatePrefixCache(const std::filesystem::path& prefix);
// One container file alone: index.dat, or a file of any other name that
// starts with a container signature, or a WebCache database of any name (by
// its ESE signature); the kind is guessed from its folder's
// and its own name. Throws UrlCacheError naming the file when it is no container.
CacheLocation LocateSingleContainer(const std::filesystem::path& indexFile);

// Any path a user names: a Wine prefix (or Proton's compatdata folder that
// holds one as pfx), a user profile folder, a container folder, a container
// file of any name, or a Windows drive root with exactly one user profile
// (with several, ListUserProfiles lets the user pick). Throws UrlCacheError
// naming the path and what was expected when it is none of these.
CacheLocation LocatePath(const std::filesystem::path& path);

// True when the file starts with the signature of a Windows or Wine container.
bool IsContainerFile(const std::filesystem::path& file);

// The user profile folders under a Windows drive root (Users/ and
// Documents and Settings/, names matched without regard to case).
struct UserProfile {
    std::string user;  // the folder's name
    std::filesystem::path folder;
    size_t containers = 0;  // containers whose index file exists
};
// In name order; shared profiles (Default, Default User, All Users, Public,
// ...) only when they hold containers. Empty when `driveRoot` has neither folder.
std::vector<UserProfile> ListUserProfiles(const std::filesystem::path& driveRoot);

// The containers of a profile folder in its standard places only (Wine's,
// Vista/7's, XP's), without reading a prefix's registry: cheap enough to ask
// of hundreds of profiles.
std::vector<ContainerLocation> FindProfileContainers(const std::filesystem::path& profile);

// The WebCache databases of a Windows 8-11 profile folder
// (AppData/Local/Microsoft/Windows/WebCache/WebCacheV*.dat), names matched
// without regard to case; only files with an ESE signature.
std::vector<std::filesystem::path> FindProfileWebCaches(const std::filesystem::path& profile);

// The profile folder of a WebCache database in its standard place
// (PROFILE/AppData/Local/Microsoft/Windows/WebCache/); empty elsewhere.
std::filesystem::path WebCacheProfile(const std::filesystem::path& database);
// Where the cached files of the location's WebCache databases lie: each
// one's profile's INetCache folder (IE/ and Low/IE/ in it).
std::vector<std::filesystem::path> WebCacheFileFolders(const CacheLocation& location);

// Why this cache cannot be changed now: a container file or folder, or the
// folder where one would be made, that cannot be written (a read-only file
// system, another user's files). None when it can. A cheap check, for a
// caller to open the cache read-only by itself.
std::optional<std::string> ReadOnlyReason(const CacheLocation& location);

}  // namespace trovana::urlcache
