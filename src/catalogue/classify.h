// SPDX-License-Identifier: GPL-3.0-or-later
// What a cache entry is: its class text (a fixed word, a content type from
// its headers, or the name of its entry type) and the category tab it is
// listed under.
#pragma once

#include <string>
#include <string_view>

#include "urlcache.h"

namespace trovana::catalogue {

// CacheCategory: the tab index, the list icon index and the All list's item
// data. An entry's category is always Documents to Other.
enum CacheCategory : int {
    kCategoryAll = 0,
    kCategoryDocuments = 1,
    kCategoryImages = 2,
    kCategoryApplications = 3,
    kCategoryCookies = 4,
    kCategoryVisitedLinks = 5,
    kCategoryOther = 6,
    kCategorySearchResults = 7,
};
// The number of categories: tabs, pictures and descriptions.
inline constexpr int kCategoryCount = 8;

// The class text of an entry. contentType receives the header's content
// type (or "") only when the URL alone does not decide and the entry has
// headers; otherwise it is left as it was.
std::string ClassifyEntry(const urlcache::CacheEntryInfo& info, std::string& contentType);

// The category named by the first three letters of a class text, 1 to 6.
int CategoryFromClass(std::string_view classText);

// True for a text ending in ".css" or ".js" (letter case as given) that is
// not a history URL ("Visited:" in any case).
bool IsScriptOrStyleSheet(std::string_view text);

// True for a text ending in "about:blank" that is not a history URL.
bool IsBlankPage(std::string_view text);

}  // namespace trovana::catalogue
