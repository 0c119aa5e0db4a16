#include "tests/e2e/Session.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/e2e/robot/Screen.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {

using namespace robot;

const wchar_t kSimplified[] = L"简体中文";
const wchar_t kTraditional[] = L"繁體中文";

namespace {

// The start timer's first tick is one second after start; allow for a slow
// machine.
constexpr DWORD kStartLanguageTimeout = 60000;

// The main window's built-in caption, GBK bytes: Lunavire 中文安装程序&汉化补丁
// 简繁双语版 《Lunavire》中文化委员会制作
const char kBuiltInTitle[] =
    "Lunavire \xD6\xD0\xCE\xC4\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2&\xBA\xBA\xBB\xAF\xB2\xB9\xB6\xA1 "
    "\xBC\xF2\xB7\xB1\xCB\xAB\xD3\xEF\xB0\xE6 \xA1\xB6Lunavire\xA1\xB7\xD6\xD0\xCE\xC4\xBB\xAF\xCE\xAF\xD4\xB1"
    "\xBB\xE1\xD6\xC6\xD7\xF7";

std::wstring toWide(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

std::string fromWide(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& ansi) { return toWide(ansi, CP_ACP); }
std::string utf8FromWide(const std::wstring& text) { return fromWide(text, CP_UTF8); }

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

// ---- files ----

std::string distFolder() { return folderOf(options().exe); }

namespace {

// By the UTF-16 name: under a code page without some of its characters the
// ANSI name would not find the file.
std::string readFileW(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw Failure("cannot open " + utf8FromWide(path) + " (error " + std::to_string(GetLastError()) + ")");
    std::string out(GetFileSize(f, nullptr), '\0');
    DWORD done = 0;
    bool ok = out.empty() || (ReadFile(f, &out[0], static_cast<DWORD>(out.size()), &done, nullptr) &&
                              done == out.size());
    CloseHandle(f);
    if (!ok) throw Failure("cannot read " + utf8FromWide(path));
    return out;
}

}  // namespace

std::string readFile(const std::string& path) { return readFileW(wide(path)); }

void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw Failure("cannot create " + escaped(path) + " (error " + std::to_string(GetLastError()) + ")");
    DWORD done = 0;
    bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    ok = CloseHandle(f) && ok;
    if (!ok) throw Failure("cannot write " + escaped(path));
}

bool fileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = d.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return names;
}

namespace {

// In UTF-16: a name that this code page cannot spell (简体中文.ini under 950)
// comes back from the ANSI functions with question marks.
void removeTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = d.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = path + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTreeW(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &d));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void removeTree(const std::string& path) { removeTreeW(wide(path)); }

std::string recordLine(const std::vector<std::string>& fields) {
    std::string body;
    for (const auto& f : fields) body += (body.empty() ? "" : "\t") + f;
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : body) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", c ^ 0xFFFFFFFFu);
    return std::string(hex) + " " + body + "\r\n";
}

std::string utf8FromAnsi(const std::string& ansi) { return fromWide(wide(ansi), CP_UTF8); }
std::string asShownHere(const std::string& bytes) { return fromWide(wide(bytes), CP_ACP); }
std::string ansi(const std::wstring& text) { return fromWide(text, CP_ACP); }

std::string shippedLanguage(const std::wstring& name) {
    return readFileW(wide(distFolder()) + L"\\" + name + L".ini");
}

std::string payload(const std::string& group, const std::string& name) {
    if (options().payloads.empty()) throw Failure("no --payloads folder given");
    return readFile(options().payloads + "\\" + group + "\\" + name);
}

std::string noticeAsShown(const std::string& bytes) {
    std::string out = bytes;
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
    return out;
}

// ---- language files ----

LanguageFileBytes::LanguageFileBytes(const std::string& bytes) {
    std::string section;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = lower(trim(line.substr(1, line.size() - 2)));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trim(line.substr(0, eq));
        // The first of equal keys counts.
        if (values_.emplace(std::make_pair(section, lower(key)), trim(line.substr(eq + 1))).second)
            order_.emplace_back(section, key);
    }
}

std::string LanguageFileBytes::get(const std::string& section, const std::string& key) const {
    auto it = values_.find({lower(section), lower(key)});
    if (it == values_.end()) throw Failure("the language file has no [" + section + "] " + key);
    return it->second;
}

std::vector<std::string> LanguageFileBytes::keys(const std::string& section) const {
    std::vector<std::string> out;
    for (const auto& entry : order_)
        if (entry.first == lower(section)) out.push_back(entry.second);
    return out;
}

// ---- processes ----

std::vector<DWORD> processesNamed(const std::string& fileName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw Failure("cannot list the processes");
    std::vector<DWORD> ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, fileName.c_str()) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

// ---- shortcuts ----

std::string programsFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw Failure("the shell has no Programs folder");
    return path;
}

void listShortcutForLinux(const std::string& link, const std::string& snapshot, const std::string& target,
                          const std::string& workingDirectory) {
    const std::string copy = artifactPath(snapshot);
    if (!CopyFileA(link.c_str(), copy.c_str(), FALSE))
        throw Failure("cannot copy " + escaped(link) + " (error " + std::to_string(GetLastError()) + ")");
    if (options().links.empty()) return;
    // One line per shortcut, UTF-8: snapshot, code page of its ANSI strings,
    // target, working directory, the shortcut's own path.
    std::string line = snapshot + "\t" + std::to_string(GetACP()) + "\t" + utf8FromAnsi(target) + "\t" +
                       utf8FromAnsi(workingDirectory) + "\t" + utf8FromAnsi(link) + "\n";
    std::FILE* f = std::fopen(options().links.c_str(), "ab");
    if (!f || std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fclose(f) != 0)
        throw Failure("cannot add to " + options().links);
}

std::string commandOutput(const std::string& commandLine) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) throw Failure("no pipe");
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &si, &pi);
    CloseHandle(write);
    std::string text;
    if (started) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n) text.append(buf, n);
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(read);
    if (!started) throw Failure("cannot start " + commandLine);
    return text;
}

// ---- the fixture ----

void SetupSession::SetUp() {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "lunavire-e2e2-" + std::to_string(GetCurrentProcessId()) + "-" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
    removeTree(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    exe_ = folder_ + "\\Setup.exe";
    ASSERT_TRUE(CopyFileA(options().exe.c_str(), exe_.c_str(), FALSE))
        << "copy " << options().exe << " (error " << GetLastError() << ")";
}

void SetupSession::TearDown() {
    if (process_.running()) {
        // A failed test may have left a box or the picker up: end it.
        if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.handle(), 3000) != WAIT_OBJECT_0) process_.terminate();
    }
    removeTree(folder_);
}

void SetupSession::addShippedLanguage(const std::wstring& name) {
    const std::wstring file = L"\\" + name + L".ini";
    ASSERT_TRUE(CopyFileW((wide(distFolder()) + file).c_str(), (wide(folder_) + file).c_str(), FALSE))
        << "copy " << utf8FromWide(name) << ".ini (error " << GetLastError() << ")";
}

void SetupSession::start() {
    process_ = Process::start(exe_);
    main_ = waitForWindow(process_, "TForm1");
    for (const char* name : {"Memo1", "Button1", "Button2", "Button3", "Button4", "Button5", "Button6", "ComboBox1"})
        waitForControl(main_, name);
}

void SetupSession::startSimplified936() {
    if (GetACP() != 936) throw Failure("this run wants LC_ALL=zh_CN.UTF-8, not code page " + std::to_string(GetACP()));
    addShippedLanguage(kSimplified);
    start();
    waitForStartLanguage(noticeAsShown(payload("TXT", "LINCE1")));
}

void SetupSession::waitForStartLanguage(const std::string& notice) {
    HWND memo = control("Memo1"), combo = control("ComboBox1");
    // The notice is there from the start; the tick shows in the list, which
    // it selects when the detected file is listed, or else in the main
    // window's caption, which a missing file gives its default.
    const std::string builtIn = asShownHere(kBuiltInTitle);
    auto ticked = [&] { return comboSelection(combo) >= 0 || textOf(main_) != builtIn; };
    if (!waitUntil(kStartLanguageTimeout, [&] { return ticked() && textOf(memo) == notice; }))
        throw Failure("the start-up language was not applied within " + std::to_string(kStartLanguageTimeout) +
                      " ms: " + (ticked() ? "" : "no start tick; ") + "the notice reads \"" +
                      escaped(textOf(memo).substr(0, 80)) + "...\"");
}

std::string SetupSession::selectedLanguage() {
    HWND combo = control("ComboBox1");
    const int index = comboSelection(combo);
    const auto items = comboItems(combo);
    return index >= 0 && static_cast<size_t>(index) < items.size() ? items[static_cast<size_t>(index)]
                                                                   : "(nothing selected)";
}

void SetupSession::chooseLanguage(const std::string& name) {
    HWND combo = control("ComboBox1");
    auto items = comboItems(combo);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == name) return selectComboItem(combo, static_cast<int>(i));
    std::string seen;
    for (const auto& item : items) seen += " \"" + escaped(item) + "\"";
    throw Failure("no language \"" + escaped(name) + "\" in the list:" + (seen.empty() ? " (empty)" : seen));
}

HWND SetupSession::form(const char* className) {
    auto windows = topLevelWindows(process_.id(), className);
    if (windows.size() != 1) throw Failure(std::string("the program has ") + std::to_string(windows.size()) + " " +
                                           className + " windows, not one");
    return windows.front();
}

void SetupSession::plantImpostors() {
    const std::string standIn = payload("EX0", "SOUNDS");
    for (const char* tool : {"Notepad.exe", "RegEdit.exe"}) writeFile(folder_ + "\\" + tool, standIn);
    SetEnvironmentVariableA("LUNAVIRE_STANDIN_LOG", (folder_ + "\\standin-starts.log").c_str());
    SetEnvironmentVariableA("LUNAVIRE_STANDIN_AUTOCLOSE", "2");
}

std::vector<std::string> SetupSession::impostorStarts(const std::string& tool) {
    const std::string log = folder_ + "\\standin-starts.log";
    std::vector<std::string> found;
    if (!fileExists(log)) return found;
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return t;
    };
    const std::string text = readFile(log), wanted = lower(tool);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (lower(line).find(wanted) != std::string::npos) found.push_back(line);
        at = end + 1;
    }
    return found;
}

std::string SetupSession::makeFolder(const std::string& name) {
    std::string path = folder_ + "\\" + name;
    if (!CreateDirectoryA(path.c_str(), nullptr)) throw Failure("cannot create " + escaped(path));
    return path;
}

void SetupSession::pickGameFolder(const std::string& folder, const std::string& askText,
                                  const std::string& askCaption) {
    click(control("Button3"));
    Box ask = waitForMessageBox(process_);
    EXPECT_EQ(escaped(ask.text), escaped(askText)) << "the patch first asks for the game folder (message 15)";
    EXPECT_EQ(escaped(ask.caption), escaped(askCaption)) << "under the notice caption (message 1)";
    EXPECT_EQ(boxButtons(ask), std::vector<int>{IDOK}) << "with OK alone";
    EXPECT_EQ(nameOf(boxIcon(ask.window)), nameOf(BoxIcon::Question));
    pressButton(ask, IDOK);

    pickInFolderPicker(process_, folder);
}

void pickInFolderPicker(const robot::Process& process, const std::string& folder) {
    HWND picker = waitForWindow(process, "TForm3");
    RemoteTree tree(waitForControl(picker, "ShellTreeView1"));
    tree.selectPath(folder);
    click(waitForControl(picker, "Button1"));
    if (!waitUntil(kActionTimeout, [&] { return !isVisible(picker); }))
        throw Failure("the folder picker stays up after its Button1");
}

namespace {

void collect(const std::string& folder, const std::string& below, std::map<std::string, std::string>& files) {
    for (const std::string& name : folderEntries(folder)) {
        const std::string path = folder + "\\" + name, rel = below.empty() ? name : below + "\\" + name;
        const DWORD a = GetFileAttributesA(path.c_str());
        WIN32_FILE_ATTRIBUTE_DATA d{};
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
            collect(path, rel, files);
        else if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) && (d.nFileSizeHigh || d.nFileSizeLow > (64u << 20)))
            files[rel] = "a huge file of " + std::to_string(d.nFileSizeHigh) + ":" + std::to_string(d.nFileSizeLow);
        else
            files[rel] = readFile(path);
    }
}

}  // namespace

std::map<std::string, std::string> fileTree(const std::string& folder, const std::string& except) {
    std::map<std::string, std::string> files, kept;
    collect(folder, "", files);
    for (auto& [path, bytes] : files)
        if (except.empty() || path.rfind(except + "\\", 0) != 0) kept[path] = bytes;
    return kept;
}

std::vector<DiscFile> discManifest() {
    std::ifstream in(options().discs);
    if (!in) throw robot::Failure("no disc manifest at " + options().discs + " (run this test through disc-e2e.sh)");
    std::vector<DiscFile> files;
    std::string line, size;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        DiscFile f;
        if (!(fields >> f.disc >> f.path >> size)) continue;
        for (char& c : f.path)
            if (c == '/') c = '\\';
        files.push_back(f);
    }
    return files;
}

std::string uninstallEntryKey(const std::string& folder) {
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, &list) != ERROR_SUCCESS)
        return "";
    std::string found;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        char location[MAX_PATH * 2];
        DWORD bytes = sizeof location;
        if (RegGetValueA(list, name, "InstallLocation", RRF_RT_REG_SZ, nullptr, location, &bytes) == ERROR_SUCCESS &&
            _stricmp(location, folder.c_str()) == 0)
            found = name;
    }
    RegCloseKey(list);
    return found;
}

}  // namespace e2e
