// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/deletion.h"

#include <wx/defs.h>
#include <wx/translation.h>

#include "operations/progress.h"

namespace trovana::entry_commands {

bool Deletion::Run(const DeletionChoice& choice, const std::function<void(const DeletionOutcome&)>& takeOut)
{
    Prompts& prompts = m_view.GetPrompts();
    wxWindow* parent = m_view.PromptParent();
    if (!choice.question.empty() && !prompts.AskYes(parent, choice.question))
        return false;
    DeletionReport report(choice.wording);
    DeletionOutcome outcome;
    {
        const operations::RowProgress progress(m_view.Busy());
        const size_t count = choice.urls.size();
        const std::vector<urlcache::CacheResult> results = m_view.Cache().DeleteEntries(
            choice.urls, [&](size_t index, const urlcache::CacheResult&) { progress.Row(index, count); });
        report.AddAll(m_view.Cache(), choice.urls, results);
        for (size_t i = 0; i < results.size() && i < count; ++i) {
            if (results[i].ok())
                outcome.deleted.push_back(choice.urls[i]);
            else if (results[i].code == urlcache::ERROR_FILE_NOT_FOUND)
                outcome.notCached.push_back(choice.urls[i]);
        }
    }
    takeOut(outcome);
    if (!report.Empty())
        prompts.MessageBox(parent, report.Text(choice.urls.size()), report.Caption(), wxOK | wxICON_EXCLAMATION);
    // The entries went, their files did not: one summary at the end.
    if (report.KeptFiles() > 0)
        prompts.MessageBox(parent, report.KeptText(), _("Files Kept"), wxOK | wxICON_INFORMATION);
    return true;
}

}  // namespace trovana::entry_commands
