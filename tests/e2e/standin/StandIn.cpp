// A tiny Windows program shaped like the installer, for testing the robot on
// its own: a TForm1 window with named children made a moment after the window
// shows (as a slow program would), hidden TForm2..TForm4 windows, a button
// that asks a question in a message box, and a combo box whose choice becomes
// the window caption.
//
// Arguments: "exit=N" ends with exit code N after the main window closes;
// "quit" ends at once with exit code 3, before any window exists.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const char kNameProperty[] = "LunavireName";
const UINT_PTR kCreateChildrenTimer = 1;

int gExitCode = 0;
HWND gButton1 = nullptr;
HWND gButton2 = nullptr;
HWND gCombo = nullptr;

void nameWindow(HWND w, const char* name) {
    SetPropA(w, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomA(name))));
}

void forgetName(HWND w) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropA(w, kNameProperty)));
    if (atom) GlobalDeleteAtom(atom);
}

HWND child(HWND parent, const char* cls, const char* name, const char* text, DWORD style, int x, int y, int w,
           int h, int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    nameWindow(c, name);
    return c;
}

void createChildren(HWND w) {
    // "安装 directx 8.0" in GBK.
    gButton1 = child(w, "BUTTON", "Button1", "Ask", BS_PUSHBUTTON, 273, 271, 120, 25, 101);
    gButton2 = child(w, "BUTTON", "Button2", "\xB0\xB2\xD7\xB0 directx 8.0", BS_PUSHBUTTON, 426, 271, 120, 25, 102);
    gCombo = child(w, "COMBOBOX", "ComboBox1", "", CBS_DROPDOWNLIST | WS_VSCROLL, 272, 244, 273, 200, 103);
    // "简体中文" and "繁體中文" in GBK (the second as the installer stores it).
    SendMessageA(gCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4"));
    SendMessageA(gCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("\xB7\xB1\xF3\x77\xD6\xD0\xCE\xC4"));
    SendMessageA(gCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("English"));
    HWND group = child(w, "BUTTON", "GroupBox1", "Group", BS_GROUPBOX, 264, 8, 289, 200, 104);
    // A grandchild: names are found at any depth.
    child(group, "STATIC", "Label1", "inside", 0, 10, 20, 100, 16, 105);
}

void ask(HWND w) {
    int answer = MessageBoxA(w, "Continue?", "StandIn question", MB_OKCANCEL | MB_ICONQUESTION);
    SetWindowTextA(gButton1, answer == IDOK ? "answered OK" : answer == IDCANCEL ? "answered Cancel" : "answered ?");
}

LRESULT CALLBACK mainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kCreateChildrenTimer) {
            KillTimer(w, kCreateChildrenTimer);
            createChildren(w);
        }
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == gButton1 && HIWORD(wp) == BN_CLICKED) {
            ask(w);
        } else if (reinterpret_cast<HWND>(lp) == gCombo && HIWORD(wp) == CBN_SELCHANGE) {
            char text[256] = "";
            auto i = SendMessageA(gCombo, CB_GETCURSEL, 0, 0);
            if (i >= 0) SendMessageA(gCombo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            SetWindowTextA(w, text);
        }
        return 0;
    case WM_DESTROY:
        for (HWND c : {gButton1, gButton2, gCombo})
            if (c) forgetName(c);
        PostQuitMessage(gExitCode);
        return 0;
    default:
        return DefWindowProcA(w, msg, wp, lp);
    }
}

void registerClass(const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    std::string args = commandLine ? commandLine : "";
    if (args.find("quit") != std::string::npos) return 3;
    auto exitArg = args.find("exit=");
    if (exitArg != std::string::npos) gExitCode = std::atoi(args.c_str() + exitArg + 5);

    registerClass("TForm1", mainProc);
    for (const char* cls : {"TForm2", "TForm3", "TForm4"}) registerClass(cls, DefWindowProcA);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, 557, 372};
    AdjustWindowRect(&r, style, FALSE);
    HWND main = CreateWindowExA(0, "TForm1", "StandIn", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (const char* cls : {"TForm2", "TForm3", "TForm4"})
        CreateWindowExA(0, cls, cls, style, 0, 0, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(main, SW_SHOWNORMAL);
    SetTimer(main, kCreateChildrenTimer, 400, nullptr);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return static_cast<int>(m.wParam);
}
