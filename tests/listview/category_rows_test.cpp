// SPDX-License-Identifier: GPL-3.0-or-later
// Copying one category's rows out of the All list, with its progress reports.
#include <gtest/gtest.h>

#include "listview/category_rows.h"

namespace trovana::listview {
namespace {

TEST(CopyCategoryRows, RowsInOrderTotalAndProgress)
{
    RowStore all;
    for (int i = 0; i < 24; ++i) {
        ListRow row;
        row.texts = {"u" + std::to_string(i), "t", "1", i % 4 == 0 ? "" : std::to_string(i)};
        row.itemData = i % 3 == 0 ? 2 : 1;
        row.image = static_cast<int>(row.itemData);
        row.selected = true;
        all.InsertRow(all.Count(), row);
    }
    RowStore to;
    std::vector<int> reports;
    const int64_t bytes = CopyCategoryRows(all, 2, to, [&](int percent) { reports.push_back(percent); });

    ASSERT_EQ(to.Count(), 8);
    int64_t expected = 0;
    for (int row = 0; row < to.Count(); ++row) {
        const int i = row * 3;
        EXPECT_EQ(to.Row(row).texts, all.Row(i).texts);
        EXPECT_EQ(to.Image(row), 2);
        EXPECT_EQ(to.ItemData(row), 0);
        EXPECT_FALSE(to.IsSelected(row));
        expected += i % 4 == 0 ? 0 : i;
    }
    EXPECT_EQ(bytes, expected);
    // Every second row of 24 (24 / 12), then 0.
    EXPECT_EQ(reports, (std::vector<int>{0, 8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 0}));

    RowStore none;
    reports.clear();
    EXPECT_EQ(CopyCategoryRows(RowStore(), 1, none, [&](int percent) { reports.push_back(percent); }), 0);
    EXPECT_EQ(reports, (std::vector<int>{0}));
}

}  // namespace
}  // namespace trovana::listview
