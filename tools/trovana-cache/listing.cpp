// SPDX-License-Identifier: GPL-3.0-or-later
#include "listing.h"

#include "iso_utc.h"

namespace trovana::cli {

void VisitEntries(urlcache::UrlCache& cache, bool recovered, Streams streams, const EntryVisitor& visit)
{
    if (recovered) {
        urlcache::RecordSurvey survey(cache.Location());
        while (std::unique_ptr<urlcache::SurveyedRecord> record = survey.Next()) {
            visit(record->entry, record.get());
        }
        for (const std::string& problem : survey.Problems()) {
            streams.err << "trovana-cache: warning: " << problem << '\n';
        }
        return;
    }
    urlcache::CacheEnumeration entries = cache.Enumerate();
    while (std::unique_ptr<urlcache::CacheEntryInfo> entry = entries.Next()) {
        visit(*entry, nullptr);
    }
    if (entries.LastError() != urlcache::ERROR_NO_MORE_ITEMS) {
        throw CommandError("the listing stopped early: " + urlcache::ErrorText(entries.LastError()));
    }
}

void AppendSurveyFields(Record& record, const urlcache::SurveyedRecord& surveyed)
{
    record.push_back({"state", std::string(urlcache::RecordStateName(surveyed.state))});
    record.push_back({"index_file", surveyed.indexFile.string()});
    record.push_back({"record_offset", surveyed.offset});
    record.push_back({"partial", uint64_t{surveyed.partial}});
}

Record WithUtcTimes(const Record& record)
{
    static const std::vector<std::string> kTimeColumns = {"last_modified", "last_access", "expire", "last_sync"};
    Record out;
    for (const Field& field : record) {
        out.push_back(field);
        const auto* time = std::get_if<uint64_t>(&field.value);
        if (!time || std::find(kTimeColumns.begin(), kTimeColumns.end(), field.name) == kTimeColumns.end()) {
            continue;
        }
        FieldValue utc;
        if (std::string text = IsoUtcFromFileTime(*time); !text.empty()) {
            utc = std::move(text);
        }
        out.push_back({field.name + "_utc", std::move(utc)});
    }
    return out;
}

std::vector<std::string> ColumnNames(const Record& record)
{
    std::vector<std::string> names;
    for (const Field& field : record) {
        names.push_back(field.name);
    }
    return names;
}

}  // namespace trovana::cli
