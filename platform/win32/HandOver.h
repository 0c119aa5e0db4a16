// Hand-over of calls from worker threads to the user-interface thread.
//
// A copy hands over one 1024-byte step at a time, so a hand-over must cost
// about as little as the step itself.  Under Wine anything that reaches the
// wineserver (a posted message, an event, even PeekMessage) costs tens of
// microseconds, so the hot path avoids all of them: the worker pushes a
// request that lives on its own stack onto a lock-free list, spins briefly,
// then sleeps on WaitOnAddress (a futex under Wine; Windows 8 and later,
// looked up at run time) or, where the system lacks it, on a condition
// variable of the queue's (Windows 7).  The user-interface
// thread drains the list whenever it pumps, and wakes a sleeping worker the
// same way.
//
// The owner's wake function (a posted message) is called only when the
// user-interface thread cannot be relied on to come by: it is blocked
// waiting for messages, or it has not pumped for a while (a long handler, a
// message box's own loop).  A thread that keeps pumping is never sent one:
// under Wine each would cost more than the step it announces.
#pragma once

#include <atomic>
#include <exception>
#include <functional>

#include "platform/win32/Win32.h"

namespace w32 {

class HandOverQueue {
public:
    explicit HandOverQueue(std::function<void()> wakeUi);

    // Whether sleeping workers use WaitOnAddress (false: the condition
    // variable).  The environment variable LUNAVIRE_NO_WAITONADDRESS=1 forces
    // the fallback, so that tests cover both.
    static bool addressWaitsAvailable();
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;

    // Worker side: run call on the user-interface thread and block until it
    // has run there.  An exception thrown by call is rethrown here.
    void handOver(const std::function<void()>& call);

    // User-interface side.
    // Runs every waiting call, oldest first; returns whether any ran.  Also
    // notes that the thread is pumping.
    bool runPending();
    bool pending() const { return head_.load(std::memory_order_seq_cst) != nullptr; }
    // Spins up to the given time for a call to arrive; true when one waits.
    bool awaitBriefly(long long microseconds) const;
    // The thread is about to block (true) or has woken (false).  A request
    // that arrives while it is blocked wakes it at once.
    void setUiBlocked(bool blocked) { uiBlocked_.store(blocked, std::memory_order_seq_cst); }
    bool uiBlocked() const { return uiBlocked_.load(std::memory_order_seq_cst); }

    // How many calls ran, and how many times a worker had to wake the
    // user-interface thread.
    unsigned long runCount() const { return runs_; }
    unsigned long wakeCount() const { return wakes_.load(std::memory_order_relaxed); }
    // How many times a worker stopped spinning and slept for its call.
    unsigned long sleepCount() const { return sleeps_.load(std::memory_order_relaxed); }

    // The clock of the queue (QueryPerformanceCounter ticks).
    static long long now();
    static long long ticks(long long microseconds);

private:
    struct Request;
    void wake();
    bool uiAway() const;

    // Sleeping and waking a worker on its request's state word.
    void sleepOn(Request& r, LONG seen, DWORD timeoutMs);
    void wakeSleeper(Request* r);

    std::atomic<Request*> head_{nullptr};
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE sleepers_ = CONDITION_VARIABLE_INIT;
    std::atomic<bool> uiBlocked_{false};
    std::atomic<long long> uiSeen_;  // when the interface thread last pumped
    std::atomic<unsigned long> wakes_{0};
    std::atomic<unsigned long> sleeps_{0};
    unsigned long runs_ = 0;  // user-interface thread only
    std::function<void()> wakeUi_;
};

}  // namespace w32
