#include "catalogue_entry.h"
#include "commands.h"

namespace trovana::cli {

namespace {

// An entry's own columns, then with `catalogue` what the program's catalogue
// derives from it: category 1 to 6, class text, the "Access Time" text in
// local time, and the key path of its site tree leaf.
Record ListRecord(const urlcache::CacheEntryInfo& entry, bool catalogue)
{
    Record record = EntryRecord(entry);
    if (catalogue) {
        catalogue::CatalogueEntry derived = catalogue::DescribeEntry(entry);
        record.push_back({"category", static_cast<uint64_t>(derived.category)});
        record.push_back({"class", std::move(derived.classText)});
        record.push_back({"access_time", std::move(derived.accessTime)});
        record.push_back({"key_path", std::move(derived.keyPath)});
    }
    return record;
}

std::vector<std::string> ListColumns(bool catalogue)
{
    std::vector<std::string> columns;
    for (const Field& field : ListRecord(urlcache::CacheEntryInfo{}, catalogue)) {
        columns.push_back(field.name);
    }
    return columns;
}

}  // namespace

void ListCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams)
{
    RecordWriter writer(streams.out, options.format, ListColumns(options.catalogue));
    urlcache::CacheEnumeration entries = cache.Enumerate();
    while (std::unique_ptr<urlcache::CacheEntryInfo> entry = entries.Next()) {
        writer.Write(ListRecord(*entry, options.catalogue));
    }
    if (entries.LastError() != urlcache::ERROR_NO_MORE_ITEMS) {
        throw CommandError("the listing stopped early: " + urlcache::ErrorText(entries.LastError()));
    }
}

}  // namespace trovana::cli
