#include "discinstall/CopyThread.h"
#include "platform/Desktop.h"
#include "platform/Program.h"

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

std::shared_ptr<TCopyThread> TCopyThread::Create(plat::Priority priority, plat::SysError& error) {
    std::shared_ptr<TCopyThread> worker(new TCopyThread());
    // Taken here, on the user-interface thread, not read by the worker from
    // the global that tests replace.
    plat::Desktop& desktop = plat::desktop();
    // Last: from here on the thread may run.
    error = desktop.startThread([worker, d = &desktop] { worker->Execute(*d); }, priority);
    if (error.failed()) return nullptr;
    return worker;
}

void TCopyThread::Execute(plat::Desktop& desktop) {
    // Ends on a terminate request, or when a hand-over throws: a platform
    // that refuses further hand-overs while it shuts down.
    while (!terminated_.load(std::memory_order_acquire)) desktop.handOver(stepRunner_);
}
