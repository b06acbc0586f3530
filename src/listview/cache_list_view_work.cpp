// SPDX-License-Identifier: GPL-3.0-or-later
// Long work on the cache off the window's thread: a deletion, Refresh (and
// Copy and Export, cache_list_view_output.cpp) run their batches on a
// CWindowWorker with its own handle on the cache (the cache library locks
// the containers between handles as between processes). The window keeps
// answering: the status bar says how many are done of how many, the lists
// lose their rows as each batch of a deletion ends, and Cancel (the button
// in the status bar, or Escape) stops the work between two batches.
// Commands that would change the cache or the lists meanwhile wait for its end.
#include <algorithm>
#include <utility>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/translation.h>

#include "listview/cache_list_view.h"
#include "listview/site_tree_ctrl.h"

namespace trovana::listview {

namespace {
wxStatusBar* StatusBarOf(wxWindow* window)
{
    auto* frame = wxDynamicCast(wxGetTopLevelParent(window), wxFrame);
    return frame != nullptr ? frame->GetStatusBar() : nullptr;
}
}  // namespace

bool CCacheListView::WaitForWork(std::function<void()> action)
{
    if (!IsWorking())
        return false;
    m_afterWork.push_back(std::move(action));
    return true;
}

void CCacheListView::StartWork(WorkCounts counts, LongWork work, std::function<void()> endOnFailure)
{
    m_work = std::move(counts);
    auto cancel = std::make_shared<std::stop_source>();
    m_pStopWork = cancel;
    m_worker.Run(
        [cancel, work = std::move(work)](const CWindowWorker::Channel& channel) {
            // The window closing stops the work as Cancel does.
            const std::stop_callback closing(channel.StopToken(), [cancel] { cancel->request_stop(); });
            work(channel, cancel->get_token());
        },
        [this, endOnFailure = std::move(endOnFailure)](std::exception_ptr failure) {
            // What was done so far is shown; the failure then reaches the
            // event loop, which tells it as any other.
            if (endOnFailure)
                endOnFailure();
            else
                EndWork();
            std::rethrow_exception(failure);
        });
    ShowCancelButton(true);
    ShowWorkProgress();
}

void CCacheListView::CountWork(size_t done, size_t count, const WorkCounts* texts)
{
    if (!m_work)
        return;
    if (texts != nullptr) {
        m_work->running = texts->running;
        m_work->stopping = texts->stopping;
    }
    m_work->done = done;
    m_work->count = count;
    ShowWorkProgress();
}

void CCacheListView::EndWork(const std::function<void()>& tell)
{
    m_work.reset();
    m_pStopWork.reset();
    ShowCancelButton(false);
    m_pBusy->SetProgress(0);
    UpdateStatusSummary();
    if (tell)
        tell();
    for (const auto& action : std::exchange(m_afterWork, {}))
        action();
}

void CCacheListView::RunDeletion(entry_commands::DeletionChoice choice, BatchTaker takeBatch, WorkEnder end)
{
    entry_commands::EntryView& view = *this;
    auto deletion = std::make_unique<entry_commands::Deletion>(view, std::move(choice));
    if (!deletion->Ask())
        return;
    m_pDeletion = std::move(deletion);
    StartWork(
        {_("Deleting: %zu of %zu cache entries done"), _("Stopping: %zu of %zu cache entries done"), 0,
         m_pDeletion->Count()},
        [this, location = Cache().Location(), urls = m_pDeletion->Urls(), takeBatch = std::move(takeBatch),
         end](const CWindowWorker::Channel& channel, const std::stop_token& cancel) {
            urlcache::UrlCache cache(location);
            const size_t step = entry_commands::DeletionBatchSize(urls.size());
            for (size_t first = 0; first < urls.size() && !cancel.stop_requested(); first += step) {
                const auto from = urls.begin() + static_cast<std::ptrdiff_t>(first);
                auto batch = std::make_shared<entry_commands::DeletionBatch>(entry_commands::DeleteBatch(
                    cache, std::vector<std::string>(from, from + static_cast<std::ptrdiff_t>(
                                                                    std::min(step, urls.size() - first)))));
                channel.PostPaced([this, batch, takeBatch] {
                    takeBatch(m_pDeletion->Take(*batch));
                    FollowGallery();
                    CountWork(m_pDeletion->Done(), m_pDeletion->Count());
                });
            }
            channel.Post([this, end] { EndDeletion(end); });
        },
        [this, end] { EndDeletion(end); });
}

void CCacheListView::EndDeletion(const WorkEnder& end)
{
    const std::unique_ptr<entry_commands::Deletion> deletion = std::move(m_pDeletion);
    const bool stopped = deletion->Done() < deletion->Count();
    EndWork([&] {
        end(stopped);
        UpdateStatusSummary();
        deletion->Finish(stopped);
    });
}

void CCacheListView::RefreshCache()
{
    if (WaitForFirstScan([this] { RefreshCache(); }) || WaitForWork([this] { RefreshCache(); }))
        return;
    const size_t listed = static_cast<size_t>(m_pCatalogue->ListAll().Count());
    StartWork({_("Refreshing: %zu cache entries read, %zu listed before"),
               _("Stopping: %zu cache entries read, %zu listed before"), 0, listed},
              [this, location = Cache().Location(), zone = m_pCatalogue->Zone(), listed](
                  const CWindowWorker::Channel& channel, const std::stop_token& cancel) {
                  // A catalogue of its own, shown only once the scan is whole.
                  auto ending = std::make_shared<CFirstScan::Ending>();
                  ending->cache = std::make_unique<urlcache::UrlCache>(location);
                  ending->catalogue = std::make_unique<catalogue::CCatalogue>(*ending->cache, *ending->quiet);
                  ending->catalogue->SetZone(zone);
                  RowStore& rows = ending->catalogue->ListAll();
                  ending->catalogue->ScanCache(cancel, [&](std::vector<ListRow>&& batch, int64_t) {
                      for (ListRow& row : batch)
                          rows.InsertRow(rows.Count(), std::move(row));
                      channel.PostPaced(
                          [this, read = static_cast<size_t>(rows.Count()), listed] { CountWork(read, listed); });
                  });
                  channel.Post(
                      [this, ending, stopped = cancel.stop_requested()] { EndRefresh(std::move(*ending), stopped); });
              });
}

void CCacheListView::EndRefresh(CFirstScan::Ending&& ending, bool stopped)
{
    // A Refresh stopped keeps the rows it would have replaced.
    EndWork([&] {
        if (stopped)
            return;
        m_pSelectedNode = nullptr;
        if (m_pSiteTree != nullptr)
            m_pSiteTree->DeleteAllSites();
        ending.catalogue->SetBusyIndicator(*m_pBusy);
        InstallCatalogue(std::move(ending.cache), std::move(ending.catalogue));
        ShowScannedCache();
    });
}

void CCacheListView::CancelWork()
{
    if (m_pStopWork != nullptr)
        m_pStopWork->request_stop();
    ShowWorkProgress();
}

void CCacheListView::ShowWorkProgress()
{
    if (!m_work)
        return;
    const size_t count = m_work->count;
    m_pBusy->SetProgress(count > 0 ? static_cast<int>(std::min(m_work->done, count) * 100 / count) : 0);
    UpdateStatusSummary();
}

wxString CCacheListView::WorkProgressText() const
{
    if (!m_work)
        return {};
    const bool stopping = m_pStopWork != nullptr && m_pStopWork->stop_requested();
    return wxString::Format(stopping ? m_work->stopping : m_work->running, m_work->done, m_work->count);
}

CCacheListView::CommandPrompt::CommandPrompt(CCacheListView& view, const char* prompt)
    : m_view(view), m_strOuter(std::exchange(view.m_strAsking, wxGetTranslation(prompt)))
{
    m_view.UpdateStatusSummary();
}

CCacheListView::CommandPrompt::~CommandPrompt()
{
    m_view.m_strAsking = m_strOuter;
    m_view.UpdateStatusSummary();
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
