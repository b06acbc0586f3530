// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_row.h"

#include <glib.h>

#include <algorithm>

#include "catalogue_entry.h"
#include "local_file.h"

namespace trovana::exporting {

std::string DisplayText(std::string_view bytes)
{
    // glib refuses NUL bytes, which are valid UTF-8: check the parts between them.
    for (std::string_view rest = bytes; !rest.empty();) {
        const std::string_view part = rest.substr(0, rest.find('\0'));
        if (!g_utf8_validate_len(part.data(), part.size(), nullptr)) {
            return urlcache::Cp1252ToUtf8(bytes);
        }
        rest.remove_prefix(std::min(rest.size(), part.size() + 1));
    }
    return std::string(bytes);
}

ExportRow EntryExportFields(const urlcache::CacheEntryInfo& entry, TextForm form)
{
    const auto text = [form](std::string_view bytes) {
        return form == TextForm::Display ? DisplayText(bytes) : std::string(bytes);
    };
    ExportValue local;
    if (!entry.localFileName.empty()) {
        local = text(entry.localFileName);
    }
    return {
        {"url", text(entry.sourceUrlName)},
        {"local", std::move(local)},
        {"type", uint64_t{entry.cacheEntryType}},
        {"size_low", uint64_t{entry.sizeLow}},
        {"size_high", uint64_t{entry.sizeHigh}},
        {"hit_rate", uint64_t{entry.hitRate}},
        {"use_count", uint64_t{entry.useCount}},
        {"last_modified", entry.lastModifiedTime},
        {"last_access", entry.lastAccessTime},
        {"expire", entry.expireTime},
        {"last_sync", entry.lastSyncTime},
        {"header", text(entry.headerInfo)},
        {"header_size", uint64_t{entry.headerInfoSize()}},
    };
}

ExportRow CatalogueExportRow(const urlcache::CacheEntryInfo& entry, std::string_view state)
{
    ExportRow row = EntryExportFields(entry, TextForm::Display);
    const catalogue::CatalogueEntry derived = catalogue::DescribeEntry(entry);
    std::vector<std::string> keyPath;
    for (const std::string& key : derived.keyPath) {
        keyPath.push_back(DisplayText(key));
    }
    row.push_back({"category", static_cast<uint64_t>(derived.category)});
    row.push_back({"class", DisplayText(derived.classText)});
    row.push_back({"access_time", derived.accessTime});
    row.push_back({"key_path", std::move(keyPath)});
    row.push_back({"state", std::string(state)});
    return row;
}

const std::vector<std::string>& CatalogueExportColumns()
{
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (const ExportField& field : CatalogueExportRow(urlcache::CacheEntryInfo{})) {
            names.push_back(field.name);
        }
        return names;
    }();
    return columns;
}

}  // namespace trovana::exporting
