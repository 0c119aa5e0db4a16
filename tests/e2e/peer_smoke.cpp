// Smoke check of the Win32 peers: a form with one control of each kind is
// made, shown and closed, and its controls' names are read from another
// process, as a test robot would.
//
//   peer_smoke [--hold MARKER]     MARKER: a file made once the form is up and
//                                  waited on until someone deletes it
//                                  (a screenshot is taken meanwhile)
//   peer_smoke --probe PID         lists the component names of PID's windows
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/InForce.h"
#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/Platform.h"
#include "platform/win32/Peers.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestWindow.h"

namespace {

std::set<std::string> expectedNames() {
    std::set<std::string> names{"Form1"};
    for (std::size_t i = 0; i < testwin::kControlCount; ++i) names.insert(testwin::kControls[i].name);
    return names;
}

// ---------------------------------------------------------------- probe

struct Found {
    DWORD pid;
    std::set<std::string> names;
};

void collect(HWND h, Found& found) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(h, w32::kNameProperty)));
    char name[256] = {};
    if (atom && GlobalGetAtomNameA(atom, name, sizeof name)) found.names.insert(name);
}

BOOL CALLBACK child(HWND h, LPARAM p) {
    collect(h, *reinterpret_cast<Found*>(p));
    return TRUE;
}

BOOL CALLBACK topLevel(HWND h, LPARAM p) {
    auto& found = *reinterpret_cast<Found*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != found.pid) return TRUE;
    collect(h, found);
    EnumChildWindows(h, &child, p);
    return TRUE;
}

int probe(DWORD pid) {
    Found found{pid, {}};
    EnumWindows(&topLevel, reinterpret_cast<LPARAM>(&found));
    for (const auto& n : found.names) std::printf("%s\n", n.c_str());
    return found.names == expectedNames() ? 0 : 1;
}

// ---------------------------------------------------------------- the form

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Pumps until done() holds or ms have passed; says whether done() held.
template <class Done>
bool pumpUntil(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        plat::desktop().processMessages();
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return true;
}

int runProbe() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" --probe " + std::to_string(GetCurrentProcessId());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
    w32::KernelHandle process(pi.hProcess), thread(pi.hThread);
    // Keep answering messages while the probe looks at our windows.
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 120000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        plat::desktop().processMessages();
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}

int runForm(const char* holdMarker) {
    w32::Win32Platform platform;
    const plat::PlatformInForce inForce(platform);
    const base::InForce<plat::Host> host(ui::app());
    platform.comInitialize();

    ui::Form form("TForm1", "Form1");
    testwin::build(form, "ARTWORK");
    form.get<ui::Memo>("Memo1").loadText("简体中文说明\r\n第二行\r\nLine three, ASCII");
    auto& combo = form.get<ui::ComboBox>("ComboBox1");
    combo.addItem("简体中文");
    combo.addItem("繁體中文");
    combo.setItemIndex(0);
    form.get<ui::ProgressBar>("ProgressBar1").setPosition(40);
    form.get<ui::Gauge>("Gauge1").setProgress(50);
    int clicks = 0;
    form.get<ui::Button>("Button1").OnClick = [&] { ++clicks; };
    form.createWindows();
    ui::app().setMainForm(&form);
    form.Show();
    platform.processMessages();

    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
        if (!ok) ++failures;
    };

    HWND main = w32::ControlPeer::windowOf(form);
    HWND button = w32::ControlPeer::windowOf(form.get<ui::Control>("Button1"));
    // Generous time-outs: each ends the wait as soon as what it waits for
    // holds, and a busy machine can keep Wine from it for seconds.
    constexpr DWORD kWaitMs = 30000;
    check(pumpUntil([&] { return IsWindowVisible(main) != FALSE; }, kWaitMs), "the form is shown");

    PostMessageA(button, BM_CLICK, 0, 0);
    check(pumpUntil([&] { return clicks == 1; }, kWaitMs), "a posted click reaches the button in its group box");

    check(runProbe() == 0, "another process reads every control's name");

    if (holdMarker) {
        // Visible until the screenshot is taken and the marker deleted.
        if (FILE* f = std::fopen(holdMarker, "w")) std::fclose(f);
        pumpUntil([&] { return !fileExists(holdMarker); }, 300000);
    }

    // The close box: the form is asked, the application ends, the window stays.
    PostMessageA(main, WM_CLOSE, 0, 0);
    check(pumpUntil([] { return ui::app().terminated(); }, kWaitMs), "the close box ends the application");
    check(IsWindow(main) != FALSE, "closing does not destroy the window");
    ui::app().reset();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--probe") == 0)
        return probe(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    const char* hold = argc == 3 && std::strcmp(argv[1], "--hold") == 0 ? argv[2] : nullptr;
    return runForm(hold);
}
