// SPDX-License-Identifier: GPL-3.0-or-later
// The key path of an entry in the site tree: the host, each directory, then
// the file name, cut from its URL.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trovana::catalogue {

// Cookies (category 4) are keyed by the text after the URL's last "@",
// without the URL's final character (cookie URLs end in "/"), followed by
// "Cookie"; without an "@" the path is empty. Every other URL gives its
// non-empty "/"-separated components after the first, so that the scheme
// (and a history entry's "Visited: user@scheme:") is dropped.
std::vector<std::string> CutKeyPath(std::string_view url, int category);

}  // namespace trovana::catalogue
