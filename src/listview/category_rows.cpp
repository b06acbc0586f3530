// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/category_rows.h"

#include <algorithm>
#include <cstdlib>

#include "catalogue.h"

namespace trovana::listview {

int64_t CopyCategoryRows(const RowStore& all, int category, RowStore& to,
                         const std::function<void(int percent)>& progress)
{
    const int count = all.Count();
    const int step = std::max(1, count / 12);
    int64_t bytes = 0;
    for (int row = 0; row < count; ++row) {
        const ListRow& source = all.Row(row);
        if (source.itemData == category) {
            ListRow copy;
            copy.texts = source.texts;
            copy.image = category;
            copy.table = source.table;
            copy.entryId = source.entryId;
            const std::string& size = copy.texts[catalogue::kColumnSize];
            if (!size.empty())
                bytes += std::atoll(size.c_str());
            to.InsertRow(to.Count(), std::move(copy));
        }
        if (row % step == 0)
            progress(static_cast<int>(static_cast<int64_t>(row) * 100 / count));
    }
    progress(0);
    return bytes;
}

}  // namespace trovana::listview
