// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_row.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "catalogue_entry.h"
#include "iso_utc.h"
#include "record_kind.h"
#include "registry.h"
#include "windows_zone.h"

namespace trovana::exporting {

namespace {

using Info = urlcache::CacheEntryInfo;

constexpr uint32_t kNeverExpires = 0xFFFFFFFF;

struct TimeColumn {
    std::string_view name;
    std::string_view utcName;  // the column of its ISO 8601 UTC text
    uint64_t Info::*time;
    uint32_t filler;  // the FillerField bit of the field
};

constexpr TimeColumn kTimeColumns[] = {
    {"last_modified", "last_modified_utc", &Info::lastModifiedTime, urlcache::kFillerLastModified},
    {"last_access", "last_access_utc", &Info::lastAccessTime, urlcache::kFillerLastAccess},
    {"expire", "expire_utc", &Info::expireTime, urlcache::kFillerExpire},
    {"last_sync", "last_sync_utc", &Info::lastSyncTime, urlcache::kFillerLastSync},
    {"creation", "creation_utc", &Info::creationTime, 0},
    {"post_check", "post_check_utc", &Info::postCheckTime, 0},
};

// A time only a WebCache database keeps: null for an index.dat entry
// (whose container has no name of its own).
ExportValue WebCacheTime(const Info& entry, uint64_t time)
{
    if (entry.container.empty())
        return {};
    return time;
}

// A value only a WebCache database keeps: null for an index.dat entry.
ExportValue WebCacheValue(const Info& entry, ExportValue value)
{
    return entry.container.empty() ? ExportValue() : std::move(value);
}

ExportValue TextOrNull(const std::string& text)
{
    ExportValue value;
    if (!text.empty())
        value = text;
    return value;
}

// A WebCache row's EntryId (LeakId); null for an index.dat entry.
ExportValue IdOrNull(const Info& entry)
{
    ExportValue value;
    if (!entry.table.empty())
        value = entry.entryId;
    return value;
}

// Whether the cached file is there: null for an entry without a file.
ExportValue FilePresent(const Info& entry)
{
    if (entry.localFileName.empty() && entry.storedFileName.empty())
        return {};
    std::error_code ec;
    return uint64_t{!entry.localFileName.empty() &&
                    std::filesystem::is_regular_file(std::filesystem::path(entry.localFileName), ec)};
}

void SetNull(ExportRow& row, std::string_view name)
{
    for (ExportField& field : row) {
        if (field.name == name)
            field.value = {};
    }
}

// The entry's own fields appended to the row: `Entry` is a const reference
// (every string copied) or an rvalue (its local file name and header taken).
template <class Entry>
void AppendOwnFields(ExportRow& row, Entry&& entry, const TimeZone* sourceZone)
{
    ExportValue present = FilePresent(entry);  // before the file name is taken
    ExportValue local;
    if (!entry.localFileName.empty()) {
        local = std::forward<Entry>(entry).localFileName;
    }
    const urlcache::RecordKind kind = urlcache::RecordKindOf(entry.sourceUrlName);
    ExportValue zone;
    ExportValue fit;
    if (urlcache::KeepsLocalTime(kind)) {
        static const TimeZone utc = TimeZone::Utc();
        const TimeZone& source = sourceZone ? *sourceZone : utc;
        zone = source.Name();
        fit = std::string(LocalTimeFitName(source.FitOfLocalFileTime(entry.lastModifiedTime)));
    }
    ExportValue container = entry.container.empty() ? std::string(urlcache::RecordKindName(kind)) : entry.container;
    const uint64_t headerSize = entry.headerInfoSize();
    row.emplace_back("url", entry.sourceUrlName);
    row.emplace_back("local", std::move(local));
    row.emplace_back("type", uint64_t{entry.cacheEntryType});
    row.emplace_back("size_low", uint64_t{entry.sizeLow});
    row.emplace_back("size_high", uint64_t{entry.sizeHigh});
    row.emplace_back("hit_rate", uint64_t{entry.hitRate});
    row.emplace_back("use_count", uint64_t{entry.useCount});
    row.emplace_back("last_modified", entry.lastModifiedTime);
    row.emplace_back("last_access", entry.lastAccessTime);
    row.emplace_back("expire", entry.expireTime);
    row.emplace_back("last_sync", entry.lastSyncTime);
    row.emplace_back("header", std::forward<Entry>(entry).headerInfo);
    row.emplace_back("header_size", headerSize);
    row.emplace_back("container", std::move(container));
    row.emplace_back("expire_dos", uint64_t{entry.expireDos});
    row.emplace_back("source_tz", std::move(zone));
    row.emplace_back("local_time_fit", std::move(fit));
    row.emplace_back("creation", WebCacheTime(entry, entry.creationTime));
    row.emplace_back("post_check", WebCacheTime(entry, entry.postCheckTime));
    row.emplace_back("flags", WebCacheValue(entry, uint64_t{entry.flags}));
    row.emplace_back("file_name", TextOrNull(entry.storedFileName));
    row.emplace_back("file_present", std::move(present));
    row.emplace_back("table", TextOrNull(entry.table));
    row.emplace_back("entry_id", IdOrNull(entry));
    row.emplace_back("cookie_name", TextOrNull(entry.cookieName));
    row.emplace_back("cookie_value", TextOrNull(entry.cookieValue));
}

}  // namespace

ExportRow EntryExportFields(const urlcache::CacheEntryInfo& entry, const TimeZone* sourceZone)
{
    ExportRow row;
    row.reserve(42);  // with room for the columns callers append
    AppendOwnFields(row, entry, sourceZone);
    return row;
}

void AppendEntryExportFields(ExportRow& row, urlcache::CacheEntryInfo&& entry, const TimeZone* sourceZone)
{
    AppendOwnFields(row, std::move(entry), sourceZone);
}

std::optional<TimeZone> WinePrefixZone(const std::filesystem::path& prefix)
{
    // Wine writes the zone it runs in at every start of the prefix, under
    // the key Windows keeps it in: its key name (since Wine 1.3), else in
    // older prefixes the standard name, which was that same name then.
    const std::string key = R"(System\CurrentControlSet\Control\TimeZoneInformation)";
    const std::optional<urlcache::RegistryText> system = urlcache::RegistryText::Load(prefix / "system.reg", {key});
    if (!system)
        return std::nullopt;
    for (const char* name : {"TimeZoneKeyName", "StandardName"}) {
        const urlcache::RegistryValue* value = system->Value(key, name);
        if (value == nullptr)
            continue;
        if (const std::optional<std::string> iana = IanaNameOfWindowsZone(value->data))
            return TimeZone::Load(*iana);
    }
    return std::nullopt;
}

TimeZone DefaultSourceZone(const urlcache::CacheLocation& location)
{
    if (!location.recordedZone.empty()) {
        if (std::optional<TimeZone> zone = TimeZone::Load(location.recordedZone))
            return *zone;
    }
    if (location.winePrefix.empty())
        return TimeZone::Utc();
    return WinePrefixZone(location.winePrefix).value_or(TimeZone::Host());
}

std::string SourceZoneNote(const urlcache::CacheLocation& location, bool chosen)
{
    if (chosen || !location.winePrefix.empty())
        return {};
    return "a copied profile carries no time zone: the visit times of daily and weekly history are read as UTC; "
           "name the recording machine's zone with --source-tz ZONE (in the window: View > History Time Zone)";
}

uint64_t UtcFileTime(const urlcache::CacheEntryInfo& entry, uint64_t urlcache::CacheEntryInfo::*time,
                     const TimeZone* sourceZone)
{
    const uint64_t value = entry.*time;
    if (time != &Info::lastModifiedTime || !sourceZone ||
        !urlcache::KeepsLocalTime(urlcache::RecordKindOf(entry.sourceUrlName))) {
        return value;
    }
    return sourceZone->UtcFromLocalFileTime(value);
}

bool TimeIsFiller(const urlcache::SurveyedRecord* surveyed, uint64_t urlcache::CacheEntryInfo::*time)
{
    if (!surveyed)
        return false;
    const auto column = std::find_if(std::begin(kTimeColumns), std::end(kTimeColumns),
                                     [&](const TimeColumn& c) { return c.time == time; });
    return column != std::end(kTimeColumns) && (surveyed->filler & column->filler);
}

void AppendSurveyFields(ExportRow& row, const urlcache::SurveyedRecord* surveyed)
{
    if (!surveyed) {
        row.push_back({"state", std::string("live")});
        row.push_back({"index_file", {}});
        row.push_back({"record_offset", {}});
        row.push_back({"record_place", {}});
        row.push_back({"partial", {}});
        row.push_back({"filled", {}});
        return;
    }
    const std::pair<uint32_t, const char*> filled[] = {
        {urlcache::kFillerType, "type"},
        {urlcache::kFillerHitRate, "hit_rate"},
        {urlcache::kFillerUseCount, "use_count"},
        {urlcache::kFillerSize, "size_low"},
        {urlcache::kFillerSizeHigh, "size_high"},
        {urlcache::kFillerExpire, "expire_dos"},
    };
    for (const auto& [bit, name] : filled) {
        if (surveyed->filler & bit)
            SetNull(row, name);
    }
    for (const TimeColumn& column : kTimeColumns) {
        if (surveyed->filler & column.filler)
            SetNull(row, column.name);
    }
    row.push_back({"state", std::string(urlcache::RecordStateName(surveyed->state))});
    row.push_back({"index_file", surveyed->indexFile.string()});
    // A live WebCache row is found by its table and EntryId instead; a
    // deleted or log-only one by its place in the file too.
    const bool byOffset = surveyed->entry.table.empty() || !surveyed->place.empty();
    row.push_back({"record_offset", byOffset ? ExportValue(surveyed->offset) : ExportValue()});
    row.push_back({"record_place", surveyed->place.empty() ? ExportValue() : ExportValue(surveyed->place)});
    row.push_back({"partial", uint64_t{surveyed->partial}});
    row.push_back({"filled", uint64_t{surveyed->filler != 0}});
}

ExportRow WithUtcTimes(const ExportRow& row, const urlcache::CacheEntryInfo& entry, const TimeZone* sourceZone)
{
    ExportRow out;
    out.reserve(row.size() + 4);
    for (const ExportField& field : row) {
        out.push_back(field);
        const auto column = std::find_if(std::begin(kTimeColumns), std::end(kTimeColumns),
                                         [&](const TimeColumn& c) { return field.name == c.name; });
        if (column == std::end(kTimeColumns)) {
            continue;
        }
        ExportValue utc;
        if (!std::holds_alternative<uint64_t>(field.value)) {
            // absent (filler)
        } else if (column->time == &Info::expireTime && entry.expireDos == kNeverExpires) {
            utc = std::string("never");
        } else if (std::string text = IsoUtcFromFileTime(UtcFileTime(entry, column->time, sourceZone));
                   !text.empty()) {
            utc = std::move(text);
        }
        out.push_back({column->utcName, std::move(utc)});
    }
    return out;
}

void AppendCatalogueFields(ExportRow& row, const urlcache::CacheEntryInfo& entry)
{
    AppendCatalogueFields(row, catalogue::DescribeEntry(entry));
}

namespace {

// The name of this machine's zone, in which access_time is given: looked up
// again only when TZ changes.
const std::string& HostZoneName()
{
    static std::string tz = "\x01";  // never a TZ value: looked up at first use
    static std::string name;
    const char* now = std::getenv("TZ");
    if (tz != (now ? now : "")) {
        tz = now ? now : "";
        name = TimeZone::Host().Name();
    }
    return name;
}

}  // namespace

void AppendCatalogueFields(ExportRow& row, catalogue::CatalogueEntry&& derived)
{
    row.push_back({"category", static_cast<uint64_t>(derived.category)});
    row.push_back({"class", std::move(derived.classText)});
    row.push_back({"access_time", std::move(derived.accessTime)});
    row.push_back({"access_time_tz", HostZoneName()});
    row.push_back({"key_path", std::move(derived.keyPath)});
}

ExportRow CatalogueExportRow(const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                             const TimeZone* sourceZone)
{
    ExportRow row = EntryExportFields(entry, sourceZone);
    AppendCatalogueFields(row, entry);
    AppendSurveyFields(row, surveyed);
    return WithUtcTimes(row, entry, sourceZone);
}

std::vector<std::string> ColumnNames(const ExportRow& row)
{
    std::vector<std::string> names;
    names.reserve(row.size());
    for (const ExportField& field : row) {
        names.emplace_back(field.name);
    }
    return names;
}

const std::vector<std::string>& CatalogueExportColumns()
{
    static const std::vector<std::string> columns = ColumnNames(CatalogueExportRow(urlcache::CacheEntryInfo{}));
    return columns;
}

}  // namespace trovana::exporting
