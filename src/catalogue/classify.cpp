// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "ascii.h"

namespace trovana::catalogue {

namespace {

constexpr std::string_view kHistoryPrefix = "Visited:";
constexpr std::string_view kContentTypeField = "content-type: ";

bool IsHistoryUrl(std::string_view text)
{
    return StartsWithIgnoreAsciiCase(text, kHistoryPrefix);
}

// The name of a CacheEntryType that is exactly one of the known flags.
// "Unkown" (sic) and the blank after "Scavenging" are the texts users have
// always seen in the Class column and in exports; they are kept as they are.
std::string EntryTypeName(uint32_t type)
{
    static constexpr std::array<std::pair<uint32_t, std::string_view>, 8> kNames{{
        {urlcache::NORMAL_CACHE_ENTRY, "Normal"},
        {urlcache::STICKY_CACHE_ENTRY, "Exempt From Scavenging "},
        {urlcache::EDITED_CACHE_ENTRY, "Altered"},
        {urlcache::TRACK_OFFLINE_CACHE_ENTRY, "Offline"},
        {urlcache::TRACK_ONLINE_CACHE_ENTRY, "Online"},
        {urlcache::SPARSE_CACHE_ENTRY, "Sparse"},
        {urlcache::COOKIE_CACHE_ENTRY, "Cookie"},
        {urlcache::URLHISTORY_CACHE_ENTRY, "Visited Link"},
    }};
    for (const auto& [flag, name] : kNames) {
        if (type == flag) {
            return std::string(name);
        }
    }
    return "Unkown";
}

// The value of the first "content-type: " anywhere in the header text, in
// any letter case, up to the first byte that is not visible ASCII, lower-cased.
// Servers and proxies write the field in every letter case; a field such as
// "X-Upstream-Content-Type: " matches as well.
std::string ContentTypeFromHeaders(const std::string& headers)
{
    // The stored text ends at its first NUL, as a C string would.
    const std::string_view text(headers.c_str());
    const auto found = std::search(text.begin(), text.end(), kContentTypeField.begin(), kContentTypeField.end(),
                                   [](char a, char b) { return AsciiLower(a) == b; });
    if (found == text.end()) {
        return {};
    }
    const auto begin = found + static_cast<std::ptrdiff_t>(kContentTypeField.size());
    const auto end = std::find_if(begin, text.end(), [](char c) { return c < 0x21 || c > 0x7E; });
    return ToLowerAscii(std::string_view(begin, end));
}

bool EndsWithAny(std::string_view text, std::initializer_list<std::string_view> endings)
{
    for (std::string_view ending : endings) {
        if (text.ends_with(ending)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsScriptOrStyleSheet(std::string_view text)
{
    return EndsWithAny(text, {".css", ".js"}) && !IsHistoryUrl(text);
}

bool IsBlankPage(std::string_view text)
{
    return text.ends_with("about:blank") && !IsHistoryUrl(text);
}

std::string ClassifyEntry(const urlcache::CacheEntryInfo& info, std::string& contentType)
{
    const std::string& url = info.sourceUrlName;
    const std::string low = ToLowerAscii(url);
    if (IsScriptOrStyleSheet(low)) {
        return "Application";
    }
    if (IsBlankPage(low)) {
        return "Text";
    }
    if (url.starts_with("Cookie:")) {
        return "Cookie";
    }
    if (url.starts_with(kHistoryPrefix)) {
        return "Visited Link";
    }
    if (low.ends_with(".xml")) {
        return "Text";
    }
    if (EndsWithAny(low, {".gif", ".jpg", ".jpeg", ".png"})) {
        return "Image";
    }
    if (info.headerInfoSize() != 0) {
        contentType = ContentTypeFromHeaders(info.headerInfo);
        if (!contentType.empty()) {
            return contentType;
        }
    }
    return EntryTypeName(info.cacheEntryType);
}

int CategoryFromClass(std::string_view classText)
{
    static constexpr std::array<std::pair<std::string_view, int>, 5> kPrefixes{{
        {"tex", kCategoryDocuments},
        {"ima", kCategoryImages},
        {"app", kCategoryApplications},
        {"coo", kCategoryCookies},
        {"vis", kCategoryVisitedLinks},
    }};
    for (const auto& [prefix, category] : kPrefixes) {
        if (StartsWithIgnoreAsciiCase(classText, prefix)) {
            return category;
        }
    }
    return kCategoryOther;
}

}  // namespace trovana::catalogue
