// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

#include <gtest/gtest.h>

#include "faithful_text.h"

namespace trovana {
namespace {

// The text every output gives: UTF-8 as it is, any other string in the
// cache's code page, as Windows and msiecfexport (-c) read it.
TEST(DecodedText, Utf8AsItIsElseTheCodePage)
{
    EXPECT_EQ(DecodedText("res://C:\\Program Files\\x.dll/GIF/#290"), "res://C:\\Program Files\\x.dll/GIF/#290");
    EXPECT_EQ(DecodedText("stra\xC3\x9F" "e"), "stra\xC3\x9F" "e");
    // WinINet's ANSI functions store Windows-1252: ß is 0xDF, ü 0xFC.
    EXPECT_EQ(DecodedText("http://www.example.de/stra\xDF" "e/m\xFCnchen.htm"),
              "http://www.example.de/stra\xC3\x9F" "e/m\xC3\xBCnchen.htm");
    // One invalid byte makes the whole string the code page's: no mix.
    EXPECT_EQ(DecodedText("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9");
    EXPECT_EQ(DecodedText("\x80\x81\x9F"), "\xE2\x82\xAC\xC2\x81\xC5\xB8");  // euro, unused byte as U+0081, Ÿ
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));      // overlong '/'
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_TRUE(IsUtf8(std::string("nul\0ok", 6)));

    ASSERT_TRUE(CodePage::Named("Windows-1251"));
    EXPECT_EQ(CodePage::Named("windows-1251")->ToUtf8("\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8");  // При
    EXPECT_EQ(CodePage::Named("ascii")->ToUtf8("a\xE9"), "a\xEF\xBF\xBD");
    EXPECT_EQ(CodePage::Named("windows-932")->ToUtf8("\x93\xFA\x96\x7B"), "\xE6\x97\xA5\xE6\x9C\xAC");  // 日本
    EXPECT_FALSE(CodePage::Named("utf-8"));
    EXPECT_FALSE(CodePage::Named("windows-1252; rm"));

    SetCacheCodePage(*CodePage::Named("windows-1251"));
    EXPECT_EQ(DecodedText("\xCF"), "\xD0\x9F");
    SetCacheCodePage(CodePage::Windows1252());
    EXPECT_EQ(DecodedText("\xCF"), "\xC3\x8F");
    EXPECT_EQ(HexBytes(std::string_view("\x00\xDF\\", 3)), "00df5c");
}

TEST(CsvField, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(CsvField("plain text;ok"), "plain text;ok");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    // Line breaks stay, inside quotes, as RFC 4180 allows; so does a tab.
    EXPECT_EQ(CsvField("line\r\nnext"), "\"line\r\nnext\"");
    EXPECT_EQ(CsvField("tab\there"), "tab\there");
    // A backslash is one backslash.
    EXPECT_EQ(CsvField("res://C:\\Program Files\\a.dll"), "res://C:\\Program Files\\a.dll");
    // Text that is not UTF-8 is Windows-1252's.
    EXPECT_EQ(CsvField("caf\xE9"), "caf\xC3\xA9");
}

// What a hostile entry could make a terminal or a spreadsheet do.
TEST(CsvField, NoTerminalEscapeAndNoFormulaGetsThrough)
{
    // Controls show as their symbols (ESC U+241B, BEL U+2407), C1 as U+FFFD.
    EXPECT_EQ(CsvField("http://a.example/\x1B[2J\x07"), "http://a.example/\xE2\x90\x9B[2J\xE2\x90\x87");
    EXPECT_EQ(CsvField(std::string("nul\0del\x7F", 8)), "nul\xE2\x90\x80" "del\xE2\x90\xA1");
    EXPECT_EQ(CsvField("csi\xC2\x9B" "2J"), "csi\xEF\xBF\xBD" "2J");
    EXPECT_EQ(CsvField("\xC2\xA0nbsp"), "\xC2\xA0nbsp");

    EXPECT_EQ(CsvField("=cmd|'/c calc'!A1"), "'=cmd|'/c calc'!A1");
    EXPECT_EQ(CsvField("+1+1"), "'+1+1");
    EXPECT_EQ(CsvField("-2+3"), "'-2+3");
    EXPECT_EQ(CsvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CsvField("=HYPERLINK(\"http://x\",\"y\")"), "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
    EXPECT_EQ(CsvField("a=b"), "a=b");
    // OWASP's list has TAB and CR too.
    EXPECT_EQ(CsvField("\t=1+2"), "'\t=1+2");
    EXPECT_EQ(CsvField("\r=1+2"), "\"'\r=1+2\"");
}

TEST(CsvField, TheHexIsAskedForExactlyWhereTheTextLosesBytes)
{
    for (const std::string& bytes : {std::string("=1+2,\"x\"\r\n\t\\x41"), std::string("'lead"),
                                     std::string("plain"), std::string("caf\xC3\xA9")}) {
        EXPECT_FALSE(CsvNeedsHex(bytes)) << bytes;
        std::string field = CsvField(bytes);
        if (field.starts_with('"'))  // unquote as a CSV reader does
            field = field.substr(1, field.size() - 2);
        for (size_t quote = field.find("\"\""); quote != std::string::npos; quote = field.find("\"\"", quote + 1))
            field.erase(quote, 1);
        EXPECT_EQ(UnescapeCsvField(field), bytes) << field;
    }
    for (const std::string& bytes : {std::string("caf\xE9"), std::string("\0nul", 4), std::string("\x1B"),
                                     std::string("\xC2\x9B"), std::string("\x7F")})
        EXPECT_TRUE(CsvNeedsHex(bytes)) << bytes;
}

}  // namespace
}  // namespace trovana
