#include "platform/win32/LoopPacing.h"

#include "platform/win32/HandOver.h"

namespace w32 {

namespace {
constexpr double kDefaultIntervalSeconds = 0.001;
long long now() { return HandOverQueue::now(); }
}  // namespace

LoopPacing::LoopPacing() { setInterval(kDefaultIntervalSeconds); }

void LoopPacing::setInterval(double seconds) {
    interval_ = HandOverQueue::ticks(static_cast<long long>(seconds * 1e6));
}

void LoopPacing::handOverRan() { lastHandOver_ = now(); }

void LoopPacing::peeked() {
    lastPeek_ = now();
    ++peeks_;
}

bool LoopPacing::workerBusy() const { return now() - lastHandOver_ < interval_; }

bool LoopPacing::peekDue() const { return !workerBusy() || now() - lastPeek_ >= interval_; }

}  // namespace w32
