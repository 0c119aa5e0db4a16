// The real platform: the Win32 API, ANSI functions throughout.
#pragma once

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/Platform.h"
#include "platform/WorkerErrors.h"
#include "platform/win32/HandOver.h"
#include "platform/win32/Handles.h"
#include "platform/win32/LoopPacing.h"
#include "platform/win32/Window.h"

namespace ui {
struct Font;
}

namespace w32 {

class Win32Platform;
class LoopProbe;

// The system's message text for an error code (FormatMessage, default
// language, no inserts), with its trailing line break; empty when it has none.
std::string systemText(DWORD code);

// The calling thread's last error as the seam's error, right after a call
// that failed; one that left no code is a general failure, never success.
inline plat::SysError lastFailure() {
    const DWORD code = GetLastError();
    return plat::SysError(code ? code : ERROR_GEN_FAILURE);
}
inline plat::SysError result(BOOL ok) { return ok ? plat::kOk : lastFailure(); }

// A hidden message-only window of the user-interface thread: it owns the
// timers and receives the wake-up of a blocked loop.
class MessageWindow : public Window {
public:
    explicit MessageWindow(Win32Platform& platform);

private:
    void onTimer(UINT_PTR id) override;
    void onWake() override;
    Win32Platform& platform_;
};

// Made on the user-interface thread, which it serves from then on.
class Win32Platform final : public plat::Platform {
public:
    Win32Platform();
    ~Win32Platform() override;

    // -- program (Program.cpp; startupMark, with the start-up trace, in Win32Platform.cpp)
    void comInitialize() override;
    std::string programPath() override;
    std::string commandLine() override;
    std::uint32_t processId() override;
    plat::SysError setCurrentFolder(const std::string& path) override;
    unsigned ansiCodePage() override;
    bool isDbcsLeadByte(unsigned char c) override;
    std::string ansiToUtf8(const std::string& ansi) override;
    bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) override;
    void startupMark(const char* step) override;
    plat::SysError ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                               std::size_t& size) override;
    std::string errorText(std::uint32_t code) override;
    plat::LocalTime localTime() override;
    plat::WindowsVersion windowsVersion() override;
    // -- files (Files.cpp)
    bool fileExists(const plat::Path& path) override;
    bool folderExists(const plat::Path& path) override;
    plat::SysError findFirst(const plat::Path& pattern, plat::FindData& first,
                             std::unique_ptr<plat::DirSearch>& search) override;
    plat::SysError createFolder(const plat::Path& path) override;
    plat::SysError removeFolder(const plat::Path& path) override;
    plat::SysError deleteFile(const plat::Path& path) override;
    plat::SysError deleteAtRestart(const plat::Path& path) override;
    bool sameFile(const plat::Path& a, const plat::Path& b) override;
    plat::SysError finalPath(const plat::Path& path, plat::Path& out) override;
    plat::SysError longPath(const plat::Path& path, plat::Path& out) override;
    plat::SysError moveReplacing(const plat::Path& from, const plat::Path& to) override;
    plat::SysError copyFile(const plat::Path& from, const plat::Path& to) override;
    bool pathFits(const plat::Path& path) override;
    std::string nameKey(const std::string& text) override;
    plat::SysError fileStamp(const plat::Path& path, plat::FileStamp& out) override;
    plat::SysError setLastWriteTime(const plat::Path& path, std::uint64_t lastWrite) override;
    plat::SysError setFileAttributes(const plat::Path& path, std::uint32_t attributes) override;
    plat::SysError openRead(const plat::Path& path, plat::FileHandle& out) override;
    plat::SysError createNew(const plat::Path& path, plat::FileHandle& out) override;
    plat::SysError openWrite(const plat::Path& path, plat::FileHandle& out) override;
    plat::SysError createAlways(const plat::Path& path, plat::FileHandle& out) override;
    plat::SysError readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) override;
    plat::SysError writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count,
                             std::uint32_t& done) override;
    plat::SysError seekFromStart(plat::FileHandle h, std::uint64_t position) override;
    plat::SysError fileSize(plat::FileHandle h, std::uint32_t& low) override;
    void closeFile(plat::FileHandle h) override;
    std::string profileString(const plat::Path& file, const std::string& section, const std::string& key,
                              const std::string& def) override;
    // -- drives (Drives.cpp)
    std::uint32_t logicalDrives() override;
    plat::DriveType driveType(char letter) override;
    plat::SysError freeSpace(const plat::Path& folder, std::uint64_t& bytes) override;
    plat::SysError clusterSize(const plat::Path& folder, std::uint32_t& bytes) override;
    // -- registry (Registry.cpp)
    bool keyExists(const plat::RegKey& key) override;
    bool valueExists(const plat::RegKey& key, const std::string& name) override;
    plat::SysError readString(const plat::RegKey& key, const std::string& name, std::string& value) override;
    plat::SysError subKeys(const plat::RegKey& key, std::vector<std::string>& names) override;
    plat::SysError valueNames(const plat::RegKey& key, std::vector<std::string>& names) override;
    plat::SysError setString(const plat::RegKey& key, const std::string& name, const std::string& value) override;
    plat::SysError setDword(const plat::RegKey& key, const std::string& name, std::uint32_t value) override;
    plat::SysError deleteValue(const plat::RegKey& key, const std::string& name) override;
    plat::SysError deleteKey(const plat::RegKey& key) override;
    // -- shell (Shell.cpp)
    plat::SysError winExec(const std::string& commandLine, int showMode) override;
    plat::SysError execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override;
    void shellOpen(const std::string& address, int showMode) override;
    std::string programsFolder() override;
    std::string windowsFolder() override;
    std::string tempFolder() override;
    std::unique_ptr<plat::ShellLink> createShellLink() override;
    plat::SysError shellLinkTarget(const plat::Path& linkFile, std::string& target) override;
    // -- desktop (Win32Platform.cpp; createPeer in Peers.cpp)
    std::unique_ptr<plat::ControlPeer> createPeer(ui::Control& control) override;
    plat::Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
    void processMessages() override;
    void handleMessage() override;
    void waitMessages(std::uint32_t timeoutMs) override;
    TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
    void killTimer(TimerId id) override;
    plat::SysError startThread(std::function<void()> body, plat::Priority priority) override;
    void handOver(const std::function<void()>& call) override;

    // -- for the peers
    // A font for a ui::Font, made once and kept for the platform's life.
    HFONT font(const ui::Font& f);
    // The main form's window, or nullptr.
    static HWND mainWindow();
    void runTimer(UINT_PTR id);
    void wakeReceived();

private:
    friend class LoopProbe;  // the loop's pacing and counters, for tests and benchmarks

    static DWORD WINAPI threadMain(void* start);
    void wakeUi();
    bool runHandOvers();
    bool showWorkerErrors();
    bool dispatch(const MSG& m);
    // Blocks until input arrives, a handle is signalled or the time-out
    // passes, letting a worker's hand-over wake it; the result of
    // MsgWaitForMultipleObjectsEx, or WAIT_TIMEOUT when a hand-over already waited.
    DWORD waitForInput(DWORD count, const HANDLE* handles, DWORD timeoutMs);

    std::FILE* startupTrace_;  // first, so that the trace begins before any window is made
    MessageWindow messageWindow_;
    HandOverQueue handOvers_;
    LoopPacing pacing_;
    plat::WorkerErrors workerErrors_;
    std::atomic<bool> wakePosted_{false};
    // Threads of startThread() that have not yet ended, for tests that must
    // know when a worker is gone (it ends by itself; nobody waits for it).
    std::atomic<int> liveThreads_{0};
    std::map<UINT_PTR, std::shared_ptr<std::function<void()>>> timers_;
    UINT_PTR nextTimer_ = 1;
    std::map<std::tuple<std::string, int, int>, Font> fonts_;
    bool comInitialised_ = false;
    KernelHandle instanceMutex_;  // held for the whole run by the first copy
    DWORD uiThread_ = 0;
};

}  // namespace w32
