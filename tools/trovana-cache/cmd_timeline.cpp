// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "iso_utc.h"
#include "listing.h"
#include "record_kind.h"

namespace trovana::cli {

namespace {

using Info = urlcache::CacheEntryInfo;

// Timesketch's timestamp_desc of each time, as plaso names them: the
// second time of a history container is the visit.
const char* Description(uint64_t Info::*time, urlcache::RecordKind kind)
{
    if (time == &Info::lastAccessTime)
        return "Last Access Time";
    if (time == &Info::expireTime)
        return "Expiry Time";
    if (time == &Info::lastSyncTime)
        return "Last Sync Time";
    if (time == &Info::creationTime)
        return "Creation Time";
    if (time == &Info::postCheckTime)
        return "Post Check Time";
    const bool history = kind == urlcache::RecordKind::History || urlcache::KeepsLocalTime(kind);
    return history ? "Last Visited Time" : "Last Modified Time";
}

// Creation and post check: only WebCache entries have them (0 elsewhere).
constexpr uint64_t Info::*kTimes[] = {&Info::lastAccessTime, &Info::lastModifiedTime, &Info::expireTime,
                                      &Info::lastSyncTime,   &Info::creationTime,     &Info::postCheckTime};

// Timesketch's own columns first, then the entry's, so that every row of a
// file has the same columns.
ExportRow TimelineRow(const Info& entry, const urlcache::SurveyedRecord* surveyed, const char* description,
                      uint64_t utcTime, int64_t microseconds, const TimeZone& zone)
{
    std::string message = std::string(description) + ": " + entry.sourceUrlName;
    if (surveyed && surveyed->state != urlcache::RecordState::Live) {
        message += " (" + std::string(urlcache::RecordStateName(surveyed->state)) + ")";
    }
    ExportRow row = {
        {"message", std::move(message)},
        {"datetime", IsoUtcFromFileTime(utcTime, IsoForm::Microseconds)},
        {"timestamp_desc", std::string(description)},
        {"timestamp", microseconds},
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

void TimelineCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const TimeZone zone = SourceZone(cache, options.sourceZone);
    Provenance provenance;
    const auto row = [&](const Info& entry, const urlcache::SurveyedRecord* surveyed, const char* description,
                         uint64_t utcTime, int64_t microseconds, const std::filesystem::path& indexFile) {
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
    VisitEntries(cache, options.recovered, options.WantsIndexFile(), streams,
                 [&](const Info& entry, const urlcache::SurveyedRecord* surveyed,
                     const std::filesystem::path& indexFile) {
                     const urlcache::RecordKind kind = urlcache::RecordKindOf(entry.sourceUrlName);
                     for (const auto time : kTimes) {
                         const bool absent = exporting::TimeIsFiller(surveyed, time);
                         const uint64_t utc = exporting::UtcFileTime(entry, time, &zone);
                         const auto microseconds = UnixMicrosecondsFromFileTime(utc);
                         if (!absent && microseconds) {
                             writer.Write(row(entry, surveyed, Description(time, kind), utc, *microseconds, indexFile));
                         }
                     }
                 });
}

}  // namespace trovana::cli
