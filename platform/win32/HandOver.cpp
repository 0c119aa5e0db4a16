#include "platform/win32/HandOver.h"

#include "platform/win32/Win32.h"

namespace w32 {

namespace {
// Request states, as bits.
constexpr LONG kTaken = 1;     // the user-interface thread has it
constexpr LONG kDone = 2;      // it has run; the worker may go on
constexpr LONG kSleeping = 4;  // the worker waits on the state word

// Longer than a copy step plus one PeekMessage round trip of the
// user-interface thread under Wine (about 50 us), far shorter than a sleep.
constexpr LONGLONG kSpinMicroseconds = 150;

LONGLONG now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LONGLONG spinTicks() {
    static const LONGLONG ticks = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart * kSpinMicroseconds / 1000000;
    }();
    return ticks;
}
}  // namespace

struct HandOverQueue::Request {
    const std::function<void()>* call;
    Request* next;
    std::atomic<LONG> state{0};
    std::exception_ptr error;
};

void HandOverQueue::wake() {
    wakes_.fetch_add(1, std::memory_order_relaxed);
    if (wakeUi_) wakeUi_();
}

void HandOverQueue::handOver(const std::function<void()>& call) {
    Request r;
    r.call = &call;
    r.next = head_.load(std::memory_order_relaxed);
    while (!head_.compare_exchange_weak(r.next, &r, std::memory_order_seq_cst, std::memory_order_relaxed)) {
    }
    // Pairs with the user-interface thread's setUiBlocked(true) followed by
    // pending(): one of the two sides sees the other.
    bool woken = false;
    if (uiBlocked_.load(std::memory_order_seq_cst)) {
        wake();
        woken = true;
    }
    const LONGLONG deadline = now() + spinTicks();
    for (unsigned i = 1;; ++i) {
        if (r.state.load(std::memory_order_acquire) & kDone) break;
        if (i % 64 == 0 && now() > deadline) break;
        YieldProcessor();
    }
    LONG s = r.state.load(std::memory_order_acquire);
    if (!(s & kDone)) {
        if (!(s & kTaken) && !woken) wake();
        s = r.state.fetch_or(kSleeping, std::memory_order_acq_rel) | kSleeping;
        while (!(s & kDone)) {
            WaitOnAddress(&r.state, &s, sizeof s, INFINITE);
            s = r.state.load(std::memory_order_acquire);
        }
    }
    if (r.error) std::rethrow_exception(r.error);
}

bool HandOverQueue::runPending() {
    Request* list = head_.exchange(nullptr, std::memory_order_acquire);
    if (!list) return false;
    // The list is newest first; run oldest first.
    Request* ordered = nullptr;
    while (list) {
        Request* next = list->next;
        list->next = ordered;
        ordered = list;
        list = next;
    }
    while (ordered) {
        Request* r = ordered;
        ordered = r->next;  // r may be gone once it is marked done
        r->state.fetch_or(kTaken, std::memory_order_relaxed);
        ++runs_;
        try {
            (*r->call)();
        } catch (...) {
            r->error = std::current_exception();
        }
        LONG before = r->state.fetch_or(kDone, std::memory_order_acq_rel);
        // The waker only uses the address as a key, so the request having
        // returned in the meantime is harmless.
        if (before & kSleeping) WakeByAddressSingle(&r->state);
    }
    return true;
}

}  // namespace w32
