// SPDX-License-Identifier: GPL-3.0-or-later
#include "rowstore.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace trovana {
namespace {

// "u<n>". Appended rather than written "u" + std::to_string(n): GCC 12 at -O3
// warns wrongly (-Wrestrict) about the overlap of that operator+.
std::string NumberedUrl(int n)
{
    std::string url = "u";
    url += std::to_string(n);
    return url;
}

std::vector<std::string> Urls(const RowStore& rows)
{
    std::vector<std::string> urls;
    for (int i = 0; i < rows.Count(); ++i) {
        urls.push_back(rows.Text(i, 0));
    }
    return urls;
}

RowStore StoreOf(const std::vector<std::string>& urls)
{
    RowStore rows;
    for (const auto& url : urls) {
        rows.InsertRow(rows.Count(), url);
    }
    return rows;
}

TEST(RowStoreInsert, PlacesRowsAtTheirIndexAndKeepsEachRowsValuesTogether)
{
    RowStore rows;
    EXPECT_EQ(rows.InsertRow(0, "b", 2), 0);
    EXPECT_EQ(rows.InsertRow(0, "a", 1), 0);
    EXPECT_EQ(rows.InsertRow(99, "d", 4), 2);  // past the end: appended
    EXPECT_EQ(rows.InsertRow(-5, "first", 0), 0);
    EXPECT_EQ(rows.InsertRow(3, "c", 3), 3);
    EXPECT_EQ(Urls(rows), (std::vector<std::string>{"first", "a", "b", "c", "d"}));

    ASSERT_TRUE(rows.SetText(2, 1, "03/15/04 17:02:09"));
    ASSERT_TRUE(rows.SetText(2, 3, "1024"));
    ASSERT_TRUE(rows.SetItemData(2, 42));
    rows.InsertRow(0, "zero");
    EXPECT_EQ(rows.Text(3, 0), "b");
    EXPECT_EQ(rows.Text(3, 1), "03/15/04 17:02:09");
    EXPECT_EQ(rows.Text(3, 2), "");
    EXPECT_EQ(rows.Text(3, 3), "1024");
    EXPECT_EQ(rows.ItemData(3), 42);
    EXPECT_EQ(rows.Image(3), 2);
    EXPECT_TRUE(rows.SetImage(3, 6));
    EXPECT_EQ(rows.Row(3).image, 6);
}

TEST(RowStoreInsert, IndexesOutsideTheRowsAreRefusedOrReadEmpty)
{
    RowStore rows = StoreOf({"a"});
    EXPECT_FALSE(rows.SetText(1, 0, "x"));
    EXPECT_FALSE(rows.SetText(0, 4, "x"));
    EXPECT_FALSE(rows.SetText(0, -1, "x"));
    EXPECT_FALSE(rows.SetItemData(-1, 1));
    EXPECT_FALSE(rows.SetImage(1, 1));
    EXPECT_FALSE(rows.SetSelected(1, true));
    EXPECT_FALSE(rows.DeleteRow(1));
    EXPECT_FALSE(rows.DeleteRow(-1));
    EXPECT_EQ(rows.Text(5, 0), "");
    EXPECT_EQ(rows.Text(0, 4), "");
    EXPECT_EQ(rows.ItemData(5), 0);
    EXPECT_FALSE(rows.IsSelected(5));
    EXPECT_EQ(rows.Count(), 1);
}

TEST(RowStoreSelection, WalksSelectedRowsInOrderAndFollowsDeletions)
{
    RowStore rows = StoreOf({"a", "b", "c", "d", "e"});
    EXPECT_EQ(rows.NextSelected(), -1);
    rows.SetSelected(1, true);
    rows.SetSelected(3, true);
    rows.SetSelected(3, true);  // selecting twice counts once
    EXPECT_EQ(rows.SelectedCount(), 2);
    EXPECT_EQ(rows.NextSelected(), 1);
    EXPECT_EQ(rows.NextSelected(1), 3);
    EXPECT_EQ(rows.NextSelected(3), -1);

    rows.DeleteRow(1);
    EXPECT_EQ(rows.SelectedCount(), 1);
    EXPECT_EQ(rows.NextSelected(), 2);
    EXPECT_EQ(rows.Text(2, 0), "d");
    rows.InsertRow(0, "new");
    EXPECT_EQ(rows.NextSelected(), 3);
    EXPECT_FALSE(rows.IsSelected(0));

    rows.SelectAll(true);
    EXPECT_EQ(rows.SelectedCount(), rows.Count());
    rows.SetSelected(0, false);
    EXPECT_EQ(rows.NextSelected(), 1);
    rows.SelectAll(false);
    EXPECT_EQ(rows.SelectedCount(), 0);
    EXPECT_EQ(rows.NextSelected(), -1);
}

TEST(RowStoreInsert, AWholeRowKeepsAllItsValuesAndItsSelection)
{
    RowStore rows = StoreOf({"a", "b"});
    ListRow row;
    row.texts = {"http://h/x", "03/15/04 17:02:09", "3", "10"};
    row.itemData = 2;
    row.image = 2;
    row.selected = true;
    EXPECT_EQ(rows.InsertRow(1, row), 1);
    EXPECT_EQ(rows.Row(1).texts, row.texts);
    EXPECT_EQ(rows.ItemData(1), 2);
    EXPECT_EQ(rows.SelectedCount(), 1);
    EXPECT_EQ(rows.NextSelected(), 1);
    rows.DeleteRow(1);
    EXPECT_EQ(rows.SelectedCount(), 0);
}

TEST(RowStoreFind, MatchesTheWholeTextIgnoringAsciiCaseOnly)
{
    RowStore rows = StoreOf({"http://host/a", "HTTP://HOST/A", "http://host/ab", "http://host/\xC4", "http://host/a"});
    EXPECT_EQ(rows.FindText("http://Host/A"), 0);
    EXPECT_EQ(rows.FindText("http://host/a", 0), 1);
    EXPECT_EQ(rows.FindText("http://host/a", 1), 4);
    EXPECT_EQ(rows.FindText("http://host/a", 4), -1);
    EXPECT_EQ(rows.FindText("http://host/"), -1);      // a prefix is not a match
    EXPECT_EQ(rows.FindText("http://host/\xE4"), -1);  // only A-Z fold
    EXPECT_EQ(rows.FindText("http://host/\xC4"), 3);
    EXPECT_EQ(RowStore().FindText("x"), -1);
}

TEST(RowStoreDelete, DeleteAllEmptiesTheStoreForReuse)
{
    RowStore rows = StoreOf({"a", "b", "c"});
    rows.SelectAll(true);
    rows.DeleteAll();
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_EQ(rows.SelectedCount(), 0);
    EXPECT_EQ(rows.NextSelected(), -1);
    rows.InsertRow(3, "again");
    EXPECT_EQ(Urls(rows), std::vector<std::string>{"again"});
}

// Many rows span several internal chunks; every change must keep the order
// that a plain vector would have.
TEST(RowStoreManyRows, InsertsAndDeletesAnywhereAsAVectorWould)
{
    RowStore rows;
    std::vector<std::string> model;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const int count = static_cast<int>(model.size());
        const int index = static_cast<int>(random() % static_cast<unsigned>(count + 1));
        if (count > 0 && random() % 3 == 0) {
            const int victim = index % count;
            ASSERT_TRUE(rows.DeleteRow(victim));
            model.erase(model.begin() + victim);
        } else {
            const std::string url = NumberedUrl(step);
            ASSERT_EQ(rows.InsertRow(index, url), index);
            model.insert(model.begin() + index, url);
        }
    }
    ASSERT_EQ(rows.Count(), static_cast<int>(model.size()));
    EXPECT_EQ(Urls(rows), model);
    const int middle = rows.Count() / 2;
    EXPECT_EQ(rows.FindText(model[static_cast<size_t>(middle)]), middle);

    // Selection walks over chunk boundaries too.
    for (int i = 0; i < rows.Count(); i += 97) {
        rows.SetSelected(i, true);
    }
    int walked = 0;
    for (int i = rows.NextSelected(); i != -1; i = rows.NextSelected(i)) {
        EXPECT_EQ(i % 97, 0);
        ++walked;
    }
    EXPECT_EQ(walked, rows.SelectedCount());
    EXPECT_EQ(walked, (rows.Count() + 96) / 97);

    // Deleting by a test keeps the others in order, across chunks, with
    // their selection.
    std::vector<std::string> odd;
    for (size_t i = 1; i < model.size(); i += 2)
        odd.push_back(model[i]);
    std::set<std::string> even;
    for (size_t i = 0; i < model.size(); i += 2)
        even.insert(model[i]);
    const int selectedOdd = (rows.SelectedCount() - (static_cast<int>(model.size()) + 193) / 194);
    EXPECT_EQ(rows.DeleteIf([&](const ListRow& row) { return even.contains(row.texts[0]); }),
              static_cast<int>(even.size()));
    EXPECT_EQ(Urls(rows), odd);
    EXPECT_EQ(rows.SelectedCount(), selectedOdd);
    EXPECT_EQ(rows.FindText(odd.back()), rows.Count() - 1);

    // A walk over every row in place meets them in index order, across
    // the chunks that the inserts and deletions left, and what it changes
    // is what the indexes read.
    std::vector<std::string> visited;
    std::as_const(rows).ForEach([&](const ListRow& row) { visited.push_back(row.texts[0]); });
    EXPECT_EQ(visited, odd);
    int next = 0;
    rows.ForEach([&](ListRow& row) { row.itemData = next++; });
    for (int i = 0; i < rows.Count(); i += 101)
        EXPECT_EQ(rows.ItemData(i), i);
    EXPECT_EQ(rows.ItemData(rows.Count() - 1), rows.Count() - 1);

    while (rows.Count() > 0) {
        ASSERT_TRUE(rows.DeleteRow(0));
    }
    EXPECT_EQ(rows.SelectedCount(), 0);
}

int CompareUrls(const ListRow& a, const ListRow& b)
{
    return a.texts[0].compare(b.texts[0]);
}

TEST(RowStoreSort, OrdersByTheCallbackAndKeepsEqualRowsInOrder)
{
    RowStore rows = StoreOf({"c", "a", "b", "a", "c"});
    for (int i = 0; i < rows.Count(); ++i) {
        rows.SetItemData(i, i);
    }
    rows.SetSelected(0, true);
    rows.Sort(CompareUrls);
    EXPECT_EQ(Urls(rows), (std::vector<std::string>{"a", "a", "b", "c", "c"}));
    std::vector<intptr_t> data;
    for (int i = 0; i < rows.Count(); ++i) {
        data.push_back(rows.ItemData(i));
    }
    EXPECT_EQ(data, (std::vector<intptr_t>{1, 3, 2, 0, 4}));
    EXPECT_EQ(rows.NextSelected(), 3);  // the selection moved with its row
    EXPECT_EQ(rows.SelectedCount(), 1);

    rows.Sort([](const ListRow& a, const ListRow& b) { return -CompareUrls(a, b); });
    EXPECT_EQ(Urls(rows), (std::vector<std::string>{"c", "c", "b", "a", "a"}));
}

TEST(RowStoreSort, SortsManyRowsAndSurvivesInconsistentComparisons)
{
    std::vector<std::string> urls;
    for (int i = 0; i < 3000; ++i) {
        urls.push_back(NumberedUrl((i * 7919) % 3000 + 10000));
    }
    RowStore rows = StoreOf(urls);
    rows.Sort(CompareUrls);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(Urls(rows), urls);
    rows.InsertRow(1500, "inserted");
    EXPECT_EQ(rows.Text(1500, 0), "inserted");

    // A comparison that answers "before" both ways round (as a descending
    // date comparison does for equal times) still yields every row once.
    rows.Sort([](const ListRow&, const ListRow&) { return -1; });
    std::vector<std::string> after = Urls(rows);
    std::sort(after.begin(), after.end());
    urls.push_back("inserted");
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(after, urls);
}

}  // namespace
}  // namespace trovana
