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

// The chosen type decides the format. A name without an extension, or with
// another type's (.csv, .jsonl, .html, .htm), gets the type's extension; a
// name with an extension of its own keeps it.
ExportTarget ResolveExportTarget(const std::filesystem::path& chosen, int filter);

}  // namespace trovana::operations
