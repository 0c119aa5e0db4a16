#include "platform/win32/Window.h"

#include <stdexcept>
#include <unordered_map>

namespace w32 {

namespace {
HINSTANCE instance() { return GetModuleHandleA(nullptr); }

// The windows this back end made on this thread.  Another program's window,
// or a control some library made, may hold anything in its GWLP_USERDATA.
std::unordered_map<HWND, Window*>& ours() {
    thread_local std::unordered_map<HWND, Window*> windows;
    return windows;
}

std::runtime_error creationFailed(const char* className) {
    return std::runtime_error(std::string("cannot create a window of class ") + className + " (error " +
                              std::to_string(GetLastError()) + ")");
}
}  // namespace

Window::~Window() { detach(); }

void Window::attach(HWND h) {
    hwnd_.reset(h);
    ours()[h] = this;
}

void Window::detach() {
    if (!hwnd_) return;
    // Messages sent while the window goes must not reach a half-destroyed
    // object.
    ours().erase(hwnd());
    if (nameAtom_) RemovePropA(hwnd(), kNameProperty);
    hwnd_.reset();
    nameAtom_.reset();
}

Window* Window::fromHandle(HWND h) {
    if (!h) return nullptr;
    auto it = ours().find(h);
    return it == ours().end() ? nullptr : it->second;
}

void Window::registerClass(const char* className, UINT style, HBRUSH background, HICON icon) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance(), className, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &Window::windowProc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error(std::string("cannot register window class ") + className);
}

void Window::createOwn(const char* className, DWORD exStyle, DWORD style, const std::string& text, int x,
                       int y, int width, int height, HWND parent) {
    HWND h = CreateWindowExA(exStyle, className, text.c_str(), style, x, y, width, height, parent, nullptr,
                             instance(), this);
    if (!h) throw creationFailed(className);
    attach(h);  // already done at WM_NCCREATE; kept for clarity
}

void Window::createStandard(const char* className, DWORD exStyle, DWORD style, const std::string& text,
                            int x, int y, int width, int height, HWND parent, int id) {
    HWND h = CreateWindowExA(exStyle, className, text.c_str(), style, x, y, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
    if (!h) throw creationFailed(className);
    attach(h);
}

void Window::setComponentName(const std::string& name) {
    if (name.empty()) return;
    if (nameAtom_) RemovePropA(hwnd(), kNameProperty);
    nameAtom_.reset(GlobalAddAtomA(name.c_str()));
    if (nameAtom_)
        SetPropA(hwnd(), kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_.get())));
}

LRESULT CALLBACK Window::windowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
        if (auto* self = static_cast<Window*>(cs->lpCreateParams)) self->attach(h);
    }
    Window* self = fromHandle(h);
    if (!self) return DefWindowProcA(h, msg, w, l);
    return self->handle(msg, w, l);
}

LRESULT Window::handle(UINT msg, WPARAM w, LPARAM l) {
    if (msg >= 0xC000 && msg <= 0xFFFF) {
        LRESULT result = 0;
        if (onRegisteredMessage(msg, w, l, result)) return result;
    }
    switch (msg) {
        case WM_COMMAND:
            if (Window* from = fromHandle(reinterpret_cast<HWND>(l))) {
                from->onCommand(HIWORD(w));
                return 0;
            }
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(l);
            if (Window* from = fromHandle(header->hwndFrom)) return from->onNotify(*header);
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            if (Window* from = fromHandle(reinterpret_cast<HWND>(l)))
                if (HBRUSH b = from->onControlColour(reinterpret_cast<HDC>(w)))
                    return reinterpret_cast<LRESULT>(b);
            break;
        case WM_PAINT: {
            PaintDc dc(hwnd());
            onPaint(dc.get());
            return 0;
        }
        case WM_ERASEBKGND:
            if (onEraseBackground(reinterpret_cast<HDC>(w))) return 1;
            break;
        case WM_CLOSE:
            if (onClose()) return 0;
            break;
        case WM_TIMER:
            onTimer(w);
            return 0;
        case WM_SIZE:
            onSize(LOWORD(l), HIWORD(l));
            break;
        case kWakeMessage:
            onWake();
            return 0;
        case WM_DPICHANGED:
            if (onDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l))) return 0;
            break;
        case WM_NCDESTROY: {
            // A window destroyed with its parent never passes through detach().
            HWND h = hwnd_.release();
            ours().erase(h);
            return DefWindowProcA(h, msg, w, l);
        }
    }
    return DefWindowProcA(hwnd(), msg, w, l);
}

// ---------------------------------------------------------------- DisabledWindows

DisabledWindows::DisabledWindows(HWND except) : except_(except) {
    EnumThreadWindows(GetCurrentThreadId(), &DisabledWindows::collect, reinterpret_cast<LPARAM>(this));
    for (HWND h : windows_) EnableWindow(h, FALSE);
}

BOOL CALLBACK DisabledWindows::collect(HWND h, LPARAM self) {
    auto* d = reinterpret_cast<DisabledWindows*>(self);
    if (h != d->except_ && IsWindowVisible(h) && IsWindowEnabled(h)) d->windows_.push_back(h);
    return TRUE;
}

DisabledWindows::~DisabledWindows() {
    for (HWND h : windows_)
        if (IsWindow(h)) EnableWindow(h, TRUE);
}

}  // namespace w32
