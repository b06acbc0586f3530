// SPDX-License-Identifier: GPL-3.0-or-later
// The addresses under which the preview pane asks the program for cached
// URLs. "http://host/path?q" becomes "trovana-http://host/path?q" (likewise
// https and ftp), so that WebKit resolves a page's relative references
// ("a.png", "../b.css", "/c.gif", "//host/d.png") just as it would against
// the original URL, and every resolved address maps back to a cache URL.
// Any other URL ("Cookie:user@host/") gets an opaque address of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trovana::listview {

// The schemes the program answers, each from the open cache alone.
const std::vector<std::string>& CacheSchemes();

// The address that stands for the cache URL.
std::string CacheAddress(std::string_view url);

// The cache URLs an address may stand for, the likeliest first: the
// address mapped back as it is, then with its percent-escapes decoded
// (WebKit escapes bytes that the cache keeps raw). Empty when the address
// is none of the program's.
std::vector<std::string> CacheUrlsOf(std::string_view address);

// A page or style sheet with its absolute references to http, https and ftp
// URLs (attribute values, url(), @import, srcset items) turned into cache
// addresses, so that they too are answered from the cache. Text that is no
// reference stays as it is.
std::string MapAbsoluteReferences(std::string_view text);

}  // namespace trovana::listview
