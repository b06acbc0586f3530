#include "listview/list_sorter.h"

#include <algorithm>
#include <cstdlib>

#include "ascii.h"
#include "datetime.h"
#include "listview/cache_list_view.h"

namespace trovana::listview {

bool g_bSortAscending = true;

namespace {
const CListSortItem& RecordOf(const ListRow& row)
{
    return *reinterpret_cast<const CListSortItem*>(row.itemData);
}

int Sign(long long value)
{
    return (value > 0) - (value < 0);
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
    return Sign(static_cast<long long>(a.size()) - static_cast<long long>(b.size()));
}
}  // namespace

int CompareSortItems(const CListSortItem& a, const CListSortItem& b, int parameter)
{
    const int s = parameter >= 0 ? 1 : -1;
    switch (s * parameter) {
    case kSortInteger:
        return s * Sign(static_cast<long long>(std::atol(a.text.c_str())) - std::atol(b.text.c_str()));
    case kSortText:
        return s * CompareNoCase(a.text, b.text);
    case kSortDateTime: {
        const DateTime ta = DateTime::Parse(a.text);
        const DateTime tb = DateTime::Parse(b.text);
        if (!ta.IsValid() || !tb.IsValid())
            return 0;
        return s * (ta < tb ? -1 : 1);
    }
    case kSortDecimal:
        return s * (std::atof(a.text.c_str()) < std::atof(b.text.c_str()) ? -1 : 1);
    default:
        return 0;
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

void CListSorter::Sort(bool ascending, int kind)
{
    const int parameter = ascending ? kind : -kind;
    m_rows.Sort([parameter](const ListRow& a, const ListRow& b) {
        return CompareSortItems(RecordOf(a), RecordOf(b), parameter);
    });
}

}  // namespace trovana::listview
