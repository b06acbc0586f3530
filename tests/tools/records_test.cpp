// SPDX-License-Identifier: GPL-3.0-or-later
// Entries as JSON lines and CSV rows: every byte survives, and what is
// written parses back with a strict reader.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "csv_reader.h"
#include "records.h"

namespace trovana::cli {
namespace {

using test::ParseCsv;

// JSON text of one byte string, parsed back by a strict reader.
std::string ParsedBack(const std::string& bytes)
{
    return nlohmann::json::parse(JsonString(bytes)).get<std::string>();
}

// U+0000 to U+00FF as UTF-8.
std::string Latin1AsUtf8(unsigned char c)
{
    if (c < 0x80) {
        return std::string(1, static_cast<char>(c));
    }
    return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
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
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("\r\n\t\b\f"), R"("\r\n\t\b\f")");
    EXPECT_EQ(JsonString(std::string("\x00\x01\x1f", 3)), R"("\u0000\u0001\u001f")");
    EXPECT_EQ(JsonString("\x7f/"), "\"\x7f/\"");
}

TEST(JsonString, KeepsWellFormedUtf8)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBF \xF4\x8F\xBF\xBF";
    EXPECT_EQ(JsonString(text), "\"" + text + "\"");
    EXPECT_EQ(ParsedBack(text), text);
}

TEST(JsonString, WritesEachByteOfAnIllFormedSequenceAsItsOwnEscape)
{
    EXPECT_EQ(JsonString("caf\xE9"), R"("caf\u00e9")");
    EXPECT_EQ(JsonString("\xC0\xAF"), R"("\u00c0\u00af")");                      // overlong '/'
    EXPECT_EQ(JsonString("\xED\xA0\x80"), R"("\u00ed\u00a0\u0080")");            // surrogate
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"), R"("\u00f4\u0090\u0080\u0080")");  // above U+10FFFF
    EXPECT_EQ(JsonString("\xE2\x82"), R"("\u00e2\u0082")");                      // cut short at the end
    EXPECT_EQ(JsonString("\xE2\x82"
                         "A\xC3\xA9"),
              "\"\\u00e2\\u0082A\xC3\xA9\"");  // cut short, then text
    EXPECT_EQ(JsonString("\x80\xBF\xFE\xFF"), R"("\u0080\u00bf\u00fe\u00ff")");
}

TEST(JsonString, EveryByteParsesBackAsItsLatin1CodePointWhenAlone)
{
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(ParsedBack(byte), Latin1AsUtf8(static_cast<unsigned char>(c))) << "byte " << c;
    }
}

TEST(EntryRecord, HasExactlyTheListedKeysInOrder)
{
    const std::vector<std::string> expected = {"url",       "local",     "type",          "size_low",    "size_high",
                                               "hit_rate",  "use_count", "last_modified", "last_access", "expire",
                                               "last_sync", "header",    "header_size"};
    EXPECT_EQ(EntryColumns(), expected);
    std::vector<std::string> keys;
    for (const Field& field : EntryRecord(SampleEntry())) {
        keys.push_back(field.name);
    }
    EXPECT_EQ(keys, expected);
}

TEST(EntryRecord, JsonObjectParsesBackWithEveryValue)
{
    const urlcache::CacheEntryInfo entry = SampleEntry();
    const nlohmann::json object = nlohmann::json::parse(JsonObject(EntryRecord(entry)));
    EXPECT_EQ(object.size(), EntryColumns().size());
    EXPECT_EQ(object["url"], "http://www.example.com/a,b/\"q\".html?x=1&y=caf\xC3\xA9");
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
    EXPECT_EQ(object["header_size"], entry.headerInfo.size());
}

TEST(EntryRecord, NoLocalFileIsNullAndAnEmptyHeaderAnEmptyString)
{
    urlcache::CacheEntryInfo entry;
    entry.sourceUrlName = "Visited: alice@http://example.com/";
    const nlohmann::json object = nlohmann::json::parse(JsonObject(EntryRecord(entry)));
    EXPECT_TRUE(object["local"].is_null());
    EXPECT_EQ(object["header"], "");
    EXPECT_EQ(object["header_size"], 0u);
}

TEST(RecordWriter, CsvHasAHeaderRowEvenWithoutRecords)
{
    std::ostringstream out;
    RecordWriter writer(out, OutputFormat::Csv, EntryColumns());
    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], EntryColumns());
}

TEST(RecordWriter, CsvRowsParseBackToTheExactBytes)
{
    const urlcache::CacheEntryInfo entry = SampleEntry();
    urlcache::CacheEntryInfo noFile;
    noFile.sourceUrlName = "Cookie:alice@example.com/";
    std::ostringstream out;
    RecordWriter writer(out, OutputFormat::Csv, EntryColumns());
    writer.Write(EntryRecord(entry));
    writer.Write(EntryRecord(noFile));

    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), EntryColumns().size());
    }
    EXPECT_EQ(rows[1][0], entry.sourceUrlName);
    EXPECT_EQ(rows[1][1], entry.localFileName);
    EXPECT_EQ(rows[1][7], "18446744073709551615");
    EXPECT_EQ(rows[1][9], "0");
    EXPECT_EQ(rows[1][11], entry.headerInfo);
    EXPECT_EQ(rows[1][12], std::to_string(entry.headerInfo.size()));
    EXPECT_EQ(rows[2][0], noFile.sourceUrlName);
    EXPECT_EQ(rows[2][1], "");
}

TEST(RecordWriter, ListsAreJsonArraysInBothFormats)
{
    const Record record = {{"key_path", std::vector<std::string>{"shop.example.net/cart", "Cookie", "a\"b,c\xE9"}},
                           {"none", std::vector<std::string>{}}};
    const nlohmann::json object = nlohmann::json::parse(JsonObject(record));
    EXPECT_EQ(object["key_path"], nlohmann::json({"shop.example.net/cart", "Cookie", "a\"b,c\xC3\xA9"}));
    EXPECT_EQ(object["none"], nlohmann::json::array());

    std::ostringstream out;
    RecordWriter writer(out, OutputFormat::Csv, {"key_path", "none"});
    writer.Write(record);
    const auto rows = ParseCsv(out.str());
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(rows[1][0]), object["key_path"]);
    EXPECT_EQ(rows[1][1], "[]");
}

}  // namespace
}  // namespace trovana::cli
