// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_ahead.h"

#include <chrono>

namespace trovana::catalogue {

ScanAhead::ScanAhead(urlcache::CacheLocation location, ShownTimes zone) : m_zone(zone), m_location(std::move(location))
{
    m_result = std::async(std::launch::async, [this] {
        Result result;
        result.cache = std::make_unique<urlcache::UrlCache>(m_location);
        result.catalogue = std::make_unique<CCatalogue>(*result.cache, m_quiet);
        result.catalogue->m_shownTimes = m_zone;
        result.catalogue->ScanCache();
        return result;
    });
}

ScanAhead::~ScanAhead()
{
    if (m_result.valid())
        m_result.wait();
}

bool ScanAhead::Ready() const
{
    return m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ScanAhead::Result ScanAhead::Take(BusyIndicator& busy)
{
    Result result = m_result.get();
    result.catalogue->SetBusyIndicator(busy);
    return result;
}

}  // namespace trovana::catalogue
