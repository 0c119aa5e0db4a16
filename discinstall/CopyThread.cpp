#include "discinstall/CopyThread.h"

namespace {
std::uint32_t nextHandle() {
    static std::atomic<std::uint32_t> last{0};
    std::uint32_t h;
    do h = last.fetch_add(1, std::memory_order_relaxed) + 1;
    while (h == 0);
    return h;
}
}  // namespace

TCopyThread::TCopyThread()
    : handle_(nextHandle()), stepRunner_([this] {
          if (OnStep) OnStep();
      }) {}

std::shared_ptr<TCopyThread> TCopyThread::Create(plat::Priority priority, std::uint32_t& error) {
    std::shared_ptr<TCopyThread> worker(new TCopyThread());
    // Taken here, on the user-interface thread, not read by the worker from
    // the global that tests replace.
    plat::Platform& platform = plat::platform();
    // Last: from here on the thread may run.
    if (!platform.startThread([worker, p = &platform] { worker->Execute(*p); }, priority)) {
        error = platform.lastError();
        return nullptr;
    }
    return worker;
}

void TCopyThread::Execute(plat::Platform& platform) {
    // Ends on a terminate request, or when a hand-over throws: a platform
    // that refuses further hand-overs while it shuts down.
    while (!terminated_.load(std::memory_order_acquire)) platform.handOver(stepRunner_);
}
