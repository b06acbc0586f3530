// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_header.h"

#include <chrono>

#include <nlohmann/json.hpp>

#include "csv.h"
#include "export_row.h"
#include "faithful_text.h"
#include "iso_utc.h"
#include "project_info.h"
#include "sha256.h"

namespace trovana::exporting {

namespace {

// FILETIME of now: 100 ns steps since 1601.
uint64_t FileTimeNow()
{
    constexpr int64_t kUnixEpochTicks = 116'444'736'000'000'000;
    const auto ticks = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(ticks.count() + kUnixEpochTicks);
}

void AppendCsvRecord(std::string& out, std::initializer_list<std::string_view> fields)
{
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first)
            out += ',';
        if (first)
            out += '#' + std::string(field);  // the name: plain ASCII
        else
            AppendCsvField(out, field);
        first = false;
    }
    out += "\r\n";
}

}  // namespace

ExportHeader MakeExportHeader(const urlcache::CacheLocation& location, const TimeZone& sourceZone, bool zoneChosen)
{
    ExportHeader header{"Trovana",
                        kVersion,
                        IsoUtcFromFileTime(FileTimeNow()),
                        sourceZone.Name(),
                        SourceZoneNote(location, zoneChosen || sourceZone.Name() != "UTC"),
                        CacheCodePage().Name(),
                        {}};
    std::vector<std::filesystem::path> files;
    for (const urlcache::ContainerLocation& container : location.containers)
        files.push_back(container.IndexPath());
    files.insert(files.end(), location.webCaches.begin(), location.webCaches.end());
    for (const std::filesystem::path& file : files) {
        std::error_code error;
        const bool regular = std::filesystem::is_regular_file(file, error);
        header.containers.push_back({file.string(), regular ? FileSha256Hex(file) : std::nullopt});
    }
    return header;
}

std::string CsvHeaderLines(const ExportHeader& header)
{
    std::string out;
    AppendCsvRecord(out, {"tool", header.tool, header.version});
    AppendCsvRecord(out, {"exported_utc", header.exportedUtc});
    if (header.sourceZoneNote.empty())
        AppendCsvRecord(out, {"source_tz", header.sourceZone});
    else
        AppendCsvRecord(out, {"source_tz", header.sourceZone, header.sourceZoneNote});
    AppendCsvRecord(out, {"codepage", header.codePage});
    for (const ExportHeader::Container& container : header.containers)
        AppendCsvRecord(out, {"container", container.path, container.sha256.value_or("")});
    return out;
}

std::string JsonHeaderLine(const ExportHeader& header)
{
    nlohmann::json containers = nlohmann::json::array();
    for (const ExportHeader::Container& container : header.containers) {
        containers.push_back({{"path", DecodedText(container.path)},
                              {"sha256", container.sha256 ? nlohmann::json(*container.sha256) : nullptr}});
    }
    const nlohmann::json line = {{"export_header",
                                  {{"tool", header.tool},
                                   {"version", header.version},
                                   {"exported_utc", header.exportedUtc},
                                   {"source_tz", header.sourceZone},
                                   {"source_tz_note", header.sourceZoneNote},
                                   {"codepage", header.codePage},
                                   {"containers", std::move(containers)}}}};
    return line.dump() + '\n';
}

}  // namespace trovana::exporting
