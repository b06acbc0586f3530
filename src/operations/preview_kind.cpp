// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/preview_kind.h"

#include <filesystem>
#include <string>

#include "ascii.h"
#include "classify.h"

namespace trovana::operations {

bool PreviewAsText(const urlcache::CacheEntryInfo& info)
{
    const std::string& file = info.localFileName;
    std::string contentType;
    const std::string entryClass = catalogue::ClassifyEntry(info, contentType);
    bool asText = catalogue::IsScriptOrStyleSheet(file);
    if (catalogue::CategoryFromClass(entryClass) == catalogue::kCategoryApplications && !contentType.empty())
        asText = ToLowerAscii(contentType).find("script") != std::string::npos;
    std::error_code error;
    const auto type = std::filesystem::status(file, error).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found)
        asText = true;
    return asText;
}

}  // namespace trovana::operations
