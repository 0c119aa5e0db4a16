// One native window made by this back end, and the window procedure of our
// own window classes.  The procedure only unpacks a message and calls the
// typed handler for it; notifications that a standard control sends to its
// parent (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*) are forwarded to the Window
// of the control that sent them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/Handles.h"

namespace w32 {

// Posted to the message window to make a blocked message loop look at the
// hand-over queue.
constexpr UINT kWakeMessage = WM_APP + 1;

// The window property that names a window's component, for robots and
// accessibility tools in other processes: a global atom of the name.
constexpr const char* kNameProperty = "LunavireName";
// The property that holds the percentage a gauge shows, for the same tools:
// a gauge is drawn, and no window message reports it.
constexpr const char* kGaugeProperty = "LunavireGaugePercent";
// Messages registered by these names (RegisterWindowMessage) let the same
// tools see what a glance at the screen could miss (docs/robots.md):
// sent to a gauge, the percentages it has painted, in order;
constexpr const char* kGaugePaintedMessage = "LunavireGaugePainted";
// posted to a form, a mark that the program notes when its message loop
// takes it, with how busy it was; sent, what it noted.
constexpr const char* kMarkMessage = "LunavireMark";

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_.get(); }
    // The Window behind a handle this back end made on this thread, or
    // nullptr for any other window, whatever its GWLP_USERDATA holds.
    static Window* fromHandle(HWND h);

    // Notifications forwarded by the parent.
    virtual void onCommand(UINT /*code*/) {}
    virtual LRESULT onNotify(NMHDR& /*header*/) { return 0; }
    // A brush to paint the control's background with; nullptr: the default.
    virtual HBRUSH onControlColour(HDC /*dc*/) { return nullptr; }
    // A message registered by name (0xC000 and up), as tools in other
    // processes send them; true when handled, its result in `result`.
    virtual bool onRegisteredMessage(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, LRESULT& /*result*/) {
        return false;
    }

    // Registers a class of our own (once per process and name).
    static void registerClass(const char* className, UINT style, HBRUSH background, HICON icon = nullptr);

protected:
    // Makes a window of our own class: messages reach the handlers below
    // from WM_NCCREATE on.
    void createOwn(const char* className, DWORD exStyle, DWORD style, const std::string& text, int x,
                   int y, int width, int height, HWND parent);
    // Makes a standard control (BUTTON, EDIT, ...); only forwarded
    // notifications reach this object.
    void createStandard(const char* className, DWORD exStyle, DWORD style, const std::string& text,
                        int x, int y, int width, int height, HWND parent, int id);
    void setComponentName(const std::string& name);
    LRESULT send(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return SendMessageA(hwnd(), msg, w, l); }

    // Handlers of our own classes.  Those returning bool say whether they
    // handled the message; false leaves it to DefWindowProc.
    virtual void onPaint(HDC /*dc*/) {}
    virtual bool onEraseBackground(HDC /*dc*/) { return false; }
    virtual bool onClose() { return false; }
    virtual void onTimer(UINT_PTR /*id*/) {}
    virtual void onWake() {}
    virtual void onSize(int /*width*/, int /*height*/) {}
    // The window moved to a monitor of another scale; `suggested` is where
    // the system proposes to put it.  Returns whether it was handled.
    virtual bool onDpiChanged(int /*dpi*/, const RECT& /*suggested*/) { return false; }

private:
    static LRESULT CALLBACK windowProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    LRESULT handle(UINT msg, WPARAM w, LPARAM l);
    void attach(HWND h);
    void detach();

    WindowHandle hwnd_;
    GlobalAtom nameAtom_;
};

// The other enabled, visible top-level windows of the thread, disabled for
// as long as the object lives, as a modal window or a message box has them.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except);
    ~DisabledWindows();  // re-enables those that are still there
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
    static BOOL CALLBACK collect(HWND h, LPARAM self);
    HWND except_;
    std::vector<HWND> windows_;
};

}  // namespace w32
