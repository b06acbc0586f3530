// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/prompts.h"

#include <wx/defs.h>
#include <wx/translation.h>

namespace trovana::entry_commands {

std::unique_ptr<ProgressWindow> Prompts::StartProgress(wxWindow*, const wxString&, int)
{
    return nullptr;
}

std::optional<size_t> Prompts::ChooseOne(wxWindow*, const wxString&, const wxString&, const std::vector<wxString>&)
{
    return std::nullopt;
}

std::optional<SaveChoice> Prompts::ChooseSaveFile(wxWindow*, const wxString&, const wxString&, const wxString&)
{
    return std::nullopt;
}

std::optional<std::filesystem::path> Prompts::ChooseOpenFile(wxWindow*, const wxString&, const wxString&)
{
    return std::nullopt;
}

bool Prompts::AskYes(wxWindow* parent, const wxString& question, const wxString& caption)
{
    return MessageBox(parent, question, caption, wxYES_NO | wxICON_QUESTION) == wxID_YES;
}

void Prompts::ShowProblems(wxWindow* parent, const wxString& heading, const std::vector<std::string>& problems)
{
    // A long list is cut: the first lines say what is wrong.
    constexpr size_t kMaxLines = 8;
    wxString text = heading + "\n";
    for (size_t i = 0; i < problems.size() && i < kMaxLines; ++i)
        text += "\n" + wxString::FromUTF8(problems[i]);
    if (problems.size() > kMaxLines)
        text += "\n" + wxString::Format(_("(and %zu more)"), problems.size() - kMaxLines);
    MessageBox(parent, text, wxString(), wxOK | wxICON_EXCLAMATION);
}

}  // namespace trovana::entry_commands
