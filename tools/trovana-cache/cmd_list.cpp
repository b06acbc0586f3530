// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue_entry.h"
#include "commands.h"
#include "listing.h"

namespace trovana::cli {

namespace {

// An entry's own columns, then with `catalogue` what the program's catalogue
// derives from it: category 1 to 6, class text, the "Access Time" text in
// local time, and the key path of its site tree leaf.
ExportRow ListRecord(const urlcache::CacheEntryInfo& entry, bool catalogue, const TimeZone& zone)
{
    ExportRow record = EntryExportFields(entry, &zone);
    if (catalogue) {
        catalogue::CatalogueEntry derived = catalogue::DescribeEntry(entry);
        record.push_back({"category", static_cast<uint64_t>(derived.category)});
        record.push_back({"class", std::move(derived.classText)});
        record.push_back({"access_time", std::move(derived.accessTime)});
        record.push_back({"key_path", std::move(derived.keyPath)});
    }
    return record;
}

}  // namespace

void ListCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const TimeZone zone = SourceZone(cache, options.sourceZone);
    Provenance provenance;
    // The record with the columns the options add: the survey's after the
    // entry's own, UTC times beside the FILETIME numbers, the container's
    // path and digest last.
    const auto row = [&](const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                         const std::filesystem::path& indexFile) {
        ExportRow record = ListRecord(entry, options.catalogue, zone);
        if (surveyed) {
            exporting::AppendSurveyFields(record, surveyed);
        }
        if (options.provenance) {
            provenance.Append(record, indexFile);
        }
        if (options.utcTimes) {
            return WithUtcTimes(record, entry, &zone);
        }
        return record;  // moved, not copied as a conditional expression would
    };
    const urlcache::SurveyedRecord blank;
    const auto writer =
        MakeExportWriter(options.format, streams.out, ColumnNames(row({}, options.recovered ? &blank : nullptr, {})));
    VisitEntries(cache, options.recovered, options.provenance, streams,
                 [&](const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                     const std::filesystem::path& indexFile) { writer->Write(row(entry, surveyed, indexFile)); });
}

}  // namespace trovana::cli
