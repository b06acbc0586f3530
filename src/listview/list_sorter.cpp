// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/list_sorter.h"

#include <algorithm>
#include <cstdlib>

#include "ascii.h"
#include "datetime.h"
#include "listview/cache_list_view.h"
#include "sorted_order.h"

namespace trovana::listview {

bool g_bSortAscending = true;

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
}  // namespace

int CompareSortItems(const CListSortItem& a, const CListSortItem& b, int parameter)
{
    const int s = parameter >= 0 ? 1 : -1;
    switch (s * parameter) {
    case kSortInteger: return s * Order(std::atoll(a.text.c_str()), std::atoll(b.text.c_str()));
    case kSortText: return s * CompareNoCase(a.text, b.text);
    case kSortDateTime: {
        const DateTime ta = DateTime::Parse(a.text);
        const DateTime tb = DateTime::Parse(b.text);
        if (!ta.IsValid() || !tb.IsValid())
            return 0;
        return s * (ta < tb ? -1 : 1);
    }
    case kSortDecimal: return s * (std::atof(a.text.c_str()) < std::atof(b.text.c_str()) ? -1 : 1);
    default: return 0;
    }
}

CListSorter::CListSorter(RowStore& rows, int column) : m_rows(rows)
{
    m_records.reserve(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row) {
        auto record = std::make_unique<CListSortItem>(CListSortItem{rows.ItemData(row), rows.Text(row, column)});
        rows.SetItemData(row, reinterpret_cast<intptr_t>(record.get()));
        m_records.push_back(std::move(record));
    }
}

CListSorter::~CListSorter()
{
    for (int row = 0; row < m_rows.Count(); ++row)
        m_rows.SetItemData(row, RecordOf(m_rows.Row(row)).itemData);
}

namespace {
// A row's sort text read once for the kind of the sort, so that the many
// comparisons of a sort need not parse or fold it again; compared as
// CompareSortItems compares the texts.
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
    for (int row = 0; row < m_rows.Count(); ++row)
        keys.push_back(MakeSortKey(RecordOf(m_rows.Row(row)).text, kind));
    m_rows.Reorder(StableSortedOrder(
        keys.size(), [&](size_t a, size_t b) { return sign * CompareSortKeys(keys[a], keys[b], kind) < 0; }));
}

}  // namespace trovana::listview
