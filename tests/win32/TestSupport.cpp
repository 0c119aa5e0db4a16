#include "tests/win32/TestSupport.h"

#include <stdexcept>

#include "tests/support/RemoveTree.h"

namespace w32test {

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
