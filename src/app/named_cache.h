// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the cache at a path a user names (on the command line, in the Open
// Cache dialog or in the recent list) or the current user's cache, with the
// name the window's title gives it and whether it is opened read-only.
#pragma once

#include <filesystem>
#include <optional>

#include <wx/string.h>

#include "listview/prompts.h"
#include "urlcache.h"

class wxWindow;

namespace trovana::app {

struct NamedCache {
    urlcache::CacheLocation location;
    // What the title calls it: the prefix, profile or file name.
    wxString name;
    // The path the user named (a drive root's chosen profile in its place),
    // kept in the recent list; empty for the current user's cache.
    std::filesystem::path path;
    // The user asked for read-only (kept with the recent cache), as against
    // a cache that cannot be written now.
    bool readOnlyAsked = false;
    // Copied out of a disk image: always opened read-only.
    bool evidence = false;
    // Why there is no cache to show at all, when there is none: the window
    // says so and offers to open one.
    wxString absence;
};

// The cache at `path`: a Wine prefix, a user profile folder, a drive root
// (the user picks one of its profiles when there are several), a container
// file. None after one message saying why it is no cache, or when the user
// cancels the pick. The pick and the message are asked through `prompts`
// over `parent`.
std::optional<NamedCache> FindNamedCache(listview::Prompts& prompts, wxWindow* parent,
                                         const std::filesystem::path& path);

// The cache of the current user as the environment names it. Without
// WINEPREFIX, TROVANA_PROFILE and ~/.wine an empty one that says so in its
// absence; none, after saying why through `prompts`, when a variable names
// a folder that cannot be read.
std::optional<NamedCache> FindCurrentUserCache(listview::Prompts& prompts);

// Opens the cache read-only when asked, or when it cannot be written now.
void DecideReadOnly(NamedCache& cache, bool asked);

// The last part of a path, "/" and "." endings left out.
wxString LastPart(const std::filesystem::path& path);

}  // namespace trovana::app
