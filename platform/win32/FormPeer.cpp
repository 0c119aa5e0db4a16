// Forms: top-level windows of class TForm1..TForm4.
#include <optional>

#include "platform/Host.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/Peers.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

// Scale functions of newer systems, looked up at run time: Windows 7 has
// only the system's one scale.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <class F>
F user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int systemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The program's own icon when it carries one, else the system's.
HICON programIcon() {
    if (HICON own = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1))) return own;
    return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

// The last mark a tool posted (kMarkMessage) and how busy the program was
// when its message loop took it.
struct Mark {
    WPARAM token = 0;
    int handlers = 0;
    int modalLoops = 0;
};
Mark lastMark;

class FormPeer final : public ControlPeer {
public:
    FormPeer(Win32Platform& p, ui::Form& f) : ControlPeer(p, f), form_(f) {
        registerClass(f.className().c_str(), CS_DBLCLKS,
                      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), programIcon());
        SIZE outer = outerSize();
        // Every other window is owned by the main window: it stays above it,
        // shares its taskbar button, and hands activation back to it.
        HWND owner = Win32Platform::mainWindow();
        createOwn(f.className().c_str(), exStyle(), style(), f.text(), CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                  outer.cy, owner);
        setComponentName(f.name());
        font_ = platform_.font(f.font());
    }

    // The form's own visibility is driven by show(), beginModal() and
    // endModal(), which come right after the model's flag changes.
    void visibleChanged() override {}
    void fontChanged() override { font_ = platform_.font(form_.font()); }
    void boundsChanged() override { resize(nullptr); }

    int dpi() override {
        static const auto forWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
        UINT dpi = forWindow ? forWindow(hwnd()) : 0;
        return dpi > 0 ? static_cast<int>(dpi) : systemDpi();
    }

    void show() override {
        placeOnScreen();
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        platform_.startupMark("main window shown");
        focusFirstControl(form_);
        UpdateWindow(hwnd());
        platform_.startupMark("main window painted");
    }

    void beginModal() override {
        // The control that has the focus now (the button that opened this
        // window, in a handler) is the one the window below gets back.
        followFocus();
        others_.emplace(hwnd());
        placeOnScreen();
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(hwnd());
        focusFirstControl(form_);
        UpdateWindow(hwnd());
    }

    void endModal() override {
        // Re-enabled first, so that activation passes back to them: hiding
        // the active window activates the next one that can take it.
        others_.reset();
        ShowWindow(hwnd(), SW_HIDE);
    }

private:
    DWORD style() const {
        DWORD s = WS_CAPTION | WS_CLIPCHILDREN;
        if (form_.systemMenu) s |= WS_SYSMENU;
        if (form_.minimizeBox) s |= WS_MINIMIZEBOX;
        if (form_.maximizeBox) s |= WS_MAXIMIZEBOX;
        if (form_.borderStyle == ui::BorderStyle::Sizeable) s |= WS_THICKFRAME;
        return s;
    }
    static DWORD exStyle() { return WS_EX_CONTROLPARENT; }
    SIZE outerSize() const {
        if (form_.outerSize) return SIZE{form_.bounds().width, form_.bounds().height};
        RECT r{0, 0, form_.clientWidth, form_.clientHeight};
        // The frame at the window's own scale where the system knows several.
        static const auto forDpi = user32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
        if (!forDpi || !forDpi(&r, style(), FALSE, exStyle(), static_cast<UINT>(form_.pixelsPerInch())))
            AdjustWindowRectEx(&r, style(), FALSE, exStyle());
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

    bool onDpiChanged(int dpi, const RECT& suggested) override {
        // Where the system proposes, at the size the scaled client area needs.
        form_.changeScale(dpi);
        POINT at{suggested.left, suggested.top};
        resize(&at);
        return true;
    }

    // Gives the window the size of the model, and moves it to `at` if given.
    // A client area that comes out otherwise (a frame drawn at another scale
    // than the one asked for) is corrected by the difference.
    void resize(const POINT* at) {
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (at ? 0 : SWP_NOMOVE);
        const int x = at ? at->x : 0, y = at ? at->y : 0;
        SIZE outer = outerSize();
        SetWindowPos(hwnd(), nullptr, x, y, outer.cx, outer.cy, flags);
        if (form_.outerSize || IsIconic(hwnd())) return;
        RECT client{};
        GetClientRect(hwnd(), &client);
        const int dx = form_.clientWidth - client.right, dy = form_.clientHeight - client.bottom;
        if (dx || dy) SetWindowPos(hwnd(), nullptr, x, y, outer.cx + dx, outer.cy + dy, flags);
    }

    void placeOnScreen() {
        RECT self;
        GetWindowRect(hwnd(), &self);
        int w = self.right - self.left, h = self.bottom - self.top;
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        switch (form_.position) {
            case ui::Position::DesktopCenter:
                area = RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
                area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
                area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
                break;
            case ui::Position::MainFormCenter: {
                HWND main = Win32Platform::mainWindow();
                if (main && main != hwnd()) GetWindowRect(main, &area);
                break;
            }
            case ui::Position::ScreenCenter: break;
        }
        int x = area.left + (area.right - area.left - w) / 2;
        int y = area.top + (area.bottom - area.top - h) / 2;
        SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool onClose() override {
        // The close box asks the form; the window itself stays.
        form_.userClose();
        return true;
    }

    // Posted with a token: noted, with the handlers running and the modal
    // loops open as the loop that takes it finds them.  Sent with 0: what
    // the last mark found, by lParam: 0 its token, 1 the handlers, 2 the
    // modal loops.
    bool onRegisteredMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override {
        static const UINT mark = RegisterWindowMessageA(kMarkMessage);
        if (msg != mark) return false;
        if (w != 0) {
            const plat::Host::Busy busy = plat::host().busy();
            lastMark = Mark{w, busy.handlers, busy.modalLoops};
            result = 0;
        } else {
            result = l == 0 ? static_cast<LRESULT>(lastMark.token)
                     : l == 1 ? lastMark.handlers
                     : l == 2 ? lastMark.modalLoops
                              : -1;
        }
        return true;
    }

    ui::Form& form_;
    std::optional<DisabledWindows> others_;  // while shown modally
};

}  // namespace

std::unique_ptr<plat::ControlPeer> makeFormPeer(Win32Platform& p, ui::Form& form) {
    return std::make_unique<FormPeer>(p, form);
}

}  // namespace w32
