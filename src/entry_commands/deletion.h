// SPDX-License-Identifier: GPL-3.0-or-later
// The one way entries are deleted from the window: the entries chosen (the
// selected rows, every entry, or the entries of a site) are asked about,
// deleted in batches (off the window's thread: see DeleteBatch), taken out
// of the view as each batch ends, and what could not be deleted is told
// once at the end, with how many went and how many stayed when the user
// stopped it.
#pragma once

#include <cstddef>
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

// One batch of a deletion as the cache answered it: a result for each URL,
// and for each refused one whether it is now marked to go once unlocked.
struct DeletionBatch {
    std::vector<std::string> urls;
    std::vector<urlcache::CacheResult> results;
    std::vector<bool> markedPending;
};

// How many of `count` entries one batch deletes: about a hundred batches,
// so that the progress moves and a stop comes soon, each of which writes a
// container once.
size_t DeletionBatchSize(size_t count);
// Deletes the URLs from the cache in one batch. Touches only `cache`, so it
// may run on any thread that owns it.
DeletionBatch DeleteBatch(urlcache::UrlCache& cache, std::vector<std::string> urls);

class Deletion {
public:
    Deletion(EntryView& view, DeletionChoice choice);

    // Asks the choice's question; false when the user said No.
    bool Ask();
    const std::vector<std::string>& Urls() const { return m_choice.urls; }
    // Notes what a batch did, for the report; what went and what the cache
    // no longer had, for the view.
    DeletionOutcome Take(const DeletionBatch& batch);
    size_t Done() const { return m_nDone; }
    size_t Count() const { return m_choice.urls.size(); }
    // The messages at the end: what could not be deleted, the files kept,
    // and, when the user stopped it, how many went and how many stay.
    void Finish(bool stopped);

private:
    EntryView& m_view;
    DeletionChoice m_choice;
    DeletionReport m_report;
    size_t m_nDone = 0;
    size_t m_nDeleted = 0;
};

}  // namespace trovana::entry_commands
