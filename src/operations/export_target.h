// SPDX-License-Identifier: GPL-3.0-or-later
// The file and format of an export, from the name and file type chosen in
// the save-file chooser.
#pragma once

#include <filesystem>

#include "export_writer.h"

namespace trovana::operations {

struct ExportTarget {
    std::filesystem::path path;
    exporting::ExportFormat format = exporting::ExportFormat::Csv;
    // The chooser's name had no extension and was given the type's one.
    bool renamed = false;
};

// A name ending in an export type's extension (.csv, .jsonl, .html, .htm)
// is kept and its ending decides the format; a name without an extension
// gets the chosen type's, and the type decides; a name with an extension of
// its own keeps it, in the chosen type's format.
ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter);

}  // namespace trovana::operations
