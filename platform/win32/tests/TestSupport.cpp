#include "platform/win32/tests/TestSupport.h"

#include <stdexcept>

namespace w32test {

namespace {
void removeTree(const std::string& path) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        w32::FindHandle search(h);
        do {
            std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(search.get(), &d));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}
}  // namespace

TempDir::TempDir() {
    static unsigned counter = 0;
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    path_ = std::string(tmp) + "lunavire-w32-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    removeTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TempDir::~TempDir() { removeTree(path_); }

bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        platform().processMessages();
        MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return true;
}

void pumpFor(unsigned ms) {
    DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

std::string componentName(HWND h) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(h, w32::kNameProperty)));
    if (!atom) return {};
    char buf[256] = {};
    UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    return std::string(buf, n);
}

}  // namespace w32test
