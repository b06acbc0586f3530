// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "iso_utc.h"
#include "listing.h"

namespace trovana::cli {

namespace {

struct TimeKind {
    uint64_t urlcache::CacheEntryInfo::*time;
    const char* description;  // Timesketch's timestamp_desc
};

constexpr TimeKind kTimes[] = {
    {&urlcache::CacheEntryInfo::lastAccessTime, "Last Access Time"},
    {&urlcache::CacheEntryInfo::lastModifiedTime, "Last Modified Time"},
    {&urlcache::CacheEntryInfo::expireTime, "Expiry Time"},
    {&urlcache::CacheEntryInfo::lastSyncTime, "Last Sync Time"},
};

// Timesketch's own columns first, then the entry's, so that every row of a
// file has the same columns.
Record TimelineRow(const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                   const TimeKind& kind, uint64_t microseconds)
{
    const uint64_t time = entry.*kind.time;
    std::string message = std::string(kind.description) + ": " + entry.sourceUrlName;
    if (surveyed && surveyed->state != urlcache::RecordState::Live) {
        message += " (" + std::string(urlcache::RecordStateName(surveyed->state)) + ")";
    }
    Record row = {
        {"message", std::move(message)},
        {"datetime", IsoUtcFromFileTime(time, IsoForm::Microseconds)},
        {"timestamp_desc", std::string(kind.description)},
        {"timestamp", microseconds},
    };
    for (Field& field : EntryRecord(entry)) {
        row.push_back(std::move(field));
    }
    if (surveyed) {
        AppendSurveyFields(row, *surveyed);
    }
    return row;
}

}  // namespace

void TimelineCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const urlcache::SurveyedRecord blank;
    RecordWriter writer(streams.out, options.format,
                        ColumnNames(TimelineRow({}, options.recovered ? &blank : nullptr, kTimes[0], 0)));
    VisitEntries(cache, options.recovered, streams,
                 [&](const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed) {
                     for (const TimeKind& kind : kTimes) {
                         if (const auto microseconds = UnixMicrosecondsFromFileTime(entry.*kind.time)) {
                             writer.Write(TimelineRow(entry, surveyed, kind, *microseconds));
                         }
                     }
                 });
}

}  // namespace trovana::cli
