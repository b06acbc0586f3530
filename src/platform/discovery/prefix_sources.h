// SPDX-License-Identifier: GPL-3.0-or-later
// Where each program that keeps Wine prefixes keeps them, read from the
// folders and small text files of a home folder.
#pragma once

#include "discovery.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::discovery {

// A folder to examine: a Wine prefix, or (kind Profile) a user profile folder.
struct Candidate {
    CacheKind kind = CacheKind::Wine;
    std::string name;
    std::filesystem::path folder;
};

// Every candidate the environment names, in the order of CacheKind; the same
// folder may come twice.
std::vector<Candidate> FindCandidates(const Environment& environment);

// The quoted strings and braces of a Valve KeyValues text (libraryfolders.vdf,
// appmanifest_*.acf), escapes undone; braces come as "{" and "}" with
// `brace` set.
struct VdfToken {
    std::string text;
    bool brace = false;
};
std::vector<VdfToken> ReadVdfTokens(std::string_view text);

}  // namespace trovana::discovery
