// SPDX-License-Identifier: GPL-3.0-or-later
#include "index_dat_source.h"

#include "container_writer.h"
#include "layout.h"
#include "wineserver.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace trovana::urlcache {

namespace {

ContainerKind KindOfUrl(std::string_view url)
{
    if (url.starts_with("Cookie:"))
        return ContainerKind::Cookies;
    if (url.starts_with("Visited:"))
        return ContainerKind::History;
    return ContainerKind::Content;
}

// Every entry of the containers: within a container hash tables in
// sequence order and slots in order, each record once.
class IndexDatCursor : public EntryCursor {
public:
    explicit IndexDatCursor(const std::vector<std::unique_ptr<Container>>& containers) : m_containers(containers) {}

    std::unique_ptr<CacheEntryInfo> Next() override;

    std::filesystem::path IndexFile() const override
    {
        if (!m_started || m_container >= m_containers.size())
            return {};
        return m_containers[m_container]->IndexPath();
    }

private:
    const std::vector<std::unique_ptr<Container>>& m_containers;
    size_t m_container = 0;
    bool m_started = false;
    size_t m_table = 0;
    uint32_t m_slot = 0;
    std::vector<bool> m_seen;  // records already listed, by block
    uint64_t m_listed = 0;
};

std::unique_ptr<CacheEntryInfo> IndexDatCursor::Next()
{
    while (m_container < m_containers.size()) {
        Container& container = *m_containers[m_container];
        Snapshot* snapshot = m_started ? container.Loaded() : container.Refresh();
        if (!m_started) {
            m_started = true;
            m_table = 0;
            m_slot = 0;
            m_listed = 0;
            m_seen.assign(snapshot ? snapshot->info.capacity : 0, false);
        }
        if (snapshot) {
            const IndexInfo& info = snapshot->info;
            m_seen.resize(std::max<size_t>(m_seen.size(), info.capacity), false);
            for (; m_table < info.tables.size(); ++m_table, m_slot = 0) {
                while (m_slot < layout::kSlotCount) {
                    const uint64_t slot = SlotPosition(info.tables[m_table], m_slot++);
                    if (!KeyNamesEntry(snapshot->image.U32(slot)))
                        continue;
                    // Records lie all over the index: the one a few slots on
                    // is fetched while this one is read, its first four
                    // cache lines (the fixed fields, the URL, the file name
                    // and most headers).
                    if (m_slot + 7 < layout::kSlotCount) {
                        const uint32_t ahead = snapshot->image.U32(slot + 8 * layout::kSlotSize + 4);
                        for (uint32_t line = 0; line < 4; ++line)
                            snapshot->image.Prefetch(ahead + uint64_t{line} * 64);
                    }
                    const auto record = ReadUrlRecord(snapshot->image, info, snapshot->image.U32(slot + 4));
                    if (!record)
                        continue;
                    const uint64_t block = (record->span.offset - layout::kBlockArea) / layout::kBlockSize;
                    if (m_seen[block])
                        continue;
                    m_seen[block] = true;
                    // A record takes a block at least: more entries than
                    // blocks cannot be real.
                    if (++m_listed > info.capacity)
                        break;
                    return container.Describe(*snapshot, *record);
                }
                if (m_listed > info.capacity)
                    break;
            }
        }
        // An index is up to 16 MB: the memory goes back once every entry of
        // it was given out (a later lookup reads the file again).
        container.Release();
        ++m_container;
        m_started = false;
    }
    return nullptr;
}

}  // namespace

IndexDatSource::IndexDatSource(const CacheLocation& location, bool writable, ProblemSink problems)
    : m_winePrefix(location.winePrefix), m_writable(writable)
{
    // A folder named twice (say by a hand-edited registry) is one container:
    // locking it twice in one batch would wait forever.
    std::unordered_set<std::string> folders;
    for (ContainerKind kind : {ContainerKind::Cookies, ContainerKind::History, ContainerKind::Content}) {
        for (const ContainerLocation& where : location.containers) {
            if (where.kind != kind)
                continue;
            auto container = std::make_unique<Container>(where, problems, location.readOnly);
            if (folders.insert(container->Folder().string()).second)
                m_containers.push_back(std::move(container));
        }
    }
}

std::vector<Container*> IndexDatSource::Candidates(std::string_view url) const
{
    const ContainerKind kind = KindOfUrl(url);
    std::vector<Container*> order;
    for (const auto& c : m_containers) {
        if (c->Kind() == kind)
            order.push_back(c.get());
    }
    for (const auto& c : m_containers) {
        if (c->Kind() != kind)
            order.push_back(c.get());
    }
    return order;
}

Container* IndexDatSource::Target(std::string_view url) const
{
    const ContainerKind kind = KindOfUrl(url);
    for (const auto& c : m_containers) {
        if (c->Kind() == kind)
            return c.get();
    }
    return nullptr;
}

std::optional<CacheResult> IndexDatSource::Refusal() const
{
    if (!m_writable)
        return CacheResult{ERROR_ACCESS_DENIED, kReadOnlyRefusal};
    if (m_winePrefix.empty() || !IsWineServerRunning(m_winePrefix))
        return std::nullopt;
    return CacheResult{ERROR_ACCESS_DENIED, "Wine is running in " + m_winePrefix.string() +
                                                ": close the Windows programs running in this Wine prefix"};
}

Snapshot* IndexDatSource::ForLookup(Container& container)
{
    if (m_batches == 0)
        return container.Refresh();
    if (std::find(m_checked.begin(), m_checked.end(), &container) != m_checked.end())
        return container.Loaded();
    m_checked.push_back(&container);
    return container.Refresh();
}

size_t IndexDatSource::Readable()
{
    size_t readable = 0;
    for (const auto& container : m_containers)
        readable += container->Refresh() != nullptr;
    return readable;
}

std::unique_ptr<EntryCursor> IndexDatSource::Entries()
{
    return std::make_unique<IndexDatCursor>(m_containers);
}

std::unique_ptr<CacheEntryInfo> IndexDatSource::Find(std::string_view url)
{
    for (Container* container : Candidates(url)) {
        Snapshot* snapshot = ForLookup(*container);
        if (!snapshot)
            continue;
        if (const auto hit = Container::Find(*snapshot, url))
            return container->Describe(*snapshot, *ReadUrlRecord(snapshot->image, snapshot->info, hit->record));
    }
    return nullptr;
}

void IndexDatSource::BeginBatch()
{
    ++m_batches;
}

void IndexDatSource::EndBatch()
{
    if (--m_batches == 0)
        m_checked.clear();
}

CacheResult IndexDatSource::Delete(std::string_view url)
{
    if (auto refusal = Refusal())
        return *refusal;
    // One container locked at a time, so no two Trovana processes can wait
    // for each other.
    for (Container* container : Candidates(url)) {
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

std::vector<CacheResult> IndexDatSource::DeleteEntries(const std::vector<std::string>& urls,
                                                       const DeleteObserver& done)
{
    if (auto refusal = Refusal()) {
        for (size_t i = 0; done && i < urls.size(); ++i)
            done(i, *refusal);
        return std::vector<CacheResult>(urls.size(), *refusal);
    }
    // Every container locked for the whole batch, always in the same order.
    std::vector<std::unique_ptr<ContainerWriter>> writers;
    for (const auto& container : m_containers)
        writers.push_back(std::make_unique<ContainerWriter>(*container, false));
    const auto writerOf = [&](const Container* container) -> ContainerWriter& {
        for (size_t i = 0; i < m_containers.size(); ++i) {
            if (m_containers[i].get() == container)
                return *writers[i];
        }
        throw std::logic_error("unknown container");
    };

    std::vector<CacheResult> results;
    results.reserve(urls.size());
    for (const std::string& url : urls) {
        CacheResult result{ERROR_FILE_NOT_FOUND, "not in the cache: " + url};
        for (Container* container : Candidates(url)) {
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

std::vector<CacheResult> IndexDatSource::CreateEntries(const std::vector<NewCacheEntry>& entries,
                                                       const std::vector<std::string>& urls)
{
    std::vector<CacheResult> results(entries.size());
    std::vector<Container*> targets(entries.size(), nullptr);
    for (size_t i = 0; i < entries.size(); ++i) {
        targets[i] = Target(urls[i]);
        if (entries[i].url.empty())
            results[i] = {ERROR_INVALID_PARAMETER, "an entry needs a URL"};
        else if (!targets[i])
            results[i] = {ERROR_INVALID_PARAMETER, "this cache has no container for " + urls[i]};
    }
    if (auto refusal = Refusal()) {
        for (auto& result : results) {
            if (result.ok())
                result = *refusal;
        }
        return results;
    }
    // One writer per container; many entries are written as one new file.
    for (const auto& container : m_containers) {
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
