// SPDX-License-Identifier: GPL-3.0-or-later
// The small encodings of the format: the URL hash, DOS date/time and
// FILETIME, Windows-1252 names, and how new local files are named.
#include "file_time.h"
#include "hash.h"
#include "local_file.h"
#include "new_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace trovana::urlcache {
namespace {

TEST(UrlHash, MatchesTheSlotsWineWrote)
{
    struct Vector {
        const char* url;
        uint32_t hash;
        uint32_t bucket;
    };
    const Vector vectors[] = {
        {"http://www.example.com/index.html", 0xF11D467E, 62},
        {"http://www.example.com/img/logo.png", 0x81F2EFFB, 59},
        {"http://other.example.org/index.html", 0x6B15186C, 44},
        {"Visited: user@http://www.example.com/index.html", 0x6205D739, 57},
        {"Cookie:root@www.example.com/", 0xAEF2F5CD, 13},
        {"Visited: http://winehq.org/doc0.html", 0x6990FBA3, 35},
        {"Visited: http://winehq.org/doc75651909.html", 0x6990FBA8, 40},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(UrlHash(v.url), v.hash) << v.url;
        EXPECT_EQ(HashBucket(UrlHash(v.url)), v.bucket) << v.url;
    }
    // Two URLs Wine confused: same bucket and same key bits.
    EXPECT_EQ(UrlHash("http://c.example/p16079"), 0x3F4F8964u);
    EXPECT_EQ(UrlHash("http://c.example/p28704"), 0x3F4F8964u);
}

TEST(UrlHash, ReadsBytesAsUnsigned)
{
    // Byte 0xE9 must index the table as 233, not as a negative number.
    EXPECT_EQ(UrlHash("http://example.com/caf\xE9.html"), 0x1B18114Eu);
}

TEST(DosTime, ConvertsBothWaysInUtc)
{
    // 2030-01-02 03:04:06 UTC, stored by Wine as date 0x6422, time 0x1883.
    const uint64_t fileTime = FileTimeFromUnix(1893553446, 0);
    EXPECT_EQ(DosFromFileTime(fileTime), (DosDateTime{0x6422, 0x1883}));
    EXPECT_EQ(FileTimeFromDos({0x6422, 0x1883}), fileTime);
    // Odd seconds are rounded down to even.
    EXPECT_EQ(DosFromFileTime(FileTimeFromUnix(1893553447, 0)), (DosDateTime{0x6422, 0x1883}));
}

TEST(DosTime, NotSetAndOutOfRangeGiveZero)
{
    EXPECT_EQ(DosFromFileTime(0), (DosDateTime{0, 0}));
    EXPECT_EQ(DosFromFileTime(FileTimeFromUnix(0, 0)), (DosDateTime{0, 0}));              // 1970
    EXPECT_EQ(DosFromFileTime(FileTimeFromUnix(4'354'819'200, 0)), (DosDateTime{0, 0}));  // 2108
    EXPECT_EQ(FileTimeFromDos({0, 0}), 0u);
}

TEST(DosTime, InvalidFieldsGiveZero)
{
    const auto date = [](unsigned year, unsigned month, unsigned day) {
        return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
    };
    EXPECT_EQ(FileTimeFromDos({date(2020, 13, 1), 0}), 0u);  // month 13
    EXPECT_EQ(FileTimeFromDos({date(2020, 0, 1), 0}), 0u);   // month 0
    EXPECT_EQ(FileTimeFromDos({date(2021, 2, 29), 0}), 0u);  // not a leap year
    EXPECT_NE(FileTimeFromDos({date(2020, 2, 29), 0}), 0u);
    EXPECT_EQ(FileTimeFromDos({date(2020, 1, 1), 24 << 11}), 0u);  // hour 24
    EXPECT_EQ(FileTimeFromDos({date(2020, 1, 1), 60 << 5}), 0u);   // minute 60
    EXPECT_EQ(FileTimeFromDos({date(2020, 1, 1), 30}), 0u);        // second 60
    EXPECT_EQ(FileTimeFromDos({0xBEEF, 0xDEAD}), 0u);              // Wine's fill left in place
}

TEST(LocalNames, RejectsNamesThatLeaveTheFolder)
{
    EXPECT_TRUE(IsSafeLocalName("index[0].html"));
    EXPECT_TRUE(IsSafeLocalName("caf\xE9[0].htm"));
    for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "a\x01", "a\x7F"})
        EXPECT_FALSE(IsSafeLocalName(bad)) << bad;
}

TEST(LocalNames, Cp1252BecomesUtf8)
{
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");      // undefined: the C1 control
    EXPECT_EQ(Cp1252ToUtf8("plain"), "plain");
}

TEST(NewFileNames, FollowWinesRules)
{
    EXPECT_EQ(NameFromUrl("http://www.example.com/index.html"), "index");
    EXPECT_EQ(NameFromUrl("http://h/dir/a.b.php?x=1"), "a.b");
    EXPECT_EQ(NameFromUrl("http://h/dir.d/file#frag.x"), "file");
    EXPECT_EQ(NameFromUrl("http://h/a:b*c"), "a_b_c");
    EXPECT_EQ(NameFromUrl("http://h/dir/"), "");
    EXPECT_EQ(NameFromUrl("http://h"), "");
    EXPECT_EQ(NameFromUrl("Cookie:alice@www.example.com/"), "");
}

TEST(NewFileNames, NumberedThenRandom)
{
    test::TempDir dir;
    std::mt19937_64 random(1);
    const auto first = CreateLocalFile(dir.path(), "http://h/index.html", "html", "one", random);
    const auto second = CreateLocalFile(dir.path(), "http://h/x/index.html", "html", "two", random);
    EXPECT_EQ(first.name, "index[0].html");
    EXPECT_EQ(second.name, "index[1].html");
    EXPECT_EQ(second.size, 3u);
    const auto none = CreateLocalFile(dir.path(), "http://h/", "txt", "", random);
    ASSERT_EQ(none.name.size(), 12u);
    EXPECT_TRUE(none.name.ends_with(".txt"));
    const auto plain = CreateLocalFile(dir.path(), "http://h/logo.png", "", "", random);
    EXPECT_EQ(plain.name, "logo[0]");
}

TEST(NewFileNames, HighBytesArePercentEncoded)
{
    EXPECT_EQ(PercentEncodeHighBytes("http://h/caf\xC3\xA9"), "http://h/caf%C3%A9");
    EXPECT_EQ(PercentEncodeHighBytes("http://h/a%20b"), "http://h/a%20b");
}

}  // namespace
}  // namespace trovana::urlcache
