#define LUNAVIRE_SHOW_WATCH_DLL
#include "tests/e2e/showwatch/ShowWatch.h"

namespace {

HINSTANCE gModule = nullptr;
HHOOK gHook = nullptr;  // in the watching test's copy of the DLL only

// Runs inside each program, on the thread of the window, after the change.
void report(HWND window) {
    HWND sink = FindWindowExA(HWND_MESSAGE, nullptr, LUNAVIRE_SHOW_WATCH_CLASS, nullptr);
    if (!sink) return;
    ShownWindow shown{};
    shown.process = GetCurrentProcessId();
    shown.visible = IsWindowVisible(window) ? 1 : 0;
    GetClassNameW(window, shown.className, sizeof shown.className / sizeof(WCHAR));
    // Without sending WM_GETTEXT, which the window's own handler would answer
    // in the middle of its change.
    InternalGetWindowText(window, shown.title, sizeof shown.title / sizeof(WCHAR));
    COPYDATASTRUCT data{ShownWindow::kShownWindow, sizeof shown, &shown};
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(sink, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                        SMTO_BLOCK, 60000, &answer);
}

LRESULT CALLBACK onMessage(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (m->message == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW) &&
            GetAncestor(m->hwnd, GA_ROOT) == m->hwnd)
            report(m->hwnd);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

extern "C" BOOL lunavireWatchShows(BOOL on) {
    if (!on) {
        const BOOL ok = gHook ? UnhookWindowsHookEx(gHook) : TRUE;
        gHook = nullptr;
        return ok;
    }
    if (!gHook) gHook = SetWindowsHookExA(WH_CALLWNDPROC, onMessage, gModule, 0);
    return gHook != nullptr;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModule = module;
    return TRUE;
}
