// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <iomanip>

#include "commands.h"
#include "discovery.h"

namespace trovana::cli {

namespace {

ExportRow CacheRecord(const discovery::FoundCache& cache)
{
    return {{"kind", std::string(discovery::KindName(cache.kind))},
            {"name", cache.name},
            {"path", cache.path.string()},
            {"user", cache.user},
            {"containers", static_cast<uint64_t>(cache.containers)},
            {"entries", cache.entries},
            {"bytes", cache.bytes}};
}

std::string Text(const ExportValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

}  // namespace

void WriteTable(const std::vector<ExportRow>& records, const std::vector<std::string>& columns, std::ostream& out)
{
    std::vector<std::vector<std::string>> rows = {columns};
    for (const ExportRow& record : records) {
        std::vector<std::string>& row = rows.emplace_back();
        for (const std::string& column : columns) {
            const auto field = std::find_if(record.begin(), record.end(),
                                            [&](const ExportField& f) { return f.name == column; });
            row.push_back(Text(field->value));
        }
    }
    std::vector<size_t> widths(columns.size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    for (const auto& row : rows) {
        for (size_t i = 0; i + 1 < row.size(); ++i) {
            out << std::left << std::setw(static_cast<int>(widths[i] + 2)) << row[i];
        }
        out << row.back() << '\n';
    }
}

void CachesCommand(const std::string& format, Streams streams)
{
    const discovery::Discovery found = discovery::DiscoverCaches(discovery::Environment::Current());
    std::vector<ExportRow> records;
    for (const discovery::FoundCache& cache : found.caches) {
        records.push_back(CacheRecord(cache));
    }
    if (format == "text") {
        WriteTable(records, {"kind", "name", "user", "containers", "entries", "bytes", "path"}, streams.out);
        return;
    }
    const auto writer = MakeExportWriter(format == "csv" ? ExportFormat::Csv : ExportFormat::Jsonl, streams.out,
                                         {"kind", "name", "path", "user", "containers", "entries", "bytes"});
    for (const ExportRow& record : records) {
        writer->Write(record);
    }
}

}  // namespace trovana::cli
