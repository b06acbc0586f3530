// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/list_sorter.h"

#include <cstdlib>
#include <utility>

#include "ascii.h"
#include "datetime.h"
#include "listview/cache_list_view.h"
#include "sorted_order.h"

namespace trovana::listview {

namespace {
const CListSortItem& RecordOf(const ListRow& row)
{
    return *reinterpret_cast<const CListSortItem*>(row.itemData);
}

template <class T>
int Order(const T& a, const T& b)
{
    return (b < a) - (a < b);
}
}  // namespace

CListSorter::CListSorter(RowStore& rows, int column) : m_rows(rows)
{
    m_records.reserve(static_cast<std::size_t>(rows.Count()));
    const auto text = static_cast<std::size_t>(column);
    rows.ForEach([&](ListRow& row) {
        CListSortItem& record = m_records.emplace_back(
            CListSortItem{row.itemData, text < row.texts.size() ? row.texts[text] : std::string()});
        row.itemData = reinterpret_cast<intptr_t>(&record);
    });
}

CListSorter::~CListSorter()
{
    m_rows.ForEach([](ListRow& row) { row.itemData = RecordOf(row).itemData; });
}

namespace {
// A row's sort text read once for the kind of the sort, so that the many
// comparisons of a sort need not parse or fold it again.
struct SortKey {
    std::string folded;
    long long integer = 0;
    double decimal = 0;
    DateTime time;
};

SortKey MakeSortKey(const std::string& text, int kind)
{
    SortKey key;
    switch (kind) {
    case kSortInteger: key.integer = std::atoll(text.c_str()); break;
    case kSortText: key.folded = ToLowerAscii(text); break;
    case kSortDateTime: key.time = DateTime::Parse(text); break;
    case kSortDecimal: key.decimal = std::atof(text.c_str()); break;
    default: break;
    }
    return key;
}

int CompareSortKeys(const SortKey& a, const SortKey& b, int kind)
{
    switch (kind) {
    case kSortInteger: return Order(a.integer, b.integer);
    case kSortText: return Order(a.folded.compare(b.folded), 0);
    case kSortDateTime:
        if (!a.time.IsValid() || !b.time.IsValid())
            return 0;
        return a.time < b.time ? -1 : 1;
    case kSortDecimal: return a.decimal < b.decimal ? -1 : 1;
    default: return 0;
    }
}
}  // namespace

void CListSorter::Sort(bool ascending, int kind)
{
    const int sign = ascending ? 1 : -1;
    std::vector<SortKey> keys;
    keys.reserve(m_records.size());
    std::as_const(m_rows).ForEach([&](const ListRow& row) { keys.push_back(MakeSortKey(RecordOf(row).text, kind)); });
    m_rows.Reorder(StableSortedOrder(
        keys.size(), [&](size_t a, size_t b) { return sign * CompareSortKeys(keys[a], keys[b], kind) < 0; }));
}

}  // namespace trovana::listview
