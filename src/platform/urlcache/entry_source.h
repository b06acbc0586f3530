// SPDX-License-Identifier: GPL-3.0-or-later
// A source of cache entries: what UrlCache lists and looks up by URL. The
// index.dat containers are one (read and written, index_dat_source.h), a
// Windows 8-11 WebCache database another (read only); the catalogue, the
// window and trovana-cache see them all through UrlCache.
#pragma once

#include "cache_types.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace trovana::urlcache {

// One pass over a source's entries.
class EntryCursor {
public:
    virtual ~EntryCursor() = default;
    // The next entry, or null after the last.
    virtual std::unique_ptr<CacheEntryInfo> Next() = 0;
    // The index file the last entry came from; empty where there is none.
    virtual std::filesystem::path IndexFile() const { return {}; }
};

class EntrySource {
public:
    virtual ~EntrySource() = default;

    // How many of its parts (containers, databases) can be read now; the
    // reasons for the others were reported.
    virtual size_t Readable() = 0;
    // Its entries in listing order. The cursor may not outlive the source.
    virtual std::unique_ptr<EntryCursor> Entries() = 0;
    // The entry stored under exactly these URL bytes; null when none.
    virtual std::unique_ptr<CacheEntryInfo> Find(std::string_view url) = 0;
    // The entry of this URL in row `entryId` of `table`, where a source
    // keeps several entries under one URL (a WebCache database's cookies);
    // the others find it by URL alone.
    virtual std::unique_ptr<CacheEntryInfo> FindRecord(std::string_view url, std::string_view table, uint64_t entryId)
    {
        (void)table;
        (void)entryId;
        return Find(url);
    }
    // Lookups made between these may see the files as they were at the
    // first of them (see UrlCache::LookupBatch).
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
};

// Where a source reports what it could not read: one line naming the file.
using ProblemSink = std::function<void(const std::string&)>;

// The entries of a WebCache database, read once at first use. `damage`
// hears of parts that may hold entries the listing then lacks (damaged
// pages of the tables listed, rows whose URL cannot be read); `notes` of
// what takes nothing from the listing (the tables of other kinds, with
// their own damage).
std::unique_ptr<EntrySource> OpenWebCacheSource(const std::filesystem::path& database, ProblemSink damage,
                                                ProblemSink notes);

}  // namespace trovana::urlcache
