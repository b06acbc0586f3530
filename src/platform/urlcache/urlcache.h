// SPDX-License-Identifier: GPL-3.0-or-later
// The WinINet URL cache, read and changed directly in its index.dat
// containers. WinINet's meanings (entry fields, type flags, URL forms, error
// codes) without its buffer-size protocol. No GUI header may be included here.
#pragma once

#include "cache_types.h"
#include "locate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

class UrlCache;

// The bytes CreateEntry stores a URL under: bytes of 0x80 and above as %XX,
// so that Wine before 10.11 (which hashes signed bytes) can still find it.
std::string StoredUrl(std::string_view url);

// One pass over every entry: cookies, history, then content; within a
// container hash tables in sequence order and slots in order.
class CacheEnumeration {
public:
    CacheEnumeration(CacheEnumeration&&) noexcept;
    CacheEnumeration& operator=(CacheEnumeration&&) noexcept;
    ~CacheEnumeration();

    // The next entry, or null at the end. LastError() is then
    // ERROR_NO_MORE_ITEMS after a normal end, another code otherwise.
    std::unique_ptr<CacheEntryInfo> Next();
    uint32_t LastError() const;
    // The index file of the container the last entry came from; empty
    // before the first and after the end.
    std::filesystem::path IndexFile() const;

private:
    friend class UrlCache;
    struct State;
    explicit CacheEnumeration(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// The URL cache of one user: all its containers. Reads see the files as they
// are now; changes go straight to disk. Not thread-safe.
class UrlCache {
public:
    explicit UrlCache(CacheLocation location);
    ~UrlCache();
    UrlCache(const UrlCache&) = delete;
    UrlCache& operator=(const UrlCache&) = delete;

    const CacheLocation& Location() const;

    CacheEnumeration Enumerate();

    // The entry stored under exactly these URL bytes; null when not cached.
    // Each lookup first checks whether another process changed the index
    // (one fstat), unless a LookupBatch is open.
    std::unique_ptr<CacheEntryInfo> GetEntryInfo(std::string_view url);
    // The same for the entry a row names by its table and EntryId too (a
    // WebCache database keeps several cookies under one URL); an empty
    // table finds by URL alone.
    std::unique_ptr<CacheEntryInfo> GetEntryInfo(std::string_view url, std::string_view table, uint64_t entryId);

    // While a batch is open, lookups check each container's index for
    // changes by other processes once, at the first lookup that reads it,
    // instead of at every lookup: for many lookups made together (a list's
    // rows, the parts of one page). Changes made through this UrlCache are
    // seen as always; enumerations always check. Batches may nest.
    class LookupBatch {
    public:
        explicit LookupBatch(UrlCache& cache);
        ~LookupBatch();
        LookupBatch(const LookupBatch&) = delete;
        LookupBatch& operator=(const LookupBatch&) = delete;

    private:
        UrlCache& m_cache;
    };

    // DeleteUrlCacheEntry: ERROR_FILE_NOT_FOUND when not cached,
    // ERROR_ACCESS_DENIED when locked or when the container cannot be written.
    CacheResult DeleteEntry(std::string_view url);
    // The same for many URLs at once, one result each, in order. `done`,
    // when given, hears of each result as soon as its change is written
    // (with the URL's index), so that callers can report progress.
    using DeleteObserver = std::function<void(size_t index, const CacheResult& result)>;
    std::vector<CacheResult> DeleteEntries(const std::vector<std::string>& urls, const DeleteObserver& done = {});

    // Adds an entry (the container is made when missing) under StoredUrl(url). A different URL
    // that holds the same hash slot is refused with ERROR_ALREADY_EXISTS.
    CacheResult CreateEntry(const NewCacheEntry& entry);
    // The same for many entries, each container written once.
    std::vector<CacheResult> CreateEntries(const std::vector<NewCacheEntry>& entries);

    // How many containers have an index that can be read now (each is read
    // when needed). None with no Problems() is an empty cache; none with
    // problems is a cache that cannot be read at all.
    size_t ReadableContainers();

    // What was wrong with containers met so far (refused or read-only),
    // one line each naming the file.
    const std::vector<std::string>& Problems() const;
    // True when one of those problems may hide entries that the enumeration
    // would give: a container refused or damaged, damaged pages of the
    // tables a WebCache database lists. Notes that take nothing from the
    // listing (a WebCache database's tables of other kinds) leave it false.
    bool Incomplete() const;

private:
    friend class CacheEnumeration;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace trovana::urlcache
