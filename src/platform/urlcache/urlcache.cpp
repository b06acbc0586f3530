// SPDX-License-Identifier: GPL-3.0-or-later
#include "urlcache.h"

#include "container.h"
#include "container_writer.h"
#include "entry_source.h"
#include "layout.h"
#include "new_file.h"
#include "wineserver.h"

#include <algorithm>
#include <unordered_set>

namespace trovana::urlcache {

// What UrlCache and its enumerations share, so that an enumeration outlives
// neither its containers nor its problem list.
struct CacheState {
    CacheLocation location;
    std::vector<std::unique_ptr<Container>> containers;  // in enumeration order
    std::vector<std::unique_ptr<EntrySource>> sources;   // listed after the containers
    std::vector<std::string> problems;
    std::unordered_set<std::string> known;
    // Open lookup batches, and the containers checked since the first opened.
    int batches = 0;
    std::vector<const Container*> checked;

    void Note(const std::string& problem)
    {
        if (known.insert(problem).second)
            problems.push_back(problem);
    }

    // Containers that may hold the URL: those its prefix names first, then
    // the others (a copied profile's history containers hold other URLs).
    std::vector<Container*> Candidates(std::string_view url) const;
    Container* Target(std::string_view url) const;
    // Why no change may be made now: read-only, or Wine running in the prefix.
    std::optional<CacheResult> Refusal() const;
    // The container's snapshot for a lookup: checked for changes unless
    // already checked in the open batch.
    Snapshot* ForLookup(Container& container);
};

namespace {

ContainerKind KindOfUrl(std::string_view url)
{
    if (url.starts_with("Cookie:"))
        return ContainerKind::Cookies;
    if (url.starts_with("Visited:"))
        return ContainerKind::History;
    return ContainerKind::Content;
}

}  // namespace

std::vector<Container*> CacheState::Candidates(std::string_view url) const
{
    const ContainerKind kind = KindOfUrl(url);
    std::vector<Container*> order;
    for (const auto& c : containers) {
        if (c->Kind() == kind)
            order.push_back(c.get());
    }
    for (const auto& c : containers) {
        if (c->Kind() != kind)
            order.push_back(c.get());
    }
    return order;
}

Container* CacheState::Target(std::string_view url) const
{
    const ContainerKind kind = KindOfUrl(url);
    for (const auto& c : containers) {
        if (c->Kind() == kind)
            return c.get();
    }
    return nullptr;
}

std::optional<CacheResult> CacheState::Refusal() const
{
    if (location.readOnly || !location.webCaches.empty())
        return CacheResult{ERROR_ACCESS_DENIED, kReadOnlyRefusal};
    if (location.winePrefix.empty() || !IsWineServerRunning(location.winePrefix))
        return std::nullopt;
    return CacheResult{ERROR_ACCESS_DENIED, "Wine is running in " + location.winePrefix.string() +
                                                ": close the Windows programs running in this Wine prefix"};
}

Snapshot* CacheState::ForLookup(Container& container)
{
    if (batches == 0)
        return container.Refresh();
    if (std::find(checked.begin(), checked.end(), &container) != checked.end())
        return container.Loaded();
    checked.push_back(&container);
    return container.Refresh();
}

// ---- CacheEnumeration ----

struct CacheEnumeration::State {
    std::shared_ptr<CacheState> cache;
    size_t container = 0;
    bool started = false;
    size_t table = 0;
    uint32_t slot = 0;
    std::vector<bool> seen;  // records already listed, by block
    size_t source = 0;       // then the other sources, entry by entry
    size_t sourceEntry = 0;
    uint64_t listed = 0;
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
    const State& s = *m_state;
    if (!s.started || s.container >= s.cache->containers.size())
        return {};
    return s.cache->containers[s.container]->IndexPath();
}

std::unique_ptr<CacheEntryInfo> CacheEnumeration::Next()
{
    State& s = *m_state;
    while (s.container < s.cache->containers.size()) {
        Container& container = *s.cache->containers[s.container];
        Snapshot* snapshot = s.started ? container.Loaded() : container.Refresh();
        if (!s.started) {
            s.started = true;
            s.table = 0;
            s.slot = 0;
            s.listed = 0;
            s.seen.assign(snapshot ? snapshot->info.capacity : 0, false);
        }
        if (snapshot) {
            const IndexInfo& info = snapshot->info;
            s.seen.resize(std::max<size_t>(s.seen.size(), info.capacity), false);
            for (; s.table < info.tables.size(); ++s.table, s.slot = 0) {
                while (s.slot < layout::kSlotCount) {
                    const uint64_t slot = SlotPosition(info.tables[s.table], s.slot++);
                    if (!KeyNamesEntry(snapshot->image.U32(slot)))
                        continue;
                    // Records lie all over the index: the one a few slots on
                    // is fetched while this one is read.
                    if (s.slot + 7 < layout::kSlotCount)
                        snapshot->image.Prefetch(snapshot->image.U32(slot + 8 * layout::kSlotSize + 4));
                    const auto record = ReadUrlRecord(snapshot->image, info, snapshot->image.U32(slot + 4));
                    if (!record)
                        continue;
                    const uint64_t block = (record->span.offset - layout::kBlockArea) / layout::kBlockSize;
                    if (s.seen[block])
                        continue;
                    s.seen[block] = true;
                    // A record takes a block at least: more entries than
                    // blocks cannot be real.
                    if (++s.listed > info.capacity)
                        break;
                    return container.Describe(*snapshot, *record);
                }
                if (s.listed > info.capacity)
                    break;
            }
        }
        // An index is up to 16 MB: the memory goes back once every entry of
        // it was given out (a later lookup reads the file again).
        container.Release();
        ++s.container;
        s.started = false;
    }
    for (; s.source < s.cache->sources.size(); ++s.source, s.sourceEntry = 0) {
        EntrySource& source = *s.cache->sources[s.source];
        if (s.sourceEntry < source.Count())
            return source.At(s.sourceEntry++);
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
    const auto sink = [weak](const std::string& problem) {
        if (auto shared = weak.lock())
            shared->Note(problem);
    };
    // A folder named twice (say by a hand-edited registry) is one container:
    // locking it twice in one batch would wait forever.
    std::unordered_set<std::string> folders;
    for (ContainerKind kind : {ContainerKind::Cookies, ContainerKind::History, ContainerKind::Content}) {
        for (const ContainerLocation& where : state.location.containers) {
            if (where.kind != kind)
                continue;
            auto container = std::make_unique<Container>(where, sink, state.location.readOnly);
            if (folders.insert(container->Folder().string()).second)
                state.containers.push_back(std::move(container));
        }
    }
    for (const auto& database : state.location.webCaches)
        state.sources.push_back(OpenWebCacheSource(database, sink));
}

UrlCache::~UrlCache() = default;

const CacheLocation& UrlCache::Location() const
{
    return m_impl->state->location;
}

size_t UrlCache::ReadableContainers()
{
    size_t readable = 0;
    for (const auto& container : m_impl->state->containers)
        readable += container->Refresh() != nullptr;
    for (const auto& source : m_impl->state->sources)
        readable += source->Readable();
    return readable;
}

const std::vector<std::string>& UrlCache::Problems() const
{
    return m_impl->state->problems;
}

CacheEnumeration UrlCache::Enumerate()
{
    auto state = std::make_unique<CacheEnumeration::State>();
    state->cache = m_impl->state;
    return CacheEnumeration(std::move(state));
}

std::unique_ptr<CacheEntryInfo> UrlCache::GetEntryInfo(std::string_view url)
{
    CacheState& state = *m_impl->state;
    for (Container* container : state.Candidates(url)) {
        Snapshot* snapshot = state.ForLookup(*container);
        if (!snapshot)
            continue;
        if (const auto hit = Container::Find(*snapshot, url))
            return container->Describe(*snapshot, *ReadUrlRecord(snapshot->image, snapshot->info, hit->record));
    }
    for (const auto& source : state.sources) {
        if (auto entry = source->Find(url))
            return entry;
    }
    return nullptr;
}

UrlCache::LookupBatch::LookupBatch(UrlCache& cache) : m_cache(cache)
{
    ++m_cache.m_impl->state->batches;
}

UrlCache::LookupBatch::~LookupBatch()
{
    CacheState& state = *m_cache.m_impl->state;
    if (--state.batches == 0)
        state.checked.clear();
}

CacheResult UrlCache::DeleteEntry(std::string_view url)
{
    CacheState& state = *m_impl->state;
    if (auto refusal = state.Refusal())
        return *refusal;
    // One container locked at a time, so no two Trovana processes can wait
    // for each other.
    for (Container* container : state.Candidates(url)) {
        ContainerWriter writer(*container, false);
        CacheResult result = writer.Delete(url);
        const CacheResult finish = writer.Finish();
        if (!finish.ok())
            return finish;
        if (result.code != ERROR_FILE_NOT_FOUND)
            return result;
    }
    return {ERROR_FILE_NOT_FOUND, "not in the cache: " + std::string(url)};
}

std::vector<CacheResult> UrlCache::DeleteEntries(const std::vector<std::string>& urls, const DeleteObserver& done)
{
    CacheState& state = *m_impl->state;
    if (auto refusal = state.Refusal()) {
        for (size_t i = 0; done && i < urls.size(); ++i)
            done(i, *refusal);
        return std::vector<CacheResult>(urls.size(), *refusal);
    }
    // Every container locked for the whole batch, always in the same order.
    std::vector<std::unique_ptr<ContainerWriter>> writers;
    for (const auto& container : state.containers)
        writers.push_back(std::make_unique<ContainerWriter>(*container, false));
    const auto writerOf = [&](const Container* container) -> ContainerWriter& {
        for (size_t i = 0; i < state.containers.size(); ++i) {
            if (state.containers[i].get() == container)
                return *writers[i];
        }
        throw std::logic_error("unknown container");
    };

    std::vector<CacheResult> results;
    results.reserve(urls.size());
    for (const std::string& url : urls) {
        CacheResult result{ERROR_FILE_NOT_FOUND, "not in the cache: " + url};
        for (Container* container : state.Candidates(url)) {
            CacheResult attempt = writerOf(container).Delete(url);
            if (attempt.code != ERROR_FILE_NOT_FOUND) {
                result = std::move(attempt);
                break;
            }
        }
        if (done)
            done(results.size(), result);
        results.push_back(std::move(result));
    }
    for (auto& writer : writers)
        writer->Finish();
    return results;
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
    CacheState& state = *m_impl->state;
    std::vector<CacheResult> results(entries.size());
    std::vector<std::string> urls(entries.size());
    std::vector<Container*> targets(entries.size(), nullptr);
    for (size_t i = 0; i < entries.size(); ++i) {
        urls[i] = StoredUrl(entries[i].url);
        targets[i] = state.Target(urls[i]);
        if (entries[i].url.empty())
            results[i] = {ERROR_INVALID_PARAMETER, "an entry needs a URL"};
        else if (!targets[i])
            results[i] = {ERROR_INVALID_PARAMETER, "this cache has no container for " + urls[i]};
    }
    if (auto refusal = state.Refusal()) {
        for (auto& result : results) {
            if (result.ok())
                result = *refusal;
        }
        return results;
    }
    // One writer per container; many entries are written as one new file.
    for (const auto& container : state.containers) {
        std::vector<size_t> mine;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (targets[i] == container.get() && results[i].ok())
                mine.push_back(i);
        }
        if (mine.empty())
            continue;
        ContainerWriter writer(*container, true);
        if (mine.size() > 1)
            writer.ReplaceWhole();
        for (size_t i : mine)
            results[i] = writer.Create(entries[i], urls[i]);
        const CacheResult finish = writer.Finish();
        for (size_t i : mine) {
            if (!finish.ok() && results[i].ok())
                results[i] = finish;
        }
    }
    return results;
}

}  // namespace trovana::urlcache
