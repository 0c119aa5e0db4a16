// The second yardstick of the start-up benchmark: the least a program does to
// show a window like the installer's main window, with none of the
// installer's code.  The same manifest (common controls 6, so themed
// controls), the same DLLs at start (COM before the window, the registry),
// its icon, a Chinese caption, the notice in a read-only multi-line edit in
// 宋体, six buttons, a drop-down list and the artwork's place, at the same
// places; shown as soon as it is made.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>

namespace {

constexpr int kNoticeResource = 2;

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The stand-in notice, UTF-8 in the program's resources, with CR LF lines.
std::wstring notice(HINSTANCE instance) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(kNoticeResource), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (!loaded) return L"";
    std::string utf8(static_cast<const char*>(LockResource(loaded)), SizeofResource(instance, found));
    std::string lines;
    for (char c : utf8) {
        if (c == '\n') lines += '\r';
        if (c != '\r') lines += c;
    }
    std::wstring text(lines.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD exStyle, DWORD style, RECT r, HFONT font) {
    HWND w = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right, r.bottom,
                             parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return w;
}

HFONT font(int height, BYTE charset, const wchar_t* name) {
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);

    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"SameWindow";
    if (!RegisterClassW(&wc)) return 1;
    RECT frame{0, 0, 557, 372};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    HWND w = CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName,
                             L"Lunavire 中文安装程序&汉化补丁 简繁双语版 《Lunavire》中文化委员会制作", style,
                             CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                             nullptr, nullptr, instance, nullptr);
    if (!w) return 1;

    HFONT song = font(-12, GB2312_CHARSET, L"宋体");
    child(w, L"STATIC", L"", 0, SS_GRAYRECT, {3, 7, 250, 350}, song);
    HWND memo = child(w, L"EDIT", L"", WS_EX_CLIENTEDGE,
                      WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, {264, 8, 289, 233}, song);
    SetWindowTextW(memo, notice(instance).c_str());
    const wchar_t* buttons[] = {L"从源光盘安装游戏", L"安装 directx 8.0", L"汉化补丁安装",
                                L"声音认识XP安装", L"访问Vorel主页", L"安装NETSHOW"};
    for (int i = 0; i < 6; ++i)
        child(w, L"BUTTON", buttons[i], 0, WS_TABSTOP | BS_PUSHBUTTON, {273 + i % 2 * 153, 271 + i / 2 * 32, 120, 25},
              i == 5 ? font(-11, DEFAULT_CHARSET, L"MS Sans Serif") : song);
    child(w, L"COMBOBOX", L"", 0, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, {272, 244, 273, 200},
          font(-13, DEFAULT_CHARSET, L"MS Sans Serif"));

    ShowWindow(w, show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    OleUninitialize();
    return 0;
}
