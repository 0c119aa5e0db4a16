// The unattended command line end to end under Wine: Setup.exe /S installs
// the game from the three stand-in discs in the CD drives D:, E: and F: (laid
// out by disc-e2e.sh), patches it, and the installed uninstaller takes the
// patch and then the game away again, each run started as a script would
// start it and judged by its exit code, what it wrote and the windows it
// showed (none).  A run with disc 3's drive empty ends with exit code 2, and
// /? shows the usage in the player's language under code pages 936 and 950.
// Every command line with its exit code goes to silent-commands.txt, every
// window that a run showed to silent-windows.txt.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/PatchSession.h"
#include "tests/e2e/showwatch/ShowWatch.h"
#include "tests/support/WineUnix.h"

namespace e2e {
namespace {

using namespace robot;

// The copy of the small discs takes seconds; a busy machine under Wine
// can take many times as long.
constexpr DWORD kInstallTimeout = 300000;
constexpr DWORD kRunTimeout = 180000;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

void appendArtifact(const std::string& name, const std::string& text) {
    std::ofstream out(artifactPath(name), std::ios::binary | std::ios::app);
    out << text;
    if (!out) throw Failure("cannot add to the artifact " + name);
}

std::string now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return buf;
}

// A top-level window that a run showed.
struct Seen {
    HWND window = nullptr;
    DWORD process = 0;
    bool ours = false;  // of the started program or a program it started
    bool visible = false;
    std::string className, title;  // UTF-8
};

std::string describe(const Seen& s) {
    return "shown\tprocess " + std::to_string(s.process) + (s.ours ? " (ours)" : " (other)") + "\t" + s.className +
           "\t\"" + s.title + "\"\t" + (s.visible ? "visible" : "hidden");
}

// Runs programs to their end with a message loop, and notes every top-level
// window that they show meanwhile, as ShowWatch reports it (Wine raises no
// EVENT_OBJECT_SHOW that a WinEvent hook could see); the showing program
// waits for the report.  "Ours" is the started process and any process
// it starts (the uninstaller's temporary copy).
class WindowWatch {
public:
    WindowWatch();
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // Starts `program` in its own folder and runs the loop until it ends;
    // `step` runs after each turn of the loop.  Throws when it outlives
    // `timeoutMs` (and is then ended).  The command line and its exit code
    // go to silent-commands.txt, the windows to silent-windows.txt.
    DWORD run(const std::string& program, const std::string& arguments, DWORD timeoutMs,
              const std::function<void()>& step = {});
    const std::vector<Seen>& seen() const { return seen_; }
    // The windows of ours that were shown, described.
    std::vector<std::string> visibleOfOurs() const;

private:
    static LRESULT CALLBACK sinkProc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    void release();
    bool isOurs(DWORD process);
    void pump();
    DWORD loop(HANDLE process, const std::string& line, DWORD timeoutMs, const std::function<void()>& step);

    static WindowWatch* current_;
    HWND sink_ = nullptr;
    std::set<DWORD> ours_;
    std::vector<Seen> seen_;
};

WindowWatch* WindowWatch::current_ = nullptr;

WindowWatch::WindowWatch() {
    if (current_) throw Failure("one window watch at a time");
    WNDCLASSA wc{};
    wc.lpfnWndProc = sinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = LUNAVIRE_SHOW_WATCH_CLASS;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Failure("cannot register the watch's class (error " + std::to_string(GetLastError()) + ")");
    sink_ =
        CreateWindowExA(0, LUNAVIRE_SHOW_WATCH_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!sink_) throw Failure("cannot make the watch's window (error " + std::to_string(GetLastError()) + ")");
    current_ = this;
    if (!lunavireWatchShows(TRUE)) {
        const DWORD error = GetLastError();
        release();
        throw Failure("cannot hook the windows' shows (error " + std::to_string(error) + ")");
    }
}

WindowWatch::~WindowWatch() { release(); }

void WindowWatch::release() {
    lunavireWatchShows(FALSE);
    if (sink_) DestroyWindow(sink_);
    sink_ = nullptr;
    current_ = nullptr;
}

LRESULT CALLBACK WindowWatch::sinkProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (message != WM_COPYDATA || !current_ || data->dwData != ShownWindow::kShownWindow ||
        data->cbData != sizeof(ShownWindow))
        return DefWindowProcA(window, message, wp, lp);
    ShownWindow shown;
    std::memcpy(&shown, data->lpData, sizeof shown);
    shown.className[63] = shown.title[255] = L'\0';
    Seen s;
    s.window = reinterpret_cast<HWND>(wp);
    s.process = shown.process;
    s.ours = current_->isOurs(shown.process);  // the reporting process waits: it is there to be looked up
    s.visible = shown.visible != 0;
    s.className = utf8(shown.className);
    s.title = utf8(shown.title);
    current_->seen_.push_back(s);
    return TRUE;
}

bool WindowWatch::isOurs(DWORD process) {
    if (process == 0) return false;
    if (ours_.count(process)) return true;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw Failure("cannot list the processes");
    std::map<DWORD, DWORD> parents;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    // Up the line of parents, a few generations at most.
    for (DWORD p = process, n = 0; n < 8 && parents.count(p); ++n) {
        p = parents[p];
        if (ours_.count(p)) {
            ours_.insert(process);
            return true;
        }
    }
    return false;
}

void WindowWatch::pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

std::vector<std::string> WindowWatch::visibleOfOurs() const {
    std::vector<std::string> out;
    for (const Seen& s : seen_)
        if (s.ours) out.push_back(describe(s));
    return out;
}

DWORD WindowWatch::run(const std::string& program, const std::string& arguments, DWORD timeoutMs,
                       const std::function<void()>& step) {
    const std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    const std::string folder = folderOf(program);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    seen_.clear();
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        appendArtifact("silent-commands.txt", now() + "\t" + utf8FromAnsi(line) + "\tnot started (error " +
                                                  std::to_string(GetLastError()) + ")\r\n");
        throw Failure("cannot start " + escaped(line));
    }
    CloseHandle(pi.hThread);
    ours_ = {pi.dwProcessId};
    try {
        const DWORD code = loop(pi.hProcess, line, timeoutMs, step);
        CloseHandle(pi.hProcess);
        return code;
    } catch (...) {
        TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        throw;
    }
}

DWORD WindowWatch::loop(HANDLE process, const std::string& line, DWORD timeoutMs, const std::function<void()>& step) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    bool ended = false;
    while (!ended) {
        pump();
        if (step) step();
        const ULONGLONG at = GetTickCount64();
        if (at >= end) break;
        ended =
            MsgWaitForMultipleObjects(1, &process, FALSE, static_cast<DWORD>(end - at), QS_ALLINPUT) == WAIT_OBJECT_0;
    }
    // What the program posted before its end is in the queue by now.
    pump();
    DWORD code = 0;
    std::string outcome;
    if (!ended)
        outcome = "still running after " + std::to_string(timeoutMs / 1000) + " s: ended by the test";
    else if (!GetExitCodeProcess(process, &code))
        outcome = "no exit code (error " + std::to_string(GetLastError()) + ")";
    else
        outcome = "exit code " + std::to_string(code);
    appendArtifact("silent-commands.txt", now() + "\t" + utf8FromAnsi(line) + "\t" + outcome + "\r\n");
    std::string windows = "== " + now() + " " + utf8FromAnsi(line) + "\r\n";
    for (const Seen& s : seen_) windows += describe(s) + "\r\n";
    const auto visible = visibleOfOurs();
    windows += "-- windows of the program on screen: " + std::to_string(visible.size()) + "\r\n";
    appendArtifact("silent-windows.txt", windows);
    if (outcome.rfind("exit code ", 0) != 0) throw Failure(escaped(line) + ": " + outcome);
    return code;
}

// ---- what a run leaves ----

std::vector<std::string> names(const std::map<std::string, std::string>& files) {
    std::vector<std::string> n;
    for (const auto& f : files) n.push_back(escaped(f.first));
    return n;
}

// The log's lines, without their CR LF.
std::vector<std::string> linesOf(const std::string& log) {
    std::vector<std::string> lines;
    std::size_t at = log.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < log.size()) {
        std::size_t end = log.find("\r\n", at);
        if (end == std::string::npos) end = log.size();
        lines.push_back(log.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Reads the run's /LOG file, keeps its last 20 lines as an artifact
// (NAME-log-tail.txt) and checks its form: UTF-8 with a byte-order mark,
// and the exit code last.
std::string readRunLog(const std::string& name, DWORD code) {
    const std::string log = readFile(artifactPath(name));
    const auto lines = linesOf(log);
    std::string tail;
    for (std::size_t i = lines.size() > 20 ? lines.size() - 20 : 0; i < lines.size(); ++i) tail += lines[i] + "\r\n";
    writeFile(artifactPath(name.substr(0, name.rfind('.')) + "-log-tail.txt"), tail);
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF") << name << ": UTF-8 with its mark";
    EXPECT_FALSE(lines.empty()) << name;
    // Each line begins with its time and its process, "hh:mm:ss [1234] ".
    const std::string last = lines.empty() ? "" : lines.back();
    const std::size_t text = last.find("] ");
    EXPECT_TRUE(last.size() > 10 && last[9] == '[' && text != std::string::npos) << name << ": " << last;
    EXPECT_EQ(text == std::string::npos ? std::string::npos
                                        : last.rfind("exit code " + std::to_string(code) + " (", text + 2),
              text + 2)
        << name << " ends with the exit code, not \"" << last << "\"";
    return log;
}

// An argument as a script quotes it.
std::string quoted(const std::string& switchName, const std::string& value) {
    return switchName + "=\"" + value + "\"";
}

// ---- the fixtures ----

class SilentRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        temp_ = temp;
        texts_ = std::make_unique<LanguageFileBytes>(shippedLanguage(kSimplified));
    }
    void TearDown() override {
        // The uninstaller's temporary copies, which Windows would take at its next start.
        for (const std::string& name : folderEntries(temp_))
            if (name.rfind("LunavireUninstall", 0) == 0) removeTree(temp_ + name);
        if (install_.empty()) return;
        const std::string key = uninstallEntryKey(install_);
        if (!key.empty())
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + key).c_str(), KEY_WOW64_32KEY, 0);
        removeTree(install_);
    }
    // A folder in C:'s root of that name, left by no earlier run.
    void useInstallFolder(const std::wstring& name) {
        install_ = "C:\\" + ansi(name);
        removeTree(install_);
        ASSERT_EQ(GetFileAttributesA(install_.c_str()), INVALID_FILE_ATTRIBUTES) << "an earlier run's " << install_;
    }
    std::string msg(int i) const { return texts_->get("msgs", "msgs" + std::to_string(i)); }

    std::string temp_, install_;
    std::unique_ptr<LanguageFileBytes> texts_;
    Gb2312Association simplifiedSystem_{true};
};

class SilentMissingDisc936 : public SilentRun {};

// The game's and the patch's Start-menu shortcuts, by the names the program
// gives them; the Traditional patch's game shortcut has its Big5 name.
std::vector<std::string> shortcuts() {
    return {lunavireMenu() + "\\Lunavire.lnk", gameShortcut(kTraditionalEdition), readmeShortcut()};
}
void removeShortcutFiles() {
    for (const std::string& link : shortcuts()) DeleteFileA(link.c_str());
}

// The steps of the run from the discs to the removal, one installation
// through all of them.
class SilentSteps : public SilentRun {
protected:
    void SetUp() override {
        SilentRun::SetUp();
        removeShortcutFiles();  // other runs' of the same names
    }
    void TearDown() override {
        SilentRun::TearDown();
        removeShortcutFiles();
    }

    void installFromDrives() {
        const std::string log = "silent-install.log";
        DeleteFileA(artifactPath(log).c_str());
        const DWORD code =
            watch().run("D:\\Setup.exe", "/S " + quoted("/DIR", install_) + " " + quoted("/LOG", artifactPath(log)),
                        kInstallTimeout);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{}) << "no window on screen (silent-windows.txt)";
        const std::string text = readRunLog(log, code);
        EXPECT_NE(text.find("outcome: complete, "), std::string::npos);
        EXPECT_NE(text.find(utf8FromAnsi(msg(12))), std::string::npos) << "the notice of the end, told in the log";

        const char* roots[] = {nullptr, "D:\\", "E:\\", "F:\\"};
        int checked = 0;
        for (const DiscFile& f : discManifest()) {
            SCOPED_TRACE(f.path);
            const std::string copy = install_ + "\\" + f.installedAs();
            ASSERT_TRUE(fileExists(copy)) << copy;
            EXPECT_TRUE(readFile(copy) == readFile(roots[f.disc] + f.path)) << "byte for byte";
            ++checked;
        }
        EXPECT_GT(checked, 20);
        ASSERT_FALSE(uninstallEntryKey(install_).empty()) << "the game is in the list of installed programs";
        EXPECT_TRUE(fileExists(shortcuts()[0])) << "the game's shortcut";
        installed_ = fileTree(install_, "Uninstall");
    }

    // The patch alone: the folder holds the game.
    void patchTraditional() {
        const DWORD code =
            watch().run("D:\\Setup.exe", "/S " + quoted("/DIR", install_) + " /PATCH=traditional", kRunTimeout);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{});
        for (const Written& w : kWritten) {
            SCOPED_TRACE(w.file);
            const std::string group = w.shared ? "GB_" : kTraditionalEdition.group;
            ASSERT_TRUE(fileExists(install_ + "\\" + w.file));
            EXPECT_TRUE(readFile(install_ + "\\" + w.file) == payload(group, w.payload))
                << "the payload " << group << "/" << w.payload;
        }
        for (const std::string& link : {shortcuts()[1], shortcuts()[2]})
            EXPECT_TRUE(fileExists(link)) << "the patch's shortcut " << escaped(link);
    }

    void removePatch() {
        const DWORD code = watch().run(
            uninstaller(), "/uninstall /S /PATCHONLY " + quoted("/LOG", artifactPath("silent-uninstall-patch.log")),
            kRunTimeout);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{});
        auto restored = fileTree(install_, "Uninstall");
        restored.erase("patch.log");  // the patch's story stays with the game
        EXPECT_EQ(names(restored), names(installed_));
        EXPECT_TRUE(restored == installed_) << "the discs' files back, byte for byte";
        for (const std::string& link : {shortcuts()[1], shortcuts()[2]})
            EXPECT_FALSE(fileExists(link)) << "the patch's shortcut goes with it: " << escaped(link);
        EXPECT_TRUE(fileExists(shortcuts()[0])) << "the game's stays";
    }

    void removeGame() {
        const DWORD code = watch().run(
            uninstaller(), "/uninstall /S " + quoted("/LOG", artifactPath("silent-uninstall.log")), kRunTimeout);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{});
        std::map<std::string, std::string> saves;
        for (const auto& [path, bytes] : installed_)
            if (path.rfind("save\\", 0) == 0) saves[path] = bytes;
        ASSERT_FALSE(saves.empty());
        auto left = fileTree(install_);
        // The uninstaller that a script started does the work itself, so that
        // the script gets its exit code: the running program cannot delete its
        // own file, which goes with its folder when Windows starts again.
        EXPECT_EQ(left.erase("Uninstall\\Uninstall.exe"), 1u);
        EXPECT_TRUE(pendingDeletion(uninstaller())) << "the uninstaller is to go at the next start";
        EXPECT_EQ(names(left), names(saves)) << "the player's saves stay, nothing else of the game";
        EXPECT_TRUE(left == saves);
        EXPECT_EQ(uninstallEntryKey(install_), "") << "the entry left the list";
        EXPECT_FALSE(fileExists(shortcuts()[0])) << "the game's shortcut goes with it";
    }

    // Whether Windows is to delete the file at its next start (the session
    // manager's list of pending operations, "\\??\\" paths).
    static bool pendingDeletion(const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                          &key) != ERROR_SUCCESS)
            return false;
        std::string list(64 * 1024, '\0');
        DWORD size = static_cast<DWORD>(list.size()), type = 0;
        const LONG r = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                                        reinterpret_cast<BYTE*>(&list[0]), &size);
        RegCloseKey(key);
        if (r != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
        list.resize(size);
        const std::string wanted = "\\??\\" + path;
        for (std::size_t at = 0; at < list.size();) {
            const std::size_t end = list.find('\0', at);
            const std::string entry = list.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (lstrcmpiA(entry.c_str(), wanted.c_str()) == 0) return true;
            if (end == std::string::npos) break;
            at = end + 1;
        }
        return false;
    }

    std::string uninstaller() const { return install_ + "\\Uninstall\\Uninstall.exe"; }
    // Made when first needed: while it is there, a program that shows a
    // window waits for the test's message loop, which the robot's waits do
    // not run.
    WindowWatch& watch() {
        if (!watch_) watch_ = std::make_unique<WindowWatch>();
        return *watch_;
    }

    std::unique_ptr<WindowWatch> watch_;
    std::map<std::string, std::string> installed_;  // below the install folder, its Uninstall folder left out
};

class Silent936 : public SilentSteps {};

// The watch itself: an ordinary start's main window is reported from the
// other process as shown, and closing it ends the program.  An
// empty list below means something only because this one is not.
TEST_F(Silent936, TheWatchSeesTheMainWindowOfAnOrdinaryStart) {
    bool closed = false;
    const DWORD code = watch().run("D:\\Setup.exe", "", kRunTimeout, [&] {
        if (closed) return;
        for (const Seen& s : watch().seen())
            if (s.ours && s.className == "TForm1") {
                closeWindow(s.window);
                closed = true;
                return;
            }
    });
    EXPECT_TRUE(closed) << "the main window was reported shown";
    EXPECT_EQ(code, 0u);
}

// The discs from the CD drives into a folder with a Chinese name and a
// blank, then the Traditional patch onto it, then the installed uninstaller:
// the patch alone, then the game.  Not one window on screen.
TEST_F(Silent936, InstallPatchAndRemoveWithoutAWindow) {
    useInstallFolder(L"乗月 游戏");
    installFromDrives();
    if (HasFatalFailure()) return;
    patchTraditional();
    removePatch();
    removeGame();
}

// The check and the repair of the installed, patched game: a file of disc 2
// and a patched file each get a byte flipped, and the player changes a save.
// /verify finds the two and changes nothing (8); /repair puts both back, the
// disc's file from its drive and the patched one from the uninstaller's own
// payloads, and leaves the save as the player made it (0).
TEST_F(Silent936, VerifyFindsTheDamageAndRepairPutsItBack) {
    useInstallFolder(L"乗月 修复");
    installFromDrives();
    if (HasFatalFailure()) return;
    patchTraditional();
    const auto good = fileTree(install_, "Uninstall");
    std::string discTwo, save;
    for (const DiscFile& f : discManifest()) {
        if (f.disc == 2 && discTwo.empty()) discTwo = f.installedAs();
        if (f.disc == 1 && save.empty() && f.installedAs().rfind("save\\", 0) == 0) save = f.installedAs();
    }
    ASSERT_FALSE(discTwo.empty() || save.empty());
    for (const std::string& name : {discTwo, std::string("KESTAL.exe")}) {
        std::string bytes = readFile(install_ + "\\" + name);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
        writeFile(install_ + "\\" + name, bytes);
    }
    writeFile(install_ + "\\" + save, "the player's own progress");
    const auto damaged = fileTree(install_, "Uninstall");

    DeleteFileA(artifactPath("silent-verify.log").c_str());
    DWORD code = watch().run(uninstaller(), "/verify /S " + quoted("/LOG", artifactPath("silent-verify.log")), kRunTimeout);
    EXPECT_EQ(code, 8u);
    EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{});
    std::string log = readRunLog("silent-verify.log", code);
    for (const std::string& name : {discTwo, std::string("KESTAL.exe")})
        EXPECT_NE(log.find(name + ": damaged"), std::string::npos) << name;
    EXPECT_EQ(log.find("save\\"), std::string::npos) << "the saves are not looked at";
    EXPECT_TRUE(fileTree(install_, "Uninstall") == damaged) << "the check changes nothing";

    DeleteFileA(artifactPath("silent-repair.log").c_str());
    code = watch().run(uninstaller(), "/repair /S " + quoted("/LOG", artifactPath("silent-repair.log")), kRunTimeout);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(watch().visibleOfOurs(), std::vector<std::string>{});
    log = readRunLog("silent-repair.log", code);
    EXPECT_NE(log.find("disc 2 found in E:"), std::string::npos) << "only the disc it needs";
    EXPECT_EQ(log.find("disc 3 found"), std::string::npos);
    auto repaired = fileTree(install_, "Uninstall");
    EXPECT_EQ(repaired[save], "the player's own progress") << "the save stays as the player made it";
    repaired[save] = good.at(save);
    EXPECT_EQ(names(repaired), names(good));
    EXPECT_TRUE(repaired == good) << "every file as the installation and the patch wrote it";
}

// Two hostile set-ups of one installation.  A file in the place of the
// Start-menu folder: the game is copied and registered all the same, the run
// ends with 4 and says why.  Then the player links a movie and a save to a
// shared copy (Unix symbolic links, which Wine lists as plain files): the
// removal with the saves leaves both links and the shared files byte for
// byte, names them, and ends with 0.
TEST_F(Silent936, AShortcutThatCannotBeMadeAndLinkedFilesLoseNothing) {
    // Links are taken away as links, from the Unix side: Wine's own removal goes through them.
    const std::string menu = lunavireMenu(), shared = "C:\\LunavireShared", folder = "C:\\" + ansi(L"乗月 链接");
    w32test::unixRemoveTree(folder);
    w32test::unixRemoveTree(shared);
    useInstallFolder(L"乗月 链接");
    removeShortcutFiles();
    RemoveDirectoryA(menu.c_str());
    ASSERT_EQ(GetFileAttributesA(menu.c_str()), INVALID_FILE_ATTRIBUTES) << "another run's " << escaped(menu);
    writeFile(menu, "a file where the Start-menu folder goes");
    struct Cleanup {
        std::string menu, shared, folder;
        ~Cleanup() {
            DeleteFileA(menu.c_str());
            w32test::unixRemoveTree(shared);
            w32test::unixRemoveTree(folder);
        }
    } cleanup{menu, shared, folder};

    DeleteFileA(artifactPath("silent-no-shortcut.log").c_str());
    DWORD code = watch().run(
        "D:\\Setup.exe", "/S " + quoted("/DIR", install_) + " " + quoted("/LOG", artifactPath("silent-no-shortcut.log")),
        kInstallTimeout);
    EXPECT_EQ(code, 4u);
    std::string log = readRunLog("silent-no-shortcut.log", code);
    EXPECT_NE(log.find("the Start-menu shortcut was not made"), std::string::npos);
    EXPECT_FALSE(uninstallEntryKey(install_).empty()) << "registered whatever became of its shortcut";
    for (const DiscFile& f : discManifest()) EXPECT_TRUE(fileExists(install_ + "\\" + f.installedAs())) << f.path;
    ASSERT_TRUE(DeleteFileA(menu.c_str()));

    const std::string movie = install_ + "\\Movie\\op.mpg", save = install_ + "\\save\\slot1\\backup.dat";
    ASSERT_TRUE(CreateDirectoryA(shared.c_str(), nullptr));
    ASSERT_TRUE(MoveFileA(movie.c_str(), (shared + "\\op.mpg").c_str()));
    writeFile(shared + "\\backup.dat", "a save kept elsewhere");
    const auto before = fileTree(shared);
    w32test::unixLink(movie, shared + "\\op.mpg");
    w32test::unixLink(save, shared + "\\backup.dat");
    ASSERT_EQ(GetFileAttributesA(movie.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "Wine lists it as a plain file";

    DeleteFileA(artifactPath("silent-links.log").c_str());
    code = watch().run(uninstaller(), "/uninstall /S /REMOVESAVES " + quoted("/LOG", artifactPath("silent-links.log")),
                       kRunTimeout);
    EXPECT_EQ(code, 0u);
    log = readRunLog("silent-links.log", code);
    EXPECT_TRUE(fileTree(shared) == before) << "what the links lead to stays byte for byte";
    // The log spells each name as the disk does; UTF-8 folds its ASCII letters safely.
    const auto folded = [](std::string t) {
        for (char& c : t) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        return t;
    };
    for (const std::string& link : {movie, save}) {
        EXPECT_NE(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << "the link stays: " << escaped(link);
        EXPECT_NE(folded(log).find(folded(utf8FromAnsi("left the link " + link))), std::string::npos) << escaped(link);
    }
    EXPECT_FALSE(fileExists(install_ + "\\game00.dat")) << "the rest of the game goes";
}

// Disc 3's drive holds no disc: the run copies discs 1 and 2, finds no
// disc 3 and ends with exit code 2, and nothing says the game is installed.
TEST_F(SilentMissingDisc936, AnEmptyDriveForDisc3EndsWithCode2) {
    useInstallFolder(L"乗月 缺盘");
    WindowWatch watch;
    const std::string log = "silent-missing-disc.log";
    DeleteFileA(artifactPath(log).c_str());
    const DWORD code = watch.run(
        "D:\\Setup.exe", "/S " + quoted("/DIR", install_) + " " + quoted("/LOG", artifactPath(log)), kInstallTimeout);
    EXPECT_EQ(code, 2u);
    EXPECT_EQ(watch.visibleOfOurs(), std::vector<std::string>{});
    const std::string text = readRunLog(log, code);
    EXPECT_NE(text.find("disc 2 found in E:"), std::string::npos);
    EXPECT_NE(text.find("disc 3"), std::string::npos) << "the log names the missing disc";
    EXPECT_EQ(text.find("disc 3 found"), std::string::npos);
    EXPECT_EQ(text.find("outcome: complete"), std::string::npos);
    EXPECT_EQ(text.find(utf8FromAnsi(msg(12))), std::string::npos) << "no notice of a complete installation";
    EXPECT_EQ(uninstallEntryKey(install_), "") << "no entry in the list of installed programs";
}

// /? shows the usage in a box of its own, in the language of the system
// (the shipped file `language`), and then the program ends with exit code 7.
void showUsage(bool simplifiedSystem, const std::wstring& language, const std::string& shot) {
    Gb2312Association system(simplifiedSystem);
    const std::string line = "\"" + options().exe + "\" /?";
    Process setup = Process::start(options().exe, "/?");
    Box box = waitForMessageBox(setup, kStartTimeout);
    settle(box.window);
    saveScreenshot(box.window, artifactPath(shot + ".bmp"));
    writeFile(artifactPath(shot + ".txt"), utf8FromAnsi(box.caption + "\r\n\r\n" + box.text));
    EXPECT_NE(box.text.find("/S"), std::string::npos) << escaped(box.text);
    EXPECT_NE(box.text.find("/DIR"), std::string::npos) << escaped(box.text);
    // The file's first line, "用法：" or "Usage:", in this code page's bytes.
    const std::string usage = LanguageFileBytes(shippedLanguage(language)).get("msgs", "Usage");
    EXPECT_EQ(box.text.substr(0, usage.find('\\')), usage.substr(0, usage.find('\\')))
        << "the usage of the file " << utf8(language) << ".ini";
    pressButton(box, IDOK);
    const DWORD code = setup.waitForExit(kRunTimeout);
    appendArtifact("silent-commands.txt",
                   now() + "\t" + utf8FromAnsi(line) + "\texit code " + std::to_string(code) + "\r\n");
    EXPECT_EQ(code, 7u);
}

TEST_F(Silent936, TheUsageBoxListsTheSwitchesInThePlayersLanguage) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    showUsage(true, kSimplified, "usage-936");
}

class Silent950 : public testing::Test {};

TEST_F(Silent950, TheUsageBoxListsTheSwitchesInThePlayersLanguage) {
    ASSERT_EQ(GetACP(), 950u) << "this run wants LC_ALL=zh_TW.UTF-8";
    showUsage(false, kTraditional, "usage-950");
}

}  // namespace
}  // namespace e2e
