// A simulated Windows inside the test process.
//
//   sim::SimPlatform s;            // installs nothing globally
//   sim::Installed on(s, ui::app());  // s in force, the application as the host, restarted;
//                                     // undone at scope end
//   s.setFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
//
// Everything except handOver() and the worker counters is for
// the user-interface thread, the thread that constructed the SimPlatform.
//
// Behaviour follows Wine 8 (zh_CN, code page 936) where the two were
// compared: error codes of the file calls, error texts, profile reading,
// wildcard and short-name matching, the path length the ANSI file calls take
// (260 UTF-16 units; longer fails with 206).  Known differences: listings come in
// creation order unless setSortedOrder() (Wine sorts); the read-only
// attribute refuses writing (Wine running as root ignores it); a write onto a
// full drive fails with 112 as Windows does (Wine's write falls short and
// succeeds; failWriteAt with code 0 gives that); a file with a NUL byte is
// not sniffed for UTF-16 as Wine sometimes does.  Links are as Windows has
// them: Wine 8 reports a Unix symbolic link to a file without ReparsePoint,
// and its DeleteFile and RemoveDirectory act on the target, not the link
// (the file goes; a folder with files is refused with 145, an empty one
// goes), leaving the link behind.
//
// Paths: "C:\a\b"; doubled backslashes count as one; "\x" and "x" are
// relative to the root of the current drive (C unless changed); "X:" alone is
// the root of X; "." and ".." components are resolved; trailing dots and
// blanks of a name are dropped.  A lead byte of the code page takes the next
// byte with it (a trail byte 0x5C is not a separator, a trail byte 'a' is not
// folded).  File names are compared as Wine compares them: decoded to Unicode
// and upper-cased (so full-width letters fold too); profile, registry and
// resource names fold ASCII letters only.
//
// Failures: an unanswered message box, a modal loop that can no longer make
// progress (no script, no worker, no timer, no posted action and the form not
// closed), a pump spinning without progress and virtual time running away
// each call the failure handler and then throw sim::Stuck.  Stuck is NOT
// derived from std::exception, so ui::dispatch() lets it through to the test
// instead of showing it in an error box.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/Platform.h"

namespace ui {
class Control;
class Form;
enum class Key;
class Gauge;
class ShellTreeView;
}  // namespace ui

namespace sim {

// Thrown after the failure handler ran; deliberately not a std::exception.
struct Stuck {
    std::string message;
};

// Thrown by handOver() on a worker once the simulation is shutting down, so
// that a worker whose loop never ends unwinds; the sim's thread wrapper
// catches it.  Not a std::exception either.
struct Stopped {};

constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

struct BoxRecord {
    std::string text, caption;
    std::uint32_t style = 0;
    plat::Answer answer = plat::Answer::Ok;  // what the script answered
};

struct ExecRecord {
    std::string commandLine;
    int showMode = 0;
    bool waited = false;  // started by execAndWait: the program had ended when it returned
};

struct OpenRecord {
    std::string address;
    int showMode = 0;
};

struct LinkRecord {
    std::string file, path, workingDirectory;
    bool saved = false;  // false when the file could not be written (e.g. missing folder)
};

// Peer calls recorded per control, in order.
enum class PeerEvent {
    Created, Text, Bounds, Visible, Enabled, Font, Items, ItemIndex, Position, Page,
    BeginModal, EndModal, Show
};

class SimPlatform : public plat::Platform {
public:
    SimPlatform();
    ~SimPlatform() override;
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    // ------------------------------------------------------------ drives
    // Drive C exists from the start.  Adding an existing drive only changes
    // its media flag.
    void addDrive(char letter, bool readOnlyMedia = false);
    void setReadOnlyMedia(char letter, bool readOnly);
    void setCurrentDrive(char letter);
    // Total bytes that file contents on the drive may hold; a write beyond it
    // writes what fits and fails with ERROR_DISK_FULL (112).  0 = unlimited.
    void setDriveCapacity(char letter, std::uint64_t bytes);
    // Directory order: entries are listed in the order they were made, "."
    // and ".." first in folders below the root (FAT's order, so tests can
    // build any order).  A drive set to sorted order (before it has entries)
    // lists them sorted by their upper-cased Unicode names, as Wine and NTFS do.
    void setSortedOrder(char letter, bool sorted = true);
    // What driveType() answers for the drive (Fixed unless set; CdRom for a
    // CD drive or a mounted disc image), and its allocation unit (4096 unless
    // set; only told, the drive's capacity counts bytes).
    void setDriveType(char letter, plat::DriveType type);
    void setClusterSize(char letter, std::uint32_t bytes);

    // ------------------------------------------------------------ files, bypassing the seam
    // These ignore media, attributes, sharing and faults.  Misuse (a missing
    // drive, a file where a folder is needed) throws std::logic_error.
    // Paths through a link reach its target, here as through the seam.
    void writeFile(const std::string& path, const std::string& bytes,
                   std::uint32_t attributes = plat::attr::Archive);  // creates parents
    void makeFolder(const std::string& path);                        // with parents
    std::optional<std::string> readFile(const std::string& path) const;
    bool exists(const std::string& path) const;              // file, folder or link
    // A link's own, as the seam reports them.
    std::uint32_t attributes(const std::string& path) const;  // kInvalidAttributes when missing
    void setAttributes(const std::string& path, std::uint32_t attributes);  // keeps the folder bit
    bool remove(const std::string& path);                     // a file, a whole folder or a link
    std::vector<std::string> listNames(const std::string& folder) const;  // directory order, no "." ".."
    // Links, as a symbolic link or a junction on Windows: an entry of its own
    // (parents made) with ReparsePoint among its attributes, Directory too
    // for a folder link, and the existing target's very contents: what is
    // done through the link is done to the target.  Deleting a file link or
    // removing a folder link (empty target or not) takes the link alone.
    // It takes no room on its drive.  Once the target is gone, paths through
    // the link find nothing.
    void linkFolder(const std::string& path, const std::string& targetFolder);
    // A file link as Windows has it, or as Wine 8 lists a Unix symbolic link
    // to a file: a plain file (no ReparsePoint) whose DeleteFile takes the
    // target and leaves the link; only its final path tells (finalPath()).
    enum class FileLink { Windows, WineUnix };
    void linkFile(const std::string& path, const std::string& targetFile, FileLink kind = FileLink::Windows);
    // The short name Wine shows for the last name of an existing path (the
    // name itself when it is 8.3 already), by which it opens it too.
    std::string shortNameOf(const std::string& path) const;
    // Another process holds the file open without sharing.
    void lockFile(const std::string& path);
    void unlockFile(const std::string& path);
    std::size_t openHandles() const;  // handles opened through the seam and not closed
    // A file's last-write time (FILETIME units).  Every write through the
    // seam or writeFile() stamps the virtual time, three seconds later for
    // each write before; moves keep it.
    std::uint64_t fileTime(const std::string& path) const;
    void setFileTime(const std::string& path, std::uint64_t lastWrite);

    // ------------------------------------------------------------ faults (persist until cleared)
    // A read that asks for the byte at byteOffset or later fails, reading nothing.
    void failReadAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code);
    // A write that reaches byteOffset writes up to it, then fails.
    void failWriteAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code);
    void failCreateFolder(const std::string& path, std::uint32_t code);
    void failDelete(const std::string& path, std::uint32_t code);
    void failCreate(const std::string& path, std::uint32_t code);  // createNew, createAlways
    void failOpen(const std::string& path, std::uint32_t code);    // openRead, openWrite
    void failSize(const std::string& path, std::uint32_t code);
    void failSeek(const std::string& path, std::uint32_t code);
    void failMove(const std::string& to, std::uint32_t code);  // moveReplacing onto `to`
    void clearFaults();

    // ------------------------------------------------------------ registry
    // Creates the key (and its parents) and the value.  Key names are
    // case-insensitive; "" is the key's default value.
    // The key path as spelled, as the native view sees it (HKLM\Software
    // of the 32-bit view lies below its Wow6432Node).
    void setRegistryValue(plat::RootKey root, const std::string& subKey, const std::string& valueName);
    void removeRegistryKey(plat::RootKey root, const std::string& subKey);  // with its subkeys
    // Writing or deleting this key or one below it fails (5), as for a
    // non-administrator under HKEY_LOCAL_MACHINE; reading goes on.  "" = the root.
    void denyWriteAccess(plat::RootKey root, const std::string& subKey);

    // ------------------------------------------------------------ resources and program
    void setResource(const std::string& type, const std::string& name, const std::string& bytes);
    void removeResource(const std::string& type, const std::string& name);
    void setProgramPath(const std::string& path);  // default "C:\Setup.exe" (no file is made)
    void setCodePage(unsigned codePage);           // 936 (default) or 950
    void setDpi(int dpi);                          // of every window made from then on; default 96
    // Another copy of the program runs: claimFirstInstance() then brings it
    // to the front (counted) and answers false.
    void setOtherInstanceRunning(bool running);
    int otherInstanceBroughtToFront() const;
    // The main window classes the last claimFirstInstance() would look for, in order.
    const std::vector<std::string>& instanceWindowClasses() const;
    int comInitialized() const;                    // how often comInitialize() ran

    // ------------------------------------------------------------ message boxes
    // Queued answers are used first, then the handler.  An answer that the
    // box's buttons cannot give is a failure; so is a box with no answer.
    // The handler runs while the "box is up" and may act (click, pump ...).
    void answerBoxes(const std::vector<plat::Answer>& answers);
    void onBox(std::function<plat::Answer(const BoxRecord&)> handler);
    const std::vector<BoxRecord>& boxes() const;
    std::size_t pendingAnswers() const;

    // ------------------------------------------------------------ modal windows
    // Runs the script once each time a form of that class begins its modal
    // loop, from the first handleMessage() inside ui::Form::ShowModal.  The
    // form needs its windows (createWindows()) for the sim to see it begin.
    void onModal(const std::string& className, std::function<void(ui::Form&)> script);
    const std::vector<std::string>& modals() const;  // class names, in the order they began

    // ------------------------------------------------------------ peers
    // What ShellTreeView::path() then returns; "" = nothing selected, or a
    // folder outside the file system (My Computer).  The tree reports the
    // change (OnChange), as the native tree does.  The tree needs its peer; a
    // non-empty path must be an existing folder.
    void setTreeSelection(ui::ShellTreeView& tree, const std::string& path);
    // The gauge's percentDone() at each repaint caused by a change of its
    // shown percentage (the first paint of the window is not recorded).
    std::vector<int> gaugePaints(const ui::Gauge& gauge) const;
    std::vector<PeerEvent> peerEvents(const ui::Control& control) const;

    // ------------------------------------------------------------ keyboard
    // A key pressed in a window, as the player presses it with the window
    // active: what ui/Keyboard.h gives it, and Space on a focused button
    // presses it, as the native button does.  Nothing while the window takes
    // no input.  A window gives the focus to the first control of its tab
    // order when it is shown.
    void pressKey(ui::Form& form, ui::Key key, bool shift = false);
    // The window's focused control; nullptr when none is.  A focused control
    // that is hidden or disabled (or lies in a part that is) loses the focus,
    // as in Windows: the player's Tab gives it to a control again.
    ui::Control* focusOf(const ui::Form& form) const;

    // ------------------------------------------------------------ virtual time and pumping
    std::uint64_t now() const;  // virtual milliseconds since construction
    // Moves time forward by ms, firing each due timer at its due time, in
    // order, and running hand-overs and posted actions in between.
    void advance(std::uint64_t ms);
    // Runs until nothing is pending and no timer is armed, or limitMs of
    // virtual time have passed; true when it went idle.
    bool runUntilIdle(std::uint64_t limitMs = 60 * 60 * 1000);
    // An action to run in the next pump (processMessages, handleMessage,
    // advance), as a posted message would.
    void post(std::function<void()> action);
    // Called at the start of every processMessages() and handleMessage().
    void onPump(std::function<void()> hook);
    std::size_t armedTimers() const;
    // processMessages() calls in a row that found nothing to do, with no
    // worker alive, before the pump counts as stuck.  Default 1,000,000.
    void setSpinLimit(std::uint64_t calls);
    // Virtual time that handleMessage() may skip on its own between two test
    // calls of advance()/runUntilIdle() before it counts as stuck.  Default 1 h.
    void setIdleTimeLimit(std::uint64_t ms);

    // ------------------------------------------------------------ programs, shell, links
    // Programs started by winExec or execAndWait, in order.  The hook runs at
    // each start (for execAndWait, as the whole life of the program).
    const std::vector<ExecRecord>& execs() const;
    void onExec(std::function<void(const std::string& commandLine)> hook);
    // This command line cannot be started: the start fails with code and is
    // not recorded.  0 takes the failure away again.
    void failExec(const std::string& commandLine, std::uint32_t code);
    // What execAndWait gives as this command line's exit code (0 otherwise).
    void setExitCode(const std::string& commandLine, std::uint32_t code);
    const std::vector<OpenRecord>& opened() const;
    const std::vector<LinkRecord>& links() const;
    void failShellLinkCreation(bool fail);
    void setProgramsFolder(const std::string& path);  // "" = cannot be located; created otherwise
    void setWindowsFolder(const std::string& path);   // default "C:\\WINDOWS"

    // ------------------------------------------------------------ registry in views, command line, restarts
    // The values' data as stored, seen from a view; nullopt when missing or
    // of another type.
    std::optional<std::string> registryText(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                            const std::string& name) const;
    std::optional<std::uint32_t> registryDword(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                               const std::string& name) const;
    // What commandLine() gives; by default the program path, quoted.
    void setCommandLine(const std::string& line);
    // Paths that deleteAtRestart() took, in order; with deny, it refuses
    // (5) as for a user who is not an administrator.
    const std::vector<std::string>& restartDeletes() const;
    void denyRestartDeletes(bool deny);
    // The folder tempFolder() gives (made); default C:\Temp.
    void setTempFolder(const std::string& path);

    // ------------------------------------------------------------ worker threads
    std::size_t liveWorkers() const;
    // The next `count` startThread calls fail with code, as when the system
    // has no room for another thread.
    void failThreadStarts(std::size_t count, std::uint32_t code);
    std::size_t pendingHandOvers() const;  // queued, not yet run
    std::uint64_t handOversRun() const;
    // Whether the user-interface thread is blocked in the loop, waiting for
    // a worker to hand something over or end.
    bool uiWaitingForWorker() const;
    // Whether an exception that ended a worker waits for the next pump.
    bool workerErrorWaiting() const;
    // Releases every worker blocked in handOver without running its call and
    // joins all workers; later handOver calls throw Stopped.  A worker blocked
    // on anything else must end by itself.  Done by Installed's and the sim's
    // destructors.
    void stopWorkers();

    // ------------------------------------------------------------ failures
    // Called before Stuck is thrown; defaults to printing to stderr.
    void setFailureHandler(std::function<void(const std::string&)> handler);

    // ------------------------------------------------------------ the slices
    // -- program (SimProgram.cpp).  The local time is the virtual clock from
    // 2026-01-01 00:00:00; the version is Windows XP's, Service Pack 3.
    void comInitialize() override;
    std::string programPath() override;
    std::string commandLine() override;
    std::uint32_t processId() override;
    plat::SysError setCurrentFolder(const std::string& path) override;
    unsigned ansiCodePage() override;
    bool isDbcsLeadByte(unsigned char c) override;
    std::string ansiToUtf8(const std::string& ansi) override;
    bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) override;
    plat::SysError ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                     std::size_t& size) override;
    std::string errorText(std::uint32_t code) override;
    plat::LocalTime localTime() override;
    plat::WindowsVersion windowsVersion() override;
    // -- files (SimFileSeam.cpp)
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
    // -- drives (SimDrives.cpp)
    std::uint32_t logicalDrives() override;
    plat::DriveType driveType(char letter) override;
    plat::SysError freeSpace(const plat::Path& folder, std::uint64_t& bytes) override;
    plat::SysError clusterSize(const plat::Path& folder, std::uint32_t& bytes) override;
    // -- registry (SimRegistry.cpp)
    bool keyExists(const plat::RegKey& key) override;
    bool valueExists(const plat::RegKey& key, const std::string& name) override;
    plat::SysError readString(const plat::RegKey& key, const std::string& name, std::string& value) override;
    plat::SysError subKeys(const plat::RegKey& key, std::vector<std::string>& names) override;
    plat::SysError valueNames(const plat::RegKey& key, std::vector<std::string>& names) override;
    plat::SysError setString(const plat::RegKey& key, const std::string& name, const std::string& value) override;
    plat::SysError setDword(const plat::RegKey& key, const std::string& name, std::uint32_t value) override;
    plat::SysError deleteValue(const plat::RegKey& key, const std::string& name) override;
    plat::SysError deleteKey(const plat::RegKey& key) override;
    // -- shell (SimShell.cpp)
    plat::SysError winExec(const std::string& commandLine, int showMode) override;
    plat::SysError execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override;
    void shellOpen(const std::string& address, int showMode) override;
    std::string programsFolder() override;
    std::string windowsFolder() override;
    std::string tempFolder() override;
    std::unique_ptr<plat::ShellLink> createShellLink() override;
    plat::SysError shellLinkTarget(const plat::Path& linkFile, std::string& target) override;
    // -- desktop (SimLoop.cpp; boxes and peers in SimUser.cpp)
    std::unique_ptr<plat::ControlPeer> createPeer(ui::Control& control) override;
    plat::Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
    void processMessages() override;
    void handleMessage() override;
    void waitMessages(std::uint32_t timeoutMs) override;
    TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
    void killTimer(TimerId id) override;
    plat::SysError startThread(std::function<void()> body, plat::Priority priority) override;
    void handOver(const std::function<void()>& call) override;

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

// Puts a SimPlatform in force for a scope, with the application's host
// (plat::Host) restarted, or none for a test of the seam alone; on leaving,
// stops the sim's workers, then clears the platform and restarts the host
// again.  Declare forms after it.
class Installed {
public:
    explicit Installed(SimPlatform& s, std::function<void(const std::string&)> failureHandler = nullptr);
    Installed(SimPlatform& s, plat::Host& host, std::function<void(const std::string&)> failureHandler = nullptr);
    ~Installed();
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    Installed(SimPlatform& s, plat::Host* host, std::function<void(const std::string&)> failureHandler);
    SimPlatform& s_;
    plat::PlatformInForce platform_;
    std::optional<base::InForce<plat::Host>> host_;
};

}  // namespace sim
