#include "platform/win32/ShellPath.h"

#include "platform/SystemError.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Shell32.h"

namespace w32 {

namespace {

// UTF-16 to the ANSI code page; false when an Exact spelling meets a
// character that the code page lacks.
bool toAnsi(const wchar_t* wide, Spelling spelling, std::string& out) {
    const DWORD flags = spelling == Spelling::Exact ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        out.clear();
        return spelling == Spelling::BestFit;
    }
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, flags, wide, -1, &out[0], n, nullptr,
                        spelling == Spelling::Exact ? &defaulted : nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return !defaulted;
}

}  // namespace

bool shellName(STRRET& name, const ITEMIDLIST* item, Spelling spelling, std::string& out) {
    switch (name.uType) {
        case STRRET_WSTR: {
            Unique<wchar_t*, CoTaskMemTraits<wchar_t>> wide(name.pOleStr);
            return toAnsi(wide.get(), spelling, out);
        }
        case STRRET_CSTR: out = name.cStr; return true;
        case STRRET_OFFSET: out = reinterpret_cast<const char*>(item) + name.uOffset; return true;
    }
    out.clear();
    return true;
}

std::string fileSystemPath(const ITEMIDLIST* pidl) {
    ComPtr<IShellFolder> parent;
    const ITEMIDLIST* last = nullptr;
    if (!pidl || FAILED(shell32::SHBindToParent(pidl, IID_IShellFolder, parent.putVoid(), &last))) return {};
    SFGAOF attributes = SFGAO_FILESYSTEM;
    if (FAILED(parent->GetAttributesOf(1, &last, &attributes)) || !(attributes & SFGAO_FILESYSTEM)) return {};
    STRRET name{};
    if (FAILED(parent->GetDisplayNameOf(last, SHGDN_FORPARSING, &name))) return {};
    std::string path;
    if (!shellName(name, last, Spelling::Exact, path)) throw plat::systemError(ERROR_NO_UNICODE_TRANSLATION, path);
    return path;
}

}  // namespace w32
