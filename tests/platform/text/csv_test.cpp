// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

#include <gtest/gtest.h>

namespace trovana {
namespace {

TEST(CsvField, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(CsvField("plain text;ok"), "plain text;ok");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    // Line breaks and tabs are escaped, so that no field spans lines or
    // moves the cursor of a terminal.
    EXPECT_EQ(CsvField("line\r\nnext"), "line\\x0D\\x0Anext");
    EXPECT_EQ(CsvField("tab\there"), "tab\\x09here");
    // UTF-8 stays as it is; bytes that are not UTF-8 are escaped (0x9B, the
    // one-byte CSI of Windows-1252 text, among them).
    EXPECT_EQ(CsvField("caf\xE9 \xC3\xA9\xFF\x9B"), "caf\\xE9 \xC3\xA9\\xFF\\x9B");
}

// What a hostile entry could make a terminal or a spreadsheet do.
TEST(CsvField, NoTerminalEscapeAndNoFormulaGetsThrough)
{
    EXPECT_EQ(CsvField("http://a.example/\x1B[2J\x1B]0;title\x07"), "http://a.example/\\x1B[2J\\x1B]0;title\\x07");
    EXPECT_EQ(CsvField(std::string("nul\0del\x7F", 8)), "nul\\x00del\\x7F");
    // U+009B, the one-byte CSI, encoded as UTF-8.
    EXPECT_EQ(CsvField("csi\xC2\x9B"
                       "2J"),
              "csi\\xC2\\x9B2J");
    EXPECT_EQ(CsvField("\xC2\xA0nbsp"), "\xC2\xA0nbsp");

    EXPECT_EQ(CsvField("=cmd|'/c calc'!A1"), "'=cmd|'/c calc'!A1");
    EXPECT_EQ(CsvField("+1+1"), "'+1+1");
    EXPECT_EQ(CsvField("-2+3"), "'-2+3");
    EXPECT_EQ(CsvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CsvField("=HYPERLINK(\"http://x\",\"y\")"), "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
    EXPECT_EQ(CsvField("a=b"), "a=b");
    // OWASP's list has TAB and CR too.
    EXPECT_EQ(CsvField("\t=1+2"), "'\\x09=1+2");
    EXPECT_EQ(CsvField("\r=1+2"), "'\\x0D=1+2");
}

TEST(CsvField, FieldsGiveBackTheirBytes)
{
    // Every line break, tab and backslash is escaped: a reversible field
    // never spans lines, and its escapes cannot be confused with the bytes.
    EXPECT_EQ(CsvField("a\\x41\tb\r\n"), "a\\\\x41\\x09b\\x0D\\x0A");
    EXPECT_EQ(CsvField("'quoted"), "''quoted");
    for (const std::string& bytes : {std::string("=1+2,\"x\"\r\n\t\\x41\xC2\x9B\xFF"), std::string("'lead"),
                                     std::string("\0nul", 4), std::string("plain"),
                                     std::string("\t\x8C\r")}) {
        std::string field = CsvField(bytes);
        EXPECT_EQ(field.find_first_of("\r\n"), std::string::npos) << field;
        if (field.starts_with('"'))  // unquote as a CSV reader does
            field = field.substr(1, field.size() - 2);
        for (size_t quote = field.find("\"\""); quote != std::string::npos; quote = field.find("\"\"", quote + 1))
            field.erase(quote, 1);
        EXPECT_EQ(UnescapeCsvField(field), bytes) << field;
    }
}

}  // namespace
}  // namespace trovana
