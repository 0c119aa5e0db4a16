#include "platform/win32/HandOver.h"

#include "platform/win32/Win32.h"

namespace w32 {

namespace {
// Request states, as bits.
constexpr LONG kTaken = 1;     // the user-interface thread has it
constexpr LONG kDone = 2;      // it has run; the worker may go on
constexpr LONG kSleeping = 4;  // the worker waits on the state word

// A copy step and the way back take a few microseconds when both threads
// run; past this the worker sleeps instead of burning its core.
constexpr long long kSpinMicroseconds = 50;
// The user-interface thread counts as away when it has not pumped for this
// long; a sleeping worker looks again this often.
constexpr long long kAwayMicroseconds = 5000;
constexpr DWORD kRecheckMilliseconds = 5;
}  // namespace

namespace {

// WaitOnAddress and WakeByAddressSingle: Windows 8 and later, and Wine.
using WaitOnAddressFn = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
using WakeByAddressFn = VOID(WINAPI*)(PVOID);
struct AddressWaits {
    WaitOnAddressFn wait = nullptr;
    WakeByAddressFn wake = nullptr;
};

const AddressWaits& addressWaits() {
    static const AddressWaits found = [] {
        AddressWaits a;
        char forced[8] = {};
        if (GetEnvironmentVariableA("LUNAVIRE_NO_WAITONADDRESS", forced, sizeof forced) && forced[0] == '1') return a;
        HMODULE base = GetModuleHandleA("kernelbase.dll");
        if (!base) return a;
        a.wait = reinterpret_cast<WaitOnAddressFn>(reinterpret_cast<void*>(GetProcAddress(base, "WaitOnAddress")));
        a.wake = reinterpret_cast<WakeByAddressFn>(
            reinterpret_cast<void*>(GetProcAddress(base, "WakeByAddressSingle")));
        if (!a.wait || !a.wake) a = {};
        return a;
    }();
    return found;
}

}  // namespace

struct HandOverQueue::Request {
    const std::function<void()>* call;
    Request* next;
    std::atomic<LONG> state{0};
    std::exception_ptr error;
};

bool HandOverQueue::addressWaitsAvailable() { return addressWaits().wait != nullptr; }

void HandOverQueue::sleepOn(Request& r, LONG seen, DWORD timeoutMs) {
    if (const auto wait = addressWaits().wait) {
        wait(&r.state, &seen, sizeof seen, timeoutMs);
        return;
    }
    // The lock makes the check and the sleep one step for the waker.
    AcquireSRWLockExclusive(&lock_);
    if (r.state.load(std::memory_order_acquire) == seen) SleepConditionVariableSRW(&sleepers_, &lock_, timeoutMs, 0);
    ReleaseSRWLockExclusive(&lock_);
}

void HandOverQueue::wakeSleeper(Request* r) {
    if (const auto wake = addressWaits().wake) {
        // Only the address is used as a key: the request having returned meanwhile is harmless.
        wake(&r->state);
        return;
    }
    // Taking the lock waits out a worker between its check and its sleep.
    AcquireSRWLockExclusive(&lock_);
    ReleaseSRWLockExclusive(&lock_);
    WakeAllConditionVariable(&sleepers_);
}

long long HandOverQueue::now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

long long HandOverQueue::ticks(long long microseconds) {
    static const long long perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return perSecond * microseconds / 1000000;
}

HandOverQueue::HandOverQueue(std::function<void()> wakeUi) : uiSeen_(now()), wakeUi_(std::move(wakeUi)) {}

void HandOverQueue::wake() {
    wakes_.fetch_add(1, std::memory_order_relaxed);
    if (wakeUi_) wakeUi_();
}

bool HandOverQueue::uiAway() const {
    return now() - uiSeen_.load(std::memory_order_relaxed) > ticks(kAwayMicroseconds);
}

void HandOverQueue::handOver(const std::function<void()>& call) {
    Request r;
    r.call = &call;
    r.next = head_.load(std::memory_order_relaxed);
    while (!head_.compare_exchange_weak(r.next, &r, std::memory_order_seq_cst, std::memory_order_relaxed)) {
    }
    // Pairs with setUiBlocked(true) followed by pending() on the other
    // side: one of the two sees the other.
    bool woken = false;
    if (uiBlocked_.load(std::memory_order_seq_cst)) {
        wake();
        woken = true;
    }
    const long long deadline = now() + ticks(kSpinMicroseconds);
    for (unsigned i = 1;; ++i) {
        if (r.state.load(std::memory_order_acquire) & kDone) break;
        if (i % 64 == 0 && now() > deadline) break;
        YieldProcessor();
    }
    LONG s = r.state.load(std::memory_order_acquire);
    if (!(s & kDone)) {
        sleeps_.fetch_add(1, std::memory_order_relaxed);
        s = r.state.fetch_or(kSleeping, std::memory_order_acq_rel) | kSleeping;
        while (!(s & kDone)) {
            bool taken = (s & kTaken) != 0;
            if (!taken && !woken && uiAway()) {
                wake();
                woken = true;
            }
            sleepOn(r, s, taken || woken ? INFINITE : kRecheckMilliseconds);
            s = r.state.load(std::memory_order_acquire);
        }
    }
    if (r.error) std::rethrow_exception(r.error);
}

bool HandOverQueue::awaitBriefly(long long microseconds) const {
    if (pending()) return true;
    const long long deadline = now() + ticks(microseconds);
    for (unsigned i = 1;; ++i) {
        if (pending()) return true;
        if (i % 64 == 0 && now() > deadline) return false;
        YieldProcessor();
    }
}

bool HandOverQueue::runPending() {
    uiSeen_.store(now(), std::memory_order_relaxed);
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
        if (before & kSleeping) wakeSleeper(r);
        uiSeen_.store(now(), std::memory_order_relaxed);
    }
    return true;
}

}  // namespace w32
