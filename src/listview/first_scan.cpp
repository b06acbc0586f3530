// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/first_scan.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace trovana::listview {

struct CFirstScan::Gate {
    std::mutex mutex;
    std::condition_variable_any opened;
    bool open = false;

    void Open()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
    // Until opened, stopped, or `limit` has passed.
    void Wait(const std::stop_token& stop, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mutex);
        opened.wait_for(lock, stop, limit, [this] { return open; });
    }
};

CFirstScan::CFirstScan(urlcache::CacheLocation location, catalogue::ShownTimes zone,
                       std::chrono::milliseconds firstRowsWait)
    : m_zone(zone), m_location(std::move(location)), m_gate(std::make_shared<Gate>())
{
    m_worker.Run(
        [this, location = m_location, zone, gate = m_gate, firstRowsWait](const CWindowWorker::Channel& channel) {
            auto ending = std::make_shared<Ending>();
            ending->cache = std::make_unique<urlcache::UrlCache>(location);
            ending->catalogue = std::make_unique<catalogue::CCatalogue>(*ending->cache, *ending->quiet);
            ending->catalogue->SetZone(zone);
            bool firstPosted = false;
            ending->catalogue->ScanCache(channel.StopToken(), [&](std::vector<ListRow>&& rows, int64_t totalSize) {
                auto batch = std::make_shared<std::vector<ListRow>>(std::move(rows));
                const bool first = !batch->empty() && !firstPosted;
                firstPosted = firstPosted || first;
                channel.Post([this, batch, totalSize] { TakeRows(std::move(*batch), totalSize); });
                if (first)
                    gate->Wait(channel.StopToken(), firstRowsWait);
            });
            channel.Post([this, ending] { TakeEnd(std::move(*ending)); });
        },
        [this](std::exception_ptr) {
            // The cache could not even be opened: an empty catalogue of no
            // cache, as a cache that cannot be read shows.
            Ending empty;
            empty.cache = std::make_unique<urlcache::UrlCache>(urlcache::CacheLocation{});
            empty.catalogue = std::make_unique<catalogue::CCatalogue>(*empty.cache, *empty.quiet);
            empty.catalogue->SetZone(m_zone);
            TakeEnd(std::move(empty));
        });
}

void CFirstScan::FirstRowsShown()
{
    m_gate->Open();
}

void CFirstScan::Deliver(RowsHandler onRows, EndHandler onEnd)
{
    m_onRows = std::move(onRows);
    m_onEnd = std::move(onEnd);
    if (!m_earlyRows.empty())
        m_onRows(std::exchange(m_earlyRows, {}), m_nEarlyTotal);
    if (m_earlyEnd)
        m_onEnd(*std::exchange(m_earlyEnd, std::nullopt));
}

void CFirstScan::TakeRows(std::vector<ListRow>&& rows, int64_t totalSize)
{
    if (m_onRows) {
        m_onRows(std::move(rows), totalSize);
        return;
    }
    m_earlyRows.insert(m_earlyRows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    m_nEarlyTotal = totalSize;
}

void CFirstScan::TakeEnd(Ending&& ending)
{
    m_bEnded = true;
    if (m_onEnd)
        m_onEnd(std::move(ending));
    else
        m_earlyEnd = std::move(ending);
}

}  // namespace trovana::listview
