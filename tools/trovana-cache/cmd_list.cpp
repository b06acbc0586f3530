#include "commands.h"

namespace trovana::cli {

void ListCommand(urlcache::UrlCache& cache, OutputFormat format, Streams streams)
{
    RecordWriter writer(streams.out, format, EntryColumns());
    urlcache::CacheEnumeration entries = cache.Enumerate();
    while (std::unique_ptr<urlcache::CacheEntryInfo> entry = entries.Next()) {
        writer.Write(EntryRecord(*entry));
    }
    if (entries.LastError() != urlcache::ERROR_NO_MORE_ITEMS) {
        throw CommandError("the listing stopped early: " + urlcache::ErrorText(entries.LastError()));
    }
}

}  // namespace trovana::cli
