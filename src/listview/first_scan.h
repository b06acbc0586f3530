// SPDX-License-Identifier: GPL-3.0-or-later
// The first scan of a cache, begun before the window is made so that it goes
// on while the program makes its window, on a CWindowWorker. The All list's
// rows come to the window's thread in batches while it runs, so that the
// window can show them at once; the cache, with its catalogue's site tree
// and totals, comes when it has ended. After its first batch the scan waits
// until the window has drawn those rows (or kFirstRowsWait has passed), so
// that the window is made and drawn without the scan taking the processors.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "catalogue.h"
#include "listview/window_worker.h"
#include "urlcache.h"

namespace trovana::listview {

class CFirstScan {
public:
    // How long the scan waits after its first rows at most.
    static constexpr std::chrono::milliseconds kFirstRowsWait{1000};

    // The scanned cache and its catalogue, whose All list is empty: its rows
    // came in batches. The catalogue uses *cache and shows nothing while
    // busy until given a busy indicator.
    struct Ending {
        // The catalogue's busy indicator until the view gives it its own:
        // one that shows nothing, since the scan runs off the window's thread.
        std::unique_ptr<BusyIndicator> quiet = std::make_unique<BusyIndicator>();
        std::unique_ptr<urlcache::UrlCache> cache;
        std::unique_ptr<catalogue::CCatalogue> catalogue;
    };
    using RowsHandler = std::function<void(std::vector<ListRow>&& rows, int64_t totalSize)>;
    using EndHandler = std::function<void(Ending&& ending)>;

    // Opens the cache and starts the scan, times in `zone`; it waits up to
    // firstRowsWait after its first rows.
    CFirstScan(urlcache::CacheLocation location, catalogue::ShownTimes zone,
               std::chrono::milliseconds firstRowsWait = kFirstRowsWait);
    CFirstScan(const CFirstScan&) = delete;
    CFirstScan& operator=(const CFirstScan&) = delete;

    catalogue::ShownTimes Zone() const { return m_zone; }
    const urlcache::CacheLocation& Location() const { return m_location; }

    // Where the rows and the end go from now on, on the window's thread;
    // what came before is handed on at once, in order. A failure of the
    // scan ends it with an empty catalogue of no cache.
    void Deliver(RowsHandler onRows, EndHandler onEnd);
    // True until the end has been handed on.
    bool IsRunning() const { return !m_bEnded; }
    // The first rows are on the screen: the scan goes on at once.
    void FirstRowsShown();

private:
    void TakeRows(std::vector<ListRow>&& rows, int64_t totalSize);
    void TakeEnd(Ending&& ending);

    catalogue::ShownTimes m_zone;
    urlcache::CacheLocation m_location;
    // Where the scan waits after its first rows, shared with its thread.
    struct Gate;
    std::shared_ptr<Gate> m_gate;
    RowsHandler m_onRows;
    EndHandler m_onEnd;
    // What came before Deliver.
    std::vector<ListRow> m_earlyRows;
    int64_t m_nEarlyTotal = 0;
    std::optional<Ending> m_earlyEnd;
    bool m_bEnded = false;
    // Last, so that it stops before the members its posts use go.
    CWindowWorker m_worker;
};

}  // namespace trovana::listview
