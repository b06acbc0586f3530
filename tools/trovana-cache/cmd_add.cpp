// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "read_file.h"

namespace trovana::cli {

namespace {

// The largest body or header read: a cached file of a browser is far
// smaller, and the whole file is held in memory.
constexpr uint64_t kLargestInput = 1024 * 1024 * 1024;

// Only a regular file: a FIFO would wait for a writer, /dev/zero never end.
std::string ReadFile(const std::string& path)
{
    try {
        return fileio::ReadWholeFile(path, kLargestInput);
    } catch (const fileio::FileReadError& error) {
        throw CommandError(error.what());
    }
}

}  // namespace

std::string UrlExtension(std::string_view url)
{
    url = url.substr(0, url.find_first_of("?#"));
    const size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        url.remove_prefix(scheme + 3);
    }
    const size_t slash = url.rfind('/');
    if (slash == std::string_view::npos) {
        return {};  // a bare host name has no extension
    }
    const std::string_view name = url.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

void AddCommand(urlcache::UrlCache& cache, const AddOptions& options, ExportFormat format, Streams streams)
{
    urlcache::NewCacheEntry entry = options.entry;
    if (options.bodyFile) {
        entry.body = ReadFile(*options.bodyFile);
        entry.fileExtension = options.extension.value_or(UrlExtension(entry.url));
    } else {
        entry.body.reset();
        entry.fileExtension = options.extension.value_or("");
    }
    if (options.headerFile) {
        entry.headerInfo = ReadFile(*options.headerFile);
    }
    const urlcache::CacheResult result = cache.CreateEntry(entry);
    if (!result.ok()) {
        throw CommandError(entry.url + ": " + FailureText(result));
    }
    // Printed as stored: a URL with bytes above 0x7F is stored percent-escaped.
    InfoCommand(cache, urlcache::StoredUrl(entry.url), format, streams, options.utcTimes);
}

}  // namespace trovana::cli
