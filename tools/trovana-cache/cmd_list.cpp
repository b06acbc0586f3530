// SPDX-License-Identifier: GPL-3.0-or-later
#include <optional>

#include "catalogue_entry.h"
#include "commands.h"
#include "listing.h"

namespace trovana::cli {

Listing ListCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const TimeZone zone = SourceZone(cache, options.sourceZone);
    Provenance provenance;
    ZoneNote zoneNote(cache, options.sourceZone, streams.err);
    // The entry's own columns, then the catalogue's (what the program
    // derives from it, worked out before the entry's strings go into the
    // row), the survey's, the container's path and digest; with UTC times
    // beside the FILETIME numbers. One row is reused from entry to entry.
    ExportRow record;
    const auto fill = [&](urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                          const std::filesystem::path& indexFile) -> const ExportRow& {
        record.clear();
        zoneNote.Check(entry);
        std::optional<catalogue::CatalogueEntry> derived;
        if (options.catalogue) {
            derived = catalogue::DescribeEntry(entry);
        }
        AppendEntryExportFields(record, std::move(entry), &zone);
        if (derived) {
            AppendCatalogueFields(record, std::move(*derived));
        }
        if (surveyed) {
            exporting::AppendSurveyFields(record, surveyed);
        }
        if (options.provenance) {
            provenance.Append(record, indexFile);
        }
        if (options.utcTimes) {
            record = WithUtcTimes(record, entry, &zone);
        }
        if (options.moreFields) {
            options.moreFields(record, indexFile);
        }
        return record;
    };
    const urlcache::SurveyedRecord blank;
    urlcache::CacheEntryInfo none;
    std::unique_ptr<exporting::ExportWriter> own;
    exporting::ExportWriter& writer =
        options.Writer(own, streams.out, ColumnNames(fill(none, options.recovered ? &blank : nullptr, {})));
    return VisitEntries(
        cache, options.recovered, options.WantsIndexFile(), streams,
        [&](urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
            const std::filesystem::path& indexFile) { writer.Write(fill(entry, surveyed, indexFile)); });
}

exporting::ExportWriter& ListOptions::Writer(std::unique_ptr<exporting::ExportWriter>& own, std::ostream& out,
                                             const std::vector<std::string>& columns) const
{
    std::unique_ptr<exporting::ExportWriter>& writer = this->writer ? *this->writer : own;
    if (!writer) {
        writer = MakeExportWriter(format, out, columns);
    }
    return *writer;
}

}  // namespace trovana::cli
