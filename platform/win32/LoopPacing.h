// How often the message loop looks at its queue.  Under Wine each look is a
// wineserver round trip, so while a worker keeps handing over the queue is
// looked at only once per interval; otherwise at every pump.  Counts the
// looks, for tests and benchmarks.
#pragma once

namespace w32 {

class LoopPacing {
public:
    LoopPacing();

    // Minimum time between two looks at the queue while hand-overs keep
    // arriving; also the gap after which they no longer count as arriving.
    void setInterval(double seconds);

    void handOverRan();  // a worker's call has just run
    void peeked();       // the queue has just been looked at
    // A worker counts as busy while its hand-overs come less than an
    // interval apart.
    bool workerBusy() const;
    bool peekDue() const;
    unsigned long peeks() const { return peeks_; }

private:
    long long interval_ = 0;  // HandOverQueue::now() ticks
    long long lastPeek_ = 0;
    long long lastHandOver_ = 0;
    unsigned long peeks_ = 0;
};

}  // namespace w32
