// SPDX-License-Identifier: GPL-3.0-or-later
// The CookieEntryEx_N tables (N names a PartitionsEx row, not a container):
// one row per cookie, its domain stored reversed ("com.github").
#include "tables.h"

#include <algorithm>

namespace trovana::webcache {

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

namespace {

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
        // One entry per cookie, with its own times and flags: the table
        // keeps no access time, size or entry type, and none is made up but
        // the type WinINet gives every cookie entry.
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
            WebCacheEntry& entry = entries.emplace_back();
            entry.group = ContainerGroup::Cookies;
            entry.containerName = "Cookies";
            entry.table = name;
            entry.entryId = record.U64("EntryId");
            entry.url = "Cookie:" + user + "@" + domain + path;
            entry.type = 0x00100001;  // COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY
            entry.flags = record.U32("Flags");
            entry.cookieName = WithoutNul(record.Bytes("Name"));
            entry.cookieValue = WithoutNul(record.Bytes("Value"));
            entry.responseHeaders = "Set-Cookie: " + entry.cookieName + "=" + entry.cookieValue +
                                    "; domain=" + domain + "; path=" + path + "\r\n";
            entry.expiryTime = FileTimeValue(record, "Expires");
            entry.modifiedTime = FileTimeValue(record, "LastModified");
        });
    }
    return entries;
}

}  // namespace trovana::webcache
