// SPDX-License-Identifier: GPL-3.0-or-later
// Writers of rows: CSV that spreadsheets open safely, JSON lines, or a
// self-contained HTML report, for `trovana-cache` and the window's export.
// Rows are written one at a time, so that a long export can show its
// progress between rows. Byte strings become text by one rule
// (faithful_text.h): valid UTF-8 as is, else read in the cache's code page;
// where that text does not give back the bytes, they go beside it in hex
// (`<name>_hex`: in JSON lines on such rows only; in CSV and HTML a column
// at the end for each column of the cache's bytes, empty where not needed).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "export_row.h"

namespace trovana::exporting {

enum class ExportFormat { Csv, Jsonl, Html };

struct ExportHeader;

class ExportWriter {
public:
    virtual ~ExportWriter() = default;
    // A row with the columns the writer was made with, in the same order.
    virtual void Write(const ExportRow& row) = 0;
    // Ends the output (the HTML report's closing tags); no row after it.
    virtual void Finish() {}
};

// For a file people open: CSV starts with a UTF-8 byte order mark, which
// spreadsheets need to read the file as UTF-8; `title` names the HTML
// report. The start of the output (CSV header, HTML head) is written at once,
// after the provenance `header` when there is one (export_header.h).
std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns, const std::string& title,
                                               const ExportHeader* header = nullptr);
// For programs (standard output): CSV without the byte order mark.
std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns);

// The report of the HTML format, for MakeExportWriter.
std::unique_ptr<ExportWriter> MakeHtmlReport(std::ostream& out, const std::vector<std::string>& columns,
                                             const std::string& title, const ExportHeader* header = nullptr);

// The hex columns of CSV and HTML: one for each column that holds the
// cache's bytes (url, local, header, file_name, cookie_name, cookie_value).
class HexColumns {
public:
    // The columns with the hex columns after them; remembers where they are.
    std::vector<std::string> WithHexColumns(const std::vector<std::string>& columns);
    // A row's hex cells: the bytes of each such column in hex where its CSV
    // text does not give them back (CsvNeedsHex), else empty.
    std::vector<std::string> HexCells(const ExportRow& row) const;

private:
    std::vector<size_t> m_indexes;
};

// The bytes a value stands for in a CSV or HTML cell: a byte string as it
// is, numbers in decimal, a list as its JSON array, null as nothing.
std::string ValueText(const ExportValue& value);

}  // namespace trovana::exporting
