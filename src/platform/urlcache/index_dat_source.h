// SPDX-License-Identifier: GPL-3.0-or-later
// The index.dat containers of a cache as a source of entries, read and
// written: enumeration in WinINet's order, lookup by URL, and the changes
// (deleting and adding entries) that only this source takes.
#pragma once

#include "container.h"
#include "entry_source.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

class IndexDatSource : public EntrySource {
public:
    // `writable`: false refuses every change with kReadOnlyRefusal (a cache
    // opened read-only, or one that also holds a read-only source).
    IndexDatSource(const CacheLocation& location, bool writable, ProblemSink problems);

    size_t Readable() override;
    std::unique_ptr<EntryCursor> Entries() override;
    std::unique_ptr<CacheEntryInfo> Find(std::string_view url) override;
    void BeginBatch() override;
    void EndBatch() override;

    // Changes, as UrlCache documents them.
    CacheResult Delete(std::string_view url);
    using DeleteObserver = std::function<void(size_t index, const CacheResult& result)>;
    std::vector<CacheResult> DeleteEntries(const std::vector<std::string>& urls, const DeleteObserver& done);
    // Entries with their URLs as stored (StoredUrl).
    std::vector<CacheResult> CreateEntries(const std::vector<NewCacheEntry>& entries,
                                           const std::vector<std::string>& urls);

private:
    // Containers that may hold the URL: those its prefix names first, then
    // the others (a copied profile's history containers hold other URLs).
    std::vector<Container*> Candidates(std::string_view url) const;
    Container* Target(std::string_view url) const;
    // Why no change may be made now: read-only, or Wine running in the prefix.
    std::optional<CacheResult> Refusal() const;
    // The container's snapshot for a lookup: checked for changes unless
    // already checked in the open batch.
    Snapshot* ForLookup(Container& container);

    std::vector<std::unique_ptr<Container>> m_containers;  // in enumeration order
    std::filesystem::path m_winePrefix;
    bool m_writable = true;
    // Open lookup batches, and the containers checked since the first opened.
    int m_batches = 0;
    std::vector<const Container*> m_checked;
};

}  // namespace trovana::urlcache
