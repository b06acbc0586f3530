// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting a list by one column: every row gets a temporary record with its
// text in that column, the rows are reordered by comparing those texts by
// the column's kind, and the rows' own item data are put back afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rowstore.h"

namespace trovana::listview {

// Column sort kinds; a sort's parameter is +kind ascending, -kind descending.
enum SortKind : int {
    kSortNone = 0,
    kSortInteger = 1,
    kSortText = 2,
    kSortDateTime = 3,
    kSortDecimal = 4,
};

// One row's sort record: its own item data and its text in the sort column.
struct CListSortItem {
    intptr_t itemData = 0;
    std::string text;
};

class CListSorter {
public:
    // Replaces the item data of every row by its sort record.
    CListSorter(RowStore& rows, int column);
    // Puts every row's own item data back, in the new order.
    virtual ~CListSorter();
    CListSorter(const CListSorter&) = delete;
    CListSorter& operator=(const CListSorter&) = delete;

    // Orders the rows by their texts read as `kind`: integers and decimals
    // by value, text byte-wise without regard to ASCII case, dates by time.
    // Dates that do not parse compare as equal to anything; equal dates and
    // decimals answer "after" both ways round, so this is no consistent
    // order, and the sort keeps equal rows in their order.
    void Sort(bool ascending, int kind);

private:
    RowStore& m_rows;
    // One per row, made at once: the rows point into it, so it never grows.
    std::vector<CListSortItem> m_records;
};

}  // namespace trovana::listview
