// The worker of a running file copy.  It does no file work itself: each
// cycle it hands one copy step to the user-interface thread and waits until
// the step has run there.  It touches nothing of the component it serves.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/Platform.h"

class TCopyThread {
public:
    using TStepHandler = std::function<void()>;

    // Starts the thread at once at the given priority.  Made with new only:
    // the object deletes itself when its loop ends, and nobody waits for it.
    explicit TCopyThread(plat::Priority priority);
    TCopyThread(const TCopyThread&) = delete;
    TCopyThread& operator=(const TCopyThread&) = delete;

    // User-interface thread.  The loop ends before its next cycle; the object
    // may be gone as soon as this returns.
    void Terminate() { terminated_.store(true, std::memory_order_release); }

    // Never 0, distinct for every worker of the run: what the component keeps
    // as the running worker's thread handle.
    std::uint32_t Handle() const { return handle_; }

    // Called on the user-interface thread once per cycle when attached;
    // attached and read on that thread only.
    TStepHandler OnStep;

private:
    ~TCopyThread() = default;
    void Execute(plat::Platform& platform);

    std::atomic<bool> terminated_{false};
    const std::uint32_t handle_;
    // Made once, so that a cycle allocates nothing.
    const std::function<void()> stepRunner_;
};
