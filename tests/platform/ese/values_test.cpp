// SPDX-License-Identifier: GPL-3.0-or-later
// What neither sample holds (no compressed value, no multi-value): the
// forms built byte by byte from the format's description. Xpress from the
// plain LZ77 examples of Microsoft's compression documentation (MS-XCA),
// 7-bit values packed by hand, multi-valued and two-valued tagged columns,
// and the tagged column flags of small pages.
#include "catalogue.h"
#include "compression.h"
#include "format.h"
#include "record.h"
#include "values.h"

#include <gtest/gtest.h>

namespace trovana::ese::test {
namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (const int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST(EseCompression, XpressGivesBackTheDocumentedExamples)
{
    std::string alphabet = Bytes({0x3f, 0x00, 0x00, 0x00});
    for (char c = 'a'; c <= 'z'; ++c)
        alphabet += c;
    EXPECT_EQ(DecompressXpress(alphabet, 26), "abcdefghijklmnopqrstuvwxyz");

    const std::string repeated = Bytes({0xff, 0xff, 0xff, 0x1f, 0x61, 0x62, 0x63, 0x17, 0x00, 0x0f, 0xff, 0x26, 0x01});
    std::string abc;
    for (int i = 0; i < 100; ++i)
        abc += "abc";
    EXPECT_EQ(DecompressXpress(repeated, 300), abc);
    // As ESE keeps it: form 3 in the first byte's top bits, then the size.
    EXPECT_EQ(Decompress(Bytes({0x18, 0x2c, 0x01}) + repeated), abc);
}

TEST(EseCompression, DamagedXpressIsRefusedNotFollowed)
{
    // A match reaching before the start, and one whose length is cut off.
    EXPECT_THROW(DecompressXpress(Bytes({0x00, 0x00, 0x00, 0x80, 0x17, 0x00}), 100), EseError);
    EXPECT_THROW(DecompressXpress(Bytes({0x00, 0x00, 0x00, 0x40, 0x61, 0x07}), 100), EseError);
    // A length that claims more than the value: only the value's size comes out.
    // 'a', then a match one back whose 32-bit length says 0x7fffffff.
    const std::string giant = Bytes(
        {0x00, 0x00, 0x00, 0x40, 0x61, 0x07, 0x00, 0x0f, 0xff, 0x00, 0x00, 0xff, 0xff, 0xff, 0x7f});
    EXPECT_EQ(DecompressXpress(giant, 50), std::string(50, 'a'));
    EXPECT_THROW(DecompressXpress("", kMaxDecompressed + 1), EseError);
}

TEST(EseCompression, SevenBitValuesUnpack)
{
    // "Hi": 0x48 and 0x69 in seven bits each, 14 bits: the last byte holds
    // six of them, so the first byte's low bits say 5.
    EXPECT_EQ(Decompress(Bytes({0x0d, 0xc8, 0x34})), "Hi");
    EXPECT_EQ(Decompress(Bytes({0x15, 0xc8, 0x34})), std::string("H\0i\0", 4));
    // "abcdefgh": eight characters fill seven bytes exactly (last byte: 8 bits).
    EXPECT_EQ(Decompress(Bytes({0x0f, 0x61, 0xf1, 0x98, 0x5c, 0x36, 0x9f, 0xd1})), "abcdefgh");
    // Not compressed (form 0): as it is.
    EXPECT_EQ(Decompress(Bytes({0x02, 0x41})), Bytes({0x02, 0x41}));
}

// A table with a tagged binary column 256 and a tagged text column 257.
Table TaggedTable()
{
    Table table;
    table.name = "T";
    table.columns.push_back({256, "Blob", ColumnType::LongBinary, 0, 0, 0, 0});
    table.columns.push_back({257, "Note", ColumnType::LongText, 0, 0, kCodePageUtf16, 0});
    return table;
}

TEST(EseRecords, MultiValuedAndTwoValuedColumnsSplit)
{
    const PageGeometry large{32768};
    // No fixed or variable columns; one tagged column at offset 4 of the
    // tagged data, led by its flag byte (0x08: multi-valued), then two
    // offsets (0x8000 on the second: kept as a long value) and the values.
    const std::string multi = Bytes({0x00, 0x7f, 0x04, 0x00, 0x00, 0x01, 0x04, 0x00, 0x08, 0x04, 0x00, 0x07, 0x80}) +
                              "abc" + Bytes({0x2a, 0x00, 0x00, 0x00});
    const DecodedRecord record = DecodeRecord(TaggedTable(), multi, large);
    ASSERT_EQ(record.problem, "");
    const ColumnValue* blob = record.Find(256);
    ASSERT_NE(blob, nullptr);
    ASSERT_EQ(blob->values.size(), 2u);
    EXPECT_EQ(blob->values[0].bytes, "abc");
    EXPECT_FALSE(blob->values[0].longValue);
    EXPECT_EQ(blob->values[1].bytes, Bytes({0x2a, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(blob->values[1].longValue);

    // Two values (0x10): the first's size in one byte; compressed (0x02)
    // applies to the first alone.
    const std::string two = Bytes({0x00, 0x7f, 0x04, 0x00, 0x00, 0x01, 0x04, 0x00, 0x12, 0x02}) + "xyzw";
    const DecodedRecord pair = DecodeRecord(TaggedTable(), two, large);
    ASSERT_EQ(pair.problem, "");
    ASSERT_EQ(pair.Find(256)->values.size(), 2u);
    EXPECT_EQ(pair.Find(256)->values[0].bytes, "xy");
    EXPECT_TRUE(pair.Find(256)->values[0].compressed);
    EXPECT_EQ(pair.Find(256)->values[1].bytes, "zw");
    EXPECT_FALSE(pair.Find(256)->values[1].compressed);
}

TEST(EseRecords, SmallPagesFlagTaggedColumnsInTheirOffsets)
{
    const PageGeometry small{4096};
    // Column 256 without a flag byte; column 257 with one (0x4000), flagged
    // long value (0x04): its four bytes are the long value's id; a third
    // entry for 257 flagged null (0x2000) is no value.
    const std::string data = Bytes({0x00, 0x7f, 0x04, 0x00, 0x00, 0x01, 0x08, 0x00, 0x01, 0x01, 0x0a, 0x40}) + "ok" +
                             Bytes({0x04, 0x07, 0x00, 0x00, 0x00});
    const DecodedRecord record = DecodeRecord(TaggedTable(), data, small);
    ASSERT_EQ(record.problem, "");
    EXPECT_EQ(record.Find(256)->values.at(0).bytes, "ok");
    EXPECT_FALSE(record.Find(256)->values.at(0).longValue);
    EXPECT_EQ(record.Find(257)->values.at(0).bytes, Bytes({0x07, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(record.Find(257)->values.at(0).longValue);

    const std::string null = Bytes({0x00, 0x7f, 0x04, 0x00, 0x01, 0x01, 0x04, 0x20});
    EXPECT_EQ(DecodeRecord(TaggedTable(), null, small).Find(257), nullptr);
}

TEST(EseValues, TextOfEachCodePageComesOutAsUtf8)
{
    Column utf16{257, "Note", ColumnType::LongText, 0, 0, kCodePageUtf16, 0};
    // "é", then U+1F600 as a surrogate pair, then a lone surrogate, then NUL.
    const std::string units = Bytes({0xe9, 0x00, 0x3d, 0xd8, 0x00, 0xde, 0x00, 0xd8, 0x00, 0x00});
    EXPECT_EQ(TextValue(utf16, units), "\xc3\xa9\xf0\x9f\x98\x80\xef\xbf\xbd");
    Column western{128, "Name", ColumnType::Text, 255, 0, kCodePageWestern, 0};
    EXPECT_EQ(TextValue(western, Bytes({0x80, 0x41, 0xe9})),
              "\xe2\x82\xac"
              "A\xc3\xa9");
    Column shortColumn{3, "Count", ColumnType::Short, 2, 0, 0, 0};
    EXPECT_EQ(IntegerValue(shortColumn, Bytes({0xff, 0xff, 0x12})), 0xffffu);
}

}  // namespace
}  // namespace trovana::ese::test
