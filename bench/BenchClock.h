// The benchmarks' clock on Windows: the performance counter.
#pragma once

#include <windows.h>

namespace benchclock {

inline long long ticks() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// Seconds in a span of ticks.
inline double seconds(long long t) {
    static const double perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(t) / perSecond;
}

}  // namespace benchclock
