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

private:
    Win32Platform& p_;
};

}  // namespace w32
