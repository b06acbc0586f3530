// SPDX-License-Identifier: GPL-3.0-or-later
#include "listing.h"

#include "record_kind.h"
#include "sha256.h"

namespace trovana::cli {

Listing VisitEntries(urlcache::UrlCache& cache, bool recovered, bool withIndexFile, Streams streams,
                     const EntryVisitor& visit)
{
    const auto listing = [](bool incomplete) { return incomplete ? Listing::Incomplete : Listing::Complete; };
    if (recovered) {
        urlcache::RecordSurvey survey(cache.Location());
        while (std::unique_ptr<urlcache::SurveyedRecord> record = survey.Next()) {
            visit(record->entry, record.get(), record->indexFile);
        }
        for (const std::string& problem : survey.Problems()) {
            streams.err << "trovana-cache: warning: " << problem << '\n';
        }
        return listing(cache.Incomplete() || survey.Incomplete());
    }
    urlcache::CacheEnumeration entries = cache.Enumerate();
    const std::filesystem::path none;
    while (std::unique_ptr<urlcache::CacheEntryInfo> entry = entries.Next()) {
        visit(*entry, nullptr, withIndexFile ? entries.IndexFile() : none);
    }
    if (entries.LastError() != urlcache::ERROR_NO_MORE_ITEMS) {
        throw CommandError("the listing stopped early: " + urlcache::ErrorText(entries.LastError()));
    }
    return listing(cache.Incomplete());
}

TimeZone SourceZone(const urlcache::UrlCache& cache, const std::string& name)
{
    if (!name.empty()) {
        if (std::optional<TimeZone> zone = TimeZone::Load(name)) {
            return *zone;
        }
        throw CommandError("--source-tz " + name + ": no such time zone (an IANA name such as Europe/Amsterdam)");
    }
    return exporting::DefaultSourceZone(cache.Location());
}

ZoneNote::ZoneNote(const urlcache::UrlCache& cache, const std::string& chosenZone, std::ostream& err)
    : m_note(exporting::SourceZoneNote(cache.Location(), !chosenZone.empty())), m_err(err)
{
}

void ZoneNote::Check(const urlcache::CacheEntryInfo& entry)
{
    if (m_note.empty() || !urlcache::KeepsLocalTime(urlcache::RecordKindOf(entry.sourceUrlName)))
        return;
    m_err << "trovana-cache: note: " << m_note << '\n';
    m_note.clear();
}

void Provenance::Append(ExportRow& row, const std::filesystem::path& indexFile)
{
    auto [digest, added] = m_digests.try_emplace(indexFile);
    if (added && !indexFile.empty()) {
        if (std::optional<std::string> hex = FileSha256Hex(indexFile)) {
            digest->second = std::move(*hex);
        }
    }
    row.push_back({"container_path", indexFile.empty() ? ExportValue() : ExportValue(indexFile.string())});
    row.push_back({"container_sha256", digest->second});
}

}  // namespace trovana::cli
