// Programs, the shell and shell links.
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "ui/Components.h"

namespace w32 {

namespace {

std::string hresultText(HRESULT hr) {
    std::string text = systemText(static_cast<DWORD>(hr));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (!text.empty()) return text;
    char hex[16];
    wsprintfA(hex, "%08lX", static_cast<unsigned long>(hr));
    return std::string("COM error ") + hex;
}

class Win32ShellLink final : public plat::ShellLink {
public:
    Win32ShellLink(ComPtr<IShellLinkA> link, ComPtr<IPersistFile> file)
        : link_(std::move(link)), file_(std::move(file)) {}

    void setPath(const std::string& ansiPath) override { link_->SetPath(ansiPath.c_str()); }
    void setWorkingDirectory(const std::string& ansiDir) override {
        link_->SetWorkingDirectory(ansiDir.c_str());
    }
    void save(const std::string& ansiFile) override {
        int n = MultiByteToWideChar(CP_ACP, 0, ansiFile.c_str(), -1, nullptr, 0);
        if (n <= 0) return;
        std::vector<wchar_t> wide(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, ansiFile.c_str(), -1, wide.data(), n);
        file_->Save(wide.data(), FALSE);
    }

private:
    ComPtr<IShellLinkA> link_;
    ComPtr<IPersistFile> file_;
};

}  // namespace

void Win32Platform::winExec(const std::string& commandLine, int showMode) {
    WinExec(commandLine.c_str(), static_cast<UINT>(showMode));
}

bool Win32Platform::execAndWait(const std::string& commandLine, int showMode) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    // The windows stay responsive while the program runs.
    for (;;) {
        DWORD r = waitForInput(1, &pi.hProcess, INFINITE);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) return true;
        processMessages();
    }
}

void Win32Platform::shellOpen(const std::string& address, int showMode) {
    ShellExecuteA(mainWindow(), "open", address.c_str(), nullptr, nullptr, showMode);
}

std::string Win32Platform::windowsFolder() {
    // The system's own Windows folder: under a terminal server the plain
    // Windows folder is a private one of the user's, without the tools.
    char buf[MAX_PATH + 1] = {};
    UINT n = GetSystemWindowsDirectoryA(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string("C:\\WINDOWS");
}

std::string Win32Platform::programsFolder() {
    // One byte more than the path limit, zero-filled: a failed lookup leaves
    // the empty text.
    char buf[MAX_PATH + 1] = {};
    ITEMIDLIST* pidl = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &pidl))) {
        ItemIdList owned(pidl);
        SHGetPathFromIDListA(owned.get(), buf);
    }
    return std::string(buf);
}

std::unique_ptr<plat::ShellLink> Win32Platform::createShellLink() {
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, object.putVoid());
    if (FAILED(hr)) throw ui::Error(hresultText(hr));
    ComPtr<IShellLinkA> link;
    hr = object->QueryInterface(IID_IShellLinkA, link.putVoid());
    if (FAILED(hr)) throw ui::Error("Interface not supported");
    ComPtr<IPersistFile> file;
    hr = object->QueryInterface(IID_IPersistFile, file.putVoid());
    if (FAILED(hr)) throw ui::Error("Interface not supported");
    return std::make_unique<Win32ShellLink>(std::move(link), std::move(file));
}

}  // namespace w32
