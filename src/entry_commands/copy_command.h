// SPDX-License-Identifier: GPL-3.0-or-later
// The Copy command: the cached files of the selected entries, or of the
// selected records, into a folder the user picks, with one account of the
// whole copy at its end. Its questions and its account belong to the
// window's thread; finding the files and copying them do not, so that the
// view can run them off it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry_commands/entry_view.h"

namespace trovana::entry_commands {

// What became of a copy, for its account.
struct CopyTally {
    size_t copied = 0;
    int withoutFile = 0;  // selected items without a cached file
    size_t kept = 0;      // files already in the folder, not replaced
    // "name: reason" of each file that could not be copied.
    std::vector<std::string> failures;
    bool cancelled = false;
};

class CopyCommand {
public:
    explicit CopyCommand(EntryView& view) : m_view(view) {}

    // The folder chooser; none when the user cancels.
    std::optional<std::filesystem::path> ChooseFolder();
    // The files of records (the Recovered view) that are there, inside the
    // cache; none, after saying so, when no record has its file.
    std::optional<std::vector<std::filesystem::path>> RecordFiles(const std::vector<std::string>& files,
                                                                  int& withoutFile);
    // The questions about a file that exists in the folder.
    bool AskReplace(const std::filesystem::path& target);
    bool AskSameForAll();
    // The account of the whole copy.
    void Tell(const CopyTally& tally, const std::filesystem::path& folder);

    // The cached files of the URLs' entries, in order, counting the entries
    // without one; `progress` hears the count looked up after each and
    // stops the lookups with false. Touches only `cache`.
    static std::vector<std::filesystem::path> LookUpFiles(urlcache::UrlCache& cache,
                                                          const std::vector<std::string>& urls, int& withoutFile,
                                                          const std::function<bool(size_t done)>& progress);

private:
    EntryView& m_view;
};

}  // namespace trovana::entry_commands
