// A small robot that drives a Windows program from outside, as a user would:
// it finds windows by class, controls by component name, reads their text,
// clicks, chooses list items, answers message boxes and takes screenshots.
//
// Every wait has a time-out and throws robot::Failure with a message that says
// what was awaited and what was seen instead, so that a test fails clearly and
// never hangs.  Text is ANSI bytes in the robot's own code page, which under
// the same locale is the program's.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace robot {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Default time-outs, in milliseconds.  Generous: Wine on a busy 2-core
// machine (a parallel build beside the tests) can take tens of seconds to
// start a GUI program or to answer a message while it works.  A wait ends
// as soon as what it waits for is there, so only a failure takes this long.
constexpr DWORD kStartTimeout = 90000;
constexpr DWORD kActionTimeout = 30000;

// The name of the window property that holds the atom of a control's
// component name.
constexpr const char* kNameProperty = "LunavireName";
// The window property of a gauge that holds the percentage it shows.
constexpr const char* kGaugeProperty = "LunavireGaugePercent";
// The registered messages of docs/robots.md: a gauge's record of what it
// painted, and the marks that tell when the program has taken every message
// posted before.
constexpr const char* kGaugePaintedMessage = "LunavireGaugePainted";
constexpr const char* kMarkMessage = "LunavireMark";

// A started program.  Ends it (TerminateProcess) if it is still running when
// the object goes, so a failed test leaves nothing behind.
class Process {
public:
    // Starts `exe` with CreateProcessA in its own folder, inheriting the
    // environment.  `arguments` is appended to the quoted program path.
    static Process start(const std::string& exe, const std::string& arguments = "");
    // A process that another started, by its id (to wait for it, find its
    // boxes, end it); throws when it cannot be opened.
    static Process attach(DWORD id);

    Process() = default;  // no process yet

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    bool running() const;
    // Waits for the end of the process and returns its exit code; throws
    // when it is still running after `timeoutMs`.
    DWORD waitForExit(DWORD timeoutMs = kActionTimeout);
    void terminate();

private:
    Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Top-level windows of process `pid`, in Z order; only those of `className`
// when it is given, only visible ones when `visibleOnly`.
std::vector<HWND> topLevelWindows(DWORD pid, const char* className = nullptr, bool visibleOnly = false);

// Visible top-level windows of `className` of any process (a program that
// the program under test started, for example), in Z order.
std::vector<HWND> visibleWindowsOfClass(const char* className);

// Polls `ready` every few milliseconds until it returns true (then true) or
// `timeoutMs` passes (then false).  For a state that stays once it is
// reached: a state that may pass between two polls is no state to wait for
// (see gaugePainted() and markTaken() for what to do instead).
bool waitUntil(DWORD timeoutMs, const std::function<bool()>& ready);

// Waits until process `pid` has a visible top-level window of `className`.
// Also fails at once when the process ends meanwhile (pass its handle).
HWND waitForWindow(const Process& process, const char* className, DWORD timeoutMs = kStartTimeout);

// The component name of a control ("" when it carries none).
std::string nameOf(HWND control);
// The class name of a window.
std::string classOf(HWND window);

// The descendant of `top` named `name`, or nullptr.
HWND findControl(HWND top, const std::string& name);
// Waits until `top` has a descendant named `name` (children are created after
// their window becomes findable).
HWND waitForControl(HWND top, const std::string& name, DWORD timeoutMs = kActionTimeout);
// Names of every named descendant of `top`, in enumeration order.
std::vector<std::string> controlNames(HWND top);

// The window text as ANSI bytes (WM_GETTEXT, answered by the program's own
// thread, so it is what the program set, not a cached title).
std::string textOf(HWND window, DWORD timeoutMs = kActionTimeout);
// Waits until textOf(window) equals `expected`; the failure shows the last
// text seen.
void waitForText(HWND window, const std::string& expected, DWORD timeoutMs = kActionTimeout);

// Clicks a button: a posted BM_CLICK, so a handler that opens a modal window
// or a message box does not block the robot.
void click(HWND button);
// The window that has the keyboard focus in the program's user-interface
// thread (GetGUIThreadInfo), or nullptr.
HWND focusedWindow(HWND top);
// Presses a key as the keyboard does: WM_KEYDOWN, then WM_KEYUP, posted to
// the focused window of the program (to `top` while none has the focus).
// Posted, as a click is; markTaken() tells when the program has taken it.
void pressKey(HWND top, UINT vk);
// Selects item `index` of a combo box as a user would: CB_SETCURSEL, then a
// CBN_SELCHANGE notification to its parent, both posted while the program's
// thread is held still, so that nothing it does on its own comes between.
void selectComboItem(HWND combo, int index);
// Items of a combo box.
std::vector<std::string> comboItems(HWND combo);
int comboSelection(HWND combo);

// A visible message box of the process: a "#32770" window with a static text
// of ID 0xFFFF.
struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
Box waitForMessageBox(const Process& process, DWORD timeoutMs = kActionTimeout);
// The message boxes of the process that are up now.
std::vector<HWND> visibleMessageBoxes(const Process& process);
// Presses the button with `id` (IDOK, IDCANCEL, IDRETRY ...) of a message box
// and waits until the box is gone.
void pressButton(const Box& box, int id, DWORD timeoutMs = kActionTimeout);
// The IDs of the buttons that a message box shows, left to right.
std::vector<int> boxButtons(const Box& box);

// The percentage that one of the program's gauges shows now.
int gaugePercent(HWND gauge);
// How many changes of percentage the gauge has painted since it was made.
std::size_t gaugePaintCount(HWND gauge);
// The percentages the gauge has painted, each change once, in order, from
// change `from` on (gaugePaintCount() before an action: what the action
// painted).  Read from the program's own record, so a step that was on the
// screen for a moment only is there too.
std::vector<int> gaugePainted(HWND gauge, std::size_t from = 0);

// How busy the program's user-interface thread was when it took a mark.
struct LoopState {
    int handlers = 0;    // user events' handlers running
    int modalLoops = 0;  // modal windows and message boxes up
};
// Posts a mark to one of the program's forms and waits until its message
// loop has taken it: then every message posted to the program before, a
// click for instance, has been taken too, and the handler it started has
// either returned or runs the loop that took the mark (the state says
// which).  Unlike a sent message, which the program answers ahead of its
// posted ones, a mark keeps its place in the queue.
LoopState markTaken(HWND form, DWORD timeoutMs = kActionTimeout);
// Waits until the program takes a mark in its event loop with no handler
// running and no modal window or message box up: whatever the actions
// before started has run its course, and whatever they were to show is
// shown (or was never going to be).
void waitForIdle(HWND form, DWORD timeoutMs = kActionTimeout);

SIZE clientSize(HWND window);
bool isVisible(HWND window);
bool isEnabled(HWND window);

// Before a screenshot that is kept, not checked: waits until the program
// has handled every message sent before (a WM_NULL round trip), then gives
// it a moment to paint.  Never before a check: a check of what the screen
// shows waits until it shows it (waitUntil on the pixels), and a check that
// something did not happen waits for markTaken() or waitForIdle().
void settle(HWND window, DWORD paintMs = 300);

// Saves what is on screen in the window's rectangle (frame included) as a
// 24-bit BMP file.
void saveScreenshot(HWND window, const std::string& path);

// Moves a top-level window (of any process) so that its top left corner is
// at x, y of the screen, without activating it.
void moveWindow(HWND window, int x, int y);

// Posts WM_CLOSE to a window.
void closeWindow(HWND window);

// Shows bytes as printable ASCII with \xNN escapes, for failure messages.
// The folder part of a path (without its last backslash), stepping over
// double-byte characters whose second byte is a backslash.
std::string folderOf(const std::string& path);

std::string escaped(const std::string& bytes);

}  // namespace robot
