// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export: asks for the file, writes the rows gathered by the view
// into it with a progress window on a long export, and says how it went.
#pragma once

#include "entry_commands/entry_view.h"
#include "operations/export_file.h"

namespace trovana::entry_commands {

class ExportCommand {
public:
    explicit ExportCommand(EntryView& view) : m_view(view) {}

    // Daily and weekly history are read in the source zone.
    void Run(const operations::ExportRows& rows, const TimeZone& sourceZone);

private:
    EntryView& m_view;
};

}  // namespace trovana::entry_commands
