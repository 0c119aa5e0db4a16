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
    bool setCurrentFolder(const std::string& path) override;
    unsigned ansiCodePage() override;
    bool isDbcsLeadByte(unsigned char c) override;
    std::string ansiToUtf8(const std::string& ansi) override;
    bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) override;
    void startupMark(const char* step) override;
    bool ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                     std::size_t& size) override;
    std::uint32_t lastError() override;
    std::string errorText(std::uint32_t code) override;
    plat::LocalTime localTime() override;
    plat::WindowsVersion windowsVersion() override;
    // -- files (Files.cpp)
    bool fileExists(const std::string& path) override;
    bool folderExists(const std::string& path) override;
    std::unique_ptr<plat::DirSearch> findFirst(const std::string& pattern, plat::FindData& first) override;
    bool createFolder(const std::string& path) override;
    bool removeFolder(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    bool deleteAtRestart(const std::string& path) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    bool finalPath(const std::string& path, std::string& out) override;
    bool longPath(const std::string& path, std::string& out) override;
    bool moveReplacing(const std::string& from, const std::string& to) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    bool pathFits(const std::string& path) override;
    std::string nameKey(const std::string& text) override;
    bool fileStamp(const std::string& path, plat::FileStamp& out) override;
    bool setLastWriteTime(const std::string& path, std::uint64_t lastWrite) override;
    bool setFileAttributes(const std::string& path, std::uint32_t attributes) override;
    plat::FileHandle openRead(const std::string& path) override;
    plat::FileHandle createNew(const std::string& path) override;
    plat::FileHandle openWrite(const std::string& path) override;
    plat::FileHandle createAlways(const std::string& path) override;
    bool readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seekFromStart(plat::FileHandle h, std::uint64_t position) override;
    bool fileSize(plat::FileHandle h, std::uint32_t& low) override;
    void closeFile(plat::FileHandle h) override;
    std::string profileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& def) override;
    // -- drives (Drives.cpp)
    std::uint32_t logicalDrives() override;
    plat::DriveType driveType(char letter) override;
    bool freeSpace(const std::string& folder, std::uint64_t& bytes) override;
    bool clusterSize(const std::string& folder, std::uint32_t& bytes) override;
    // -- registry (Registry.cpp)
    bool keyExists(plat::RootKey root, plat::RegView view, const std::string& subKey) override;
    bool valueExists(plat::RootKey root, plat::RegView view, const std::string& subKey,
                     const std::string& name) override;
    bool readString(plat::RootKey root, plat::RegView view, const std::string& subKey, const std::string& name,
                    std::string& value) override;
    bool subKeys(plat::RootKey root, plat::RegView view, const std::string& subKey,
                 std::vector<std::string>& names) override;
    bool valueNames(plat::RootKey root, plat::RegView view, const std::string& subKey,
                    std::vector<std::string>& names) override;
    bool setString(plat::RootKey root, plat::RegView view, const std::string& subKey, const std::string& name,
                   const std::string& value) override;
    bool setDword(plat::RootKey root, plat::RegView view, const std::string& subKey, const std::string& name,
                  std::uint32_t value) override;
    bool deleteValue(plat::RootKey root, plat::RegView view, const std::string& subKey,
                     const std::string& name) override;
    bool deleteKey(plat::RootKey root, plat::RegView view, const std::string& subKey) override;
    // -- shell (Shell.cpp)
    bool winExec(const std::string& commandLine, int showMode) override;
    bool execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override;
    void shellOpen(const std::string& address, int showMode) override;
    std::string programsFolder() override;
    std::string windowsFolder() override;
    std::string tempFolder() override;
    std::unique_ptr<plat::ShellLink> createShellLink() override;
    bool shellLinkTarget(const std::string& linkFile, std::string& target) override;
    // -- desktop (Win32Platform.cpp; createPeer in Peers.cpp)
    std::unique_ptr<plat::ControlPeer> createPeer(ui::Control& control) override;
    plat::Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
    void processMessages() override;
    void handleMessage() override;
    void waitMessages(std::uint32_t timeoutMs) override;
    TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
    void killTimer(TimerId id) override;
    bool startThread(std::function<void()> body, plat::Priority priority) override;
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
