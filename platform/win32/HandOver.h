// Hand-over of calls from worker threads to the user-interface thread.
//
// A copy hands over one 1024-byte step at a time, so a hand-over must cost
// about as little as the step itself.  Under Wine anything that reaches the
// wineserver (a posted message, an event, even PeekMessage) costs tens of
// microseconds, so the hot path avoids all of them: the worker pushes a
// request that lives on its own stack onto a lock-free list, spins briefly,
// and only then sleeps on WaitOnAddress (a futex under Wine).  The
// user-interface thread drains the list whenever it pumps.  The owner's
// wake function (a posted message) is called only when the user-interface
// thread is blocked waiting for messages, or has not picked the request up
// within the spin (it may be inside a message box's own loop).
#pragma once

#include <atomic>
#include <exception>
#include <functional>

namespace w32 {

class HandOverQueue {
public:
    explicit HandOverQueue(std::function<void()> wakeUi) : wakeUi_(std::move(wakeUi)) {}
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;

    // Worker side: run call on the user-interface thread and block until it
    // has run there.  An exception thrown by call is rethrown here.
    void handOver(const std::function<void()>& call);

    // User-interface side: run every waiting call, oldest first.  Returns
    // whether any ran.
    bool runPending();
    bool pending() const { return head_.load(std::memory_order_seq_cst) != nullptr; }

    // The user-interface thread is about to block (true) or has woken
    // (false).  A request that arrives while it is blocked wakes it.
    void setUiBlocked(bool blocked) { uiBlocked_.store(blocked, std::memory_order_seq_cst); }

    // How many times the worker side had to call the wake function.
    unsigned long wakeCount() const { return wakes_.load(std::memory_order_relaxed); }
    unsigned long runCount() const { return runs_; }

private:
    struct Request;
    void wake();

    std::atomic<Request*> head_{nullptr};
    std::atomic<bool> uiBlocked_{false};
    std::atomic<unsigned long> wakes_{0};
    unsigned long runs_ = 0;  // user-interface thread only
    std::function<void()> wakeUi_;
};

}  // namespace w32
