// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_writer.h"

#include <algorithm>

#include "csv.h"
#include "faithful_text.h"
#include "export_header.h"
#include "json_text.h"

namespace trovana::exporting {

namespace {

void WriteLine(std::ostream& out, const std::string& line)
{
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

// CRLF between rows, as RFC 4180 asks; each cell as CsvField writes it.
class CsvWriter : public ExportWriter {
public:
    CsvWriter(std::ostream& out, const std::vector<std::string>& columns, bool byteOrderMark,
              const ExportHeader* header = nullptr)
        : m_out(out)
    {
        if (byteOrderMark) {
            m_out << "\xEF\xBB\xBF";
        }
        if (header != nullptr) {
            WriteLine(m_out, CsvHeaderLines(*header));
        }
        const std::vector<std::string> all = m_hex.WithHexColumns(columns);
        for (size_t i = 0; i < all.size(); ++i) {
            m_line += i ? "," : "";
            AppendCsvField(m_line, all[i]);
        }
        m_line += "\r\n";
        WriteLine(m_out, m_line);
    }

    void Write(const ExportRow& row) override
    {
        m_line.clear();
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                m_line += ',';
            }
            AppendCell(row[i].value);
        }
        for (const std::string& hex : m_hex.HexCells(row)) {
            m_line += ',';
            m_line += hex;
        }
        m_line += "\r\n";
        WriteLine(m_out, m_line);
    }

private:
    void AppendCell(const ExportValue& value)
    {
        if (const auto* bytes = std::get_if<std::string>(&value)) {
            AppendCsvField(m_line, *bytes);
        } else if (std::holds_alternative<std::vector<std::string>>(value)) {
            m_list.clear();
            m_json.AppendValue(value);
            AppendCsvField(m_line, m_list);
        } else if (!std::holds_alternative<std::monostate>(value)) {
            m_numbers.AppendValue(value);  // a number: the same digits as JSON's, straight into the line
        }
    }

    std::ostream& m_out;
    HexColumns m_hex;
    std::string m_line;  // kept from one row to the next
    std::string m_list;  // a list's JSON text
    JsonText m_json{m_list};
    JsonText m_numbers{m_line};
};

class JsonlWriter : public ExportWriter {
public:
    explicit JsonlWriter(std::ostream& out, const ExportHeader* header = nullptr) : m_out(out)
    {
        if (header != nullptr) {
            WriteLine(m_out, JsonHeaderLine(*header));
        }
    }

    void Write(const ExportRow& row) override
    {
        m_line.clear();
        m_json.AppendObject(row);
        m_line += '\n';
        WriteLine(m_out, m_line);
    }

private:
    std::ostream& m_out;
    std::string m_line;  // kept from one row to the next
    JsonText m_json{m_line};
};

}  // namespace

std::vector<std::string> HexColumns::WithHexColumns(const std::vector<std::string>& columns)
{
    static constexpr std::string_view kByteColumns[] = {"url",    "local",       "header",
                                                        "file_name", "cookie_name", "cookie_value"};
    std::vector<std::string> all = columns;
    m_indexes.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (std::find(std::begin(kByteColumns), std::end(kByteColumns), columns[i]) != std::end(kByteColumns)) {
            m_indexes.push_back(i);
            all.push_back(columns[i] + "_hex");
        }
    }
    return all;
}

std::vector<std::string> HexColumns::HexCells(const ExportRow& row) const
{
    std::vector<std::string> cells;
    cells.reserve(m_indexes.size());
    for (const size_t i : m_indexes) {
        const auto* bytes = i < row.size() ? std::get_if<std::string>(&row[i].value) : nullptr;
        cells.push_back(bytes && CsvNeedsHex(*bytes) ? HexBytes(*bytes) : std::string());
    }
    return cells;
}

std::string ValueText(const ExportValue& value)
{
    if (std::holds_alternative<std::monostate>(value)) {
        return {};
    }
    if (const auto* bytes = std::get_if<std::string>(&value)) {
        return *bytes;
    }
    std::string text;
    JsonText(text).AppendValue(value);
    return text;
}

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns, const std::string& title,
                                               const ExportHeader* header)
{
    switch (format) {
    case ExportFormat::Csv: return std::make_unique<CsvWriter>(out, columns, true, header);
    case ExportFormat::Jsonl: return std::make_unique<JsonlWriter>(out, header);
    case ExportFormat::Html: return MakeHtmlReport(out, columns, title, header);
    }
    return nullptr;
}

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns)
{
    if (format == ExportFormat::Csv) {
        return std::make_unique<CsvWriter>(out, columns, false);
    }
    return MakeExportWriter(format, out, columns, "");
}

}  // namespace trovana::exporting
