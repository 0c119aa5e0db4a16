// Forms: top-level windows of class TForm1..TForm4.
#include <vector>

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

class FormPeer final : public ControlPeer {
public:
    FormPeer(Win32Platform& p, ui::Form& f) : ControlPeer(p, f), form_(f) {
        registerClass(f.className().c_str(), CS_DBLCLKS,
                      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), programIcon());
        SIZE outer = outerSize();
        createOwn(f.className().c_str(), exStyle(), style(), f.text(), CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                  outer.cy, nullptr);
        setComponentName(f.name());
        font_ = platform_.font(f.font());
    }
    ~FormPeer() override { enableOthers(); }

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
        UpdateWindow(hwnd());
        platform_.startupMark("main window painted");
    }

    void beginModal() override {
        // Every other enabled, visible window of this thread is disabled
        // while the form is up, as a modal form does.
        disabled_.clear();
        EnumThreadWindows(GetCurrentThreadId(), &FormPeer::collect, reinterpret_cast<LPARAM>(this));
        for (HWND h : disabled_) EnableWindow(h, FALSE);
        placeOnScreen();
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(hwnd());
        UpdateWindow(hwnd());
    }

    void endModal() override {
        // Re-enabled first, so that activation passes back to them.
        enableOthers();
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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

    static BOOL CALLBACK collect(HWND h, LPARAM self) {
        auto* peer = reinterpret_cast<FormPeer*>(self);
        if (h != peer->hwnd() && IsWindowVisible(h) && IsWindowEnabled(h)) peer->disabled_.push_back(h);
        return TRUE;
    }
    void enableOthers() {
        for (HWND h : disabled_)
            if (IsWindow(h)) EnableWindow(h, TRUE);
        disabled_.clear();
    }

    bool onClose() override {
        // The close box asks the form; the window itself stays.
        form_.userClose();
        return true;
    }

    ui::Form& form_;
    std::vector<HWND> disabled_;
};

}  // namespace

std::unique_ptr<plat::ControlPeer> makeFormPeer(Win32Platform& p, ui::Form& form) {
    return std::make_unique<FormPeer>(p, form);
}

}  // namespace w32
