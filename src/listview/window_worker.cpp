// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/window_worker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <wx/app.h>
#include <wx/timer.h>

namespace trovana::listview {

struct CWindowWorker::Channel::State {
    std::stop_source stop;
    std::mutex mutex;
    bool abandoned = false;  // set on the window's thread, under the mutex
    // Paced posts made, and run by the window.
    std::atomic<size_t> pacedPosted = 0;
    std::atomic<size_t> pacedRun = 0;
};

namespace {
// The threads of all workers still working, for WaitForAll.
std::mutex g_threadsMutex;
std::condition_variable g_threadsEnded;
int g_threadCount = 0;
}  // namespace

class CWindowWorker::PostPump : public wxTimer {
public:
    void Notify() override
    {
        if (wxTheApp != nullptr)
            wxTheApp->ProcessPendingEvents();
    }
};

namespace {
constexpr int kPumpMs = 50;
// How often paced work looks whether the window has run its last post.
constexpr auto kPaceWait = std::chrono::milliseconds(5);
}  // namespace

CWindowWorker::CWindowWorker() : m_pump(std::make_unique<PostPump>())
{
}

CWindowWorker::~CWindowWorker()
{
    Stop();
}

CWindowWorker::Channel::Channel(std::shared_ptr<State> state, std::stop_token stop)
    : m_state(std::move(state)), m_stop(std::move(stop))
{
}

void CWindowWorker::Channel::Post(std::function<void()> onWindow) const
{
    // Shared, so that the event queue copies a pointer and not what the
    // work hands over.
    auto call = std::make_shared<std::function<void()>>(std::move(onWindow));
    const std::lock_guard lock(m_state->mutex);
    if (m_state->abandoned || wxTheApp == nullptr)
        return;
    wxTheApp->CallAfter([state = m_state, call] {
        if (!state->abandoned)
            (*call)();
    });
}

void CWindowWorker::Channel::PostPaced(std::function<void()> onWindow) const
{
    const size_t posted = ++m_state->pacedPosted;
    Post([state = m_state, onWindow = std::move(onWindow)] {
        onWindow();
        ++state->pacedRun;
    });
    while (m_state->pacedRun + 1 < posted && !StopRequested())
        std::this_thread::sleep_for(kPaceWait);
}

void CWindowWorker::Run(Work work, Failure onFailure)
{
    Stop();
    m_state = std::make_shared<Channel::State>();
    m_bRunning = true;
    m_pump->Start(kPumpMs);
    const Channel channel(m_state, m_state->stop.get_token());
    {
        const std::lock_guard lock(g_threadsMutex);
        ++g_threadCount;
    }
    std::thread([this, channel, work = std::move(work), onFailure = std::move(onFailure)]() mutable {
        try {
            work(channel);
        } catch (...) {
            if (onFailure)
                channel.Post([onFailure, failure = std::current_exception()] { onFailure(failure); });
        }
        // Run only while this worker is still wanted, so `this` is alive.
        channel.Post([this] {
            m_bRunning = false;
            m_pump->Stop();
        });
        work = nullptr;  // what the work owns goes before WaitForAll returns
        onFailure = nullptr;
        const std::lock_guard lock(g_threadsMutex);
        --g_threadCount;
        g_threadsEnded.notify_all();
    }).detach();
}

void CWindowWorker::Stop()
{
    m_bRunning = false;
    m_pump->Stop();
    if (m_state == nullptr)
        return;
    m_state->stop.request_stop();
    const std::lock_guard lock(m_state->mutex);
    m_state->abandoned = true;
}

void CWindowWorker::WaitForAll(std::chrono::milliseconds limit)
{
    std::unique_lock lock(g_threadsMutex);
    g_threadsEnded.wait_for(lock, limit, [] { return g_threadCount == 0; });
}

}  // namespace trovana::listview
