// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_writer.h"

#include "export_header.h"

#include "csv.h"

namespace trovana::exporting {

namespace {

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// One page with everything in it: its style inline, no script, nothing
// loaded from anywhere (the page's own policy forbids it), URLs as text
// rather than links.
class HtmlReport : public ExportWriter {
public:
    HtmlReport(std::ostream& out, const std::vector<std::string>& columns, const std::string& title,
               const ExportHeader* header)
        : m_out(out)
    {
        m_out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                 "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                 "style-src 'unsafe-inline'\">\n<title>"
              << EscapeHtml(title)
              << "</title>\n<style>\n"
                 "body { font-family: sans-serif; font-size: 10pt; }\n"
                 "table { border-collapse: collapse; }\n"
                 "th, td { border: 1px solid #bbb; padding: 2px 4px; vertical-align: top; }\n"
                 "th { background: #eee; position: sticky; top: 0; }\n"
                 "td { white-space: pre-wrap; word-break: break-all; max-width: 40em; }\n"
                 "</style>\n</head>\n<body>\n<h1>"
              << EscapeHtml(title) << "</h1>\n";
        if (header != nullptr)
            m_out << HtmlHeaderTable(*header);
        m_out << "<table>\n<thead><tr>";
        for (const std::string& column : m_hex.WithHexColumns(columns)) {
            m_out << "<th>" << EscapeHtml(column) << "</th>";
        }
        m_out << "</tr></thead>\n<tbody>\n";
    }

    void Write(const ExportRow& row) override
    {
        m_out << "<tr>";
        for (const ExportField& field : row) {
            m_out << "<td>" << EscapeHtml(TextWithControlSymbols(ValueText(field.value))) << "</td>";
        }
        for (const std::string& hex : m_hex.HexCells(row)) {
            m_out << "<td>" << hex << "</td>";
        }
        m_out << "</tr>\n";
        ++m_rows;
    }

    void Finish() override
    {
        m_out << "</tbody>\n</table>\n<p>" << m_rows << (m_rows == 1 ? " row" : " rows") << "</p>\n</body>\n</html>\n";
    }

private:
    std::ostream& m_out;
    HexColumns m_hex;
    size_t m_rows = 0;
};

}  // namespace

std::string HtmlHeaderTable(const ExportHeader& header)
{
    std::string table = "<table class=\"provenance\">\n";
    const auto row = [&](std::string_view name, std::string_view value, std::string_view more = {}) {
        table += "<tr><th>" + EscapeHtml(name) + "</th><td>" + EscapeHtml(TextWithControlSymbols(value)) + "</td>";
        if (!more.empty())
            table += "<td>" + EscapeHtml(more) + "</td>";
        table += "</tr>\n";
    };
    row("tool", header.tool + " " + header.version);
    row("exported_utc", header.exportedUtc);
    row("source_tz", header.sourceZone, header.sourceZoneNote);
    row("codepage", header.codePage);
    for (const ExportHeader::Container& container : header.containers)
        row("container", container.path, container.sha256.value_or("(not readable)"));
    return table + "</table>\n<p></p>\n";
}

std::unique_ptr<ExportWriter> MakeHtmlReport(std::ostream& out, const std::vector<std::string>& columns,
                                             const std::string& title, const ExportHeader* header)
{
    return std::make_unique<HtmlReport>(out, columns, title, header);
}

}  // namespace trovana::exporting
