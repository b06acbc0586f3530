// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "listing.h"
#include "read_file.h"
#include "record_kind.h"
#include "sha256.h"

namespace trovana::cli {

namespace {

// A container's kind: daily and weekly history by their folder's name
// (MSHist01YYYYMMDDYYYYMMDD), the others by where the cache keeps them.
std::string ContainerKind(const urlcache::ContainerLocation& where)
{
    const std::string folder = where.folder.filename().string();
    if (folder.size() == 24 && folder.starts_with("MSHist01")) {
        return std::string(urlcache::RecordKindName(urlcache::RecordKindOf(":" + folder.substr(8) + ":")));
    }
    switch (where.kind) {
    case urlcache::ContainerKind::Cookies: return "cookies";
    case urlcache::ContainerKind::History: return "history";
    case urlcache::ContainerKind::Content: return "content";
    }
    return {};
}

// The signature the file starts with, up to its NUL: it names the format
// and its version ("Client UrlCache MMF Ver 5.2").
ExportValue FormatSignature(const std::filesystem::path& file)
{
    // Its first 32 bytes, read as the cache's other files are: a FIFO or
    // device put in its place is not opened.
    std::string start;
    const fileio::FileRead read = fileio::ReadRegularFile(file, 32, start);
    if (read != fileio::FileRead::Read && read != fileio::FileRead::TooLarge)
        return {};
    start.resize(std::min(start.size(), start.find('\0')));
    return start.empty() ? ExportValue() : ExportValue(start);
}

// A container file's row: its kind, path, size, SHA-256 and format, and
// for a Wine prefix's container whether Wine reads it (null elsewhere).
ExportRow ContainerRow(const std::string& kind, const std::filesystem::path& file, const ExportValue& format,
                       const ExportValue& wineReads)
{
    ExportRow row = {{"container", kind}, {"path", file.string()}, {"size", {}}, {"sha256", {}}, {"format", {}},
                     {"wine_reads", wineReads}};
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(file, error);
    if (!error)
        row[2].value = size;
    if (std::filesystem::is_regular_file(file, error)) {
        if (std::optional<std::string> digest = FileSha256Hex(file)) {
            row[3].value = std::move(*digest);
            row[4].value = format;
        }
    }
    return row;
}

void ContainersCommand(urlcache::UrlCache& cache, ExportFormat format, Streams streams)
{
    const std::vector<std::string> columns = {"container", "path", "size", "sha256", "format", "wine_reads"};
    const auto writer = MakeExportWriter(format, streams.out, columns);
    const bool prefix = !cache.Location().winePrefix.empty();
    const auto wineReads = [prefix](bool reads) {
        ExportValue value;
        if (prefix)
            value = uint64_t{reads};
        return value;
    };
    for (const urlcache::ContainerLocation& where : cache.Location().containers) {
        const std::filesystem::path file = where.IndexPath();
        writer->Write(ContainerRow(ContainerKind(where), file, FormatSignature(file), wineReads(!where.wineIgnores)));
    }
    // A Windows 8-11 profile's database, which holds its containers.
    for (const std::filesystem::path& database : cache.Location().webCaches) {
        writer->Write(
            ContainerRow("webcache", database, std::string("Extensible Storage Engine database"), wineReads(false)));
    }
}

}  // namespace

void InfoCommand(urlcache::UrlCache& cache, const std::string& url, ExportFormat format, Streams streams,
                 bool utcTimes, const std::string& sourceZone)
{
    if (url.empty()) {
        ContainersCommand(cache, format, streams);
        return;
    }
    const std::unique_ptr<urlcache::CacheEntryInfo> entry = cache.GetEntryInfo(url);
    if (!entry) {
        throw CommandError(url + ": " + urlcache::ErrorText(urlcache::ERROR_FILE_NOT_FOUND));
    }
    const TimeZone zone = SourceZone(cache, sourceZone);
    const ExportRow record = EntryExportFields(*entry, &zone);
    const ExportRow row = utcTimes ? WithUtcTimes(record, *entry, &zone) : record;
    MakeExportWriter(format, streams.out, ColumnNames(row))->Write(row);
}

}  // namespace trovana::cli
