// SPDX-License-Identifier: GPL-3.0-or-later
// What the demo cache holds: the entries `trovana-cache demo` creates, with
// their bodies, headers, times and hit counts. The same on every run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "demo_content.h"
#include "urlcache.h"

namespace trovana::cli {

// The user the demo prefix belongs to; its cookie and history URLs name it.
// Wine names a prefix's user after the login name and rewrites the profile
// path in the registry to match; with the same name, Wine run in the demo
// prefix finds the demo cache. "trovana" when the login name is unknown.
std::string DemoUser();
// The moment the demo cache was last used: 2024-05-14 09:30:00 UTC. Every
// time in it lies before this one.
inline constexpr int64_t kDemoNow = 1715679000;

struct DemoEntry {
    DemoKind kind;
    urlcache::NewCacheEntry entry;
};

// Every entry of the demo cache: pages, images, style sheets, scripts,
// feeds and a PDF over a dozen hosts, responses without a body, cookies and
// visited links.
std::vector<DemoEntry> DemoEntries(std::string_view user);

}  // namespace trovana::cli
