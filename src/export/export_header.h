// SPDX-License-Identifier: GPL-3.0-or-later
// The provenance written at the top of the window's export: the tool and its
// version, when the export was made (UTC), the zone daily and weekly history
// were read in, the code page of text that is not UTF-8, and each container's path and SHA-256, so that an examiner
// can show where the rows came from and that the evidence was not changed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "time_zone.h"
#include "urlcache.h"

namespace trovana::exporting {

struct ExportHeader {
    struct Container {
        std::string path;
        std::optional<std::string> sha256;  // none when the file cannot be read
    };
    std::string tool;
    std::string version;
    std::string exportedUtc;  // ISO 8601 UTC
    std::string sourceZone;
    // Said when the zone is not known but assumed (a copied profile's daily
    // history): what was assumed and how to set it.
    std::string sourceZoneNote;
    // The code page text that is not UTF-8 was read in (faithful_text.h).
    std::string codePage;
    std::vector<Container> containers;
};

// This program, the time now, the zone, and each index file and WebCache
// database of the location with its SHA-256 (the files are only read).
// `zoneChosen`: the user named the zone (no note that it is assumed).
ExportHeader MakeExportHeader(const urlcache::CacheLocation& location, const TimeZone& sourceZone,
                              bool zoneChosen = false);

// The header as CSV lines before the column names, each a record whose
// first field starts with '#' ("#tool,Trovana,1.11", "#container,PATH,SHA"),
// CRLF after each.
std::string CsvHeaderLines(const ExportHeader& header);
// The header as the first line of JSON lines: {"export_header":{...}} and a
// line feed.
std::string JsonHeaderLine(const ExportHeader& header);
// The header as an HTML table, for the report's head.
std::string HtmlHeaderTable(const ExportHeader& header);

}  // namespace trovana::exporting
