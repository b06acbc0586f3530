// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include <chrono>
#include <stdexcept>
#include <string>

#include "catalogue_entry.h"

namespace trovana::catalogue {

CCatalogue::CCatalogue(urlcache::UrlCache& cache, BusyIndicator& busy) : m_cache(cache), m_busy(&busy) {}

void CCatalogue::ScanCache()
{
    m_listAll.DeleteAll();
    const BusyScope busy(*m_busy, "Collecting Data ...");
    Scan({}, [this](ListRow&& row) { m_listAll.InsertRow(m_listAll.Count(), std::move(row)); });
}

void CCatalogue::ScanCache(const std::stop_token& stop, const RowBatchSink& sink)
{
    // About a screenful first, then batches that cost the window little,
    // or what a slow read has made in a tenth of a second.
    constexpr size_t kFirstBatch = 64;
    constexpr size_t kBatch = 8192;
    constexpr auto kLongest = std::chrono::milliseconds(100);
    std::vector<ListRow> batch;
    batch.reserve(kFirstBatch);
    auto sent = std::chrono::steady_clock::now();
    Scan(stop, [&](ListRow&& row) {
        batch.push_back(std::move(row));
        if (batch.size() == batch.capacity() ||
            (batch.size() % kFirstBatch == 0 && std::chrono::steady_clock::now() - sent > kLongest)) {
            sink(std::move(batch), m_nTotalSize);
            batch = {};
            batch.reserve(kBatch);
            sent = std::chrono::steady_clock::now();
        }
    });
    sink(std::move(batch), m_nTotalSize);
}

void CCatalogue::Scan(const std::stop_token& stop, const std::function<void(ListRow&&)>& take)
{
    m_nTotalSize = 0;
    try {
        urlcache::CacheEnumeration entries = m_cache.Enumerate();
        while (!stop.stop_requested()) {
            const auto info = entries.Next();
            if (!info)
                break;
            take(AddEntry(*info));
        }
    } catch (const std::runtime_error&) {
        // A cache that cannot be read at all ends the scan like any other
        // enumeration failure: quietly, keeping the rows made so far.
    } catch (const std::logic_error&) {
    }
}

ListRow CCatalogue::AddEntry(const urlcache::CacheEntryInfo& info)
{
    CatalogueEntry entry = DescribeEntry(info, m_shownTimes);
    ListRow listRow;
    listRow.texts[kColumnUrl] = info.sourceUrlName;
    listRow.texts[kColumnAccessTime] = std::move(entry.accessTime);
    // Counts are unsigned 32-bit values: shown as such, never as negative numbers.
    listRow.texts[kColumnHitRate] = std::to_string(info.hitRate);
    if (entry.size > 0) {
        listRow.texts[kColumnSize] = std::to_string(entry.size);
        m_nTotalSize += entry.size;
    }
    listRow.itemData = entry.category;
    listRow.image = entry.category;
    listRow.table = info.table;
    listRow.entryId = info.entryId;
    m_rootNode.Insert(entry.keyPath, info.sourceUrlName, info.hitRate, entry.size, entry.category, entry.lastAccess);
    return listRow;
}

std::unique_ptr<urlcache::CacheEntryInfo> CCatalogue::LookupCacheEntry(std::string_view url)
{
    try {
        return m_cache.GetEntryInfo(url);
    } catch (const std::runtime_error&) {
        return nullptr;
    } catch (const std::logic_error&) {
        return nullptr;
    }
}

std::unique_ptr<urlcache::CacheEntryInfo> CCatalogue::LookupCacheEntry(const ListRow& row)
{
    return LookupRowEntry(m_cache, row);
}

std::unique_ptr<urlcache::CacheEntryInfo> LookupRowEntry(urlcache::UrlCache& cache, const ListRow& row)
{
    try {
        return cache.GetEntryInfo(row.texts[kColumnUrl], row.table, row.entryId);
    } catch (const std::runtime_error&) {
        return nullptr;
    } catch (const std::logic_error&) {
        return nullptr;
    }
}

}  // namespace trovana::catalogue
