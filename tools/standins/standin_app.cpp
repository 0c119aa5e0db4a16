// A stand-in for one of the programs that the installer carries, built when
// the real ones are not at hand.  It shows a small window saying what it
// stands for and ends when the window is closed, or by itself after a few
// seconds when started with /autoclose:<seconds> or with the environment
// variable LUNAVIRE_STANDIN_AUTOCLOSE=<seconds> (the installer passes no
// arguments, so tests use the variable).  With LUNAVIRE_STANDIN_LOG=<file>
// it appends one line per start to that file, for tests to see it ran.
//
// Which program it stands for is chosen at compile time (LUNAVIRE_STANDIN_ROLE).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

namespace {

struct Role {
    const wchar_t* file;
    const wchar_t* title;
    const wchar_t* text;
};

constexpr Role kRoles[] = {
    {L"KESTAL.exe", L"Lunavire 启动程序（替身）",
     L"这是《月之彼岸》简体中文版启动程序的替身。\r\n"
     L"Stand-in for the localised launcher KESTAL.exe, Simplified edition."},
    {L"KESTAL.exe", L"Lunavire 啟動程式（替身）",
     L"這是《月之彼岸》繁體中文版啟動程式的替身。\r\n"
     L"Stand-in for the localised launcher KESTAL.exe, Traditional edition."},
    {L"CVandry.exe", L"Lunavire 主程序（替身）",
     L"这是《月之彼岸》简体中文版主程序的替身。\r\n"
     L"Stand-in for the localised engine CVandry.exe, Simplified edition."},
    {L"CVandry.exe", L"Lunavire 主程式（替身）",
     L"這是《月之彼岸》繁體中文版主程式的替身。\r\n"
     L"Stand-in for the localised engine CVandry.exe, Traditional edition."},
    {L"setvice.exe", L"语音识别组件安装程序 1（替身）",
     L"这是语音识别组件第一个安装程序的替身，它什么也不安装。\r\n"
     L"Stand-in for the voice add-on's first installer (setvice.exe). It installs nothing."},
    {L"asr3232.exe", L"语音识别组件安装程序 2（替身）",
     L"这是语音识别组件第二个安装程序的替身，它什么也不安装。\r\n"
     L"Stand-in for the voice add-on's second installer (asr3232.exe). It installs nothing."},
};
const Role& role = kRoles[LUNAVIRE_STANDIN_ROLE];

constexpr UINT_PTR kCloseTimer = 1;

unsigned autoCloseSeconds() {
    const wchar_t* switchAt = std::wcsstr(GetCommandLineW(), L"/autoclose:");
    if (switchAt) return static_cast<unsigned>(std::wcstoul(switchAt + 11, nullptr, 10));
    wchar_t value[16];
    DWORD n = GetEnvironmentVariableW(L"LUNAVIRE_STANDIN_AUTOCLOSE", value, 16);
    return n > 0 && n < 16 ? static_cast<unsigned>(std::wcstoul(value, nullptr, 10)) : 0;
}

void logStart() {
    wchar_t path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"LUNAVIRE_STANDIN_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    char line[512];
    int len = WideCharToMultiByte(CP_UTF8, 0, role.file, -1, line, 200, nullptr, nullptr);
    if (len > 0) {
        len -= 1;
        len += WideCharToMultiByte(CP_UTF8, 0, L" started: ", -1, line + len, 20, nullptr, nullptr) - 1;
        int rest = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line + len,
                                       static_cast<int>(sizeof line) - len - 3, nullptr, nullptr);
        len += rest > 0 ? rest - 1 : 0;
        line[len++] = '\r';
        line[len++] = '\n';
        DWORD written = 0;
        WriteFile(f, line, static_cast<DWORD>(len), &written, nullptr);
    }
    CloseHandle(f);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            if (wParam == kCloseTimer) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    logStart();
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"LunavireStandIn";
    RegisterClassW(&wc);

    const int width = 480, height = 120;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, role.title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    RECT client;
    GetClientRect(hwnd, &client);
    HWND label = CreateWindowExW(0, L"STATIC", role.text, WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 16,
                                 client.right - 32, client.bottom - 32, hwnd, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    if (unsigned seconds = autoCloseSeconds()) SetTimer(hwnd, kCloseTimer, seconds * 1000, nullptr);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
