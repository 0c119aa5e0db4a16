// The program slice: the program's path, command line and current folder, its
// code page, the one-copy rule, its own resources, the last error and its
// text, the clock and the version of Windows.
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

// Held by the running copy of the program for its whole run.
constexpr const char* kInstanceMutex = "LunavireChineseSetup.Running";
// How long a second copy looks for the first one's window, which may still be
// on its way up.
constexpr DWORD kFindFirstWindowMs = 5000;

struct MainWindowSearch {
    const std::string* className;
    HWND found;
};

// A visible top-level window of our main window class that carries our
// component name property: another program's window of the same class name
// lacks it.
BOOL CALLBACK findMainWindow(HWND w, LPARAM param) {
    auto* search = reinterpret_cast<MainWindowSearch*>(param);
    char cls[64] = {};
    if (!IsWindowVisible(w) || !GetClassNameA(w, cls, sizeof cls) || *search->className != cls) return TRUE;
    if (!GetPropA(w, kNameProperty)) return TRUE;
    search->found = w;
    return FALSE;
}

void bringToFront(const std::vector<std::string>& mainWindowClasses) {
    DWORD start = GetTickCount();
    MainWindowSearch search{nullptr, nullptr};
    for (;;) {
        // The first class in the caller's order wins when both windows show.
        for (const std::string& cls : mainWindowClasses) {
            search.className = &cls;
            EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) break;
        }
        if (search.found || GetTickCount() - start > kFindFirstWindowMs) break;
        Sleep(50);
    }
    if (!search.found) return;
    if (IsIconic(search.found)) ShowWindowAsync(search.found, SW_RESTORE);
    // A modal window or a message box of the first copy, when it shows one.
    SetForegroundWindow(GetLastActivePopup(search.found));
}

}  // namespace

plat::SysError Win32Platform::ownResource(const std::string& type, const std::string& name,
                                          const std::uint8_t*& data, std::size_t& size) {
    // String names are matched without regard to case by FindResource itself.
    HRSRC res = FindResourceA(nullptr, name.c_str(), type.c_str());
    if (!res) return lastFailure();
    HGLOBAL loaded = LoadResource(nullptr, res);
    if (!loaded) return lastFailure();
    const void* bytes = LockResource(loaded);
    if (!bytes) return lastFailure();
    data = static_cast<const std::uint8_t*>(bytes);
    size = SizeofResource(nullptr, res);
    return plat::kOk;
}

bool Win32Platform::claimFirstInstance(const std::vector<std::string>& mainWindowClasses) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    DWORD error = GetLastError();
    instanceMutex_.reset(mutex);
    // Another copy holds it, perhaps one started by another user or elevated
    // (then the name exists but is not ours to open).
    bool other = (mutex && error == ERROR_ALREADY_EXISTS) || (!mutex && error == ERROR_ACCESS_DENIED);
    if (!other) return true;  // no other copy, or no way to tell: never keep the player out
    instanceMutex_.reset();
    bringToFront(mainWindowClasses);
    return false;
}

bool Win32Platform::isDbcsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

unsigned Win32Platform::ansiCodePage() { return GetACP(); }

// MAX_PATH counts characters: in a double-byte code page the path's bytes
// may be more, and a buffer that is too small cuts the path short.
std::string Win32Platform::programPath() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
        if (n < buf.size()) return buf.substr(0, n);
        if (buf.size() >= 32768) return {};  // no path of Windows is longer
        buf.resize(buf.size() * 2);
    }
}

void Win32Platform::comInitialize() {
    if (comInitialised_) return;
    HRESULT hr = OleInitialize(nullptr);
    comInitialised_ = SUCCEEDED(hr);
}

plat::SysError Win32Platform::setCurrentFolder(const std::string& path) {
    return result(SetCurrentDirectoryA(path.c_str()));
}

// Read in UTF-16: GetCommandLineA would give a look-alike for a character
// the code page cannot hold, and a folder of another name.
std::string Win32Platform::commandLine() { return narrowExact(GetCommandLineW()); }

std::uint32_t Win32Platform::processId() { return GetCurrentProcessId(); }

std::string Win32Platform::errorText(std::uint32_t code) { return systemText(code); }


std::string Win32Platform::ansiToUtf8(const std::string& ansi) { return narrow(CP_UTF8, wide(CP_ACP, ansi)); }

plat::WindowsVersion Win32Platform::windowsVersion() {
    // GetVersionEx answers what the manifest claims to support; the kernel's
    // own call tells the truth.
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto get = reinterpret_cast<RtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (!get || get(&v) != 0) {
        OSVERSIONINFOW old{};
        old.dwOSVersionInfoSize = sizeof old;
        if (!GetVersionExW(&old)) return {};
        v.dwMajorVersion = old.dwMajorVersion;
        v.dwMinorVersion = old.dwMinorVersion;
        v.dwBuildNumber = old.dwBuildNumber;
        std::copy(std::begin(old.szCSDVersion), std::end(old.szCSDVersion), std::begin(v.szCSDVersion));
    }
    return {v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, narrow(CP_ACP, v.szCSDVersion)};
}

plat::LocalTime Win32Platform::localTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace w32
