// The seam's desktop slice: the user-interface thread's message loop with
// the windows it serves (control peers and message boxes), its timers, and
// the worker threads that hand calls over to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/SysError.h"

// The component model's control, which a peer draws: the back ends read it
// (a declared exception to the layers' order, see docs/architecture.md); the
// seam only names it.
namespace ui {
class Control;
}  // namespace ui

namespace plat {

// Message-box styles and results (MB_*, ID*).
namespace mb {
constexpr std::uint32_t Ok = 0x0, OkCancel = 0x1, AbortRetryIgnore = 0x2, YesNoCancel = 0x3, RetryCancel = 0x5;
constexpr std::uint32_t IconStop = 0x10, IconQuestion = 0x20, IconExclamation = 0x30, IconInformation = 0x40;
constexpr std::uint32_t Topmost = 0x40000;
}  // namespace mb
enum class Answer : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
// The answer's button as Windows labels it in English ("OK", "Retry" ...),
// for logs and diagnostics.
const char* nameOf(Answer a);

// Thread priorities of the worker (TThreadPriority order).
enum class Priority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };
// What the error box says for a worker's exception that is not a std::exception.
constexpr const char kUnknownWorkerError[] = "A worker thread ended with an unknown error";

// The native side of one control or form.  The component model owns every
// property's value and pushes changes here only when the peer exists; a new
// peer replays the stored properties itself.  Every method defaults to doing
// nothing, so a back end overrides only what it draws.
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void textChanged() {}  // caption or text
    virtual void boundsChanged() {}
    virtual void visibleChanged() {}
    virtual void enabledChanged() {}
    virtual void fontChanged() {}
    virtual void itemsChanged() {}  // list contents (combo box, memo lines)
    virtual void itemIndexChanged() {}
    virtual void positionChanged() {}  // progress bar, gauge (gauge repaints at once)
    virtual void pageChanged() {}      // page control's active page
    // Forms only.
    virtual void beginModal() {}  // disable other windows, centre, show
    virtual void endModal() {}    // hide, re-enable what beginModal disabled
    virtual void show() {}        // a non-modal show (the main window)
    // The control's window is about to be shown: contents that are costly to
    // make (the shell's folders) may wait for this.
    virtual void formShowing() {}
    // Folder trees only: the selected folder's whole path, "X:\" for a drive
    // root, empty when nothing (or no file-system folder) is selected.  The
    // path may be longer than the file calls take; one that the ANSI code
    // page cannot spell raises base::Error instead.
    virtual std::string selectedPath() { return {}; }
    // Forms: the dots per inch of the monitor the window is on.
    virtual int dpi() { return 96; }
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // -- windows
    // The peer that draws control and reports what the user did to it.
    virtual std::unique_ptr<ControlPeer> createPeer(ui::Control& control) = 0;
    // Modal, topmost, owned by the application.
    virtual Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) = 0;

    // -- the message loop
    // Handle every waiting message, timer ticks and handed-over worker calls
    // included; return as soon as nothing waits.  Never blocks.
    virtual void processMessages() = 0;
    // Wait until something arrives, then handle it (one message and any
    // hand-overs).  Used by the event loop and by modal loops.
    virtual void handleMessage() = 0;
    // Wait until something arrives or timeoutMs pass, then handle whatever
    // waits, as processMessages does.  For loops that poll something outside
    // the program: the windows stay responsive and the processor is spared.
    virtual void waitMessages(std::uint32_t timeoutMs) = 0;

    // -- timers, ticking on the user-interface thread while messages are handled
    using TimerId = std::uintptr_t;
    virtual TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
    virtual void killTimer(TimerId id) = 0;

    // -- worker threads
    // Start a thread running body at the given priority; it runs at once.
    // Fails, with the system's reason, when no thread can be made;
    // body is then dropped without running.
    // An exception that escapes body ends the thread and is carried to the
    // user-interface thread: its next processMessages() or handleMessage()
    // shows it once through host().showError() (platform/Host.h), the box
    // an error that escapes a handler reaches.  The text is what() of a
    // std::exception, kUnknownWorkerError for anything else.  A
    // handleMessage() that waits wakes for it.
    virtual SysError startThread(std::function<void()> body, Priority priority) = 0;
    // Called on a worker: run call on the user-interface thread the next time
    // it handles messages, and block until it has run there.  An exception
    // that escapes call never passes through the pump: it is thrown again
    // here, on the worker, once the call has ended.
    virtual void handOver(const std::function<void()>& call) = 0;
};

// The desktop slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Desktop& desktop();

// Passes every call on to another Desktop, for fakes that answer a few.
class ForwardingDesktop : public Desktop {
public:
    explicit ForwardingDesktop(Desktop& next) : desktop_(next) {}

    std::unique_ptr<ControlPeer> createPeer(ui::Control& control) override { return desktop_.createPeer(control); }
    Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) override {
        return desktop_.messageBox(text, caption, style);
    }
    void processMessages() override { desktop_.processMessages(); }
    void handleMessage() override { desktop_.handleMessage(); }
    void waitMessages(std::uint32_t timeoutMs) override { desktop_.waitMessages(timeoutMs); }
    TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) override {
        return desktop_.setTimer(intervalMs, std::move(tick));
    }
    void killTimer(TimerId id) override { desktop_.killTimer(id); }
    SysError startThread(std::function<void()> body, Priority priority) override {
        return desktop_.startThread(std::move(body), priority);
    }
    void handOver(const std::function<void()>& call) override { desktop_.handOver(call); }

protected:
    Desktop& desktop_;
};

}  // namespace plat
