// SPDX-License-Identifier: GPL-3.0-or-later
// The bodies and response headers of the demo cache's entries: pages, style
// sheets, scripts, feeds, a PDF, cookie files. Everything is drawn from a
// DemoRandom, so the same seed gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "demo_random.h"

namespace trovana::cli {

enum class DemoKind { Html, StyleSheet, Script, Xml, Json, Pdf, Png, Gif, Jpeg, Text, NoFile, Cookie, Visited };

// The kind of a cached file by the ending of its URL path; pages otherwise.
DemoKind KindFromPath(std::string_view path);
std::string_view ContentType(DemoKind kind);
// The extension the local file gets, without the dot; empty for no file.
std::string_view FileExtension(DemoKind kind);

// A page title made from a URL path: "/products/blue-widget.html" gives
// "Blue Widget", "/" gives "Home".
std::string TitleFromPath(std::string_view path);

// What a page refers to; all absolute URLs.
struct PageLinks {
    std::vector<std::string> styleSheets;
    std::vector<std::string> scripts;
    std::vector<std::string> images;
    std::vector<std::string> pages;
};

std::string HtmlPage(std::string_view siteName, std::string_view title, const PageLinks& links, DemoRandom& random);
std::string StyleSheet(DemoRandom& random);
std::string Script(std::string_view name, DemoRandom& random);
// A feed for paths under /rss/ or /feed/, a site map for sitemap.xml, else a
// small settings document.
std::string XmlDocument(std::string_view path, const std::vector<std::string>& pageUrls, int64_t unixTime);
std::string JsonDocument(std::string_view path, DemoRandom& random);
std::string TextDocument(std::string_view path, DemoRandom& random);
// A one-page PDF 1.4 file with a correct cross-reference table.
std::string PdfDocument(std::string_view title, const std::vector<std::string>& lines);

struct DemoCookie {
    std::string name;
    std::string value;
    std::string hostAndPath;  // "www.example.com/"
    uint32_t flags = 0;
    uint64_t expiry = 0;    // FILETIME
    uint64_t creation = 0;  // FILETIME
};
// A cookie file as Wine writes it: nine lines for each cookie.
std::string CookieFile(const std::vector<DemoCookie>& cookies);

using HeaderFields = std::vector<std::pair<std::string, std::string>>;
// "HTTP/1.1 <status>\r\n" and the fields, ended by an empty line.
std::string ResponseHeader(std::string_view status, const HeaderFields& fields);

}  // namespace trovana::cli
