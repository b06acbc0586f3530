// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue_entry.h"
#include "commands.h"
#include "listing.h"

namespace trovana::cli {

namespace {

// An entry's own columns, then with `catalogue` what the program's catalogue
// derives from it: category 1 to 6, class text, the "Access Time" text in
// local time, and the key path of its site tree leaf.
Record ListRecord(const urlcache::CacheEntryInfo& entry, bool catalogue)
{
    Record record = EntryRecord(entry);
    if (catalogue) {
        catalogue::CatalogueEntry derived = catalogue::DescribeEntry(entry);
        record.push_back({"category", static_cast<uint64_t>(derived.category)});
        record.push_back({"class", std::move(derived.classText)});
        record.push_back({"access_time", std::move(derived.accessTime)});
        record.push_back({"key_path", std::move(derived.keyPath)});
    }
    return record;
}

// The record with the columns the options add: the survey's after the
// entry's own, UTC times beside the FILETIME numbers.
Record OptionRecord(const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                    const ListOptions& options)
{
    Record record = ListRecord(entry, options.catalogue);
    if (surveyed) {
        AppendSurveyFields(record, *surveyed);
    }
    if (options.utcTimes) {
        return WithUtcTimes(record);
    }
    return record;
}

}  // namespace

void ListCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    const urlcache::SurveyedRecord blank;
    RecordWriter writer(streams.out, options.format,
                        ColumnNames(OptionRecord({}, options.recovered ? &blank : nullptr, options)));
    VisitEntries(cache, options.recovered, streams,
                 [&](const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed) {
                     writer.Write(OptionRecord(entry, surveyed, options));
                 });
}

}  // namespace trovana::cli
