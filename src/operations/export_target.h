// SPDX-License-Identifier: GPL-3.0-or-later
// The file and format of an export, from the name and file type chosen in
// the save-file chooser.
#pragma once

#include <filesystem>

#include <wx/translation.h>

#include "export_writer.h"

namespace trovana::operations {

// The chooser's file types, in the order of ExportFormat (shown through
// wxGetTranslation).
inline constexpr const char* kExportWildcard = wxTRANSLATE(
    "CSV (*.csv)|*.csv|JSON Lines (*.jsonl)|*.jsonl|HTML report (*.html)|*.html");

struct ExportTarget {
    std::filesystem::path path;
    exporting::ExportFormat format = exporting::ExportFormat::Csv;
    // The chooser's name had no extension and was given the type's one.
    bool renamed = false;
};

// A name ending in .csv, .jsonl or .html (.htm) is written in that format,
// whatever type was chosen; any other name is written in the chosen type's
// format, and a name without an extension gets the type's extension.
ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter);

}  // namespace trovana::operations
