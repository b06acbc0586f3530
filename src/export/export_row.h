// SPDX-License-Identifier: GPL-3.0-or-later
// One exported row: the fields `trovana-cache list --catalogue` gives, then
// the record's state. Byte strings of the cache become text as the window
// shows them: UTF-8 where valid, else Windows-1252.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "urlcache.h"

namespace trovana::exporting {

// Null, a number, a text, or a list of texts (the key path).
using ExportValue = std::variant<std::monostate, uint64_t, std::string, std::vector<std::string>>;

struct ExportField {
    std::string name;
    ExportValue value;
};

using ExportRow = std::vector<ExportField>;

// The bytes as UTF-8 text: kept when they are valid UTF-8, else read as
// Windows-1252.
std::string DisplayText(std::string_view bytes);

enum class TextForm {
    Bytes,    // byte strings as stored (trovana-cache keeps every byte)
    Display,  // DisplayText of them
};

// The entry's own fields, as `trovana-cache list` names them: url, local
// (null without a file), type, sizes, counts, the four FILETIMEs, header and
// header_size.
ExportRow EntryExportFields(const urlcache::CacheEntryInfo& entry, TextForm form);

// The entry's own fields as text, then category, class, access_time and
// key_path as the catalogue derives them, then the state. `state` is "live" for the entries WinINet lists ("redirect",
// "leak" or "recovered" for the other records).
ExportRow CatalogueExportRow(const urlcache::CacheEntryInfo& entry, std::string_view state = "live");

// The column names every row of CatalogueExportRow has, in order.
const std::vector<std::string>& CatalogueExportColumns();

}  // namespace trovana::exporting
