// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/deletion.h"

#include <algorithm>

#include <wx/defs.h>
#include <wx/translation.h>

namespace trovana::entry_commands {

namespace {
constexpr size_t kBatchCount = 100;
constexpr size_t kSmallestBatch = 50;
}  // namespace

size_t DeletionBatchSize(size_t count)
{
    return std::max(kSmallestBatch, count / kBatchCount);
}

DeletionBatch DeleteBatch(urlcache::UrlCache& cache, std::vector<std::string> urls)
{
    DeletionBatch batch;
    batch.results = cache.DeleteEntries(urls);
    batch.results.resize(urls.size());
    for (size_t i = 0; i < urls.size(); ++i)
        batch.markedPending.push_back(IsMarkedPending(cache, urls[i], batch.results[i]));
    batch.urls = std::move(urls);
    return batch;
}

Deletion::Deletion(EntryView& view, DeletionChoice choice)
    : m_view(view), m_choice(std::move(choice)), m_report(m_choice.wording)
{
}

bool Deletion::Ask()
{
    return m_choice.question.empty() || m_view.UserPrompts().AskYes(m_view.PromptParent(), m_choice.question);
}

DeletionOutcome Deletion::Take(const DeletionBatch& batch)
{
    DeletionOutcome outcome;
    for (size_t i = 0; i < batch.urls.size(); ++i) {
        const urlcache::CacheResult& result = batch.results[i];
        m_report.Add(batch.urls[i], result, batch.markedPending[i]);
        if (result.ok())
            outcome.deleted.push_back(batch.urls[i]);
        else if (result.code == urlcache::ERROR_FILE_NOT_FOUND)
            outcome.notCached.push_back(batch.urls[i]);
    }
    m_nDone += batch.urls.size();
    m_nDeleted += outcome.deleted.size();
    return outcome;
}

void Deletion::Finish(bool stopped)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    if (!m_report.Empty())
        prompts.MessageBox(parent, m_report.Text(m_nDone), m_report.Caption(), wxOK | wxICON_EXCLAMATION);
    // The entries went, their files did not: one summary at the end.
    if (m_report.KeptFiles() > 0)
        prompts.MessageBox(parent, m_report.KeptText(), _("Files Kept"), wxOK | wxICON_INFORMATION);
    if (stopped) {
        const size_t left = Count() - m_nDone;
        prompts.MessageBox(parent,
                           wxString::Format(_("Deleting was stopped: %zu of %zu entries were deleted; the %zu not "
                                              "reached are still in the cache."),
                                            m_nDeleted, Count(), left),
                           wxString(), wxOK | wxICON_INFORMATION);
    }
}

}  // namespace trovana::entry_commands
