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
    EXPECT_EQ(CsvField("line\r\nnext"), "\"line\r\nnext\"");
    EXPECT_EQ(CsvField("lf\nonly"), "\"lf\nonly\"");
    EXPECT_EQ(CsvField("tab\there"), "tab\there");
    // Bytes that are not text stay as they are.
    EXPECT_EQ(CsvField("caf\xE9 \xC3\xA9\xFF"), "caf\xE9 \xC3\xA9\xFF");
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
}

TEST(CsvField, ReversibleFieldsGiveBackTheirBytes)
{
    // Every line break, tab and backslash is escaped: a reversible field
    // never spans lines, and its escapes cannot be confused with the bytes.
    EXPECT_EQ(CsvField("a\\x41\tb\r\n", CsvEscaping::Reversible), "a\\\\x41\\x09b\\x0D\\x0A");
    EXPECT_EQ(CsvField("'quoted", CsvEscaping::Reversible), "''quoted");
    for (const std::string& bytes : {std::string("=1+2,\"x\"\r\n\t\\x41\xC2\x9B\xFF"), std::string("'lead"),
                                     std::string("\0nul", 4), std::string("plain")}) {
        std::string field = CsvField(bytes, CsvEscaping::Reversible);
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
