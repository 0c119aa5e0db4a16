#include "platform/win32/Shell32.h"

namespace w32::shell32 {

namespace {

// Loaded once, for every function.
HMODULE library() {
    static const HMODULE shell32 = LoadLibraryA("shell32.dll");
    return shell32;
}

template <class F>
F bind(const char* name) {
    HMODULE shell32 = library();
    return shell32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(shell32, name))) : nullptr;
}

}  // namespace

// The function of the same name in shell32, as `f`; looked up once.
#define BIND(name) static const auto f = bind<decltype(&::name)>(#name)

HRESULT SHGetDesktopFolder(IShellFolder** folder) {
    BIND(SHGetDesktopFolder);
    return f ? f(folder) : E_FAIL;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, ITEMIDLIST** pidl) {
    BIND(SHGetSpecialFolderLocation);
    if (f) return f(owner, folder, pidl);
    *pidl = nullptr;
    return E_FAIL;
}

HRESULT SHBindToParent(const ITEMIDLIST* pidl, REFIID riid, void** parent, const ITEMIDLIST** last) {
    BIND(SHBindToParent);
    return f ? f(pidl, riid, parent, last) : E_FAIL;
}

HRESULT SHGetDataFromIDListA(IShellFolder* folder, const ITEMIDLIST* pidl, int format, void* data, int size) {
    BIND(SHGetDataFromIDListA);
    return f ? f(folder, pidl, format, data, size) : E_FAIL;
}

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags) {
    BIND(SHGetFileInfoA);
    return f ? f(path, attributes, info, size, flags) : 0;
}

ITEMIDLIST* ILCombine(const ITEMIDLIST* first, const ITEMIDLIST* second) {
    BIND(ILCombine);
    return f ? f(first, second) : nullptr;
}

ITEMIDLIST* ILFindLastID(const ITEMIDLIST* pidl) {
    BIND(ILFindLastID);
    return f ? f(pidl) : nullptr;
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
    BIND(ShellExecuteA);
    // What ShellExecute gives when it cannot start anything (a value of 32
    // or less): "the system is out of memory or resources".
    return f ? f(owner, verb, file, parameters, folder, show) : nullptr;
}

#undef BIND

}  // namespace w32::shell32
