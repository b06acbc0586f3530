// SPDX-License-Identifier: GPL-3.0-or-later
// Work off the window's thread, one way for the whole program: the work runs
// on a thread of its own and hands what it has to the window's thread by
// posting it there (CallAfter on the application). What it posts is run only
// while the worker that started it is still wanted: the worker is checked on
// the window's thread as a weak reference would be, so a worker that was
// told to stop, or destroyed with its window, gets no call any more. The
// thread is never joined by the window: the work must own what it uses
// (values moved in, shared pointers) and should look at its stop token now
// and then, so that it ends soon once it is no longer wanted.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>

namespace trovana::listview {

class CWindowWorker {
public:
    // What the work sees of its worker.
    class Channel {
    public:
        // True once the worker was told to stop or is gone.
        bool StopRequested() const { return m_stop.stop_requested(); }
        const std::stop_token& StopToken() const { return m_stop; }
        // Runs onWindow on the window's thread, later, unless the worker is
        // stopped by then.
        void Post(std::function<void()> onWindow) const;
        // Posts as Post does, then waits until the window has run all but
        // this one of what was posted so: the work keeps at most one such
        // post waiting, so that the window answers however slow it is.
        void PostPaced(std::function<void()> onWindow) const;
        // Runs ask on the window's thread (a question to the user) and waits
        // for its answer; none once the worker is stopped.
        template <class Answer>
        std::optional<Answer> Ask(std::function<Answer()> ask) const
        {
            auto answer = std::make_shared<std::promise<Answer>>();
            std::future<Answer> future = answer->get_future();
            Post([answer, ask = std::move(ask)] {
                try {
                    answer->set_value(ask());
                } catch (...) {
                    answer->set_exception(std::current_exception());
                }
            });
            while (future.wait_for(kAnswerWait) != std::future_status::ready) {
                if (StopRequested())
                    return std::nullopt;
            }
            return future.get();
        }

    private:
        static constexpr std::chrono::milliseconds kAnswerWait{5};
        friend class CWindowWorker;
        struct State;
        Channel(std::shared_ptr<State> state, std::stop_token stop);
        std::shared_ptr<State> m_state;
        std::stop_token m_stop;
    };

    using Work = std::function<void(const Channel&)>;
    using Failure = std::function<void(std::exception_ptr)>;

    CWindowWorker();
    // Tells the work to stop; does not wait for it.
    ~CWindowWorker();
    CWindowWorker(const CWindowWorker&) = delete;
    CWindowWorker& operator=(const CWindowWorker&) = delete;

    // Starts the work on a new thread, after telling an earlier one to stop.
    // What the work throws is given to onFailure on the window's thread.
    // Call on the window's thread.
    void Run(Work work, Failure onFailure = nullptr);
    // Tells the work to stop; nothing it posts is run from now on.
    void Stop();
    // True from Run until the work has returned (as seen on the window's
    // thread: its last post has been run) or Stop.
    bool IsRunning() const { return m_bRunning; }

    // Waits up to `limit` for the threads of every worker to end, so that
    // none is left working while the program ends. Not for event handlers.
    static void WaitForAll(std::chrono::milliseconds limit);

private:
    // Runs what the work posted every few milliseconds while it runs: wx
    // does not always wake its event loop for a post from another thread.
    class PostPump;
    std::shared_ptr<Channel::State> m_state;
    bool m_bRunning = false;
    std::unique_ptr<PostPump> m_pump;
};

}  // namespace trovana::listview
