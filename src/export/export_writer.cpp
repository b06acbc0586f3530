// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_writer.h"

#include <nlohmann/json.hpp>

#include "csv.h"

namespace trovana::exporting {

namespace {

nlohmann::ordered_json JsonValue(const ExportValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        return *list;
    }
    return nullptr;
}

// CRLF between rows, as RFC 4180 asks; a UTF-8 byte order mark first, which
// spreadsheets need to read the file as UTF-8.
class CsvWriter : public ExportWriter {
public:
    CsvWriter(std::ostream& out, const std::vector<std::string>& columns) : m_out(out)
    {
        m_out << "\xEF\xBB\xBF";
        std::vector<ExportValue> names(columns.begin(), columns.end());
        WriteCells(names);
    }

    void Write(const ExportRow& row) override
    {
        std::vector<ExportValue> cells;
        for (const ExportField& field : row) {
            cells.push_back(field.value);
        }
        WriteCells(cells);
    }

private:
    void WriteCells(const std::vector<ExportValue>& cells)
    {
        for (size_t i = 0; i < cells.size(); ++i) {
            m_out << (i ? "," : "") << CsvField(ValueText(cells[i]), CsvEscaping::Reversible);
        }
        m_out << "\r\n";
    }

    std::ostream& m_out;
};

class JsonlWriter : public ExportWriter {
public:
    explicit JsonlWriter(std::ostream& out) : m_out(out) {}

    void Write(const ExportRow& row) override
    {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (const ExportField& field : row) {
            object[field.name] = JsonValue(field.value);
        }
        m_out << object.dump() << '\n';
    }

private:
    std::ostream& m_out;
};

}  // namespace

std::string ValueText(const ExportValue& value)
{
    if (std::holds_alternative<std::monostate>(value)) {
        return {};
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return JsonValue(value).dump();
}

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::ostream& out,
                                               const std::vector<std::string>& columns, const std::string& title)
{
    switch (format) {
    case ExportFormat::Csv: return std::make_unique<CsvWriter>(out, columns);
    case ExportFormat::Jsonl: return std::make_unique<JsonlWriter>(out);
    case ExportFormat::Html: return MakeHtmlReport(out, columns, title);
    }
    return nullptr;
}

}  // namespace trovana::exporting
