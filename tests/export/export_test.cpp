// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogue rows written as CSV, JSON lines and an HTML report: what is
// written reads back as the same rows, a spreadsheet finds no formula and no
// control character in the CSV, and the report holds no script and no markup
// of the cache's own.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "csv_reader.h"
#include "export_writer.h"
#include "csv.h"

namespace trovana::exporting {
namespace {

// Entries whose texts hold what breaks naive writers.
std::vector<urlcache::CacheEntryInfo> AwkwardEntries()
{
    urlcache::CacheEntryInfo plain;
    plain.sourceUrlName = "http://www.example.com/index.html";
    plain.localFileName = "/cache/ABCD1234/index[1].html";
    plain.cacheEntryType = urlcache::NORMAL_CACHE_ENTRY;
    plain.sizeLow = 1234;
    plain.lastAccessTime = 129776285592357337;
    plain.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";

    urlcache::CacheEntryInfo formula = plain;
    formula.sourceUrlName = "=HYPERLINK(\"http://evil.example/\",\"a, b\")";
    formula.localFileName.clear();
    formula.headerInfo = std::string("tab\there, nul\0and \\x41 back\\slash caf\xC3\xA9", 39);

    urlcache::CacheEntryInfo bytes = plain;
    bytes.sourceUrlName = "http://caf\xE9.example/<b>\"bold\"</b>&amp;";  // Windows-1252 byte
    bytes.headerInfo = "-1+1";

    urlcache::CacheEntryInfo utf8 = plain;
    utf8.sourceUrlName = "@SUM(A1) 'quoted' caf\xC3\xA9";
    utf8.headerInfo = "+cmd|' /C calc'!A0";
    return {plain, formula, bytes, utf8};
}

std::vector<ExportRow> AwkwardRows()
{
    const char* states[] = {"live", "recovered", "leak", "redirect"};
    std::vector<ExportRow> rows;
    const auto entries = AwkwardEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        rows.push_back(CatalogueExportRow(entries[i], states[i]));
    }
    return rows;
}

std::string Export(ExportFormat format, const std::vector<ExportRow>& rows)
{
    std::ostringstream out;
    auto writer = MakeExportWriter(format, out, CatalogueExportColumns(), "Cache <of> test");
    for (const ExportRow& row : rows) {
        writer->Write(row);
    }
    writer->Finish();
    return out.str();
}

TEST(Export, CsvReadsBackAsTheRowsAndHoldsNoFormulaOrControlCharacter)
{
    const auto rows = AwkwardRows();
    const std::string csv = Export(ExportFormat::Csv, rows);
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
    const auto cells = cli::test::ParseCsv(csv.substr(3));
    ASSERT_EQ(cells.size(), rows.size() + 1);
    EXPECT_EQ(cells[0], CatalogueExportColumns());
    for (size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(cells[r + 1].size(), rows[r].size());
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const std::string& cell = cells[r + 1][c];
            EXPECT_EQ(UnescapeCsvField(cell), ValueText(rows[r][c].value)) << rows[r][c].name;
            EXPECT_TRUE(cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string::npos) << cell;
            for (const char ch : cell) {
                EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) << cell;
            }
        }
    }
    // The byte that is not UTF-8 was read as Windows-1252; the state is last.
    EXPECT_EQ(std::get<std::string>(rows[2][0].value), "http://caf\xC3\xA9.example/<b>\"bold\"</b>&amp;");
    EXPECT_EQ(cells[2].back(), "recovered");
    EXPECT_TRUE(std::get<std::string>(rows[1][11].value).ends_with("caf\xC3\xA9"));  // NUL and UTF-8 kept
    EXPECT_EQ(cells[1][CatalogueExportColumns().size() - 2], "[\"www.example.com\",\"index.html\"]");
}

TEST(Export, JsonLinesReadBackAsTheRowsWithTheirTypes)
{
    const auto rows = AwkwardRows();
    std::istringstream in(Export(ExportFormat::Jsonl, rows));
    size_t r = 0;
    for (std::string line; std::getline(in, line); ++r) {
        ASSERT_LT(r, rows.size());
        const auto object = nlohmann::ordered_json::parse(line);
        ASSERT_EQ(object.size(), rows[r].size());
        size_t c = 0;
        for (const auto& [name, value] : object.items()) {
            const ExportField& field = rows[r][c++];
            EXPECT_EQ(name, field.name);
            if (const auto* number = std::get_if<uint64_t>(&field.value)) {
                EXPECT_EQ(value.get<uint64_t>(), *number) << name;
            } else if (const auto* text = std::get_if<std::string>(&field.value)) {
                EXPECT_EQ(value.get<std::string>(), *text) << name;
            } else if (const auto* list = std::get_if<std::vector<std::string>>(&field.value)) {
                EXPECT_EQ(value.get<std::vector<std::string>>(), *list) << name;
            } else {
                EXPECT_TRUE(value.is_null()) << name;
            }
        }
    }
    EXPECT_EQ(r, rows.size());
}

TEST(Export, HtmlReportIsOnePageWithoutScriptsOrTheCachesMarkup)
{
    const auto rows = AwkwardRows();
    const std::string html = Export(ExportFormat::Html, rows);
    EXPECT_TRUE(html.starts_with("<!DOCTYPE html>"));
    EXPECT_NE(html.find("Content-Security-Policy\" content=\"default-src 'none'"), std::string::npos);
    EXPECT_NE(html.find("<title>Cache &lt;of&gt; test</title>"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("/&lt;b&gt;&quot;bold&quot;&lt;/b&gt;&amp;amp;"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
    size_t cells = 0;
    for (size_t at = html.find("<tr>"); at != std::string::npos; at = html.find("<tr>", at + 1)) {
        ++cells;
    }
    EXPECT_EQ(cells, rows.size() + 1);
    EXPECT_TRUE(html.ends_with("<p>4 rows</p>\n</body>\n</html>\n"));
}

}  // namespace
}  // namespace trovana::exporting
