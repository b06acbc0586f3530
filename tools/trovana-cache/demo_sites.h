// SPDX-License-Identifier: GPL-3.0-or-later
// The web sites of the demo cache: what was fetched from each host, which
// cookies each host set, and pages visited beyond them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trovana::cli {

enum class HeaderStyle {
    Full,           // a complete response header
    NoContentType,  // as some servers and CDNs answer: no Content-Type
    None,           // stored without a header, as programs that cache files themselves do
};

struct Resource {
    std::string path;  // with the query, if any
    HeaderStyle header = HeaderStyle::Full;
    std::string status = {};    // set for a response without a body: no local file
    std::string location = {};  // the Location of a redirect
    bool sticky = false;        // kept for offline reading
};

struct Site {
    std::string scheme;
    std::string host;
    std::string name;    // shown in its pages' titles
    std::string server;  // the Server header
    std::vector<Resource> resources;
};

struct CookieJar {
    std::string hostAndPath;  // "www.example.com/"
    std::vector<std::pair<std::string, std::string>> cookies;
};

std::vector<Site> DemoSites();
std::vector<CookieJar> DemoCookieJars();
// Visited pages that left nothing in the content cache.
std::vector<std::string> DemoExtraVisits(std::string_view user);

}  // namespace trovana::cli
