#include "discinstall/CopyThread.h"

#include <stdexcept>
#include <string>

namespace {
std::uint32_t nextHandle() {
    static std::atomic<std::uint32_t> last{0};
    std::uint32_t h;
    do h = last.fetch_add(1, std::memory_order_relaxed) + 1;
    while (h == 0);
    return h;
}
}  // namespace

TCopyThread::TCopyThread(plat::Priority priority)
    : handle_(nextHandle()), stepRunner_([this] {
          if (OnStep) OnStep();
      }) {
    // Taken here, on the user-interface thread, not read by the worker from
    // the global that tests replace.
    plat::Platform& platform = plat::platform();
    // Last: from here on the thread may run.
    if (!platform.startThread([this, &platform] { Execute(platform); }, priority))
        throw std::runtime_error("cannot start a thread (error " + std::to_string(platform.lastError()) + ")");
}

void TCopyThread::Execute(plat::Platform& platform) {
    // Deletes the object however the loop ends: a terminate request, or a
    // platform that refuses further hand-overs while it shuts down.
    struct FreeOnTerminate {
        TCopyThread* self;
        ~FreeOnTerminate() { delete self; }
    } freeOnTerminate{this};
    while (!terminated_.load(std::memory_order_acquire)) platform.handOver(stepRunner_);
}
