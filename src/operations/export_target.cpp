// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/export_target.h"

#include "ascii.h"

namespace trovana::operations {

ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter)
{
    using exporting::ExportFormat;
    const std::string extension = ToLowerAscii(chosen.extension().string());
    if (extension == ".csv")
        return {chosen, ExportFormat::Csv, false};
    if (extension == ".jsonl")
        return {chosen, ExportFormat::Jsonl, false};
    if (extension == ".html" || extension == ".htm")
        return {chosen, ExportFormat::Html, false};
    const ExportFormat format = filter == 1   ? ExportFormat::Jsonl
                                : filter == 2 ? ExportFormat::Html
                                              : ExportFormat::Csv;
    if (!extension.empty())
        return {chosen, format, false};
    constexpr const char* kExtensions[] = {".csv", ".jsonl", ".html"};
    std::filesystem::path named = chosen;
    named += kExtensions[static_cast<int>(format)];
    return {named, format, true};
}

}  // namespace trovana::operations
