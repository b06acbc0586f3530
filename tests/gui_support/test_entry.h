// SPDX-License-Identifier: GPL-3.0-or-later
// Cache entries for tests, made the way the cache library adds them.
#pragma once

#include <string>

#include "urlcache.h"

namespace trovana::test {

// An entry with a body of the given size (none when 0) and, when given, a
// Content-Type header.
urlcache::NewCacheEntry Entry(const std::string& url, size_t size = 0, const std::string& contentType = {});

}  // namespace trovana::test
