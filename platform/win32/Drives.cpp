// File stamps, drives and what a run's log tells of the system: the
// operations that resuming an installation and finding a disc in any drive
// rely on.
#include <algorithm>
#include <iterator>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

std::uint64_t fromFiletime(const FILETIME& f) {
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

FILETIME toFiletime(std::uint64_t t) {
    return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

// UTF-16 of bytes in a code page; empty for empty input or bytes it cannot take.

}  // namespace

bool Win32Platform::fileStamp(const std::string& path, plat::FileStamp& out) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    out.size = (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    out.lastWrite = fromFiletime(d.ftLastWriteTime);
    return true;
}

bool Win32Platform::setLastWriteTime(const std::string& path, std::uint64_t lastWrite) {
    FileHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!h) return false;
    const FILETIME t = toFiletime(lastWrite);
    return SetFileTime(h.get(), nullptr, nullptr, &t);
}

bool Win32Platform::clusterSize(const std::string& folder, std::uint32_t& bytes) {
    // The volume's own root: a folder may be a volume mounted below a drive.
    char root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameA(folder.c_str(), root, MAX_PATH)) return false;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
    bytes = sectorsPerCluster * bytesPerSector;
    return true;
}

std::uint32_t Win32Platform::logicalDrives() { return GetLogicalDrives(); }

plat::DriveType Win32Platform::driveType(char letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    return static_cast<plat::DriveType>(GetDriveTypeA(root));
}

std::string Win32Platform::tempFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return {};
    std::string folder(buf, n);
    // The system ends it with the separator it added, never with a trail byte.
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

plat::LocalTime Win32Platform::localTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

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

std::string Win32Platform::ansiToUtf8(const std::string& ansi) { return narrow(CP_UTF8, wide(CP_ACP, ansi)); }

}  // namespace w32
