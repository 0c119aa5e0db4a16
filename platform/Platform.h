// The one seam between the installer and Windows.
//
// Everything the installer asks of the operating system goes through the
// Platform interface below; nothing above this layer includes a Windows
// header.  There are two implementations, chosen at link time by
// createPlatform(): platform/win32 (the real program) and platform/sim (a
// simulated Windows inside the test process).
//
// Strings are byte strings in the system's ANSI code page throughout.  Win32
// values that the installer's behaviour depends on (message-box styles, show
// modes, error codes, access masks, attributes) are spelled out here as the
// seam's own constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The component model's control, which a peer draws: the back ends read it
// (a declared exception to the layers' order, see docs/architecture.md); the
// seam only names it.
namespace ui {
class Control;
}  // namespace ui

namespace plat {

// ---------------------------------------------------------------- constants

// Message-box styles and results (MB_*, ID*).
namespace mb {
constexpr std::uint32_t Ok = 0x0, OkCancel = 0x1, AbortRetryIgnore = 0x2, YesNoCancel = 0x3, RetryCancel = 0x5;
constexpr std::uint32_t IconStop = 0x10, IconQuestion = 0x20, IconExclamation = 0x30,
                        IconInformation = 0x40;
constexpr std::uint32_t Topmost = 0x40000;
}  // namespace mb
enum class Answer : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Show modes (SW_*).
namespace sw {
constexpr int ShowNormal = 1, ShowNoActivate = 4, Show = 5;
}

// File attributes (FILE_ATTRIBUTE_* / fa*).
namespace attr {
constexpr std::uint32_t ReadOnly = 0x01, Hidden = 0x02, System = 0x04, VolumeId = 0x08,
                        Directory = 0x10, Archive = 0x20, Normal = 0x80;
// A junction, a symbolic link to a file or folder, or a mount point: what its
// entry names lies elsewhere.  Wine reports a Unix symbolic link so.
constexpr std::uint32_t ReparsePoint = 0x400;
constexpr std::uint32_t AnyFile = 0x3F;
}  // namespace attr

// System error codes that callers and tests name.
namespace err {
constexpr std::uint32_t FileNotFound = 2, PathNotFound = 3, AccessDenied = 5,
                        InvalidHandle = 6, NotSameDevice = 17, WriteProtect = 19, SharingViolation = 32,
                        HandleEof = 38, FileExists = 80, DiskFull = 112, InvalidName = 123, AlreadyExists = 183,
                        FileNameTooLong = 206, NoUnicodeTranslation = 1113;
}

// The longest path, in UTF-16 units, that the ANSI file calls take whole:
// MAX_PATH less its terminating zero.  Wine takes one unit more.
constexpr std::size_t kMaxPathUnits = 259;

// Registry roots and access masks.
enum class RootKey { LocalMachine, CurrentUser };
namespace access {
constexpr std::uint32_t Read = 0x20019;       // KEY_READ
constexpr std::uint32_t AllAccess = 0xF003F;  // KEY_ALL_ACCESS
}  // namespace access

// -- uninstall: what the registration and the removal of an installation need
namespace err {
constexpr std::uint32_t InvalidData = 13, DirNotEmpty = 145, DirectoryName = 267;  // the last: not a folder
}
// Where a registry key lies on 64-bit Windows: Wow32 is the view that a
// 32-bit program gets (KEY_WOW64_32KEY; HKLM\Software\X is then
// HKLM\Software\Wow6432Node\X of the other), Native the system's own
// (KEY_WOW64_64KEY), where its tools, RegEdit included, write.  On 32-bit
// Windows both are the one registry.
enum class RegView { Wow32, Native };
// -- end uninstall

// Thread priorities of the worker (TThreadPriority order).
enum class Priority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };
// What the error box says for a worker's exception that is not a std::exception.
constexpr const char kUnknownWorkerError[] = "A worker thread ended with an unknown error";

// ---------------------------------------------------------------- file system

// A file handle; 0 is "none".
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = 0;

// One directory entry as the system returns it.
struct FindData {
    std::string name;          // file name only, no folder
    std::uint32_t attributes;  // attr:: bits
    std::uint32_t sizeLow;
};

// An open directory search (FindFirstFile / FindNextFile / FindClose).
class DirSearch {
public:
    virtual ~DirSearch() = default;
    // Next entry after the first; false at the end or on error.
    virtual bool next(FindData& out) = 0;
};

// ---------------------------------------------------------------- resume, drives and run logs

// A file's size and last-write time as the file system keeps them.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME: 100-nanosecond units since 1601, UTC
};
constexpr std::uint64_t kFileTimeSecond = 10000000;

// GetDriveType's answers.
enum class DriveType { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

// The wall clock as the user has it set.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct WindowsVersion {
    unsigned major = 0, minor = 0, build = 0;
    std::string servicePack;  // "" without one
};

// ---------------------------------------------------------------- shell link

// One shell-link object (IShellLinkA + IPersistFile).  Results of the
// setters are not examined by callers.
class ShellLink {
public:
    virtual ~ShellLink() = default;
    virtual void setPath(const std::string& ansiPath) = 0;
    virtual void setWorkingDirectory(const std::string& ansiDir) = 0;
    // Converts the ANSI path to UTF-16 with the ANSI code page, then saves;
    // false when the file could not be written, the reason left for
    // lastError().
    virtual bool save(const std::string& ansiFile) = 0;
};

// ---------------------------------------------------------------- control peers

// The native side of one control or form.  The component model owns every
// property's value and pushes changes here only when the peer exists; a new
// peer replays the stored properties itself.  Every method defaults to doing
// nothing, so a back end overrides only what it draws.
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void textChanged() {}       // caption or text
    virtual void boundsChanged() {}
    virtual void visibleChanged() {}
    virtual void enabledChanged() {}
    virtual void fontChanged() {}
    virtual void itemsChanged() {}      // list contents (combo box, memo lines)
    virtual void itemIndexChanged() {}
    virtual void positionChanged() {}   // progress bar, gauge (gauge repaints at once)
    virtual void pageChanged() {}       // page control's active page
    // Forms only.
    virtual void beginModal() {}        // disable other windows, centre, show
    virtual void endModal() {}          // hide, re-enable what beginModal disabled
    virtual void show() {}              // a non-modal show (the main window)
    // The control's window is about to be shown: contents that are costly to
    // make (the shell's folders) may wait for this.
    virtual void formShowing() {}
    // Folder trees only: the selected folder's whole path, "X:\" for a drive
    // root, empty when nothing (or no file-system folder) is selected.  The
    // path may be longer than the file calls take; one that the ANSI code
    // page cannot spell raises base::Error instead.
    virtual std::string selectedPath() { return {}; }
    // Forms: the dots per inch of the monitor the window is on.
    virtual int dpi() { return 96; }
};

// ---------------------------------------------------------------- the seam

class Platform {
public:
    virtual ~Platform() = default;

    // -- program
    virtual void comInitialize() = 0;
    virtual std::string programPath() = 0;  // full path of the program file
    virtual unsigned ansiCodePage() = 0;
    virtual bool isDbcsLeadByte(unsigned char c) = 0;
    // True for the only running copy of the program.  A copy started while
    // another runs brings that one's main window to the front (the first
    // visible window of the given classes, in their order: the installer
    // and the uninstaller are one program with two main windows) and gets
    // false.
    virtual bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) = 0;
    // Notes a moment of the start-up for a trace of where its time goes
    // (kept only when the back end was asked for one).
    virtual void startupMark(const char* step) { (void)step; }

    // -- own resources: the bytes of resource (type, name) of the program
    // file, names matched without regard to case.  Returns false when
    // missing.  The bytes stay valid for the rest of the run.
    virtual bool ownResource(const std::string& type, const std::string& name,
                             const std::uint8_t*& data, std::size_t& size) = 0;

    // -- message box: modal, topmost, owned by the application.
    virtual Answer messageBox(const std::string& text, const std::string& caption,
                              std::uint32_t style) = 0;

    // -- message loop
    // Handle every waiting message, timer ticks and handed-over worker calls
    // included; return as soon as nothing waits.  Never blocks.
    virtual void processMessages() = 0;
    // Wait until something arrives, then handle it (one message and any
    // hand-overs).  Used by the event loop and by modal loops.
    virtual void handleMessage() = 0;
    // Wait until something arrives or timeoutMs pass, then handle whatever
    // waits, as processMessages does.  For loops that poll something outside
    // the program: the windows stay responsive and the processor is spared.
    virtual void waitMessages(std::uint32_t timeoutMs) = 0;

    // -- timers, ticking on the user-interface thread while messages are handled
    using TimerId = std::uintptr_t;
    virtual TimerId setTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
    virtual void killTimer(TimerId id) = 0;

    // -- worker threads
    // Start a thread running body at the given priority; it runs at once.
    // False, with the reason for lastError(), when no thread can be made;
    // body is then dropped without running.
    // An exception that escapes body ends the thread and is carried to the
    // user-interface thread: its next processMessages() or handleMessage()
    // shows it once through host().showError() (platform/Host.h), the box
    // an error that escapes a handler reaches.  The text is what() of a std::exception,
    // kUnknownWorkerError for anything else.  A handleMessage() that waits
    // wakes for it.
    virtual bool startThread(std::function<void()> body, Priority priority) = 0;
    // Called on a worker: run call on the user-interface thread the next time
    // it handles messages, and block until it has run there.  An exception
    // that escapes call never passes through the pump: it is thrown again
    // here, on the worker, once the call has ended.
    virtual void handOver(const std::function<void()>& call) = 0;

    // -- file system
    virtual bool fileExists(const std::string& path) = 0;    // false for a folder
    virtual bool folderExists(const std::string& path) = 0;  // false for a file
    // First entry matching pattern (a folder, a backslash and a wildcard);
    // nullptr when there is none.  Entries come in the file system's order,
    // "." and ".." included where the system lists them.
    virtual std::unique_ptr<DirSearch> findFirst(const std::string& pattern, FindData& first) = 0;
    virtual bool createFolder(const std::string& path) = 0;   // one level
    virtual bool deleteFile(const std::string& path) = 0;     // false while in use, protected or missing
    // Whether both paths name one existing file, however each is spelled
    // (case, short names, another drive mapped onto the same folder).  False
    // for a folder, a missing file or one whose identity cannot be read.
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
    // Moves the file from onto to in one step (MoveFileEx, replacing an
    // existing file): to is afterwards either what it was or the whole of
    // from.  Both on one drive.  False, with the code for lastError(), when
    // from is missing or open, or to is a folder, read-only or open elsewhere;
    // nothing has changed then.
    virtual bool moveReplacing(const std::string& from, const std::string& to) = 0;
    // Bytes that this user may still write on the drive that holds folder;
    // false when the system cannot tell.
    virtual bool freeSpace(const std::string& folder, std::uint64_t& bytes) = 0;
    // Whether the ANSI file calls take path whole: in UTF-16 it has at most
    // kMaxPathUnits units.  A longer one may fail in them (206).
    virtual bool pathFits(const std::string& path) = 0;

    // File handles; all opened without sharing.  A failing call returns
    // kNoFile / false and leaves its code for lastError().
    virtual FileHandle openRead(const std::string& path) = 0;     // must exist
    virtual FileHandle createNew(const std::string& path) = 0;    // fails (80) if it exists
    virtual FileHandle openWrite(const std::string& path) = 0;    // must exist, not truncated
    virtual FileHandle createAlways(const std::string& path) = 0; // create or truncate, read/write
    virtual bool readFile(FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    virtual bool writeFile(FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    virtual bool seekFromStart(FileHandle h, std::uint64_t position) = 0;
    virtual bool fileSize(FileHandle h, std::uint32_t& low) = 0;  // low 32 bits
    virtual void closeFile(FileHandle h) = 0;

    // The calling thread's last error code, and the system's text for a code
    // (empty when the system has none; keeps the system's trailing line break).
    virtual std::uint32_t lastError() = 0;
    virtual std::string errorText(std::uint32_t code) = 0;

    // -- registry: does value exist under root\subKey, the key opened with
    // the given access and never created?  A key that cannot be opened
    // (missing or refused) counts as absent.
    virtual bool registryValueExists(RootKey root, const std::string& subKey,
                                     const std::string& value, std::uint32_t access) = 0;

    // -- profile strings (GetPrivateProfileString, at most 2047 bytes)
    virtual std::string profileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& def) = 0;

    // -- programs and the shell
    // WinExec: false, with the reason for lastError(), when the program
    // could not be started.
    virtual bool winExec(const std::string& commandLine, int showMode) = 0;
    // Starts a command line and returns once the program has ended, handling
    // messages meanwhile, with the program's exit code.  False, with the
    // reason for lastError(), when it could not be started or its end could
    // not be waited for.
    virtual bool execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) = 0;
    virtual void shellOpen(const std::string& address, int showMode) = 0;
    // The Start menu's Programs folder, whole; empty when it cannot be
    // located.  One that the ANSI code page cannot spell raises base::Error.
    virtual std::string programsFolder() = 0;
    // The system's Windows folder, home of its own tools (Notepad, RegEdit).
    virtual std::string windowsFolder() = 0;
    // A new shell-link object; throws base::Error when it cannot be created or
    // lacks one of its interfaces.
    virtual std::unique_ptr<ShellLink> createShellLink() = 0;

    // -- windows: the peer that draws control and reports what the user did
    // to it.
    virtual std::unique_ptr<ControlPeer> createPeer(ui::Control& control) = 0;

    // -- resume, drives and run logs
    // The size and last-write time of a file; false, with the code for
    // lastError(), for a missing path or a folder (5).  Opens nothing: a file
    // another program holds is told all the same.
    virtual bool fileStamp(const std::string& path, FileStamp& out) = 0;
    // Sets a file's last-write time (the file systems keep it to their own
    // precision: FAT to two seconds).  Asks for the attributes only, so a
    // file open elsewhere takes it too.  False, with the code for
    // lastError(), when the file is missing or a folder, or on read-only
    // media.
    virtual bool setLastWriteTime(const std::string& path, std::uint64_t lastWrite) = 0;
    // The bytes of one allocation unit (cluster) of the drive that holds
    // folder: the least that a file of one byte takes there.
    virtual bool clusterSize(const std::string& folder, std::uint32_t& bytes) = 0;
    // The drives that exist: bit n for the letter 'A' + n (GetLogicalDrives).
    virtual std::uint32_t logicalDrives() = 0;
    // The kind of the drive of that letter; a mounted disc image is a CD-ROM.
    virtual DriveType driveType(char letter) = 0;
    // The user's temporary folder (GetTempPath), without a trailing backslash.
    virtual std::string tempFolder() = 0;
    virtual LocalTime localTime() = 0;
    virtual WindowsVersion windowsVersion() = 0;
    // ANSI bytes of the code page as UTF-8, so that a file of them reads the
    // same on any system.
    virtual std::string ansiToUtf8(const std::string& ansi) = 0;
    // -- uninstall: registration, the program's command line, removal
    // Registry keys and values in a view, each key opened with only the
    // rights the call needs.  A failing call returns false and leaves its
    // code for lastError(): 2 for a missing key or value, 5 when refused (a
    // user who may not write under HKEY_LOCAL_MACHINE).
    virtual bool registryKeyExists(RootKey root, RegView view, const std::string& subKey) = 0;
    // REG_SZ and REG_DWORD values; the key is created with its missing parents.
    virtual bool registrySetString(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                                   const std::string& value) = 0;
    virtual bool registrySetDword(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                                  std::uint32_t value) = 0;
    // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded), without its
    // terminating zero; another type fails with 13.
    virtual bool registryString(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                                std::string& value) = 0;
    virtual bool registryDeleteValue(RootKey root, RegView view, const std::string& subKey,
                                     const std::string& name) = 0;
    // Deletes a key that has no subkeys, with its values; a key with subkeys
    // is refused (5).
    virtual bool registryDeleteKey(RootKey root, RegView view, const std::string& subKey) = 0;
    // The names of a key's subkeys, and of its values ("" the default value).
    virtual bool registrySubKeys(RootKey root, RegView view, const std::string& subKey,
                                 std::vector<std::string>& names) = 0;
    virtual bool registryValueNames(RootKey root, RegView view, const std::string& subKey,
                                    std::vector<std::string>& names) = 0;
    // The program's command line as Windows hands it over, the program's own
    // path first (quoted or not, as its starter wrote it).
    virtual std::string commandLine() = 0;
    // Removes an empty folder: 145 when it holds anything, 267 for a file.
    virtual bool removeFolder(const std::string& path) = 0;
    // The file (or empty folder) goes when Windows next starts; only an
    // administrator may ask for that (5 otherwise).
    virtual bool deleteAtRestart(const std::string& path) = 0;
    // Copies from into a new file to, with normal attributes whatever from's
    // are: 80 when to exists; a copy that fails leaves no file to.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // Sets a file's or folder's attributes (attr:: bits; Normal alone clears
    // them), as SetFileAttributes does: a link's own, never its target's.
    virtual bool setFileAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // The path a shell link (.lnk) points at, as its ANSI path; false, with
    // the code for lastError(), when the file is missing or no shell link.
    virtual bool shellLinkTarget(const std::string& linkFile, std::string& target) = 0;
    // Makes the folder this program's current folder.  A program's current
    // folder cannot be removed (32) while it is current, so a program that
    // removes the folder it was started in moves elsewhere first.  2 when
    // the folder does not exist.
    virtual bool setCurrentFolder(const std::string& path) = 0;
    // -- end uninstall
};

// The command-line start of one of the system's own tools: its full path in
// the Windows folder, quoted, never a bare name that the program's own or the
// current folder could answer.
std::string systemTool(const std::string& fileName);

// The process's platform, made once by the linked back end.
std::unique_ptr<Platform> createPlatform();

// The platform in force; set by the program entry or by a test fixture.
Platform& platform();
void setPlatform(Platform* p);

}  // namespace plat
