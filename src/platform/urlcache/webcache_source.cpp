// SPDX-License-Identifier: GPL-3.0-or-later
// The entries of a Windows 8-11 WebCache database as WinINet describes
// index.dat entries, with their cached files found in the copied profile.
#include "entry_source.h"
#include "locate.h"
#include "ascii.h"
#include "path_case.h"
#include "webcache.h"

#include <algorithm>

#include <unordered_map>

namespace trovana::urlcache {

namespace fs = std::filesystem;

namespace {

// The entry-type bits that mean the same in both formats; the database's
// Type also carries bits of its own.
constexpr uint32_t kKnownTypeBits = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | EDITED_CACHE_ENTRY |
                                    TRACK_OFFLINE_CACHE_ENTRY | TRACK_ONLINE_CACHE_ENTRY | SPARSE_CACHE_ENTRY |
                                    COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY;

// The cached file in the profile: the container's Windows folder from its
// "AppData\" on, its secure folder, the file. Empty when it is not there.
std::string LocalFile(const fs::path& profile, const webcache::WebCacheEntry& entry)
{
    if (profile.empty() || entry.fileName.empty())
        return {};
    std::vector<std::string> names = SplitPathNames(entry.directory);
    const auto appData = std::find_if(names.begin(), names.end(),
                                      [](const std::string& name) { return EqualsIgnoreAsciiCase(name, "AppData"); });
    if (appData == names.end())
        return {};
    names.erase(names.begin(), appData);
    if (!entry.secureDirectory.empty())
        names.push_back(entry.secureDirectory);
    names.push_back(entry.fileName);
    // Names from the database never climb out of the profile.
    if (std::any_of(names.begin(), names.end(), [](const std::string& name) { return name == ".."; }))
        return {};
    const fs::path file = FindPathIgnoringCase(profile, names);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec)))
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

class WebCacheSource : public EntrySource {
public:
    WebCacheSource(fs::path database, ProblemSink problems)
        : m_database(std::move(database)), m_problems(std::move(problems))
    {
    }

    bool Readable() override { return Load(); }
    size_t Count() override { return Load() ? m_entries.size() : 0; }

    std::unique_ptr<CacheEntryInfo> At(size_t index) override
    {
        if (!Load() || index >= m_entries.size())
            return nullptr;
        return std::make_unique<CacheEntryInfo>(m_entries[index]);
    }

    std::unique_ptr<CacheEntryInfo> Find(std::string_view url) override
    {
        if (!Load())
            return nullptr;
        const auto it = m_byUrl.find(std::string(url));
        return it == m_byUrl.end() ? nullptr : At(it->second);
    }

private:
    // Reads the database at first use; a file that cannot be read at all is
    // reported once and gives no entries.
    bool Load()
    {
        if (m_loaded)
            return m_readable;
        m_loaded = true;
        try {
            webcache::WebCacheContents contents = webcache::ReadWebCache(m_database);
            if (!contents.unreadable.empty()) {
                std::string names;
                for (const std::string& table : contents.unreadable)
                    names += (names.empty() ? "" : "; ") + table;
                m_problems(m_database.string() + ": these tables cannot be read, their entries are not listed: " +
                           names);
            }
            const fs::path profile = WebCacheProfile(m_database);
            for (const webcache::WebCacheEntry& entry : contents.entries)
                Add(profile, entry);
            m_readable = true;
        } catch (const webcache::WebCacheError& e) {
            m_problems(e.what());
        }
        return m_readable;
    }

    void Add(const fs::path& profile, const webcache::WebCacheEntry& entry)
    {
        CacheEntryInfo info;
        info.sourceUrlName = entry.url;
        info.localFileName = LocalFile(profile, entry);
        info.cacheEntryType = entry.type & kKnownTypeBits;
        info.hitRate = entry.accessCount;
        info.sizeLow = static_cast<uint32_t>(entry.fileSize);
        info.sizeHigh = static_cast<uint32_t>(entry.fileSize >> 32);
        info.lastModifiedTime = entry.modifiedTime;
        info.expireTime = entry.expiryTime;
        info.lastAccessTime = entry.accessedTime;
        info.lastSyncTime = entry.syncTime;
        info.headerInfo = entry.responseHeaders.empty() ? entry.requestHeaders : entry.responseHeaders;
        info.fileExtension = ExtensionOf(entry);
        info.exemptDelta = entry.exemptionDelta;
        info.container = entry.containerName;
        // The first of a URL stored twice (in two containers) is the one found.
        m_byUrl.emplace(info.sourceUrlName, m_entries.size());
        m_entries.push_back(std::move(info));
    }

    fs::path m_database;
    ProblemSink m_problems;
    bool m_loaded = false;
    bool m_readable = false;
    std::vector<CacheEntryInfo> m_entries;
    std::unordered_map<std::string, size_t> m_byUrl;
};

}  // namespace

std::unique_ptr<EntrySource> OpenWebCacheSource(const fs::path& database, ProblemSink problems)
{
    return std::make_unique<WebCacheSource>(database, std::move(problems));
}

}  // namespace trovana::urlcache
