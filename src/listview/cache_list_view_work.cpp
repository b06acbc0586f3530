// SPDX-License-Identifier: GPL-3.0-or-later
// Long work on the cache off the window's thread: a deletion runs its
// batches on a CWindowWorker with its own handle on the cache (the cache
// library locks the containers between handles as between processes). The
// window keeps answering: the status bar says how many entries are done of
// how many, the lists lose their rows as each batch ends, and Cancel (the
// button in the status bar, or Escape) stops the work between two batches.
// Commands that would change the cache or the lists meanwhile wait for its end.
#include <atomic>
#include <chrono>
#include <thread>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/translation.h>

#include "listview/cache_list_view.h"

namespace trovana::listview {

namespace {
// How often the work looks whether the window has taken its last batch.
constexpr int kWaitMs = 5;

wxStatusBar* StatusBarOf(wxWindow* window)
{
    auto* frame = wxDynamicCast(wxGetTopLevelParent(window), wxFrame);
    return frame != nullptr ? frame->GetStatusBar() : nullptr;
}
}  // namespace

bool CCacheListView::WaitForWork(std::function<void()> action)
{
    if (m_pDeletion == nullptr)
        return false;
    m_afterWork.push_back(std::move(action));
    return true;
}

void CCacheListView::RunDeletion(entry_commands::DeletionChoice choice, BatchTaker takeBatch, WorkEnder end)
{
    entry_commands::EntryView& view = *this;
    auto deletion = std::make_unique<entry_commands::Deletion>(view, std::move(choice));
    if (!deletion->Ask())
        return;
    m_pDeletion = std::move(deletion);
    m_pStopWork = std::make_shared<std::atomic_bool>(false);
    // Batches the window has taken: the work keeps at most one more waiting
    // for it, so that the window answers between batches however slow it is.
    auto taken = std::make_shared<std::atomic<size_t>>(0);
    m_deletionWorker.Run([this, location = Cache().Location(), urls = m_pDeletion->Urls(), stop = m_pStopWork,
                          taken, takeBatch = std::move(takeBatch), end](const CWindowWorker::Channel& channel) {
        urlcache::UrlCache cache(location);
        const size_t step = entry_commands::DeletionBatchSize(urls.size());
        size_t posted = 0;
        for (size_t first = 0; first < urls.size() && !*stop && !channel.StopRequested(); first += step) {
            const auto from = urls.begin() + static_cast<std::ptrdiff_t>(first);
            auto batch = std::make_shared<entry_commands::DeletionBatch>(entry_commands::DeleteBatch(
                cache, std::vector<std::string>(from, from + static_cast<std::ptrdiff_t>(
                                                                std::min(step, urls.size() - first)))));
            channel.Post([this, batch, takeBatch, taken] {
                takeBatch(m_pDeletion->Take(*batch));
                ShowWorkProgress();
                ++*taken;
            });
            ++posted;
            while (*taken + 1 < posted && !*stop && !channel.StopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
        }
        channel.Post([this, end] { EndDeletion(end); });
    },
    [this, end](std::exception_ptr failure) {
        // What was deleted so far is shown; the failure then reaches the
        // event loop, which tells it as any other.
        EndDeletion(end);
        std::rethrow_exception(failure);
    });
    ShowCancelButton(true);
    ShowWorkProgress();
}

void CCacheListView::EndDeletion(const WorkEnder& end)
{
    const std::unique_ptr<entry_commands::Deletion> deletion = std::move(m_pDeletion);
    const bool stopped = deletion->Done() < deletion->Count();
    ShowCancelButton(false);
    m_pBusy->SetProgress(0);
    end(stopped);
    UpdateStatusSummary();
    deletion->Finish(stopped);
    for (const auto& action : std::exchange(m_afterWork, {}))
        action();
}

void CCacheListView::CancelWork()
{
    if (m_pStopWork != nullptr)
        *m_pStopWork = true;
    ShowWorkProgress();
}

void CCacheListView::ShowWorkProgress()
{
    if (m_pDeletion == nullptr)
        return;
    const size_t count = m_pDeletion->Count();
    m_pBusy->SetProgress(count > 0 ? static_cast<int>(m_pDeletion->Done() * 100 / count) : 0);
    UpdateStatusSummary();
}

wxString CCacheListView::WorkProgressText() const
{
    if (m_pDeletion == nullptr)
        return {};
    const bool stopping = m_pStopWork != nullptr && *m_pStopWork;
    return wxString::Format(stopping ? _("Stopping: %zu of %zu cache entries done") : _("Deleting: %zu of %zu cache "
                                                                                          "entries done"),
                            m_pDeletion->Done(), m_pDeletion->Count());
}

void CCacheListView::ShowCancelButton(bool show)
{
    wxStatusBar* bar = StatusBarOf(this);
    if (!show || bar == nullptr) {
        // The keys go on to the list once the button that had them goes.
        if (m_btnCancel != nullptr && FindFocus() == m_btnCancel)
            GetShownList()->SetFocus();
        if (m_btnCancel != nullptr)
            m_btnCancel->Destroy();
        m_btnCancel = nullptr;
        return;
    }
    if (m_btnCancel == nullptr) {
        m_btnCancel = new wxButton(bar, wxID_CANCEL, _("Cancel"), wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        m_btnCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CancelWork(); });
        // The button goes with the status bar, which may go first.
        m_btnCancel->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
            event.Skip();
            if (event.GetEventObject() == m_btnCancel)
                m_btnCancel = nullptr;
        });
    }
    PlaceCancelButton();
}

void CCacheListView::PlaceCancelButton()
{
    wxStatusBar* bar = StatusBarOf(this);
    wxRect field;
    if (m_btnCancel == nullptr || bar == nullptr || !bar->GetFieldRect(0, field))
        return;
    const wxSize best = m_btnCancel->GetBestSize();
    m_btnCancel->SetSize(field.GetRight() - best.x, field.y, best.x, field.height);
}

}  // namespace trovana::listview
