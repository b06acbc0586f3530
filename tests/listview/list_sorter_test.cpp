// SPDX-License-Identifier: GPL-3.0-or-later
// Column sorting of a list's rows: the comparison of each kind, the
// direction, and the item data put back after the sort, checked against a
// comparison that reads the texts on every call; no display needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ascii.h"
#include "datetime.h"
#include "listview/cache_list_view.h"
#include "listview/list_sorter.h"

namespace trovana::listview {
namespace {

// Rows with the given texts in column 1 and their index as item data.
RowStore MakeRows(const std::vector<std::string>& texts)
{
    RowStore rows;
    for (const std::string& text : texts) {
        ListRow row;
        row.texts = {"u" + std::to_string(rows.Count()), text, "", ""};
        row.itemData = 100 + rows.Count();
        rows.InsertRow(rows.Count(), row);
    }
    return rows;
}

std::vector<std::string> Column(const RowStore& rows, int column)
{
    std::vector<std::string> texts;
    for (int row = 0; row < rows.Count(); ++row)
        texts.push_back(rows.Text(row, column));
    return texts;
}

void SortRows(RowStore& rows, bool ascending, int kind)
{
    CListSorter sorter(rows, 1);
    sorter.Sort(ascending, kind);
}

template <class T>
int Order(const T& a, const T& b)
{
    return (b < a) - (a < b);
}

// Byte-wise comparison without regard to the case of ASCII letters; other
// bytes (those of multi-byte characters included) compare as they are.
int CompareNoCase(const std::string& a, const std::string& b)
{
    const std::size_t length = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
        const int ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const int cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Order(a.size(), b.size());
}

// The oracle of the sorter: the list's comparison callback as it reads two
// texts on every call. Negative, zero or positive as a sorts before, equal to
// or after b; parameter is +kind ascending, -kind descending. Dates that do
// not parse compare as equal to anything; equal dates and decimals answer
// "after" both ways round.
int Compare(const std::string& a, const std::string& b, int parameter)
{
    const int s = parameter >= 0 ? 1 : -1;
    switch (s * parameter) {
    case kSortInteger: return s * Order(std::atoll(a.c_str()), std::atoll(b.c_str()));
    case kSortText: return s * CompareNoCase(a, b);
    case kSortDateTime: {
        const DateTime ta = DateTime::Parse(a);
        const DateTime tb = DateTime::Parse(b);
        if (!ta.IsValid() || !tb.IsValid())
            return 0;
        return s * (ta < tb ? -1 : 1);
    }
    case kSortDecimal: return s * (std::atof(a.c_str()) < std::atof(b.c_str()) ? -1 : 1);
    default: return 0;
    }
}

TEST(SortComparison, EachKindAndDirection)
{
    // Integers: numeric, non-numeric and empty texts count as 0.
    EXPECT_LT(Compare("9", "10", kSortInteger), 0);
    EXPECT_GT(Compare("9", "10", -kSortInteger), 0);
    EXPECT_EQ(Compare("", "abc", kSortInteger), 0);
    EXPECT_EQ(Compare(" 12x", "12", kSortInteger), 0);
    EXPECT_LT(Compare("-3000000000", "3000000000", kSortInteger), 0) << "no overflow into the wrong sign";
    // Text: ASCII letters without regard to case.
    EXPECT_EQ(Compare("http://A.com/", "http://a.COM/", kSortText), 0);
    EXPECT_LT(Compare("http://a.com/x", "http://a.com/Y", kSortText), 0);
    EXPECT_GT(Compare("http://a.com/x", "http://a.com/Y", -kSortText), 0);
    EXPECT_LT(Compare("ab", "abc", kSortText), 0);
    // Dates: unparsable ones equal anything; equal ones sort "after" both ways.
    EXPECT_LT(Compare("03/15/04 17:02:09", "03/15/05 01:00:00", kSortDateTime), 0);
    EXPECT_GT(Compare("03/15/04 17:02:09", "03/15/05 01:00:00", -kSortDateTime), 0);
    EXPECT_EQ(Compare("", "03/15/05 01:00:00", kSortDateTime), 0);
    EXPECT_EQ(Compare("03/15/04 17:02:09", "03/15/04 17:02:09", kSortDateTime), 1);
    EXPECT_EQ(Compare("03/15/04 17:02:09", "03/15/04 17:02:09", -kSortDateTime), -1);
    // Decimals: equal values also answer "after".
    EXPECT_EQ(Compare("1.5", "1.50", kSortDecimal), 1);
    EXPECT_EQ(Compare("1.25", "1.5", kSortDecimal), -1);
    EXPECT_EQ(Compare("1.25", "1.5", -kSortDecimal), 1);
    // No ordering.
    EXPECT_EQ(Compare("1", "2", kSortNone), 0);
    EXPECT_EQ(Compare("1", "2", 9), 0);
}

TEST(CListSorter, SortsByTheColumnAndPutsItemDataBack)
{
    RowStore rows = MakeRows({"10", "9", "", "100"});
    SortRows(rows, true, kSortInteger);
    EXPECT_EQ(Column(rows, 1), (std::vector<std::string>{"", "9", "10", "100"}));
    // Each row keeps its own item data, whatever its new place.
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"u2", "u1", "u0", "u3"}));
    for (int row = 0; row < rows.Count(); ++row)
        EXPECT_EQ(rows.ItemData(row), 100 + std::stoi(rows.Text(row, 0).substr(1)));

    SortRows(rows, false, kSortInteger);
    EXPECT_EQ(Column(rows, 1), (std::vector<std::string>{"100", "10", "9", ""}));

    RowStore empty;
    SortRows(empty, true, kSortText);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(CListSorter, DatesWithIdenticalAndEmptyTimesSortSafely)
{
    // Many equal and unparsable texts: the comparison is no consistent
    // order, and the sort must still end with every row in place.
    std::vector<std::string> texts;
    for (int i = 0; i < 10000; ++i)
        texts.push_back(i % 3 == 0 ? "" : (i % 3 == 1 ? "01/02/03 04:05:06" : "12/31/99 23:59:59"));
    for (bool ascending : {true, false}) {
        RowStore rows = MakeRows(texts);
        SortRows(rows, ascending, kSortDateTime);
        ASSERT_EQ(rows.Count(), 10000);
        std::vector<bool> seen(10000);
        for (int row = 0; row < rows.Count(); ++row) {
            const auto data = rows.ItemData(row) - 100;
            ASSERT_TRUE(data >= 0 && data < 10000 && !seen[data]);
            seen[data] = true;
            EXPECT_EQ(rows.Text(row, 0), "u" + std::to_string(data));
        }
    }
}

TEST(CListSorter, OrdersRowsAsTheComparisonOfTheirTexts)
{
    // The sorter reads each text once for the sort; the rows must come out
    // exactly as a merge sort by the oracle's comparison puts them, for every kind
    // and direction, with equal, unparsable, mixed-case and extreme values.
    const std::vector<std::string> texts = {
        "10",
        "9",
        "",
        "-3",
        "9223372036854775807",
        "-9223372036854775808",
        "1.5",
        "1.25",
        "abc",
        "ABD",
        "Abc",
        "http://b/",
        "http://B/x",
        "\xe9t\xe9",
        "01/02/03 04:05:06",
        "12/31/99 23:59:59",
        "01/02/03 04:05:06",
        "13/45/03 99:00:00",
        "1/2/2003",
        "zz",
        "10",
        "",
    };
    for (int kind : {kSortInteger, kSortText, kSortDateTime, kSortDecimal}) {
        for (bool ascending : {true, false}) {
            RowStore sorted = MakeRows(texts);
            SortRows(sorted, ascending, kind);

            RowStore expected = MakeRows(texts);
            const int parameter = ascending ? kind : -kind;
            expected.Sort([parameter](const ListRow& a, const ListRow& b) {
                return Compare(a.texts[1], b.texts[1], parameter);
            });
            EXPECT_EQ(Column(sorted, 0), Column(expected, 0)) << "kind " << kind << " ascending " << ascending;
        }
    }
}

}  // namespace
}  // namespace trovana::listview
