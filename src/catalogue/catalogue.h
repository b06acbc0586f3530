// SPDX-License-Identifier: GPL-3.0-or-later
// The program's picture of the URL cache: one All list row per entry, in
// enumeration order, the site tree model of its URLs, and the byte totals.
// The list view owns one and shows it; the scan needs no window.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "busy_indicator.h"
#include "catalogue_entry.h"
#include "rowstore.h"
#include "site_tree.h"
#include "urlcache.h"

namespace trovana::catalogue {

// The columns of every entry list.
enum ListColumn : int { kColumnUrl = 0, kColumnAccessTime = 1, kColumnHitRate = 2, kColumnSize = 3 };

class CCatalogue {
public:
    // The cache and the busy indicator must outlive the catalogue.
    CCatalogue(urlcache::UrlCache& cache, BusyIndicator& busy);

    // Rebuilds the All list and its total from every entry of the cache,
    // with "Collecting Data ..." shown meanwhile, and adds each entry's leaf
    // below m_rootNode. The tree is only added to: empty it first with
    // m_rootNode.RemoveAll() for a fresh picture. An enumeration that fails
    // part way keeps what was read.
    void ScanCache();

    // Where "Collecting Data ..." shows from now on; it must outlive the catalogue.
    void SetBusyIndicator(BusyIndicator& busy) { m_busy = &busy; }

    // The entry's information read afresh; null when it is no longer cached.
    std::unique_ptr<urlcache::CacheEntryInfo> LookupCacheEntry(std::string_view url);

    // Rows: URL, access time, hit rate, size; item data and image are the
    // entry's CacheCategory.
    RowStore m_listAll;
    CNode m_rootNode;
    // Byte total of the All list. 64-bit, so that a cache of more than 2 GB
    // shows its true size.
    int64_t m_nTotalSize = 0;
    // The zone of the Access Time texts and of the tree's times.
    ShownTimes m_shownTimes = ShownTimes::Local;

private:
    void AddEntry(const urlcache::CacheEntryInfo& info, int row);

    urlcache::UrlCache& m_cache;
    BusyIndicator* m_busy;
};

}  // namespace trovana::catalogue
