// SPDX-License-Identifier: GPL-3.0-or-later
// What a deletion of one or many entries could not do, told to the user once
// at its end: the reasons the cache library gave, each with its count; and
// the files it kept on disk though their entries went, with why and where.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <wx/string.h>

#include "urlcache.h"

namespace trovana::entry_commands {

// How a failed deletion names the entry: "The item ..." for selected rows,
// "The file ..." for the entries of a site.
enum class EntryWording { Item, File };

// The reason shown for a WinINet error code; empty for codes without one.
// The locked text is true only of an entry that the library marked to be
// deleted once it is unlocked.
wxString DeleteFailureText(uint32_t code, EntryWording wording);

class DeletionReport {
public:
    explicit DeletionReport(EntryWording wording) : m_wording(wording) {}

    // Notes one deletion: nothing when it succeeded. `markedPending` says
    // whether the entry now carries the pending-delete mark, the only case
    // in which "will be deleted when the file is unlocked" is true.
    void Add(const std::string& url, const urlcache::CacheResult& result, bool markedPending);
    // Each failure of results (in the order of urls), asking the cache
    // whether the refused entries were marked.
    void AddAll(urlcache::UrlCache& cache, const std::vector<std::string>& urls,
                const std::vector<urlcache::CacheResult>& results);

    bool Empty() const { return m_failures == 0; }
    // Entries deleted whose files stayed on disk (see urlcache::KeptFile).
    size_t KeptFiles() const { return m_kept.count; }
    // How many files were kept, why (each reason with its count) and where.
    wxString KeptText() const;
    size_t Failures() const { return m_failures; }
    // "Cannot Delete URL" for one failure, "Cannot Delete N Items" for more.
    wxString Caption() const;
    // For one failure, its reason; for more, how many of `attempted` failed
    // and each reason once with its count.
    wxString Text(size_t attempted) const;

private:
    struct Reason {
        wxString single;  // the sentence for this failure alone
        wxString group;   // the reason on a line of many
        size_t count = 0;
    };
    wxString Noun(size_t count) const;
    void AddKept(const urlcache::CacheResult& result);

    // Adds one to the reason's count, or the reason with a count of one.
    static void Count(std::vector<Reason>& reasons, Reason reason);

    EntryWording m_wording;
    std::vector<Reason> m_reasons;
    struct {
        std::vector<Reason> reasons;
        std::vector<std::string> folders;  // each folder once, in the order met
        size_t count = 0;
    } m_kept;
    std::string m_firstUrl;
    size_t m_failures = 0;
};

// Whether a refused entry is now marked to be deleted once unlocked.
bool IsMarkedPending(urlcache::UrlCache& cache, const std::string& url, const urlcache::CacheResult& result);

}  // namespace trovana::entry_commands
