// SPDX-License-Identifier: GPL-3.0-or-later
// Writers of exported rows: CSV that spreadsheets open safely, JSON lines,
// or a self-contained HTML report. Rows are written one at a time, so that
// a long export can show its progress between rows.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "export_row.h"

namespace trovana::exporting {

enum class ExportFormat { Csv, Jsonl, Html };

class ExportWriter {
public:
    virtual ~ExportWriter() = default;
    // A row with the columns the writer was made with, in the same order.
    virtual void Write(const ExportRow& row) = 0;
    // Ends the output (the HTML report's closing tags); no row after it.
    virtual void Finish() {}
};

// Writes the start of the output (CSV header, HTML head) at once. `title`
// names the HTML report; the other formats have none.
std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns, const std::string& title);

// The report of the HTML format, for MakeExportWriter.
std::unique_ptr<ExportWriter> MakeHtmlReport(std::ostream& out, const std::vector<std::string>& columns,
                                             const std::string& title);

// A value as the text a CSV cell or HTML cell shows: numbers in decimal, a
// list as its JSON array, null as nothing.
std::string ValueText(const ExportValue& value);

}  // namespace trovana::exporting
