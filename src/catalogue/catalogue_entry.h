// SPDX-License-Identifier: GPL-3.0-or-later
// What the catalogue derives from one cache entry: the values of its All
// list row and of its site tree leaf. The scan and the command-line export
// (`trovana-cache list --catalogue`) both take them from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datetime.h"
#include "urlcache.h"

namespace trovana::catalogue {

struct CatalogueEntry {
    std::string classText;             // ClassifyEntry's class text
    int category = 0;                  // CacheCategory, 1 to 6
    DateTime lastAccess;               // in the zone chosen; invalid when it cannot be converted
    std::string accessTime;            // the "Access Time" text; empty when invalid
    uint32_t size = 0;                 // dwSizeLow, or 0 without a local file
    std::vector<std::string> keyPath;  // the site tree key path; may be empty
};

// Whether times are shown in local time (the default) or in UTC.
enum class ShownTimes { Local, Utc };

// A FILETIME as a date and time of the zone chosen.
DateTime ShownTime(uint64_t fileTime, ShownTimes zone);

CatalogueEntry DescribeEntry(const urlcache::CacheEntryInfo& info, ShownTimes zone = ShownTimes::Local);

}  // namespace trovana::catalogue
