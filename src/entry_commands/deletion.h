// SPDX-License-Identifier: GPL-3.0-or-later
// The one way entries are deleted from the window: the entries chosen (the
// selected rows, every entry, or the entries of a site) are asked about,
// deleted with the progress shown, taken out of the view, and what could not
// be deleted is told once at the end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "entry_commands/deletion_report.h"
#include "entry_commands/entry_view.h"

namespace trovana::entry_commands {

// The entries a deletion is about, and how it is worded.
struct DeletionChoice {
    std::vector<std::string> urls;
    // Asked first with Yes and No; none when empty.
    wxString question;
    EntryWording wording = EntryWording::Item;
};

// What a deletion did: the entries it deleted, and those the cache no longer had.
struct DeletionOutcome {
    std::vector<std::string> deleted;
    std::vector<std::string> notCached;
};

class Deletion {
public:
    explicit Deletion(EntryView& view) : m_view(view) {}

    // Asks the choice's question, deletes its entries (in batches, each of
    // which writes a container once), calls takeOut with what went so that
    // the view follows, then reports. False when the user said No.
    bool Run(const DeletionChoice& choice, const std::function<void(const DeletionOutcome&)>& takeOut);

private:
    EntryView& m_view;
};

}  // namespace trovana::entry_commands
