// SPDX-License-Identifier: GPL-3.0-or-later
// What the window benchmarks share: prompts that answer every question Yes,
// and running the events that are waiting.
#pragma once

#include <filesystem>
#include <optional>

#include <wx/app.h>

#include "listview/prompts.h"

namespace trovana::bench {

// Every question answered Yes, every folder chooser cancelled.
class YesPrompts final : public trovana::listview::Prompts {
public:
    int MessageBox(wxWindow*, const wxString&, const wxString&, long style) override
    {
        return (style & wxYES_NO) != 0 ? wxID_YES : wxID_OK;
    }
    std::optional<std::filesystem::path> ChooseFolder(wxWindow*, const wxString&, const std::filesystem::path&) override
    {
        return folder;
    }
    std::optional<trovana::listview::SaveChoice> ChooseSaveFile(wxWindow*, const wxString&, const wxString&,
                                                                const wxString&) override
    {
        return save;
    }
    // The answers of the folder chooser and of the save-file chooser; none
    // (Cancel) unless set.
    std::optional<std::filesystem::path> folder;
    std::optional<trovana::listview::SaveChoice> save;
};

inline void HandleEvents()
{
    while (wxTheApp->Pending())
        wxTheApp->Dispatch();
    // What was posted with CallAfter, as the work off the window's thread posts.
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

}  // namespace trovana::bench
