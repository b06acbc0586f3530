// SPDX-License-Identifier: GPL-3.0-or-later
// The first scan of a cache, run on a thread of its own so that it goes on
// while the program makes its window. The cache and its catalogue are then
// handed over whole to the one thread that uses them from there on.
#pragma once

#include <future>
#include <memory>

#include "busy_indicator.h"
#include "catalogue.h"
#include "urlcache.h"

namespace trovana::catalogue {

class ScanAhead {
public:
    struct Result {
        std::unique_ptr<urlcache::UrlCache> cache;
        std::unique_ptr<CCatalogue> catalogue;  // uses *cache
    };

    // Opens the cache and starts ScanCache on a new thread, times in `zone`.
    ScanAhead(urlcache::CacheLocation location, ShownTimes zone);
    // Waits for the thread when nobody took the result.
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    ShownTimes Zone() const { return m_zone; }
    // The cache scanned.
    const urlcache::CacheLocation& Location() const { return m_location; }
    // True once the scan has ended: Take will not wait.
    bool Ready() const;

    // Waits for the scan to end and hands over the cache and its catalogue,
    // which reports to `busy` from now on. Once only; rethrows what the
    // scan threw.
    Result Take(BusyIndicator& busy);

private:
    ShownTimes m_zone;
    urlcache::CacheLocation m_location;
    BusyIndicator m_quiet;  // the scan's, shows nothing: no window may be touched off the main thread
    std::future<Result> m_result;
};

}  // namespace trovana::catalogue
