// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry.h"

#include "ascii.h"
#include "env_test_support.h"

#include <gtest/gtest.h>

namespace trovana::urlcache {
namespace {

using test::Wine8SystemReg;
using test::Wine8UserReg;

const std::string kUserShellFolders = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders)";
const std::string kShellFolders = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders)";
const std::string kProfile = R"(Software\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-0-0-0-1000)";

std::string StringValue(const RegistryText& registry, std::string_view key, std::string_view name)
{
    const RegistryValue* value = registry.Value(key, name);
    return value ? value->data : "<missing>";
}

TEST(RegistryText, ReadsTheShellFoldersWine8Writes)
{
    RegistryText user = RegistryText::Parse(Wine8UserReg("alice"));
    const RegistryValue* cache = user.Value(kUserShellFolders, "Cache");
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->type, REG_EXPAND_SZ);
    EXPECT_EQ(cache->data, R"(%USERPROFILE%\AppData\Local\Microsoft\Windows\INetCache)");
    const RegistryValue* expanded = user.Value(kShellFolders, "History");
    ASSERT_NE(expanded, nullptr);
    EXPECT_EQ(expanded->type, REG_SZ);
    EXPECT_EQ(expanded->data, R"(C:\users\alice\AppData\Local\Microsoft\Windows\History)");
    EXPECT_EQ(StringValue(user, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "User Agent"),
              "Mozilla/4.0 (compatible; MSIE 8.0; Win32)");
    EXPECT_EQ(StringValue(user, "AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current", ""), "");
}

TEST(RegistryText, MatchesKeyAndValueNamesWithoutCase)
{
    RegistryText user = RegistryText::Parse(Wine8UserReg("alice"));
    EXPECT_TRUE(user.HasKey(R"(SOFTWARE\microsoft\WINDOWS\currentversion\explorer\user shell folders)"));
    EXPECT_EQ(StringValue(user, ToLowerAscii(kUserShellFolders), "cOOKIES"),
              R"(%USERPROFILE%\AppData\Local\Microsoft\Windows\INetCookies)");
}

TEST(RegistryText, ReadsSystemRegAcrossHexContinuationsAndLinks)
{
    RegistryText system = RegistryText::Parse(Wine8SystemReg("alice"));
    EXPECT_EQ(StringValue(system, kProfile, "ProfileImagePath"), R"(C:\users\alice)");
    const std::string filterKey =
        R"(Software\Classes\CLSID\{083863F1-70DE-11D0-BD40-00A0C911CE86}\Instance\{1B544C20-FD0B-11CE-8C63-00AA0044B51E})";
    // The value after a binary one spread over indented lines is still read.
    EXPECT_EQ(StringValue(system, filterKey, "FriendlyName"), "AVI Splitter");
    // Numbers, binary data and registry links are not strings.
    EXPECT_EQ(system.Value(kProfile, "Flags"), nullptr);
    EXPECT_EQ(system.Value(filterKey, "FilterData"), nullptr);
    EXPECT_EQ(system.Value(R"(Software\Classes\Wow6432Node\AppId)", "SymbolicLinkValue"), nullptr);
    const RegistryValue* multi = system.Value(R"(Software\Microsoft\Windows NT\CurrentVersion\SvcHost)", "netsvcs");
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->type, REG_MULTI_SZ);
    EXPECT_EQ(multi->data, std::string("BITS\0fontcache\0Schedule\0", 24));
}

TEST(RegistryText, KeepsOnlyTheKeysAskedFor)
{
    RegistryText system = RegistryText::Parse(Wine8SystemReg("alice"), {kProfile});
    EXPECT_TRUE(system.HasKey(kProfile));
    EXPECT_FALSE(system.HasKey(kUserShellFolders));
    EXPECT_EQ(system.Value(kUserShellFolders, "Common AppData"), nullptr);
}

TEST(RegistryText, DecodesWineEscapes)
{
    // Wine writes a character above 127 as \x and its hex code, with four
    // digits when a hex digit follows; \\ and \" escape themselves.
    RegistryText text = RegistryText::Parse(R"(WINE REGISTRY Version 2

[Escapes] 1796632474
"short"="C:\\users\\jos\xe9"
"padded"="jos\x00e9a"
"quote"="say \"hi\""
"controls"="a\tb\nc\001d"
"surrogates"="\xd83d\xde00"
"lone"="\xd83d!"
"utf8"="Ã©t©"
"x"="\xyz"
"with \"quotes\""="named"
)");
    EXPECT_EQ(StringValue(text, "Escapes", "short"), "C:\\users\\jos\xC3\xA9");
    EXPECT_EQ(StringValue(text, "Escapes", "padded"),
              "jos\xC3\xA9"
              "a");
    EXPECT_EQ(StringValue(text, "Escapes", "quote"), "say \"hi\"");
    EXPECT_EQ(StringValue(text, "Escapes", "controls"), "a\tb\nc\001d");
    EXPECT_EQ(StringValue(text, "Escapes", "surrogates"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(StringValue(text, "Escapes", "lone"), "\xEF\xBF\xBD!");
    EXPECT_EQ(StringValue(text, "Escapes", "utf8"), "Ã©t©");
    EXPECT_EQ(StringValue(text, "Escapes", "x"), "xyz");
    EXPECT_EQ(StringValue(text, "Escapes", "with \"quotes\""), "named");
}

TEST(RegistryText, DecodesEscapedKeyNames)
{
    RegistryText text = RegistryText::Parse("[Software\\\\Odd \\[1\\]\\\\Caf\\xe9] 1796632474\n\"v\"=\"1\"\n");
    EXPECT_EQ(StringValue(text, "Software\\Odd [1]\\Caf\xC3\xA9", "v"), "1");
}

TEST(RegistryText, ReadsStringsWrittenAsHex)
{
    // A string stored without its NUL is written as UTF-16LE bytes.
    RegistryText text = RegistryText::Parse(
        "[Key] 1\n"
        "\"Cache\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,\\\n"
        "  45,00,25,00,5c,00,43,00\n"
        "\"Terminated\"=hex(1):41,00,00,00\n"
        "\"Odd\"=hex(1):41,0\n");
    const RegistryValue* cache = text.Value("Key", "Cache");
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->type, REG_EXPAND_SZ);
    EXPECT_EQ(cache->data, R"(%USERPROFILE%\C)");
    EXPECT_EQ(StringValue(text, "Key", "Terminated"), "A");
    EXPECT_EQ(text.Value("Key", "Odd"), nullptr);
}

TEST(RegistryText, MissingKeysAndValuesAreAbsent)
{
    RegistryText user = RegistryText::Parse(Wine8UserReg("alice"));
    EXPECT_FALSE(user.HasKey("Software\\Nothing"));
    EXPECT_EQ(user.Value("Software\\Nothing", "Cache"), nullptr);
    EXPECT_EQ(user.Value(kUserShellFolders, "NoSuchValue"), nullptr);
    EXPECT_FALSE(RegistryText::Parse("").HasKey(kUserShellFolders));
    EXPECT_FALSE(RegistryText::Load("/nonexistent/user.reg").has_value());
}

TEST(RegistryText, SkipsLinesItDoesNotUnderstand)
{
    RegistryText text = RegistryText::Parse(
        "\"before\"=\"any key\"\r\n"
        "garbage line\r\n"
        "[Good] 1796632361\r\n"
        "#time=1dd8625860af800\r\n"
        "\"unterminated=\"x\r\n"
        "\"noequals\" \"x\"\r\n"
        "\"badtype\"=str(zz):\"x\"\r\n"
        "\"hugetype\"=str(123456789abc):\"x\"\r\n"
        "\"open\"=\"no closing quote\r\n"
        "\"number\"=dword:0000000a\r\n"
        "  orphan,continuation,\\\r\n"
        "\"ok\"=\"yes\"\r\n"
        "\"later\"=hex(2):41,00,\\\r\n"
        "[Next] 1\r\n"
        "\"after\"=\"read\"\r\n"
        "[Broken\r\n"
        "\"lost\"=\"not in Next\"\r\n"
        "\xff\xfe\x01 binary\r\n"
        "[Good] 2\r\n"
        "\"ok\"=\"again\"\r\n");
    EXPECT_EQ(StringValue(text, "Good", "ok"), "again");
    EXPECT_EQ(StringValue(text, "Next", "after"), "read");
    EXPECT_EQ(text.Value("Next", "lost"), nullptr);
    for (const char* name : {"before", "unterminated", "noequals", "badtype", "hugetype", "open", "number", "later"})
        EXPECT_EQ(text.Value("Good", name), nullptr) << name;
}

}  // namespace
}  // namespace trovana::urlcache
