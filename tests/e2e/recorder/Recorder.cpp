// A stand-in for a program that the installer starts (a setup on the disc,
// the web browser): it appends how it was started to a file beside itself,
// "<its own path>.log", one line per start: the show mode it was given (-1
// for none), a tab and its command line.  Then it ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    const std::string line = std::to_string(show) + "\t" + GetCommandLineA() + "\r\n";

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string log = std::string(self) + ".log";
    // Starts that come together take their turns at the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE h = CreateFileA(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(h);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}
