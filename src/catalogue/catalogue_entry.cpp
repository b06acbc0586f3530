// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue_entry.h"

#include "classify.h"
#include "key_path.h"

namespace trovana::catalogue {

DateTime ShownTime(uint64_t fileTime, ShownTimes zone)
{
    return zone == ShownTimes::Utc ? DateTime::FromFileTimeUtc(fileTime) : DateTime::FromFileTime(fileTime);
}

CatalogueEntry DescribeEntry(const urlcache::CacheEntryInfo& info, ShownTimes zone)
{
    CatalogueEntry entry;
    std::string contentType;
    entry.classText = ClassifyEntry(info, contentType);
    entry.category = CategoryFromClass(entry.classText);
    entry.lastAccess = ShownTime(info.lastAccessTime, zone);
    entry.accessTime = entry.lastAccess.Format();
    // An entry without a local file counts as empty, whatever size it
    // records; one whose file was not copied keeps the size it records.
    entry.size = info.localFileName.empty() && info.storedFileName.empty() ? 0 : info.sizeLow;
    entry.keyPath = CutKeyPath(info.sourceUrlName, entry.category);
    return entry;
}

}  // namespace trovana::catalogue
