// SPDX-License-Identifier: GPL-3.0-or-later
// Entries as JSON lines and CSV rows: text by the one rule (valid UTF-8 as
// is, else Windows-1252; a backslash one backslash), the bytes in hex
// beside it where the text does not give them back, and what is written
// parses back with a strict reader.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "csv.h"
#include "csv_reader.h"
#include "export_writer.h"
#include "faithful_text.h"

namespace trovana::exporting {
namespace {

using cli::test::ParseCsv;

// One row of the given fields written by the writer in `format`.
std::string Written(ExportFormat format, const ExportRow& row)
{
    std::ostringstream out;
    MakeExportWriter(format, out, ColumnNames(row))->Write(row);
    return out.str();
}

nlohmann::json JsonObject(const ExportRow& row)
{
    return nlohmann::json::parse(Written(ExportFormat::Jsonl, row));
}

// The JSON line of one byte string, its text as a strict reader gets it.
std::string JsonText(const std::string& bytes)
{
    return JsonObject({{"v", bytes}})["v"].get<std::string>();
}

const std::vector<std::string>& EntryColumns()
{
    static const std::vector<std::string> columns = ColumnNames(EntryExportFields({}));
    return columns;
}

urlcache::CacheEntryInfo SampleEntry()
{
    urlcache::CacheEntryInfo entry;
    entry.sourceUrlName = "http://www.example.com/a,b/\"q\".html?x=1&y=caf\xE9";
    entry.localFileName = "/tmp/p/drive_c/x/\"q\"[1].htm";
    entry.cacheEntryType = urlcache::NORMAL_CACHE_ENTRY | urlcache::STICKY_CACHE_ENTRY;
    entry.useCount = 2;
    entry.hitRate = 17;
    entry.sizeLow = 4096;
    entry.sizeHigh = 1;
    entry.lastModifiedTime = 0xFFFFFFFFFFFFFFFFull;
    entry.lastAccessTime = 133600000000000000ull;
    entry.expireTime = 0;
    entry.lastSyncTime = 133600000010000000ull;
    entry.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-Name: \"r\xE9sum\xE9\"\t\\\r\n\r\n";
    return entry;
}

TEST(JsonString, EscapesQuotesBackslashesAndControlBytes)
{
    // One backslash in the bytes is one in the JSON value (written \\).
    EXPECT_EQ(Written(ExportFormat::Jsonl, {{"v", std::string("a\"b\\c")}}), "{\"v\":\"a\\\"b\\\\c\"}\n");
    EXPECT_EQ(JsonText("res://C:\\Program Files\\a.dll/GIF/#290"), "res://C:\\Program Files\\a.dll/GIF/#290");
    EXPECT_EQ(JsonText("\r\n\t\b\f"), "\r\n\t\b\f");
    EXPECT_EQ(JsonText(std::string("\x00\x01\x1f\x7f", 4)), std::string("\x00\x01\x1f\x7f", 4));
}

TEST(JsonString, KeepsWellFormedUtf8AndReadsOtherTextInWindows1252)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBF \xF4\x8F\xBF\xBF";
    EXPECT_EQ(JsonText(text), text);
    EXPECT_FALSE(JsonObject({{"v", text}}).contains("v_hex"));
    EXPECT_EQ(JsonText("stra\xDF" "e"), "stra\xC3\x9F" "e");
    EXPECT_EQ(JsonText("\xC0\xAF"), "\xC3\x80\xC2\xAF");  // an overlong '/' is two Windows-1252 characters
    // A literal "\x8C" and the byte 0x8C read differently.
    EXPECT_EQ(JsonText("\\x8C"), "\\x8C");
    EXPECT_EQ(JsonText("\x8C"), "\xC5\x92");  // Œ
}

TEST(JsonString, EveryByteAndEveryPairKeepsItsBytesInJsonAndCsv)
{
    for (int c = 0; c < 256; ++c) {
        for (int d : {-1, 0x41, 0x5C, 0x80, 0xA9, 0xC3}) {
            std::string bytes(1, static_cast<char>(c));
            if (d >= 0)
                bytes += static_cast<char>(d);
            // JSON: the value is the bytes, or v_hex holds them.
            const nlohmann::json object = JsonObject({{"v", bytes}});
            if (object.contains("v_hex"))
                EXPECT_EQ(object["v_hex"], HexBytes(bytes)) << "byte " << c << " then " << d;
            else
                EXPECT_EQ(object["v"], bytes) << "byte " << c << " then " << d;
            EXPECT_EQ(object.contains("v_hex"), !IsUtf8(bytes));
            // CSV: the cell is the bytes, or v_hex holds them.
            std::ostringstream out;
            MakeExportWriter(ExportFormat::Csv, out, {"url"})->Write({{"url", bytes}});
            const auto rows = ParseCsv(out.str());
            ASSERT_EQ(rows.size(), 2u);
            ASSERT_EQ(rows[1].size(), 2u);
            if (rows[1][1].empty())
                EXPECT_EQ(UnescapeCsvField(rows[1][0]), bytes) << "byte " << c << " then " << d;
            else
                EXPECT_EQ(rows[1][1], HexBytes(bytes)) << "byte " << c << " then " << d;
        }
    }
}

TEST(EntryRecord, HasExactlyTheListedKeysInOrder)
{
    const std::vector<std::string> expected = {"url",       "local",     "type",          "size_low",    "size_high",
                                               "hit_rate",  "use_count", "last_modified", "last_access", "expire",
                                               "last_sync", "header",    "header_size",   "container",   "expire_dos",
                                               "source_tz", "local_time_fit", "creation",  "post_check",    "flags",       "file_name",
                                               "file_present", "table",  "entry_id",      "cookie_name", "cookie_value"};
    EXPECT_EQ(EntryColumns(), expected);
    EXPECT_EQ(ColumnNames(EntryExportFields(SampleEntry())), expected);
}

TEST(EntryRecord, JsonObjectParsesBackWithEveryValue)
{
    const urlcache::CacheEntryInfo entry = SampleEntry();
    const nlohmann::json object = JsonObject(EntryExportFields(entry));
    EXPECT_EQ(object.size(), EntryColumns().size() + 2);  // url_hex and header_hex
    EXPECT_EQ(object["url"], "http://www.example.com/a,b/\"q\".html?x=1&y=caf\xC3\xA9");
    EXPECT_EQ(object["url_hex"], HexBytes(entry.sourceUrlName));
    EXPECT_EQ(object["local"], entry.localFileName);
    EXPECT_EQ(object["type"], 5u);
    EXPECT_EQ(object["size_low"], 4096u);
    EXPECT_EQ(object["size_high"], 1u);
    EXPECT_EQ(object["hit_rate"], 17u);
    EXPECT_EQ(object["use_count"], 2u);
    EXPECT_EQ(object["last_modified"].get<uint64_t>(), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(object["last_access"].get<uint64_t>(), entry.lastAccessTime);
    EXPECT_EQ(object["expire"], 0u);
    EXPECT_EQ(object["last_sync"].get<uint64_t>(), entry.lastSyncTime);
    EXPECT_EQ(object["header"],
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-Name: \"r\xC3\xA9sum\xC3\xA9\"\t\\\r\n\r\n");
    EXPECT_EQ(object["header_hex"], HexBytes(entry.headerInfo));
    EXPECT_EQ(object["header_size"], entry.headerInfo.size());
}

TEST(EntryRecord, NoLocalFileIsNullAndAnEmptyHeaderAnEmptyString)
{
    urlcache::CacheEntryInfo entry;
    entry.sourceUrlName = "Visited: alice@http://example.com/";
    const nlohmann::json object = JsonObject(EntryExportFields(entry));
    EXPECT_TRUE(object["local"].is_null());
    EXPECT_EQ(object["header"], "");
    EXPECT_EQ(object["header_size"], 0u);
}

// The columns of the cache's bytes, each with a hex column at the end.
std::vector<std::string> CsvColumns()
{
    std::vector<std::string> columns = EntryColumns();
    for (const char* name : {"url_hex", "local_hex", "header_hex", "file_name_hex", "cookie_name_hex",
                             "cookie_value_hex"})
        columns.push_back(name);
    return columns;
}

TEST(ExportWriter, CsvHasAHeaderRowEvenWithoutRecords)
{
    std::ostringstream out;
    MakeExportWriter(ExportFormat::Csv, out, EntryColumns());
    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], CsvColumns());
}

TEST(ExportWriter, CsvRowsParseBackToTheExactBytes)
{
    const urlcache::CacheEntryInfo entry = SampleEntry();
    urlcache::CacheEntryInfo noFile;
    noFile.sourceUrlName = "Cookie:alice@example.com/";
    std::ostringstream out;
    const auto writer = MakeExportWriter(ExportFormat::Csv, out, EntryColumns());
    writer->Write(EntryExportFields(entry));
    writer->Write(EntryExportFields(noFile));

    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), CsvColumns().size());
    }
    const size_t urlHex = EntryColumns().size();
    // Windows-1252 text, its bytes beside it.
    EXPECT_EQ(rows[1][0], "http://www.example.com/a,b/\"q\".html?x=1&y=caf\xC3\xA9");
    EXPECT_EQ(rows[1][urlHex], HexBytes(entry.sourceUrlName));
    EXPECT_EQ(UnescapeCsvField(rows[1][1]), entry.localFileName);
    EXPECT_EQ(rows[1][urlHex + 1], "");
    EXPECT_EQ(rows[1][7], "18446744073709551615");
    EXPECT_EQ(rows[1][9], "0");
    EXPECT_EQ(rows[1][urlHex + 2], HexBytes(entry.headerInfo));
    EXPECT_EQ(rows[1][12], std::to_string(entry.headerInfo.size()));
    EXPECT_EQ(UnescapeCsvField(rows[2][0]), noFile.sourceUrlName);
    EXPECT_EQ(rows[2][urlHex], "");
    EXPECT_EQ(rows[2][1], "");
}

TEST(ExportWriter, ListsAreJsonArraysInBothFormats)
{
    const ExportRow record = {{"key_path", std::vector<std::string>{"shop.example.net/cart", "Cookie", "a\"b,c\xE9"}},
                           {"none", std::vector<std::string>{}}};
    const nlohmann::json object = JsonObject(record);
    EXPECT_EQ(object["key_path"], nlohmann::json({"shop.example.net/cart", "Cookie", "a\"b,c\xC3\xA9"}));
    EXPECT_EQ(object["none"], nlohmann::json::array());

    std::ostringstream out;
    MakeExportWriter(ExportFormat::Csv, out, {"key_path", "none"})->Write(record);
    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(UnescapeCsvField(rows[1][0])), object["key_path"]);
    EXPECT_EQ(UnescapeCsvField(rows[1][1]), "[]");
}

}  // namespace
}  // namespace trovana::exporting
