// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of one category copied out of the All list, in its order, with
// their byte total; kept apart from the window so that it can be measured
// and checked without a display.
#pragma once

#include <cstdint>
#include <functional>

#include "rowstore.h"

namespace trovana::listview {

// Appends to `to` every row of `all` whose item data is `category`: its
// texts, the category as image, item data 0. Returns the sum of their
// sizes (column 3; an empty text adds nothing). `progress` is told the
// percentage done at every row index that is a multiple of count / 12
// (at least 1), and 0 at the end.
int64_t CopyCategoryRows(const RowStore& all, int category, RowStore& to,
                         const std::function<void(int percent)>& progress);

}  // namespace trovana::listview
