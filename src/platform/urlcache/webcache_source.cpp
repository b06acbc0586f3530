// SPDX-License-Identifier: GPL-3.0-or-later
// The entries of a Windows 8-11 WebCache database as WinINet describes
// index.dat entries, with their cached files found in the copied profile.
#include "entry_source.h"
#include "locate.h"
#include "ascii.h"
#include "path_case.h"
#include "record_survey.h"
#include "webcache.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

namespace trovana::urlcache {

namespace fs = std::filesystem;

namespace {

// A file the database names by its Windows path, in the copied profile:
// its names from "AppData" on. Empty when the path leads elsewhere.
fs::path InProfile(const fs::path& profile, std::vector<std::string> names)
{
    const auto appData = std::find_if(names.begin(), names.end(),
                                      [](const std::string& name) { return EqualsIgnoreAsciiCase(name, "AppData"); });
    // Names from the database never climb out of the profile.
    if (profile.empty() || appData == names.end() ||
        std::any_of(names.begin(), names.end(), [](const std::string& name) { return name == ".."; }))
        return {};
    names.erase(names.begin(), appData);
    return FindPathIgnoringCase(profile, names);
}

bool IsRegularFile(const fs::path& file)
{
    std::error_code ec;
    return !file.empty() && fs::is_regular_file(fs::symlink_status(file, ec));
}

// The cached file in the profile: the container's Windows folder, its
// secure folder, the file; kept whether or not the file was copied, as an
// index.dat entry keeps its file's path. Empty when the database is not in
// a profile or names no file.
std::string LocalFile(const fs::path& profile, const webcache::WebCacheEntry& entry)
{
    if (entry.fileName.empty())
        return {};
    std::vector<std::string> names = SplitPathNames(entry.directory);
    if (!entry.secureDirectory.empty())
        names.push_back(entry.secureDirectory);
    names.push_back(entry.fileName);
    const fs::path file = InProfile(profile, std::move(names));
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(file, ec);
    // Something else at that path (a folder, a link) is not the cached file.
    if (file.empty() || (fs::exists(status) && !fs::is_regular_file(status)))
        return {};
    return file.string();
}

std::string ExtensionOf(const webcache::WebCacheEntry& entry)
{
    std::string extension = entry.fileExtension;
    if (extension.empty()) {
        const size_t dot = entry.fileName.rfind('.');
        if (dot != std::string::npos)
            extension = entry.fileName.substr(dot + 1);
    }
    if (extension.starts_with('.'))
        extension.erase(0, 1);
    return extension;
}

// An entry of the database as the cache library gives entries.
CacheEntryInfo EntryInfo(const fs::path& profile, const webcache::WebCacheEntry& entry)
{
    CacheEntryInfo info;
    info.sourceUrlName = entry.url;
    info.localFileName = LocalFile(profile, entry);
    info.storedFileName = entry.fileName;
    info.cacheEntryType = entry.type;
    info.flags = entry.flags;
    info.hitRate = entry.accessCount;
    info.sizeLow = static_cast<uint32_t>(entry.fileSize);
    info.sizeHigh = static_cast<uint32_t>(entry.fileSize >> 32);
    info.lastModifiedTime = entry.modifiedTime;
    info.expireTime = entry.expiryTime;
    info.lastAccessTime = entry.accessedTime;
    info.lastSyncTime = entry.syncTime;
    info.creationTime = entry.creationTime;
    info.postCheckTime = entry.postCheckTime;
    info.headerInfo = entry.responseHeaders.empty() ? entry.requestHeaders : entry.responseHeaders;
    info.fileExtension = ExtensionOf(entry);
    info.exemptDelta = entry.exemptionDelta;
    info.container = entry.containerName;
    info.table = entry.table;
    info.entryId = entry.entryId;
    info.cookieName = entry.cookieName;
    info.cookieValue = entry.cookieValue;
    return info;
}

// The entries as read, in order.
class Cursor : public EntryCursor {
public:
    explicit Cursor(const std::vector<CacheEntryInfo>& entries) : m_entries(entries) {}

    std::unique_ptr<CacheEntryInfo> Next() override
    {
        if (m_next >= m_entries.size())
            return nullptr;
        return std::make_unique<CacheEntryInfo>(m_entries[m_next++]);
    }

private:
    const std::vector<CacheEntryInfo>& m_entries;
    size_t m_next = 0;
};

class WebCacheSource : public EntrySource {
public:
    WebCacheSource(fs::path database, ProblemSink damage, ProblemSink notes)
        : m_database(std::move(database)), m_problems(std::move(damage)), m_notes(std::move(notes))
    {
    }

    size_t Readable() override { return Load() ? 1 : 0; }

    std::unique_ptr<EntryCursor> Entries() override
    {
        Load();
        return std::make_unique<Cursor>(m_entries);
    }

    std::unique_ptr<CacheEntryInfo> Find(std::string_view url) override
    {
        if (!Load())
            return nullptr;
        const auto it = m_byUrl.find(std::string(url));
        return it == m_byUrl.end() ? nullptr : std::make_unique<CacheEntryInfo>(m_entries[it->second]);
    }

    std::unique_ptr<CacheEntryInfo> FindRecord(std::string_view url, std::string_view table, uint64_t entryId) override
    {
        if (!Load())
            return nullptr;
        const auto it = m_byRecord.find({std::string(table), entryId});
        if (it != m_byRecord.end() && m_entries[it->second].sourceUrlName == url)
            return std::make_unique<CacheEntryInfo>(m_entries[it->second]);
        return Find(url);
    }

    // The rows whose URL cannot be read, as the survey lists them.
    const std::vector<CacheEntryInfo>& WithoutUrl()
    {
        Load();
        return m_withoutUrl;
    }

private:
    // Reads the database at first use; a file that cannot be read at all is
    // reported once and gives no entries. What is not listed is named once.
    bool Load()
    {
        if (m_loaded)
            return m_readable;
        m_loaded = true;
        try {
            webcache::WebCacheContents contents = webcache::ReadWebCache(m_database);
            ReportLeftOut(contents);
            const fs::path profile = WebCacheProfile(m_database);
            for (const webcache::WebCacheEntry& entry : contents.entries) {
                CacheEntryInfo info = EntryInfo(profile, entry);
                // The first of a URL stored twice (in two containers, or
                // several cookies of one domain and path) is the one found
                // by URL; each is found by its table and EntryId.
                m_byUrl.emplace(info.sourceUrlName, m_entries.size());
                m_byRecord.emplace(std::make_pair(info.table, info.entryId), m_entries.size());
                m_entries.push_back(std::move(info));
            }
            for (const webcache::WebCacheEntry& entry : contents.withoutUrl)
                m_withoutUrl.push_back(EntryInfo(profile, entry));
            m_readable = true;
        } catch (const webcache::WebCacheError& e) {
            m_problems(e.what());
        }
        return m_readable;
    }

    // What the listing lacks, then (apart, as it takes nothing from the
    // listing) the tables of other kinds and their damage.
    void ReportLeftOut(const webcache::WebCacheContents& contents)
    {
        std::string text;
        const auto add = [&text](const std::string& what, const std::vector<std::string>& tables) {
            if (tables.empty())
                return;
            text += (text.empty() ? "" : "; ") + what;
            for (size_t i = 0; i < tables.size(); ++i)
                text += (i ? ", " : "") + tables[i];
        };
        const auto say = [&](const ProblemSink& sink) {
            if (!text.empty() && sink)
                sink(m_database.string() + ": " + text);
            text.clear();
        };
        add("parts of these tables cannot be read, the entries there are not listed: ", contents.unreadable);
        std::vector<std::string> rows;
        for (const webcache::WebCacheEntry& entry : contents.withoutUrl)
            rows.push_back(entry.table + " EntryId " + std::to_string(entry.entryId));
        add("the URL of these rows cannot be read, list --recovered gives the rest of their values: ", rows);
        say(m_problems);
        add("these tables hold rows that are not URL cache entries, list --recovered and the Recovered view "
            "give them as table rows: ",
            contents.otherTables);
        add("parts of those tables cannot be read, the rows there are not listed: ", contents.otherUnreadable);
        say(m_notes);
    }

    fs::path m_database;
    ProblemSink m_problems;
    ProblemSink m_notes;
    bool m_loaded = false;
    bool m_readable = false;
    std::vector<CacheEntryInfo> m_entries;
    std::vector<CacheEntryInfo> m_withoutUrl;
    std::unordered_map<std::string, size_t> m_byUrl;
    std::map<std::pair<std::string, uint64_t>, size_t> m_byRecord;
};

}  // namespace

namespace {

// The rows of the tables that hold no URL cache entries, after the entries
// and leaks. Their damage was said when the cache opened the database: it
// goes to `saidBefore`.
void AddOtherTables(const fs::path& database, std::vector<SurveyedRecord>& records, const ProblemSink& problems,
                    const ProblemSink& saidBefore)
{
    try {
        const webcache::WebCacheOtherRows other = webcache::ReadOtherTables(database);
        for (const std::string& problem : other.unreadable)
            saidBefore(problem);
        const fs::path profile = WebCacheProfile(database);
        for (const webcache::WebCacheEntry& row : other.entries) {
            SurveyedRecord& record = records.emplace_back();
            record.state = RecordState::TableRow;
            record.entry = EntryInfo(profile, row);
            record.indexFile = database;
        }
    } catch (const webcache::WebCacheError& e) {
        problems(e.what());
    }
}

// The rows recovered from the database's pages and those only its logs hold.
void AddRecovered(const fs::path& database, std::vector<SurveyedRecord>& records, const ProblemSink& problems)
{
    try {
        const webcache::WebCacheRecovered recovered = webcache::ReadRecoveredEntries(database);
        for (const std::string& problem : recovered.problems)
            problems(database.string() + ": " + problem);
        const fs::path profile = WebCacheProfile(database);
        for (const webcache::RecoveredEntry& found : recovered.entries) {
            SurveyedRecord& record = records.emplace_back();
            record.state =
                found.origin == webcache::RecoveredOrigin::Deleted ? RecordState::Deleted : RecordState::LogOnly;
            record.entry = EntryInfo(profile, found.entry);
            record.indexFile = found.file;
            record.offset = found.offset;
            record.place = found.place;
        }
    } catch (const webcache::WebCacheError& e) {
        problems(e.what());
    }
}

}  // namespace

std::vector<SurveyedRecord> SurveyWebCache(const fs::path& database, const ProblemSink& problems,
                                           const ProblemSink& saidBefore)
{
    std::vector<SurveyedRecord> records;
    // What the database lacks was said when the cache opened it: once.
    WebCacheSource source(database, saidBefore, {});
    if (source.Readable() == 0) {
        problems(database.string() + ": cannot be read as a WebCache database");
        return records;
    }
    const auto entries = source.Entries();
    while (auto entry = entries->Next()) {
        SurveyedRecord& record = records.emplace_back();
        record.entry = std::move(*entry);
        record.indexFile = database;
    }
    // Rows read but for their URL: what could be read, marked partial.
    for (const CacheEntryInfo& entry : source.WithoutUrl()) {
        SurveyedRecord& record = records.emplace_back();
        record.entry = entry;
        record.indexFile = database;
        record.partial = true;
    }
    try {
        const webcache::WebCacheLeaks leaks = webcache::ReadLeakFiles(database);
        for (const std::string& table : leaks.unreadable)
            problems(database.string() + ": this table cannot be read, its records are not listed: " + table);
        const fs::path profile = WebCacheProfile(database);
        for (const webcache::LeakedFile& leaked : leaks.files) {
            SurveyedRecord& record = records.emplace_back();
            record.state = RecordState::Leak;
            record.indexFile = database;
            record.entry.container = "LeakFiles";
            record.entry.table = "LeakFiles";
            record.entry.entryId = leaked.id;
            record.entry.creationTime = leaked.creationTime;
            // The file's name as the table stores it: its Windows path.
            record.entry.storedFileName = leaked.fileName;
            // Its path in the profile whether or not the file is still there.
            const fs::path file = InProfile(profile, SplitPathNames(leaked.fileName));
            record.entry.localFileName = file.string();
            std::error_code ec;
            if (IsRegularFile(file)) {
                const uint64_t size = fs::file_size(file, ec);
                record.entry.sizeLow = ec ? 0 : static_cast<uint32_t>(size);
                record.entry.sizeHigh = ec ? 0 : static_cast<uint32_t>(size >> 32);
            }
        }
    } catch (const webcache::WebCacheError& e) {
        problems(e.what());
    }
    AddOtherTables(database, records, problems, saidBefore);
    AddRecovered(database, records, problems);
    return records;
}

std::unique_ptr<EntrySource> OpenWebCacheSource(const fs::path& database, ProblemSink damage, ProblemSink notes)
{
    return std::make_unique<WebCacheSource>(database, std::move(damage), std::move(notes));
}

}  // namespace trovana::urlcache
