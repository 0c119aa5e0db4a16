// The platform object, and its desktop slice: message boxes, the
// user-interface thread's message loop, timers, worker threads and the
// hand-over.
#include "platform/win32/Win32Platform.h"

#include <stdexcept>

#include "platform/Host.h"
#include "platform/win32/Keyboard.h"

namespace w32 {

namespace {
constexpr const char* kMessageWindowClass = "LunavireMessageWindow";
// How long handleMessage() waits for a busy worker's next hand-over before
// it asks for messages and blocks.
constexpr long long kAwaitHandOverMicroseconds = 50;

int threadPriority(plat::Priority p) {
    switch (p) {
        case plat::Priority::Idle: return THREAD_PRIORITY_IDLE;
        case plat::Priority::Lowest: return THREAD_PRIORITY_LOWEST;
        case plat::Priority::Lower: return THREAD_PRIORITY_BELOW_NORMAL;
        case plat::Priority::Normal: return THREAD_PRIORITY_NORMAL;
        case plat::Priority::Higher: return THREAD_PRIORITY_ABOVE_NORMAL;
        case plat::Priority::Highest: return THREAD_PRIORITY_HIGHEST;
        case plat::Priority::TimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

struct ThreadStart {
    std::function<void()> body;
    Win32Platform* platform;
};

// A line of the start-up trace: the time since the process was created, and
// the step.
void traceStep(std::FILE* trace, const char* step) {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto value = [](const FILETIME& f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    std::fprintf(trace, "%8.1f ms  %s\n", static_cast<double>(value(now) - value(created)) / 1e4, step);
    std::fflush(trace);
}

// The file named by LUNAVIRE_STARTUP_TRACE, begun; nullptr when none is.
std::FILE* openStartupTrace() {
    char name[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LUNAVIRE_STARTUP_TRACE", name, MAX_PATH);
    std::FILE* trace = n > 0 && n < MAX_PATH ? std::fopen(name, "a") : nullptr;
    if (trace) traceStep(trace, "program entered");
    return trace;
}
}  // namespace

// ---------------------------------------------------------------- MessageWindow

MessageWindow::MessageWindow(Win32Platform& platform) : platform_(platform) {
    registerClass(kMessageWindowClass, 0, nullptr);
    createOwn(kMessageWindowClass, 0, 0, "", 0, 0, 0, 0, HWND_MESSAGE);
}

void MessageWindow::onTimer(UINT_PTR id) { platform_.runTimer(id); }
void MessageWindow::onWake() { platform_.wakeReceived(); }

// ---------------------------------------------------------------- Win32Platform

Win32Platform::Win32Platform()
    : startupTrace_(openStartupTrace()), messageWindow_(*this), handOvers_([this] { wakeUi(); }) {
    uiThread_ = GetCurrentThreadId();
    startupMark("first window (the message window)");
    // An empty drive answers the disc checks and the search for a disc with
    // an error, never with the system's "insert a disk" box.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    startupMark("common controls");
}

Win32Platform::~Win32Platform() {
    if (startupTrace_) std::fclose(startupTrace_);
    for (auto& t : timers_) KillTimer(messageWindow_.hwnd(), t.first);
    if (comInitialised_) OleUninitialize();
}

plat::Answer Win32Platform::messageBox(const std::string& text, const std::string& caption,
                                       std::uint32_t style) {
    // Owned by the main window, as every window of the program is, and modal
    // to all of them: the box disables its owner, and a modal window above
    // the owner is disabled here.
    HWND owner = mainWindow();
    HWND active = GetActiveWindow();
    followFocus();  // the control that gets the focus back after the box
    int r;
    {
        DisabledWindows others(owner);
        r = MessageBoxA(owner, text.c_str(), caption.c_str(), style);
    }
    // The box gave activation to its owner, which may be disabled by the
    // modal window that was active.
    if (active && active != owner && IsWindowVisible(active)) SetForegroundWindow(active);
    switch (r) {
        case IDOK: return plat::Answer::Ok;
        case IDRETRY: return plat::Answer::Retry;
        case IDABORT: return plat::Answer::Abort;
        case IDIGNORE: return plat::Answer::Ignore;
        case IDYES: return plat::Answer::Yes;
        case IDNO: return plat::Answer::No;
        default: return plat::Answer::Cancel;
    }
}

HWND Win32Platform::mainWindow() {
    auto* w = dynamic_cast<Window*>(plat::host().mainWindow());
    return w ? w->hwnd() : nullptr;
}

// ---------------------------------------------------------------- message loop

void Win32Platform::wakeUi() {
    // One wake message in the queue is enough.
    if (!wakePosted_.exchange(true)) PostMessageA(messageWindow_.hwnd(), kWakeMessage, 0, 0);
}

bool Win32Platform::dispatch(const MSG& m) {
    if (m.message == WM_QUIT) {
        plat::host().endProgram();
        return false;
    }
    if (!handleNavigationKey(m)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    followFocus();
    return true;
}

bool Win32Platform::runHandOvers() {
    if (!handOvers_.runPending()) return false;
    pacing_.handOverRan();
    return true;
}

bool Win32Platform::showWorkerErrors() {
    if (!workerErrors_.any()) return false;
    for (const std::string& text : workerErrors_.take()) plat::host().showError(text);
    return true;
}

void Win32Platform::processMessages() {
    showWorkerErrors();
    runHandOvers();
    // While a worker is busy, a caller looping on the pump would spend most
    // of its time asking the wineserver for messages.
    if (pacing_.peekDue()) {
        pacing_.peeked();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            dispatch(m);
            runHandOvers();
        }
    }
    runHandOvers();
}

void Win32Platform::handleMessage() {
    if (showWorkerErrors()) return;
    bool ran = runHandOvers();
    // A worker that has just handed over is about to hand over again: wait
    // for it a moment rather than go to the wineserver and block.
    if (!ran && pacing_.workerBusy() && handOvers_.awaitBriefly(kAwaitHandOverMicroseconds)) ran = runHandOvers();
    MSG m;
    if (ran) {
        if (!pacing_.peekDue()) return;
        pacing_.peeked();
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            dispatch(m);
            runHandOvers();
        }
        return;
    }
    pacing_.peeked();
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        waitForInput(0, nullptr, INFINITE);
        if (showWorkerErrors() || runHandOvers()) return;
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) return;
    }
    dispatch(m);
    runHandOvers();
}

DWORD Win32Platform::waitForInput(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
    handOvers_.setUiBlocked(true);
    DWORD r = WAIT_TIMEOUT;
    // A worker that fails after this look posts a wake message.
    if (!handOvers_.pending() && !workerErrors_.any())
        r = MsgWaitForMultipleObjectsEx(count, handles, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    handOvers_.setUiBlocked(false);
    return r;
}

void Win32Platform::waitMessages(std::uint32_t timeoutMs) {
    MSG m;
    if (!runHandOvers() && !PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) waitForInput(0, nullptr, timeoutMs);
    processMessages();
}

void Win32Platform::wakeReceived() {
    wakePosted_.store(false);
    runHandOvers();
}

// ---------------------------------------------------------------- timers

plat::Desktop::TimerId Win32Platform::setTimer(std::uint32_t intervalMs, std::function<void()> tick) {
    UINT_PTR id = nextTimer_++;
    if (!SetTimer(messageWindow_.hwnd(), id, intervalMs, nullptr)) return 0;
    timers_[id] = std::make_shared<std::function<void()>>(std::move(tick));
    return id;
}

void Win32Platform::killTimer(TimerId id) {
    if (timers_.erase(id)) KillTimer(messageWindow_.hwnd(), id);
}

void Win32Platform::runTimer(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    // The tick may kill its own timer: keep the function alive while it runs.
    auto tick = it->second;
    (*tick)();
}

// ---------------------------------------------------------------- threads

DWORD WINAPI Win32Platform::threadMain(void* start) {
    std::unique_ptr<ThreadStart> s(static_cast<ThreadStart*>(start));
    Win32Platform* platform = s->platform;
    try {
        s->body();
    } catch (...) {
        platform->workerErrors_.keepCurrent();
        platform->wakeUi();
    }
    s.reset();  // the body's captures go before the thread counts as ended
    platform->liveThreads_.fetch_sub(1);
    return 0;
}

plat::SysError Win32Platform::startThread(std::function<void()> body, plat::Priority priority) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{std::move(body), this});
    KernelHandle thread(CreateThread(nullptr, 0, &threadMain, start.get(), CREATE_SUSPENDED, nullptr));
    if (!thread) return lastFailure();  // taken before the body is freed, which may touch it
    start.release();  // the thread owns it now
    liveThreads_.fetch_add(1);
    SetThreadPriority(thread.get(), threadPriority(priority));
    ResumeThread(thread.get());
    // The thread ends by itself; nobody waits for it.
    return plat::kOk;
}

void Win32Platform::handOver(const std::function<void()>& call) {
    // Handed over to itself, the interface thread would wait for itself.
    if (GetCurrentThreadId() == uiThread_) {
        call();
        return;
    }
    handOvers_.handOver(call);
}

void Win32Platform::startupMark(const char* step) {
    if (startupTrace_) traceStep(startupTrace_, step);
}

}  // namespace w32

namespace plat {
std::unique_ptr<Platform> createPlatform() { return std::make_unique<w32::Win32Platform>(); }
}  // namespace plat
