#include "commands.h"

namespace trovana::cli {

void InfoCommand(urlcache::UrlCache& cache, const std::string& url, OutputFormat format, Streams streams)
{
    const std::unique_ptr<urlcache::CacheEntryInfo> entry = cache.GetEntryInfo(url);
    if (!entry) {
        throw CommandError(url + ": " + urlcache::ErrorText(urlcache::ERROR_FILE_NOT_FOUND));
    }
    RecordWriter writer(streams.out, format, EntryColumns());
    writer.Write(EntryRecord(*entry));
}

}  // namespace trovana::cli
