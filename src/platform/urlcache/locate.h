// Where a user's cache is: the containers of the current user, of a user
// profile folder, of a Wine prefix, or one index.dat alone.
#pragma once

#include "cache_types.h"

#include <filesystem>

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
// One index.dat alone; the kind is guessed from its folder names.
CacheLocation LocateSingleContainer(const std::filesystem::path& indexFile);

}  // namespace trovana::urlcache
