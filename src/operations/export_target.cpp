// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/export_target.h"

#include "ascii.h"

namespace trovana::operations {

ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter)
{
    using exporting::ExportFormat;
    const ExportFormat format = filter == 1   ? ExportFormat::Jsonl
                                : filter == 2 ? ExportFormat::Html
                                              : ExportFormat::Csv;
    constexpr const char* kExtensions[] = {".csv", ".jsonl", ".html"};
    const std::string wanted = kExtensions[static_cast<int>(format)];
    const std::string extension = ToLowerAscii(chosen.extension().string());
    const bool htmlName = extension == ".html" || extension == ".htm";
    if (extension == wanted || (format == ExportFormat::Html && htmlName))
        return {chosen, format, false};
    // The ending of another export type gives way to the chosen type's; a
    // name with an ending of its own (notes.txt) keeps it.
    const bool exportEnding = extension == ".csv" || extension == ".jsonl" || htmlName;
    if (!extension.empty() && !exportEnding)
        return {chosen, format, false};
    std::filesystem::path named = chosen;
    if (exportEnding)
        named.replace_extension();
    named += wanted;
    return {named, format, true};
}

}  // namespace trovana::operations
