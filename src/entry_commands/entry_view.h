// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands on entries see of the list view: the open cache and its
// catalogue, the URLs the user selected, the removal of rows, the prompts
// and the signs of progress. Nothing of its controls.
#pragma once

#include <string>
#include <vector>

#include "busy_indicator.h"
#include "catalogue.h"
#include "entry_commands/prompts.h"
#include "urlcache.h"

class wxWindow;

namespace trovana::entry_commands {

class EntryView {
public:
    // The window over which questions and messages appear.
    virtual wxWindow* PromptParent() = 0;
    // What asks the user: the window's prompts.
    virtual Prompts& UserPrompts() = 0;
    // The wait cursor, wait window and progress control of long work.
    virtual BusyIndicator& Busy() = 0;
    virtual urlcache::UrlCache& Cache() = 0;
    virtual catalogue::CCatalogue& Catalogue() = 0;
    // The URLs of the selected rows of the list shown, in the list's order.
    virtual std::vector<std::string> SelectedUrls() = 0;
    // Takes the rows of these URLs out of every list, and their sizes out
    // of the lists' totals.
    virtual void RemoveRows(const std::vector<std::string>& urls) = 0;

protected:
    ~EntryView() = default;
};

}  // namespace trovana::entry_commands
