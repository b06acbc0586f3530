// SPDX-License-Identifier: GPL-3.0-or-later
// What list and timeline share: the records they go through (the enumerated
// entries, or with `recovered` every record the containers hold) and the
// extra columns those records can carry.
#pragma once

#include <functional>

#include "commands.h"
#include "record_survey.h"

namespace trovana::cli {

// Called with each entry; `surveyed` is null unless every record is wanted.
using EntryVisitor =
    std::function<void(const urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed)>;

// Enumerates the cache, or surveys every record of it read-only when
// `recovered`; the survey's problems are warnings on err. Throws
// CommandError when the enumeration stops early.
void VisitEntries(urlcache::UrlCache& cache, bool recovered, Streams streams, const EntryVisitor& visit);

// The record's state, the index.dat that holds it, its offset there and
// whether it was read only in part, as columns after the entry's own.
void AppendSurveyFields(Record& record, const urlcache::SurveyedRecord& surveyed);

// After each FILETIME column (last_modified, last_access, expire,
// last_sync) a column of the same name with "_utc" added: the time in ISO
// 8601 UTC to 100 ns, or null when the time is 0 or out of range.
Record WithUtcTimes(const Record& record);

// The names of a record's fields, in order: a CSV header.
std::vector<std::string> ColumnNames(const Record& record);

}  // namespace trovana::cli
