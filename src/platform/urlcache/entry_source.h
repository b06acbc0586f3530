// SPDX-License-Identifier: GPL-3.0-or-later
// A source of cache entries that UrlCache lists and looks up by URL beside
// its index.dat containers: the seam through which a cache of another
// format (a WebCache database) reaches the catalogue, the window and
// trovana-cache. Sources are read only; changes go to index.dat containers.
#pragma once

#include "cache_types.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace trovana::urlcache {

class EntrySource {
public:
    virtual ~EntrySource() = default;

    // False when nothing of it can be read; the reason was reported.
    virtual bool Readable() = 0;
    // Its entries in listing order, `index` below Count().
    virtual size_t Count() = 0;
    virtual std::unique_ptr<CacheEntryInfo> At(size_t index) = 0;
    // The entry stored under exactly these URL bytes; null when none.
    virtual std::unique_ptr<CacheEntryInfo> Find(std::string_view url) = 0;
};

// Where a source reports what it could not read: one line naming the file.
using ProblemSink = std::function<void(const std::string&)>;

// The entries of a WebCache database, read once at first use.
std::unique_ptr<EntrySource> OpenWebCacheSource(const std::filesystem::path& database, ProblemSink problems);

}  // namespace trovana::urlcache
