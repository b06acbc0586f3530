// SPDX-License-Identifier: GPL-3.0-or-later
// What list and timeline share: the records they go through (the enumerated
// entries, or with `recovered` every record the containers hold), the zone
// local times are read in, and the provenance columns rows can carry.
#pragma once

#include <filesystem>
#include <functional>
#include <map>

#include "commands.h"
#include "record_survey.h"

namespace trovana::cli {

// Called with each entry and the index file that holds it; `surveyed` is
// null unless every record is wanted. The entry is the visitor's to take
// from: nothing uses it afterwards.
using EntryVisitor = std::function<void(urlcache::CacheEntryInfo& entry, const urlcache::SurveyedRecord* surveyed,
                                        const std::filesystem::path& indexFile)>;

// Enumerates the cache, or surveys every record of it read-only when
// `recovered`; the survey's problems are warnings on err. Throws
// CommandError when the enumeration stops early. The enumerated entries'
// index file is given only `withIndexFile` (empty otherwise): its path is
// made anew for each entry. Returns Listing::Incomplete when damage named
// in a warning may have hidden some of them.
Listing VisitEntries(urlcache::UrlCache& cache, bool recovered, bool withIndexFile, Streams streams,
                  const EntryVisitor& visit);

// The zone that daily and weekly history were recorded in: `name` when
// given (CommandError when there is no such zone), else this machine's for
// a Wine prefix (Wine runs in the host's zone) and UTC for a copied profile
// or a single file.
TimeZone SourceZone(const urlcache::UrlCache& cache, const std::string& name);

// Says once on `err`, at the first daily or weekly history row, that their
// zone is only assumed (exporting::SourceZoneNote): nothing when the user
// named it or the cache is a Wine prefix's.
class ZoneNote {
public:
    ZoneNote(const urlcache::UrlCache& cache, const std::string& chosenZone, std::ostream& err);
    void Check(const urlcache::CacheEntryInfo& entry);

private:
    std::string m_note;
    std::ostream& m_err;
};

// Where each row came from: the container's index file and its SHA-256,
// each file hashed once, read only.
class Provenance {
public:
    // Appends container_path and container_sha256 (null when unreadable).
    void Append(ExportRow& row, const std::filesystem::path& indexFile);

private:
    std::map<std::filesystem::path, ExportValue> m_digests;
};

}  // namespace trovana::cli
