// The message loop of a Win32Platform seen from inside, for the loop tests
// and the hand-over benchmark: its counters and its pacing.
#pragma once

#include "platform/win32/Win32Platform.h"

namespace w32 {

class LoopProbe {
public:
    explicit LoopProbe(Win32Platform& platform) : p_(platform) {}

    struct Stats {
        unsigned long peeks = 0;      // looks at the message queue (PeekMessage runs)
        unsigned long handOvers = 0;  // calls run for workers
        unsigned long wakes = 0;      // times a worker had to wake the user-interface thread
        unsigned long sleeps = 0;     // times a worker slept waiting for its call
    };
    Stats stats() const {
        return {p_.pacing_.peeks(), p_.handOvers_.runCount(), p_.handOvers_.wakeCount(),
                p_.handOvers_.sleepCount()};
    }
    // See LoopPacing::setInterval.
    void setPeekInterval(double seconds) { p_.pacing_.setInterval(seconds); }
    // Workers started and not yet ended.
    int liveWorkers() const { return p_.liveThreads_.load(); }
    // Whether a worker's call waits for the user-interface thread.
    bool handOverWaiting() const { return p_.handOvers_.pending(); }
    // Whether the user-interface thread is blocked waiting for messages.
    bool uiBlocked() const { return p_.handOvers_.uiBlocked(); }
    // Whether an exception that ended a worker waits for the next pump.
    bool workerErrorWaiting() const { return p_.workerErrors_.any(); }

private:
    Win32Platform& p_;
};

}  // namespace w32
