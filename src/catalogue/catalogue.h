// SPDX-License-Identifier: GPL-3.0-or-later
// The program's picture of the URL cache: one All list row per entry, in
// enumeration order, the site tree model of its URLs, and the byte totals.
// The list view owns one and shows it; the scan needs no window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string_view>
#include <vector>

#include "busy_indicator.h"
#include "catalogue_entry.h"
#include "rowstore.h"
#include "site_tree.h"
#include "urlcache.h"

namespace trovana::catalogue {

// The columns of every entry list.
enum ListColumn : int { kColumnUrl = 0, kColumnAccessTime = 1, kColumnHitRate = 2, kColumnSize = 3 };

// Takes the All list's rows of a scan, a batch at a time in enumeration
// order, with the byte total of the rows given so far.
using RowBatchSink = std::function<void(std::vector<ListRow>&& rows, int64_t totalSize)>;

// A list row's entry read afresh from `cache`, as CCatalogue::LookupCacheEntry
// does; null when it is no longer cached. Touches only `cache`.
std::unique_ptr<urlcache::CacheEntryInfo> LookupRowEntry(urlcache::UrlCache& cache, const ListRow& row);

class CCatalogue {
public:
    // The cache and the busy indicator must outlive the catalogue.
    CCatalogue(urlcache::UrlCache& cache, BusyIndicator& busy);

    // Rebuilds the All list and its total from every entry of the cache,
    // with "Collecting Data ..." shown meanwhile, and adds each entry's leaf
    // below the root node. The tree is only added to: empty it first with
    // RootNode().RemoveAll() for a fresh picture. An enumeration that fails
    // part way keeps what was read.
    void ScanCache();
    // The same scan, with nothing shown, that hands the All list's rows to
    // `sink` instead of keeping them: a first small batch, so that a
    // screenful can be shown at once, then larger ones. Ends early, keeping
    // what was read, once a stop is requested.
    void ScanCache(const std::stop_token& stop, const RowBatchSink& sink);

    // Where "Collecting Data ..." shows from now on; it must outlive the catalogue.
    void SetBusyIndicator(BusyIndicator& busy) { m_busy = &busy; }

    // The entry's information read afresh; null when it is no longer cached.
    std::unique_ptr<urlcache::CacheEntryInfo> LookupCacheEntry(std::string_view url);
    // The same for a list row: the entry of its own record where several
    // share its URL (the cookies of one domain and path in a WebCache database).
    std::unique_ptr<urlcache::CacheEntryInfo> LookupCacheEntry(const ListRow& row);

    // The All list. Rows: URL, access time, hit rate, size; item data and
    // image are the entry's CacheCategory.
    RowStore& ListAll() { return m_listAll; }
    const RowStore& ListAll() const { return m_listAll; }
    // The root of the site tree model; it carries no entry itself.
    CNode& RootNode() { return m_rootNode; }
    const CNode& RootNode() const { return m_rootNode; }

    // Byte total of the All list. 64-bit, so that a cache of more than 2 GB
    // shows its true size.
    int64_t TotalSize() const { return m_nTotalSize; }
    // Rows the caller removed from the All list take their bytes off the total.
    void DeductSize(int64_t bytes) { m_nTotalSize -= bytes; }
    void SetTotalSize(int64_t bytes) { m_nTotalSize = bytes; }

    // The zone of the Access Time texts and of the tree's times; the next
    // scan writes its texts in a zone set here.
    ShownTimes Zone() const { return m_shownTimes; }
    void SetZone(ShownTimes zone) { m_shownTimes = zone; }

private:
    // Adds the entry's leaf and total, and returns its All list row.
    ListRow AddEntry(const urlcache::CacheEntryInfo& info);
    // Enumerates the cache, giving each entry's row to `take`, until `stop`
    // is requested.
    void Scan(const std::stop_token& stop, const std::function<void(ListRow&&)>& take);

    RowStore m_listAll;
    CNode m_rootNode;
    int64_t m_nTotalSize = 0;
    ShownTimes m_shownTimes = ShownTimes::Local;

    urlcache::UrlCache& m_cache;
    BusyIndicator* m_busy;
};

}  // namespace trovana::catalogue
