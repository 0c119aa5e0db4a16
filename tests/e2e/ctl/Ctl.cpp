// Command-line remote for scripts that run the installer under Wine:
//   e2e_ctl wait CLASS CONTROL [TIMEOUT_MS]   until a visible CLASS window of
//                                            any process has CONTROL, then
//                                            lets it paint
//   e2e_ctl close CLASS                       posts WM_CLOSE to that window
// Exit code 0 on success, 1 with a message on failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/robot/Robot.h"

namespace {

HWND waitForAnyWindow(const char* className, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND w = FindWindowA(className, nullptr);
        if (w && IsWindowVisible(w)) return w;
        if (GetTickCount64() >= end)
            throw robot::Failure(std::string("no visible ") + className + " window within " +
                                 std::to_string(timeoutMs) + " ms");
        Sleep(50);
    }
}

int usage() {
    std::fprintf(stderr, "usage: e2e_ctl wait CLASS CONTROL [TIMEOUT_MS] | e2e_ctl close CLASS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    try {
        if (std::strcmp(argv[1], "wait") == 0 && (argc == 4 || argc == 5)) {
            DWORD timeout = argc == 5 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : robot::kStartTimeout;
            HWND w = waitForAnyWindow(argv[2], timeout);
            robot::waitForControl(w, argv[3], timeout);
            robot::settle(w);
            return 0;
        }
        if (std::strcmp(argv[1], "close") == 0 && argc == 3) {
            HWND w = FindWindowA(argv[2], nullptr);
            if (!w) throw robot::Failure(std::string("no ") + argv[2] + " window to close");
            robot::closeWindow(w);
            return 0;
        }
    } catch (const robot::Failure& f) {
        std::fprintf(stderr, "e2e_ctl: %s\n", f.what());
        return 1;
    }
    return usage();
}
