// What a Windows test program under Wine asks of the Unix side: a file's Unix
// name, and a Unix program run to make what Windows cannot (Wine's own
// CreateSymbolicLink makes nothing, while a Unix symbolic link in the prefix
// is what Wine reports as a reparse point).
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace w32test {

// Wine's own exports that name a file on the Unix side and back; missing on
// Windows.
using UnixName = char*(CDECL*)(LPCWSTR);
using DosName = WCHAR*(CDECL*)(LPCSTR);

template <class F>
F wineExport(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

inline bool underWine() { return wineExport<UnixName>("wine_get_unix_file_name") != nullptr; }

inline std::runtime_error unixFailure(const std::string& what) {
    return std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

inline std::string unixName(const std::string& path) {
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    char* name = wineExport<UnixName>("wine_get_unix_file_name")(wide.c_str());
    if (!name) throw unixFailure("no Unix name for " + path);
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

inline std::wstring wideFromUtf8(const std::string& s) {
    std::wstring w(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], static_cast<int>(w.size()));
    w.pop_back();
    return w;
}

// Runs a Unix program (Wine starts one that is not a Windows program as it
// is) with arguments in UTF-8, as Unix names are, then waits, 30 seconds at
// most, until done() holds: Wine hands back no process to wait for, so the
// program's result is what is waited for.
inline void runUnix(const std::string& program, const std::vector<std::string>& args,
                    const std::function<bool()>& done) {
    WCHAR* dos = wineExport<DosName>("wine_get_dos_file_name")(program.c_str());
    if (!dos) throw unixFailure("no Windows name for " + program);
    std::wstring line = L"\"" + std::wstring(dos) + L"\"";
    HeapFree(GetProcessHeap(), 0, dos);
    for (const auto& a : args) line += L" \"" + wideFromUtf8(a) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw unixFailure("cannot start " + program);
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    for (DWORD start = GetTickCount(); !done(); Sleep(10))
        if (GetTickCount() - start > 30000) throw std::runtime_error(program + " did not finish");
}

// A Unix symbolic link at path to target, which Wine lists as a reparse point.
inline void unixLink(const std::string& path, const std::string& target) {
    runUnix("/bin/ln", {"-s", unixName(target), unixName(path)},
            [&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// Removes a tree on the Unix side, links as links: Wine's own removal goes
// through them.
inline void unixRemoveTree(const std::string& path) {
    runUnix("/bin/rm", {"-rf", unixName(path)},
            [&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace w32test
