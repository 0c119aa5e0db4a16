// The shell slice: other programs, documents, the system's folders and
// shell links.
#include <vector>

#include "base/Error.h"
#include "platform/AnsiText.h"
#include "platform/win32/Shell32.h"
#include "platform/win32/ShellPath.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

std::string hresultText(HRESULT hr) {
    const std::string text = text::withoutLineBreak(systemText(static_cast<DWORD>(hr)));
    if (!text.empty()) return text;
    char hex[16];
    wsprintfA(hex, "%08lX", static_cast<unsigned long>(hr));
    return std::string("COM error ") + hex;
}

// A shell-link file's name as IPersistFile takes it: UTF-16 from the ANSI
// code page.  Empty when the bytes do not convert.
std::vector<wchar_t> persistName(const std::string& ansiFile) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansiFile.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, ansiFile.c_str(), -1, wide.data(), n);
    return wide;
}

// A failed COM call's error: the Win32 code it carries, or the HRESULT itself.
plat::SysError failedWith(HRESULT hr) {
    return plat::SysError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr));
}

class Win32ShellLink final : public plat::ShellLink {
public:
    Win32ShellLink(ComPtr<IShellLinkA> link, ComPtr<IPersistFile> file)
        : link_(std::move(link)), file_(std::move(file)) {}

    void setPath(const std::string& ansiPath) override { link_->SetPath(ansiPath.c_str()); }
    void setWorkingDirectory(const std::string& ansiDir) override {
        link_->SetWorkingDirectory(ansiDir.c_str());
    }
    plat::SysError save(const plat::Path& file) override {
        std::vector<wchar_t> wide = persistName(file.text());
        if (wide.empty()) return plat::SysError(ERROR_NO_UNICODE_TRANSLATION);
        HRESULT hr = file_->Save(wide.data(), FALSE);
        return SUCCEEDED(hr) ? plat::kOk : failedWith(hr);
    }

private:
    ComPtr<IShellLinkA> link_;
    ComPtr<IPersistFile> file_;
};

}  // namespace

plat::SysError Win32Platform::winExec(const std::string& commandLine, int showMode) {
    // WinExec's answers below 32 are the system's error codes (0: out of memory).
    SetLastError(NO_ERROR);
    const UINT r = WinExec(commandLine.c_str(), static_cast<UINT>(showMode));
    if (r > 31) return plat::kOk;
    const DWORD code = GetLastError();
    return plat::SysError(code != NO_ERROR ? code : r ? r : ERROR_NOT_ENOUGH_MEMORY);
}

plat::SysError Win32Platform::execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return lastFailure();
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    // The windows stay responsive while the program runs.
    for (;;) {
        DWORD r = waitForInput(1, &pi.hProcess, INFINITE);
        if (r == WAIT_FAILED) return lastFailure();
        if (r == WAIT_OBJECT_0) break;
        processMessages();
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(pi.hProcess, &code)) return lastFailure();
    exitCode = code;
    return plat::kOk;
}

void Win32Platform::shellOpen(const std::string& address, int showMode) {
    shell32::ShellExecuteA(mainWindow(), "open", address.c_str(), nullptr, nullptr, showMode);
}

std::string Win32Platform::windowsFolder() {
    // The system's own Windows folder: under a terminal server the plain
    // Windows folder is a private one of the user's, without the tools.
    char buf[MAX_PATH + 1] = {};
    UINT n = GetSystemWindowsDirectoryA(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string("C:\\WINDOWS");
}

std::string Win32Platform::programsFolder() {
    ITEMIDLIST* pidl = nullptr;
    if (FAILED(shell32::SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &pidl))) return {};
    ItemIdList owned(pidl);
    return fileSystemPath(owned.get());
}

std::unique_ptr<plat::ShellLink> Win32Platform::createShellLink() {
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, object.putVoid());
    if (FAILED(hr)) throw base::Error(hresultText(hr));
    ComPtr<IShellLinkA> link;
    hr = object->QueryInterface(IID_IShellLinkA, link.putVoid());
    if (FAILED(hr)) throw base::Error("Interface not supported");
    ComPtr<IPersistFile> file;
    hr = object->QueryInterface(IID_IPersistFile, file.putVoid());
    if (FAILED(hr)) throw base::Error("Interface not supported");
    return std::make_unique<Win32ShellLink>(std::move(link), std::move(file));
}

plat::SysError Win32Platform::shellLinkTarget(const plat::Path& linkFile, std::string& target) {
    ComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IShellLinkA,
                                  link.putVoid());
    if (FAILED(hr)) return failedWith(hr);
    ComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.putVoid());
    if (FAILED(hr)) return failedWith(hr);
    std::vector<wchar_t> wide = persistName(linkFile.text());
    if (wide.empty()) return failedWith(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    hr = file->Load(wide.data(), STGM_READ);
    if (FAILED(hr)) return failedWith(hr);
    // The path as it was written, environment strings unexpanded; the link
    // is not resolved, so nothing is searched for or changed.
    char path[MAX_PATH + 1] = {};
    hr = link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
    if (FAILED(hr)) return failedWith(hr);
    target = path;
    return plat::kOk;
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

}  // namespace w32
