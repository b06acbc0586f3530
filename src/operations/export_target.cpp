// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/export_target.h"

#include "ascii.h"

namespace trovana::operations {

ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter)
{
    using exporting::ExportFormat;
    const ExportFormat chosenType = filter == 1   ? ExportFormat::Jsonl
                                    : filter == 2 ? ExportFormat::Html
                                                  : ExportFormat::Csv;
    // The ending the user typed chooses the format and is never changed,
    // whatever type the chooser shows; a name with an ending of its own
    // (notes.txt) keeps it and takes the chosen type.
    const std::string extension = ToLowerAscii(chosen.extension().string());
    if (extension == ".csv")
        return {chosen, ExportFormat::Csv, false};
    if (extension == ".jsonl")
        return {chosen, ExportFormat::Jsonl, false};
    if (extension == ".html" || extension == ".htm")
        return {chosen, ExportFormat::Html, false};
    if (!extension.empty())
        return {chosen, chosenType, false};
    constexpr const char* kExtensions[] = {".csv", ".jsonl", ".html"};
    std::filesystem::path named = chosen;
    named += kExtensions[static_cast<int>(chosenType)];
    return {named, chosenType, true};
}

}  // namespace trovana::operations
