// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogue rows written as CSV, JSON lines and an HTML report: what is
// written reads back as the same rows, a spreadsheet finds no formula and no
// control character in the CSV, and the report holds no script and no markup
// of the cache's own; the window's export starts with its provenance, and a
// Wine prefix's history is read in the zone the prefix records.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "csv_reader.h"
#include "export_header.h"
#include "export_writer.h"
#include "windows_zone.h"
#include "csv.h"
#include "faithful_text.h"

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

    // What OWASP lists besides, and a C1 control of Windows-1252 text.
    urlcache::CacheEntryInfo controls = plain;
    controls.sourceUrlName = "\t=1+2";
    controls.localFileName = "\r=1+2";
    controls.headerInfo = "csi \x9B" "2J and \xC2\x9B" "2J";
    return {plain, formula, bytes, utf8, controls};
}

std::vector<ExportRow> AwkwardRows()
{
    const urlcache::RecordState states[] = {urlcache::RecordState::Recovered, urlcache::RecordState::Leak,
                                            urlcache::RecordState::Redirect, urlcache::RecordState::Recovered};
    std::vector<ExportRow> rows;
    const auto entries = AwkwardEntries();
    rows.push_back(CatalogueExportRow(entries[0]));  // a live entry, from the lists
    for (size_t i = 1; i < entries.size(); ++i) {  // records of the Recovered view
        urlcache::SurveyedRecord record;
        record.state = states[i - 1];
        record.indexFile = "/evidence/Content.IE5/index.dat";
        record.offset = 0x5000 + 0x100 * i;
        record.partial = i == 1;
        rows.push_back(CatalogueExportRow(entries[i], &record));
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

// Where the CSV text cannot give back a value's bytes: their hex column's
// cell, empty elsewhere.
void ExpectHexCell(const std::vector<std::string>& row, const std::vector<std::string>& columns,
                   const ExportField& field)
{
    const auto hex = std::find(columns.begin(), columns.end(), std::string(field.name) + "_hex");
    if (hex == columns.end())
        return;
    const std::string& cell = row[static_cast<size_t>(hex - columns.begin())];
    const auto* bytes = std::get_if<std::string>(&field.value);
    EXPECT_EQ(cell, bytes && CsvNeedsHex(*bytes) ? HexBytes(*bytes) : "") << field.name;
}

TEST(Export, CsvReadsBackAsTheRowsAndHoldsNoFormulaOrControlCharacter)
{
    const auto rows = AwkwardRows();
    const std::string csv = Export(ExportFormat::Csv, rows);
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
    const auto cells = cli::test::ParseCsv(csv.substr(3));
    ASSERT_EQ(cells.size(), rows.size() + 1);
    const std::vector<std::string> columns = HexColumns().WithHexColumns(CatalogueExportColumns());
    EXPECT_EQ(cells[0], columns);
    for (size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(cells[r + 1].size(), columns.size());
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const std::string& cell = cells[r + 1][c];
            // The text, with controls as their symbols; the bytes in hex where they differ.
            EXPECT_EQ(UnescapeCsvField(cell), TextWithControlSymbols(ValueText(rows[r][c].value))) << rows[r][c].name;
            ExpectHexCell(cells[r + 1], columns, rows[r][c]);
            EXPECT_TRUE(cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string::npos) << cell;
            for (size_t i = 0; i < cell.size(); i += std::max<size_t>(1, Utf8SequenceLength(cell.substr(i)))) {
                const auto ch = static_cast<unsigned char>(cell[i]);
                EXPECT_FALSE((ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || ch == 0x7F) << cell;
                EXPECT_NE(Utf8SequenceLength(cell.substr(i)), 0u) << cell;  // UTF-8 only
                EXPECT_FALSE(ch == 0xC2 && static_cast<unsigned char>(cell[i + 1]) < 0xA0) << cell;  // no C1
            }
        }
    }
    // The byte that is not UTF-8 is read as Windows-1252, as the window shows it.
    EXPECT_EQ(cells[3][0], "http://caf\xC3\xA9.example/<b>\"bold\"</b>&amp;");
    // Each row leads back to its record; times stand in ISO 8601 UTC beside
    // the numbers, the local "Access Time" text beside them.
    const auto column = [](const std::string& name) {
        const auto& names = CatalogueExportColumns();
        return static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    EXPECT_TRUE(UnescapeCsvField(cells[2][column("header")]).ends_with("caf\xC3\xA9"));  // UTF-8 kept
    EXPECT_EQ(cells[2][column("state")], "recovered");
    EXPECT_EQ(cells[2][column("index_file")], "/evidence/Content.IE5/index.dat");
    EXPECT_EQ(cells[2][column("record_offset")], std::to_string(0x5100));
    EXPECT_EQ(cells[2][column("partial")], "1");
    EXPECT_EQ(cells[1][column("state")], "live");
    EXPECT_EQ(cells[1][column("record_offset")], "");
    EXPECT_EQ(cells[1][column("last_access_utc")], "2012-03-31T00:49:19.2357337Z");
    EXPECT_EQ(column("last_access_utc"), column("last_access") + 1);
    EXPECT_EQ(cells[1][column("key_path")], "[\"www.example.com\",\"index.html\"]");
}

// The writers skip plain text eight bytes at a time: whatever needs an
// escape is found wherever it lies, and JSON strings are escaped as
// nlohmann-json escapes the decoded text.
TEST(Export, EscapesAreFoundWhereverTheyLieInALongText)
{
    for (const std::string piece : {"\r", "\"", ",", "\\", "\xFF", "\xC2\x9B", "\x7F", "\xC3\xA9", "\x1B", "\xE0\x80"}) {
        for (size_t at = 0; at <= 24; ++at) {
            std::string text(24, 'a');
            text.insert(at, piece);
            const ExportRow row{{"url", text}};
            std::ostringstream csv;
            MakeExportWriter(ExportFormat::Csv, csv, {"url"})->Write(row);
            const auto cells = cli::test::ParseCsv(csv.str());
            ASSERT_EQ(cells.size(), 2u);
            EXPECT_EQ(UnescapeCsvField(cells[1][0]), TextWithControlSymbols(text)) << cells[1][0];
            EXPECT_EQ(cells[1][1], CsvNeedsHex(text) ? HexBytes(text) : "");
            EXPECT_EQ(cells[1][0].find_first_of("\x1B\x7F"), std::string::npos) << cells[1][0];

            std::ostringstream jsonl;
            MakeExportWriter(ExportFormat::Jsonl, jsonl, {"url"})->Write(row);
            const std::string hex = IsUtf8(text) ? "" : ",\"url_hex\":\"" + HexBytes(text) + "\"";
            EXPECT_EQ(jsonl.str(), "{\"url\":" + nlohmann::json(DecodedText(text)).dump() + hex + "}\n");
        }
    }
}

TEST(Export, JsonLinesReadBackAsTheRowsWithTheirTypes)
{
    const auto rows = AwkwardRows();
    std::istringstream in(Export(ExportFormat::Jsonl, rows));
    size_t r = 0;
    for (std::string line; std::getline(in, line); ++r) {
        ASSERT_LT(r, rows.size());
        const auto object = nlohmann::ordered_json::parse(line);
        size_t c = 0;
        for (const auto& [name, value] : object.items()) {
            if (name.ends_with("_hex"))
                continue;  // checked with its field
            ASSERT_LT(c, rows[r].size());
            const ExportField& field = rows[r][c++];
            EXPECT_EQ(name, field.name);
            if (const auto* number = std::get_if<uint64_t>(&field.value)) {
                EXPECT_EQ(value.get<uint64_t>(), *number) << name;
            } else if (const auto* text = std::get_if<std::string>(&field.value)) {
                // The text; the bytes beside it exactly where it does not give them back.
                EXPECT_EQ(value.get<std::string>(), DecodedText(*text)) << name;
                const std::string hexName = name + "_hex";
                EXPECT_EQ(object.contains(hexName), !IsUtf8(*text)) << name;
                if (object.contains(hexName)) {
                    EXPECT_EQ(object[hexName], HexBytes(*text)) << name;
                }
            } else if (const auto* list = std::get_if<std::vector<std::string>>(&field.value)) {
                EXPECT_EQ(value.size(), list->size()) << name;
                for (size_t i = 0; i < list->size(); ++i)
                    EXPECT_EQ(value[i].get<std::string>(), DecodedText((*list)[i])) << name;
            } else {
                EXPECT_TRUE(value.is_null()) << name;
            }
        }
        EXPECT_EQ(c, rows[r].size());
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
    EXPECT_TRUE(html.ends_with("<p>5 rows</p>\n</body>\n</html>\n"));
}

// A made-up Wine prefix with one container and the time zone key Wine
// writes into system.reg (none when `zoneLines` is null).
class MadeUpPrefix {
public:
    explicit MadeUpPrefix(const char* zoneLines)
    {
        m_location.winePrefix = std::filesystem::temp_directory_path() / ("trovana-zone-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_location.winePrefix);
        const auto folder = m_location.winePrefix / "drive_c/users/u/Temporary Internet Files/Content.IE5";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "index.dat") << "abc";
        m_location.containers.push_back({urlcache::ContainerKind::Content, folder});
        m_location.webCaches.push_back(m_location.winePrefix / "missing/WebCacheV01.dat");
        if (zoneLines != nullptr) {
            std::ofstream(m_location.winePrefix / "system.reg")
                << "WINE REGISTRY Version 2\n\n[System\\\\CurrentControlSet\\\\Control\\\\TimeZoneInformation] 1700000000\n"
                << zoneLines << "\n";
        }
    }
    ~MadeUpPrefix() { std::filesystem::remove_all(m_location.winePrefix); }
    const urlcache::CacheLocation& Location() const { return m_location; }

private:
    urlcache::CacheLocation m_location;
};

TEST(Export, AWinePrefixsHistoryIsReadInTheZoneItRecords)
{
    ::setenv("TZ", "America/Denver", 1);
    const auto zoneOf = [](const char* lines) { return DefaultSourceZone(MadeUpPrefix(lines).Location()).Name(); };
    EXPECT_EQ(zoneOf("\"Bias\"=dword:fffffde4\n\"StandardName\"=\"@tzres.dll,-631\"\n"
                     "\"TimeZoneKeyName\"=\"Tokyo Standard Time\""),
              "Asia/Tokyo");
    // Older Wine wrote the key name as the standard name.
    EXPECT_EQ(zoneOf("\"Bias\"=dword:ffffffc4\n\"StandardName\"=\"W. Europe Standard Time\""), "Europe/Berlin");
    // Nothing it knows, or no system.reg: this machine's zone, as Wine's.
    EXPECT_EQ(zoneOf("\"TimeZoneKeyName\"=\"Nowhere Standard Time\""), "America/Denver");
    EXPECT_EQ(zoneOf(nullptr), "America/Denver");
    // Not a prefix: UTC.
    EXPECT_EQ(DefaultSourceZone(urlcache::CacheLocation{}).Name(), "UTC");
    ::unsetenv("TZ");
    // Every zone the Windows names map to is one this machine can apply.
    for (const std::string_view name : KnownWindowsZones()) {
        const std::optional<std::string> iana = IanaNameOfWindowsZone(name);
        ASSERT_TRUE(iana.has_value()) << name;
        EXPECT_TRUE(TimeZone::Load(*iana).has_value()) << name << " -> " << *iana;
    }
}

TEST(Export, TheWindowsExportStartsWithToolTimeZoneAndEachContainersDigest)
{
    const MadeUpPrefix prefix("\"TimeZoneKeyName\"=\"Tokyo Standard Time\"");
    const ExportHeader header = MakeExportHeader(prefix.Location(), DefaultSourceZone(prefix.Location()));
    EXPECT_EQ(header.tool, "Trovana");
    EXPECT_FALSE(header.version.empty());
    EXPECT_EQ(header.sourceZone, "Asia/Tokyo");
    EXPECT_EQ(header.exportedUtc.size(), 28u) << header.exportedUtc;  // 2026-12-08T08:30:00.0000000Z
    EXPECT_TRUE(header.exportedUtc.ends_with("Z"));
    ASSERT_EQ(header.containers.size(), 2u);
    const std::string index = prefix.Location().containers[0].IndexPath().string();
    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";  // of "abc"
    EXPECT_EQ(header.containers[0].path, index);
    EXPECT_EQ(header.containers[0].sha256, digest);
    EXPECT_EQ(header.containers[1].sha256, std::nullopt);  // not there: no digest, and said so

    const auto rows = AwkwardRows();
    const auto exported = [&](ExportFormat format) {
        std::ostringstream out;
        auto writer = MakeExportWriter(format, out, CatalogueExportColumns(), "Trovana export", &header);
        for (const ExportRow& row : rows)
            writer->Write(row);
        writer->Finish();
        return out.str();
    };
    // CSV: records that start with '#' before the column names; the rows
    // read back as before.
    const std::string csv = exported(ExportFormat::Csv);
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF#tool,Trovana," + header.version + "\r\n#exported_utc," +
                                header.exportedUtc + "\r\n#source_tz,Asia/Tokyo\r\n#codepage,windows-1252\r\n#container," + index + "," +
                                digest + "\r\n#container,"))
        << csv.substr(0, 400);
    const size_t columns = csv.find("\r\nurl,") + 2;
    const auto table = cli::test::ParseCsv(csv.substr(columns));
    ASSERT_EQ(table.size(), rows.size() + 1);
    EXPECT_EQ(table[0], HexColumns().WithHexColumns(CatalogueExportColumns()));
    // JSON lines: the first line is the header, the others the rows.
    std::istringstream lines(exported(ExportFormat::Jsonl));
    std::string first;
    std::getline(lines, first);
    const auto json = nlohmann::json::parse(first)["export_header"];
    EXPECT_EQ(json["tool"], "Trovana");
    EXPECT_EQ(json["source_tz"], "Asia/Tokyo");
    EXPECT_EQ(json["source_tz_note"], "") << "the prefix's own zone, not a guess";
    EXPECT_EQ(json["codepage"], "windows-1252");
    EXPECT_EQ(json["exported_utc"], header.exportedUtc);
    EXPECT_EQ(json["containers"][0]["path"], index);
    EXPECT_EQ(json["containers"][0]["sha256"], digest);
    EXPECT_TRUE(json["containers"][1]["sha256"].is_null());
    size_t rest = 0;
    for (std::string line; std::getline(lines, line); ++rest)
        EXPECT_TRUE(nlohmann::json::parse(line).contains("url"));
    EXPECT_EQ(rest, rows.size());
    // The HTML report: a table of its own before the rows.
    const std::string html = exported(ExportFormat::Html);
    const size_t provenance = html.find("<table class=\"provenance\">");
    ASSERT_NE(provenance, std::string::npos);
    EXPECT_LT(provenance, html.find("<thead>"));
    EXPECT_NE(html.find("<td>" + index + "</td><td>" + digest + "</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>Asia/Tokyo</td>"), std::string::npos);
}

}  // namespace
}  // namespace trovana::exporting
