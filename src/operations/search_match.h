// SPDX-License-Identifier: GPL-3.0-or-later
// The search over the All list's rows: which rows match the criteria, and
// the copying of the matches into the results. No window is involved.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "operations/search_criteria.h"
#include "rowstore.h"

namespace trovana::operations {

// The keyword table holds this many; further lines are ignored.
inline constexpr size_t kMaxKeywords = 100;

enum class DateMode { None = -1, On = 0, Between = 1, Before = 2, After = 3 };

// What the Search button does to the criteria before the dialog closes:
// trims the keywords, decides whether nothing restricts the search, puts
// "Between" dates in order and takes both dates to the start of their day.
void PrepareCriteria(SearchCriteria& criteria);

// The non-empty lines of the text, trimmed, the first kMaxKeywords of them.
std::vector<std::string> SplitKeywords(std::string_view text);

// The mode named exactly by the text; None for any other text.
DateMode ParseDateMode(std::string_view text);

// The conditions one search applies to each row.
struct RowFilter {
    // Indexed by CacheCategory: [0] all, then the six categories.
    std::array<bool, 7> types{};
    std::vector<std::string> keywords;  // empty: no keyword condition
    DateMode mode = DateMode::None;
    DateTime from;  // 00:00:00 of the chosen days
    DateTime to;

    bool Matches(const ListRow& row) const;
};

// The filter for the criteria. When the keyword box is checked but yields no
// keyword, the box is cleared in the criteria.
RowFilter MakeFilter(SearchCriteria& criteria);

// Called with a percentage of the rows done, and with 0 at the end.
using ProgressSink = std::function<void(int percent)>;

// Calls report at every row index that is a multiple of count / 12 (at
// least 1) with the share of rows done, and with 0 at the end.
void ForEachRow(int count, const std::function<void(int row)>& visit, const ProgressSink& report);

// Puts every matching row of all into results, each on top, so the results
// stand in the reverse order; returns the sum of their sizes.
int64_t CollectMatches(const RowStore& all, const RowFilter& filter, RowStore& results,
                       const ProgressSink& report = {});

}  // namespace trovana::operations
