// The worker of a running file copy.  It does no file work itself: each
// cycle it hands one copy step to the user-interface thread and waits until
// the step has run there.  It touches nothing of the component it serves.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Desktop.h"

class TCopyThread {
public:
    using TStepHandler = std::function<void()>;

    // Starts a worker at once at the given priority; nullptr, with the
    // system's reason in error, when no thread can be made.  The running
    // thread holds the object itself until its loop ends, so whoever else
    // holds it may let go at any time, and it is never freed under them.
    static std::shared_ptr<TCopyThread> Create(plat::Priority priority, plat::SysError& error);
    TCopyThread(const TCopyThread&) = delete;
    TCopyThread& operator=(const TCopyThread&) = delete;

    // User-interface thread.  The loop ends before its next cycle.
    void Terminate() { terminated_.store(true, std::memory_order_release); }

    // Never 0, distinct for every worker of the run: what the component keeps
    // as the running worker's thread handle.
    std::uint32_t Handle() const { return handle_; }

    // Called on the user-interface thread once per cycle when attached;
    // attached and read on that thread only.
    TStepHandler OnStep;

private:
    TCopyThread();
    void Execute(plat::Desktop& desktop);

    std::atomic<bool> terminated_{false};
    const std::uint32_t handle_;
    // Made once, so that a cycle allocates nothing.
    const std::function<void()> stepRunner_;
};
