// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export: asks for the file, writes the rows gathered by the view
// into it, and says how it went. The questions and the account belong to
// the window's thread; the writing does not, so that the view can run it
// off it.
#pragma once

#include <optional>
#include <string>

#include "entry_commands/entry_view.h"
#include "operations/export_file.h"

namespace trovana::entry_commands {

// What became of an export, for its account.
struct ExportOutcome {
    operations::ExportTotals totals;
    // Why the file could not be written; empty when it was.
    std::string failure;
};

class ExportCommand {
public:
    explicit ExportCommand(EntryView& view) : m_view(view) {}

    // The file to write `count` rows to, asked for; none when there is
    // nothing to export (after saying so) or the user cancels.
    std::optional<operations::ExportTarget> ChooseTarget(size_t count);
    // Writes the rows; daily and weekly history are read in the source
    // zone. Touches only `cache`.
    static ExportOutcome Write(urlcache::UrlCache& cache, const operations::ExportTarget& target,
                               const operations::ExportRows& rows, const TimeZone& sourceZone,
                               const operations::ExportProgress& progress);
    // The account: rows written and left out, or why there is no file.
    void Tell(const ExportOutcome& outcome, const operations::ExportTarget& target);

private:
    EntryView& m_view;
};

}  // namespace trovana::entry_commands
