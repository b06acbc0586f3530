// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/deletion.h"

#include <algorithm>
#include <cstddef>

#include <wx/defs.h>
#include <wx/translation.h>

#include "operations/progress.h"

namespace trovana::entry_commands {

bool Deletion::Run(const DeletionChoice& choice, const std::function<void(const DeletionOutcome&)>& takeOut)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    if (!choice.question.empty() && !prompts.AskYes(parent, choice.question))
        return false;
    DeletionReport report(choice.wording);
    DeletionOutcome outcome;
    {
        const operations::RowProgress progress(m_view.Busy());
        // Deleted in about twelve batches, each of which locks and writes
        // the containers once: other programs get their turn in between,
        // and what a batch deleted is on disk before the next one starts.
        const size_t count = choice.urls.size();
        const size_t step = std::max<size_t>(1, count / 12);
        for (size_t first = 0; first < count; first += step) {
            const std::vector<std::string> urls(
                choice.urls.begin() + static_cast<std::ptrdiff_t>(first),
                choice.urls.begin() + static_cast<std::ptrdiff_t>(std::min(count, first + step)));
            const std::vector<urlcache::CacheResult> results = m_view.Cache().DeleteEntries(urls);
            report.AddAll(m_view.Cache(), urls, results);
            for (size_t i = 0; i < results.size() && i < urls.size(); ++i) {
                if (results[i].ok())
                    outcome.deleted.push_back(urls[i]);
                else if (results[i].code == urlcache::ERROR_FILE_NOT_FOUND)
                    outcome.notCached.push_back(urls[i]);
            }
            progress.Row(first, count);
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
