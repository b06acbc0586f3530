// SPDX-License-Identifier: GPL-3.0-or-later
// Rows of output, for `trovana-cache` and the window's File > Export alike:
// named fields in a fixed order. Byte strings hold the cache's bytes as
// stored; the writers turn them into text by one rule (faithful_text.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "catalogue_entry.h"
#include "record_survey.h"
#include "time_zone.h"
#include "urlcache.h"

namespace trovana::exporting {

// Null, a number, a byte string, or a list of byte strings (the key path,
// written as a JSON array in every format).
using ExportValue = std::variant<std::monostate, uint64_t, int64_t, std::string, std::vector<std::string>>;

struct ExportField {
    // Static text (a literal): a listing makes millions of fields, and their
    // names are never copied.
    std::string_view name;
    ExportValue value;
};

using ExportRow = std::vector<ExportField>;

// The entry's own fields, as `trovana-cache list` names them: url, local
// (null without a file), type, sizes, counts, the four FILETIMEs as stored,
// header and header_size; then the container's kind (record_kind.h), the
// expiry as stored (expire_dos: 4294967295 is "never") and source_tz, the
// zone the second time was read in: `sourceZone` (UTC when null) for daily
// and weekly history, which keep local time; null for the others (UTC);
// local_time_fit, whether that local time names one instant ("unique"),
// none ("skipped": the hour skipped when summer time starts) or two
// ("repeated": the hour repeated when it ends), null where source_tz is;
// then creation and post_check, FILETIMEs that only a WebCache database
// keeps (null for index.dat entries); then flags (WebCache only), file_name
// (the cached file's name as stored, kept when the file is not there),
// file_present (1 when the file is there, 0 when not, null without a file),
// table and entry_id (where a WebCache row is), cookie_name and
// cookie_value (a WebCache cookie's own).
ExportRow EntryExportFields(const urlcache::CacheEntryInfo& entry, const TimeZone* sourceZone = nullptr);

// The same fields appended to `row`, the entry's local file name and header
// taken rather than copied (its URL and numbers stay): for a listing, which
// reuses one row and keeps no entry.
void AppendEntryExportFields(ExportRow& row, urlcache::CacheEntryInfo&& entry, const TimeZone* sourceZone);

// The zone a Wine prefix last ran in, as its system.reg records it (a
// Windows zone name, mapped to its IANA zone); none when the prefix does
// not say, or names a zone this machine does not have.
std::optional<TimeZone> WinePrefixZone(const std::filesystem::path& prefix);

// The zone daily and weekly history were recorded in when nobody says: the
// zone recorded where the cache was copied from (a disk image's SYSTEM
// hive); for a Wine prefix the zone it records (WinePrefixZone), else this
// machine's (Wine runs in the host's zone); UTC for a copied profile or a
// single file.
TimeZone DefaultSourceZone(const urlcache::CacheLocation& location);

// What to say about that zone when it is only assumed: a copied Windows
// profile (or a single file) carries no zone, and its daily and weekly
// history are read as UTC until the user names the recording machine's
// zone. Empty when the zone is not such a guess (`chosen`, or a Wine prefix).
std::string SourceZoneNote(const urlcache::CacheLocation& location, bool chosen);

// One of the entry's times as a UTC FILETIME: the second time of daily and
// weekly history converted from `sourceZone` (UTC when null), the others as
// they are.
uint64_t UtcFileTime(const urlcache::CacheEntryInfo& entry, uint64_t urlcache::CacheEntryInfo::*time,
                     const TimeZone* sourceZone);

// Whether that time of a surveyed record holds the filler (absent).
bool TimeIsFiller(const urlcache::SurveyedRecord* surveyed, uint64_t urlcache::CacheEntryInfo::*time);

// The record's state, the index.dat that holds it, its offset there (null
// for a WebCache row, which table and entry_id place),
// whether it was read only in part, and whether it is filled with the
// 0xDEADBEEF filler (its filled fields then become null), appended to the
// row. Without a surveyed record (an entry WinINet lists): "live" and nulls.
void AppendSurveyFields(ExportRow& row, const urlcache::SurveyedRecord* surveyed);

// After each time column (last_modified, last_access, expire, last_sync,
// creation, post_check) a
// column of the same name with "_utc" added: the instant in ISO 8601 UTC to
// 100 ns (UtcFileTime), "never" for the stored expiry 0xFFFFFFFF, or null
// when the time is not set (0), absent or out of range.
ExportRow WithUtcTimes(const ExportRow& row, const urlcache::CacheEntryInfo& entry, const TimeZone* sourceZone);

// Appends what the program's catalogue derives from the entry: category 1
// to 6, class text, the "Access Time" text in local time, the zone of that
// time (access_time_tz: this machine's, an IANA name), and the key path of
// its site tree leaf.
void AppendCatalogueFields(ExportRow& row, const urlcache::CacheEntryInfo& entry);
// The same from the catalogue's description of the entry, taken.
void AppendCatalogueFields(ExportRow& row, catalogue::CatalogueEntry&& derived);

// The entry's own fields, then category, class, access_time (local time of
// this machine, beside the UTC columns) and key_path as the catalogue
// derives them, then the survey's fields, with UTC times beside the
// FILETIMEs: a row of the window's export.
ExportRow CatalogueExportRow(const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed = nullptr,
                             const TimeZone* sourceZone = nullptr);

// The names of a row's fields, in order: a CSV header.
std::vector<std::string> ColumnNames(const ExportRow& row);

// The column names every row of CatalogueExportRow has, in order.
const std::vector<std::string>& CatalogueExportColumns();

}  // namespace trovana::exporting
