// SPDX-License-Identifier: GPL-3.0-or-later
#include "urlcache.h"

#include "entry_source.h"
#include "index_dat_source.h"
#include "new_file.h"

#include <unordered_set>

namespace trovana::urlcache {

// What UrlCache and its enumerations share, so that an enumeration outlives
// neither its sources nor its problem list.
struct CacheState {
    CacheLocation location;
    // The index.dat containers first, then the read-only sources.
    std::vector<std::unique_ptr<EntrySource>> sources;
    IndexDatSource* indexDat = nullptr;  // the one that takes changes
    std::vector<std::string> problems;
    std::unordered_set<std::string> known;
    bool incomplete = false;  // a problem may have hidden entries

    void Note(const std::string& problem)
    {
        if (known.insert(problem).second)
            problems.push_back(problem);
    }
};

// ---- CacheEnumeration ----

struct CacheEnumeration::State {
    std::shared_ptr<CacheState> cache;
    size_t source = 0;
    std::unique_ptr<EntryCursor> cursor;  // of the source at `source`
    uint32_t lastError = ERROR_SUCCESS;
};

CacheEnumeration::CacheEnumeration(std::unique_ptr<State> state) : m_state(std::move(state)) {}
CacheEnumeration::CacheEnumeration(CacheEnumeration&&) noexcept = default;
CacheEnumeration& CacheEnumeration::operator=(CacheEnumeration&&) noexcept = default;
CacheEnumeration::~CacheEnumeration() = default;

uint32_t CacheEnumeration::LastError() const
{
    return m_state->lastError;
}

std::filesystem::path CacheEnumeration::IndexFile() const
{
    return m_state->cursor ? m_state->cursor->IndexFile() : std::filesystem::path();
}

std::unique_ptr<CacheEntryInfo> CacheEnumeration::Next()
{
    State& s = *m_state;
    for (; s.source < s.cache->sources.size(); ++s.source) {
        if (!s.cursor)
            s.cursor = s.cache->sources[s.source]->Entries();
        if (auto entry = s.cursor->Next())
            return entry;
        s.cursor.reset();
    }
    s.lastError = ERROR_NO_MORE_ITEMS;
    return nullptr;
}

// ---- UrlCache ----

struct UrlCache::Impl {
    std::shared_ptr<CacheState> state = std::make_shared<CacheState>();
};

UrlCache::UrlCache(CacheLocation location) : m_impl(std::make_unique<Impl>())
{
    CacheState& state = *m_impl->state;
    state.location = std::move(location);
    std::weak_ptr<CacheState> weak = m_impl->state;
    const ProblemSink sink = [weak](const std::string& problem) {
        if (auto shared = weak.lock()) {
            shared->Note(problem);
            shared->incomplete = true;
        }
    };
    const ProblemSink notes = [weak](const std::string& problem) {
        if (auto shared = weak.lock())
            shared->Note(problem);
    };
    // A cache that holds a read-only source takes no change at all.
    const bool writable = !state.location.readOnly && state.location.webCaches.empty();
    auto indexDat = std::make_unique<IndexDatSource>(state.location, writable, sink);
    state.indexDat = indexDat.get();
    state.sources.push_back(std::move(indexDat));
    for (const auto& database : state.location.webCaches)
        state.sources.push_back(OpenWebCacheSource(database, sink, notes));
}

UrlCache::~UrlCache() = default;

const CacheLocation& UrlCache::Location() const
{
    return m_impl->state->location;
}

size_t UrlCache::ReadableContainers()
{
    size_t readable = 0;
    for (const auto& source : m_impl->state->sources)
        readable += source->Readable();
    return readable;
}

const std::vector<std::string>& UrlCache::Problems() const
{
    return m_impl->state->problems;
}

bool UrlCache::Incomplete() const
{
    return m_impl->state->incomplete;
}

CacheEnumeration UrlCache::Enumerate()
{
    auto state = std::make_unique<CacheEnumeration::State>();
    state->cache = m_impl->state;
    return CacheEnumeration(std::move(state));
}

std::unique_ptr<CacheEntryInfo> UrlCache::GetEntryInfo(std::string_view url)
{
    for (const auto& source : m_impl->state->sources) {
        if (auto entry = source->Find(url))
            return entry;
    }
    return nullptr;
}

std::unique_ptr<CacheEntryInfo> UrlCache::GetEntryInfo(std::string_view url, std::string_view table, uint64_t entryId)
{
    if (table.empty())
        return GetEntryInfo(url);
    for (const auto& source : m_impl->state->sources) {
        if (auto entry = source->FindRecord(url, table, entryId))
            return entry;
    }
    return nullptr;
}

UrlCache::LookupBatch::LookupBatch(UrlCache& cache) : m_cache(cache)
{
    for (const auto& source : m_cache.m_impl->state->sources)
        source->BeginBatch();
}

UrlCache::LookupBatch::~LookupBatch()
{
    for (const auto& source : m_cache.m_impl->state->sources)
        source->EndBatch();
}

CacheResult UrlCache::DeleteEntry(std::string_view url)
{
    return m_impl->state->indexDat->Delete(url);
}

std::vector<CacheResult> UrlCache::DeleteEntries(const std::vector<std::string>& urls, const DeleteObserver& done)
{
    return m_impl->state->indexDat->DeleteEntries(urls, done);
}

std::string StoredUrl(std::string_view url)
{
    return PercentEncodeHighBytes(url);
}

CacheResult UrlCache::CreateEntry(const NewCacheEntry& entry)
{
    return CreateEntries({entry}).front();
}

std::vector<CacheResult> UrlCache::CreateEntries(const std::vector<NewCacheEntry>& entries)
{
    std::vector<std::string> urls;
    urls.reserve(entries.size());
    for (const NewCacheEntry& entry : entries)
        urls.push_back(StoredUrl(entry.url));
    return m_impl->state->indexDat->CreateEntries(entries, urls);
}

}  // namespace trovana::urlcache
