// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "commands.h"
#include "iso_utc.h"
#include "listing.h"
#include "record_kind.h"

namespace trovana::cli {

namespace {

using Info = urlcache::CacheEntryInfo;

// Timesketch's timestamp_desc of each time, as plaso's msiecf parser names
// them: the first time (last access) is the visit in a history container
// and the creation in weekly history; the second (last modified) is the
// content's modification in content and cookies, the visit in history.
const char* Description(uint64_t Info::*time, urlcache::RecordKind kind)
{
    using urlcache::RecordKind;
    const bool history = kind == RecordKind::History || urlcache::KeepsLocalTime(kind);
    if (time == &Info::lastAccessTime)
        return kind == RecordKind::Weekly ? "Creation Time" : history ? "Last Visited Time" : "Last Access Time";
    if (time == &Info::lastModifiedTime)
        return history ? "Last Visited Time" : "Content Modification Time";
    if (time == &Info::expireTime)
        return "Expiration Time";
    if (time == &Info::lastSyncTime)
        return "Last Checked Time";
    if (time == &Info::creationTime)
        return "Creation Time";
    return "Post Check Time";
}

// Creation and post check: only WebCache entries have them (0 elsewhere).
constexpr uint64_t Info::*kTimes[] = {&Info::lastAccessTime, &Info::lastModifiedTime, &Info::expireTime,
                                      &Info::lastSyncTime,   &Info::creationTime,     &Info::postCheckTime};

// Timesketch's own columns first, then the entry's, so that every row of a
// file has the same columns.
// A time that cannot be shown (after 9999, or not a time at all, as
// 0x7FFF... and 0xFFFF...) keeps its event: no datetime, and a description
// that says so; its raw value is in the entry's own column.
ExportRow TimelineRow(const Info& entry, const urlcache::SurveyedRecord* surveyed, std::string description,
                      uint64_t utcTime, std::optional<int64_t> microseconds, const TimeZone& zone)
{
    ExportValue datetime;
    ExportValue timestamp;
    if (microseconds) {
        datetime = IsoUtcFromFileTime(utcTime, IsoForm::Microseconds);
        timestamp = *microseconds;
    } else {
        char raw[64];
        std::snprintf(raw, sizeof raw, " (not a date that can be shown: 0x%016llX)",
                      static_cast<unsigned long long>(utcTime));
        description += raw;
    }
    // A leaked file has no URL: its stored name leads to it.
    const std::string& what = entry.sourceUrlName.empty() ? entry.storedFileName : entry.sourceUrlName;
    std::string message = description + ": " + what;
    if (surveyed && surveyed->state != urlcache::RecordState::Live) {
        message += " (" + std::string(urlcache::RecordStateName(surveyed->state)) + ")";
    }
    ExportRow row = {
        {"message", std::move(message)},
        {"datetime", std::move(datetime)},
        {"timestamp_desc", std::move(description)},
        {"timestamp", std::move(timestamp)},
    };
    for (ExportField& field : EntryExportFields(entry, &zone)) {
        row.push_back(std::move(field));
    }
    if (surveyed) {
        exporting::AppendSurveyFields(row, surveyed);
    }
    return row;
}

}  // namespace

Listing TimelineCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const TimeZone zone = SourceZone(cache, options.sourceZone);
    Provenance provenance;
    ZoneNote zoneNote(cache, options.sourceZone, streams.err);
    const auto row = [&](const Info& entry, const urlcache::SurveyedRecord* surveyed, const char* description,
                         uint64_t utcTime, std::optional<int64_t> microseconds,
                         const std::filesystem::path& indexFile) {
        ExportRow record = TimelineRow(entry, surveyed, description, utcTime, microseconds, zone);
        if (options.provenance) {
            provenance.Append(record, indexFile);
        }
        if (options.moreFields) {
            options.moreFields(record, indexFile);
        }
        return record;
    };
    const urlcache::SurveyedRecord blank;
    std::unique_ptr<exporting::ExportWriter> own;
    exporting::ExportWriter& writer =
        options.Writer(own, streams.out, ColumnNames(row({}, options.recovered ? &blank : nullptr, "", 0, 0, {})));
    return VisitEntries(cache, options.recovered, options.WantsIndexFile(), streams,
                 [&](const Info& entry, const urlcache::SurveyedRecord* surveyed,
                     const std::filesystem::path& indexFile) {
                     zoneNote.Check(entry);
                     const urlcache::RecordKind kind = urlcache::RecordKindOf(entry.sourceUrlName);
                     for (const auto time : kTimes) {
                         const bool absent = exporting::TimeIsFiller(surveyed, time);
                         if (absent || entry.*time == 0)
                             continue;  // not set, or filler: no time at all
                         uint64_t utc = exporting::UtcFileTime(entry, time, &zone);
                         const auto microseconds = UnixMicrosecondsFromFileTime(utc);
                         if (!microseconds)
                             utc = entry.*time;  // cannot be shown: the raw value, named in the description
                         writer.Write(row(entry, surveyed, Description(time, kind), utc, microseconds, indexFile));
                     }
                 });
}

}  // namespace trovana::cli
