// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of a report-style list: what the program does to a list control
// (insert at an index, column texts, item data, image, selection, find,
// delete, sort), kept apart from any window so that a virtual list control
// can draw from it and tests can run without a display.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana {

struct ListRow {
    static constexpr int kColumnCount = 4;

    std::array<std::string, kColumnCount> texts;
    intptr_t itemData = 0;
    int image = 0;
    bool selected = false;
    // Where the row's entry is stored when its URL alone may not tell: a
    // WebCache row's table and EntryId (several cookies share one URL).
    // Empty table for index.dat rows, which are found by URL.
    std::string table;
    uint64_t entryId = 0;
};

// Rows are kept in chunks of a few hundred, so that inserting or deleting
// anywhere moves at most one chunk's rows, and the index of each chunk's
// first row is kept, so that finding a row by index is a binary search of
// those; a list of 100,000 rows stays quick to change and to read.
// Row indexes are ints, as a list control's are. Out-of-range indexes are
// refused (false) or read as an empty row.
class RowStore {
public:
    // Negative when a sorts before b, positive when after, 0 when equal.
    using Compare = std::function<int(const ListRow& a, const ListRow& b)>;

    int Count() const { return m_count; }

    // Inserts a row with its column 0 text and image before the row at
    // index (indexes past the end append) and returns the new row's index.
    int InsertRow(int index, std::string text, int image = 0);
    // The same with every value of the row given at once.
    int InsertRow(int index, ListRow row);

    bool SetText(int row, int column, std::string text);
    const std::string& Text(int row, int column) const;
    bool SetItemData(int row, intptr_t data);
    intptr_t ItemData(int row) const;
    bool SetImage(int row, int image);
    int Image(int row) const;
    const ListRow& Row(int row) const;

    bool SetSelected(int row, bool selected);
    void SelectAll(bool selected);
    bool IsSelected(int row) const;
    int SelectedCount() const { return m_selectedCount; }
    // The first selected row after the given one (-1: from the start); -1 when none.
    int NextSelected(int after = -1) const;

    // The first row after the given one (-1: from the start) whose column 0
    // text equals text, ignoring the case of ASCII letters; -1 when none.
    int FindText(std::string_view text, int after = -1) const;

    // Calls visit with every row in order, without finding each by index.
    void ForEach(const std::function<void(ListRow&)>& visit);
    void ForEach(const std::function<void(const ListRow&)>& visit) const;

    bool DeleteRow(int row);
    void DeleteAll();
    // Deletes every row for which remove is true, in one pass over the
    // rows (deleting many rows one by one walks the chunks for each), and
    // answers how many went.
    int DeleteIf(const std::function<bool(const ListRow&)>& remove);

    // Reorders the rows; rows that compare equal keep their order. Copes
    // with comparisons that are not consistent (a list's date comparison
    // answers "after" for equal times both ways round).
    void Sort(const Compare& compare);
    // Puts the rows in the given order: order[i] is the old index of the
    // row that becomes row i; it must name every row once.
    void Reorder(const std::vector<size_t>& order);

private:
    struct Position {
        size_t chunk;
        size_t offset;
    };
    // The first row after the given one for which match is true; -1 when none.
    int FindFrom(int after, const std::function<bool(const ListRow&)>& match) const;
    bool Locate(int row, Position& position) const;
    // Recounts the first row indexes of the chunks from this one on.
    void CountStartsFrom(size_t chunk);
    // Applies change to the row; false when there is no such row.
    bool Modify(int row, const std::function<void(ListRow&)>& change);
    ListRow* Find(int row);
    const ListRow* Find(int row) const;

    std::vector<std::vector<ListRow>> m_chunks;
    // The index of the first row of each chunk.
    std::vector<int> m_starts;
    int m_count = 0;
    int m_selectedCount = 0;
};

}  // namespace trovana
