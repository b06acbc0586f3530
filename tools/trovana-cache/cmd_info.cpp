// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "listing.h"

namespace trovana::cli {

void InfoCommand(urlcache::UrlCache& cache, const std::string& url, OutputFormat format, Streams streams, bool utcTimes)
{
    const std::unique_ptr<urlcache::CacheEntryInfo> entry = cache.GetEntryInfo(url);
    if (!entry) {
        throw CommandError(url + ": " + urlcache::ErrorText(urlcache::ERROR_FILE_NOT_FOUND));
    }
    const Record record = utcTimes ? WithUtcTimes(EntryRecord(*entry)) : EntryRecord(*entry);
    RecordWriter writer(streams.out, format, ColumnNames(record));
    writer.Write(record);
}

}  // namespace trovana::cli
