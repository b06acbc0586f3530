// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include <string>

#include "catalogue_entry.h"

namespace trovana::catalogue {

CCatalogue::CCatalogue(urlcache::UrlCache& cache, BusyIndicator& busy) : m_cache(cache), m_busy(&busy) {}

void CCatalogue::ScanCache()
{
    m_nTotalSize = 0;
    m_listAll.DeleteAll();
    const BusyScope busy(*m_busy, "Collecting Data ...");
    try {
        urlcache::CacheEnumeration entries = m_cache.Enumerate();
        int row = 0;
        while (const auto info = entries.Next()) {
            AddEntry(*info, row++);
        }
    } catch (const urlcache::UrlCacheError&) {
        // A cache that cannot be read at all ends the scan like any other
        // enumeration failure: quietly, keeping the rows made so far.
    }
}

void CCatalogue::AddEntry(const urlcache::CacheEntryInfo& info, int row)
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
    m_listAll.InsertRow(row, std::move(listRow));
    m_rootNode.Insert(entry.keyPath, info.sourceUrlName, info.hitRate, entry.size, entry.category, entry.lastAccess);
}

std::unique_ptr<urlcache::CacheEntryInfo> CCatalogue::LookupCacheEntry(std::string_view url)
{
    try {
        return m_cache.GetEntryInfo(url);
    } catch (const urlcache::UrlCacheError&) {
        return nullptr;
    }
}

}  // namespace trovana::catalogue
