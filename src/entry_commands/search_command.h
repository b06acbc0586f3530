// SPDX-License-Identifier: GPL-3.0-or-later
// The Search command: the dialog, then the rows of the All list that match
// its criteria put into the results.
#pragma once

#include <cstdint>

#include "entry_commands/entry_view.h"
#include "operations/search_criteria.h"
#include "rowstore.h"

namespace trovana::entry_commands {

class SearchCommand {
public:
    // The criteria are kept by the caller from one search to the next.
    SearchCommand(EntryView& view, operations::SearchCriteria& criteria) : m_view(view), m_criteria(criteria) {}

    enum class Outcome {
        Cancelled,
        // Nothing restricts the search: every entry is to be shown, and
        // the user told why (TellNothingSearched).
        NothingSearched,
        Searched,
    };
    // Shows the dialog; after a search the matches are in results (in the
    // reverse order of the All list), and size is the sum of their sizes.
    Outcome Run(RowStore& results, int64_t& size);
    void TellNothingSearched();

private:
    EntryView& m_view;
    operations::SearchCriteria& m_criteria;
};

}  // namespace trovana::entry_commands
