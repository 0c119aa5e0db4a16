// The files slice: files and folders by path and by handle, stamps,
// attributes, names' keys and profile strings.
#include <vector>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

HANDLE toHandle(plat::FileHandle h) { return reinterpret_cast<HANDLE>(h); }

plat::FileHandle fromHandle(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? plat::kNoFile : reinterpret_cast<plat::FileHandle>(h);
}

// Every file is opened without sharing.
plat::SysError open(const plat::Path& path, DWORD access, DWORD disposition, plat::FileHandle& out) {
    out = fromHandle(
        CreateFileA(path.text().c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    return out == plat::kNoFile ? lastFailure() : plat::kOk;
}

void fill(const WIN32_FIND_DATAA& d, plat::FindData& out) {
    out.name = d.cFileName;
    out.attributes = d.dwFileAttributes;
    out.sizeLow = d.nFileSizeLow;
}

class Search final : public plat::DirSearch {
public:
    explicit Search(HANDLE h) : find_(h) {}
    bool next(plat::FindData& out) override {
        WIN32_FIND_DATAA d;
        if (!FindNextFileA(find_.get(), &d)) return false;
        fill(d, out);
        return true;
    }

private:
    FindHandle find_;
};

std::uint64_t fromFiletime(const FILETIME& f) {
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

FILETIME toFiletime(std::uint64_t t) {
    return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

}  // namespace

bool Win32Platform::fileExists(const plat::Path& path) {
    DWORD a = GetFileAttributesA(path.text().c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::folderExists(const plat::Path& path) {
    DWORD a = GetFileAttributesA(path.text().c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

plat::SysError Win32Platform::findFirst(const plat::Path& pattern, plat::FindData& first,
                                        std::unique_ptr<plat::DirSearch>& search) {
    search.reset();
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern.text().c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return lastFailure();
    search = std::make_unique<Search>(h);
    fill(d, first);
    return plat::kOk;
}

plat::SysError Win32Platform::createFolder(const plat::Path& path) {
    return result(CreateDirectoryA(path.text().c_str(), nullptr));
}

plat::SysError Win32Platform::deleteFile(const plat::Path& path) { return result(DeleteFileA(path.text().c_str())); }

namespace {
// The file's identity: no access asked for, so that a file another program
// holds without sharing can still be looked at.
bool fileIdentity(const plat::Path& path, BY_HANDLE_FILE_INFORMATION& info) {
    FileHandle h(CreateFileA(path.text().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h && GetFileInformationByHandle(h.get(), &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool Win32Platform::sameFile(const plat::Path& a, const plat::Path& b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    if (!fileIdentity(a, x) || !fileIdentity(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

plat::SysError Win32Platform::finalPath(const plat::Path& path, plat::Path& out) {
    FileHandle h(CreateFileA(path.text().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return lastFailure();
    std::string buf(MAX_PATH, '\0');
    DWORD n = GetFinalPathNameByHandleA(h.get(), &buf[0], static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    if (n >= buf.size()) {
        buf.assign(n + 1, '\0');
        n = GetFinalPathNameByHandleA(h.get(), &buf[0], static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= buf.size()) return lastFailure();
    buf.resize(n);
    if (buf.compare(0, 8, "\\\\?\\UNC\\") == 0) out = plat::Path("\\" + buf.substr(7));
    else if (buf.compare(0, 4, "\\\\?\\") == 0) out = plat::Path(buf.substr(4));
    else out = plat::Path(buf);
    return plat::kOk;
}

plat::SysError Win32Platform::longPath(const plat::Path& path, plat::Path& out) {
    std::string buf(MAX_PATH, '\0');
    DWORD n = GetLongPathNameA(path.text().c_str(), &buf[0], static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) {
        buf.assign(n + 1, '\0');
        n = GetLongPathNameA(path.text().c_str(), &buf[0], static_cast<DWORD>(buf.size()));
    }
    if (n == 0 || n >= buf.size()) return lastFailure();
    out = plat::Path(buf.substr(0, n));
    return plat::kOk;
}

plat::SysError Win32Platform::moveReplacing(const plat::Path& from, const plat::Path& to) {
    // Write-through: the move is on the disk when the call returns.
    return result(
        MoveFileExA(from.text().c_str(), to.text().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

bool Win32Platform::pathFits(const plat::Path& p) {
    const std::string& path = p.text();
    if (path.empty()) return true;
    int units = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    return units > 0 && static_cast<std::size_t>(units) <= plat::kMaxPathUnits;
}

std::string Win32Platform::nameKey(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    if (n <= 0) {
        // Bytes that do not decode are their own key, marked so that no
        // decoded text gives it: a name holds no control character.
        std::string key = "\x01" + text;
        for (std::size_t i = 1; i < key.size(); ++i)
            if (IsDBCSLeadByte(static_cast<BYTE>(key[i])) && i + 1 < key.size())
                ++i;
            else if (key[i] >= 'a' && key[i] <= 'z')
                key[i] = static_cast<char>(key[i] - 0x20);
        return key;
    }
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    CharUpperBuffW(&w[0], static_cast<DWORD>(n));
    return narrow(CP_UTF8, w);
}

plat::SysError Win32Platform::openRead(const plat::Path& path, plat::FileHandle& out) {
    return open(path, GENERIC_READ, OPEN_EXISTING, out);
}

plat::SysError Win32Platform::createNew(const plat::Path& path, plat::FileHandle& out) {
    return open(path, GENERIC_WRITE, CREATE_NEW, out);
}

plat::SysError Win32Platform::openWrite(const plat::Path& path, plat::FileHandle& out) {
    return open(path, GENERIC_WRITE, OPEN_EXISTING, out);
}

plat::SysError Win32Platform::createAlways(const plat::Path& path, plat::FileHandle& out) {
    return open(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, out);
}

plat::SysError Win32Platform::readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD n = 0;
    const BOOL ok = ReadFile(toHandle(h), buffer, count, &n, nullptr);
    done = n;
    return result(ok);
}

plat::SysError Win32Platform::writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count,
                                        std::uint32_t& done) {
    DWORD n = 0;
    const BOOL ok = WriteFile(toHandle(h), buffer, count, &n, nullptr);
    done = n;
    return result(ok);
}

plat::SysError Win32Platform::seekFromStart(plat::FileHandle h, std::uint64_t position) {
    // The whole 64 bits: SetFilePointer without its high part would wrap a
    // position past 4 GiB, and its failure value is a valid position.
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return result(SetFilePointerEx(toHandle(h), to, nullptr, FILE_BEGIN));
}

plat::SysError Win32Platform::fileSize(plat::FileHandle h, std::uint32_t& low) {
    // Its failure value is a valid low part: only a code set by this call tells.
    SetLastError(NO_ERROR);
    DWORD size = GetFileSize(toHandle(h), nullptr);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return lastFailure();
    low = size;
    return plat::kOk;
}

void Win32Platform::closeFile(plat::FileHandle h) {
    if (h != plat::kNoFile) CloseHandle(toHandle(h));
}

std::string systemText(DWORD code) {
    char buf[1000];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                             sizeof buf, nullptr);
    return std::string(buf, n);
}

std::string Win32Platform::profileString(const plat::Path& file, const std::string& section,
                                         const std::string& key, const std::string& def) {
    char buf[2048];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf, sizeof buf,
                                       file.text().c_str());
    return std::string(buf, n);
}

plat::SysError Win32Platform::setFileAttributes(const plat::Path& path, std::uint32_t attributes) {
    return result(SetFileAttributesA(path.text().c_str(), attributes));
}

plat::SysError Win32Platform::copyFile(const plat::Path& from, const plat::Path& to) {
    if (!CopyFileA(from.text().c_str(), to.text().c_str(), TRUE)) {
        // A copy that runs out of room may leave what it wrote (Wine does);
        // a file that was there before (80) is not ours to delete.
        const plat::SysError error = lastFailure();
        if (error.code() != ERROR_FILE_EXISTS && error.code() != ERROR_ALREADY_EXISTS) DeleteFileA(to.text().c_str());
        return error;
    }
    // A copy from a CD is read-only like its source; ours must stay removable.
    if (SetFileAttributesA(to.text().c_str(), FILE_ATTRIBUTE_NORMAL)) return plat::kOk;
    const plat::SysError error = lastFailure();
    DeleteFileA(to.text().c_str());
    return error;
}

plat::SysError Win32Platform::deleteAtRestart(const plat::Path& path) {
    return result(MoveFileExA(path.text().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

plat::SysError Win32Platform::removeFolder(const plat::Path& path) {
    return result(RemoveDirectoryA(path.text().c_str()));
}

plat::SysError Win32Platform::setLastWriteTime(const plat::Path& path, std::uint64_t lastWrite) {
    FileHandle h(CreateFileA(path.text().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return lastFailure();
    const FILETIME t = toFiletime(lastWrite);
    return result(SetFileTime(h.get(), nullptr, nullptr, &t));
}

plat::SysError Win32Platform::fileStamp(const plat::Path& path, plat::FileStamp& out) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.text().c_str(), GetFileExInfoStandard, &d)) return lastFailure();
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return plat::SysError(ERROR_ACCESS_DENIED);
    out.size = (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    out.lastWrite = fromFiletime(d.ftLastWriteTime);
    return plat::kOk;
}

}  // namespace w32
