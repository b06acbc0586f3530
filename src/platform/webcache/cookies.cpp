// SPDX-License-Identifier: GPL-3.0-or-later
// The CookieEntryEx_N tables (N names a PartitionsEx row, not a container):
// one row per cookie, its domain stored reversed ("com.github").
#include "tables.h"

#include <algorithm>
#include <map>

namespace trovana::webcache {

namespace {

// "com.github" -> "github.com".
std::string DomainOf(std::string_view reversed)
{
    std::vector<std::string_view> labels;
    size_t start = 0;
    while (start <= reversed.size()) {
        const size_t dot = std::min(reversed.find('.', start), reversed.size());
        labels.push_back(reversed.substr(start, dot - start));
        start = dot + 1;
    }
    std::string domain;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it)
        domain += (domain.empty() ? "" : ".") + std::string(*it);
    return domain;
}

// Name and value are stored with their terminating NUL.
std::string WithoutNul(std::string bytes)
{
    if (const size_t nul = bytes.find('\0'); nul != std::string::npos)
        bytes.resize(nul);
    return bytes;
}

}  // namespace

uint64_t FileTimeValue(const esedb::Record& record, std::string_view column)
{
    const uint64_t value = record.U64(column);
    return value > static_cast<uint64_t>(INT64_MAX) ? 0 : value;
}

std::vector<WebCacheEntry> ReadCookies(esedb::File& file, const std::string& user,
                                       std::vector<std::string>& unreadable)
{
    std::vector<WebCacheEntry> entries;
    std::map<std::string, size_t> byUrl;
    for (const std::string& name : file.TableNames()) {
        if (!name.starts_with("CookieEntryEx_"))
            continue;
        std::optional<esedb::Table> table;
        try {
            table = file.Find(name);
        } catch (const esedb::EseError& e) {
            unreadable.push_back(name + ": " + e.what());
            continue;
        }
        if (!table)
            continue;
        ForEachRecord(*table, name, unreadable, [&](const esedb::Record& record) {
            const std::string domain = DomainOf(record.Text("RDomain"));
            std::string path = record.Text("Path");
            if (domain.empty())
                return;
            // Cookie URLs end in "/", as WinINet's do.
            if (!path.starts_with('/'))
                path.insert(path.begin(), '/');
            if (!path.ends_with('/'))
                path += '/';
            const std::string url = "Cookie:" + user + "@" + domain + path;
            auto [it, added] = byUrl.emplace(url, entries.size());
            if (added) {
                WebCacheEntry entry;
                entry.group = ContainerGroup::Cookies;
                entry.containerName = "Cookies";
                entry.url = url;
                entry.type = 0x00100001;  // COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY
                entries.push_back(std::move(entry));
            }
            WebCacheEntry& entry = entries[it->second];
            const std::string cookie = WithoutNul(record.Bytes("Name")) + "=" + WithoutNul(record.Bytes("Value"));
            entry.responseHeaders += "Set-Cookie: " + cookie + "; domain=" + domain + "; path=" + path + "\r\n";
            entry.fileSize += cookie.size();
            entry.expiryTime = std::max(entry.expiryTime, FileTimeValue(record, "Expires"));
            entry.modifiedTime = std::max(entry.modifiedTime, FileTimeValue(record, "LastModified"));
            entry.accessedTime = entry.modifiedTime;
        });
    }
    return entries;
}

}  // namespace trovana::webcache
