// SPDX-License-Identifier: GPL-3.0-or-later
// The Copy command: the cached files of the selected entries, or of the
// selected records, into a folder the user picks, with one account of the
// whole copy at its end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "entry_commands/entry_view.h"

namespace trovana::entry_commands {

class CopyCommand {
public:
    explicit CopyCommand(EntryView& view) : m_view(view) {}

    // The files of the selected rows' entries, looked up in the cache.
    void CopyEntries();
    // The files of records (the Recovered view); a file is copied only when
    // it is there, inside the cache.
    void CopyRecordFiles(const std::vector<std::string>& files);

private:
    // Asks for the folder, copies, and gives the account.
    void CopyFiles(const std::vector<std::filesystem::path>& sources, int withoutFile);

    EntryView& m_view;
};

}  // namespace trovana::entry_commands
