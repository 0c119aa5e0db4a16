// What the feature tests of Setup.exe share: file helpers, the language
// files' own bytes, and a fixture that runs a copy of Setup.exe in a folder
// of its own and drives it through the patch.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/robot/Robot.h"
#include "tests/support/E2eOptions.h"
#include "tests/support/Gb2312Association.h"

namespace e2e {

// The folder of the program under test: the build puts the converted
// language files beside it.
std::string distFolder();

// The bytes of a file; throws robot::Failure when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// Names of the entries of a folder, "." and ".." left out.
std::vector<std::string> folderEntries(const std::string& folder);
// Every file below a folder by its path below it, with its bytes (a file of
// more than 64 MB by its size only), the files below `except` left out.
std::map<std::string, std::string> fileTree(const std::string& folder, const std::string& except = "");
// Deletes a folder with everything in it.
void removeTree(const std::string& path);

// One line of the stand-in discs' manifest (disc-e2e.sh): disc number and
// path below the disc; where the file lands (disc 1's "game" level dropped).
struct DiscFile {
    int disc;
    std::string path;
    std::string installedAs() const { return disc == 1 ? path.substr(5) : path; }
};
// The manifest named by --discs; throws robot::Failure without one.
std::vector<DiscFile> discManifest();

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The key of the entry whose InstallLocation is `folder` in the 32-bit view
// of the machine's list of installed programs, or "".
std::string uninstallEntryKey(const std::string& folder);

// A line of an install record as the program writes it: the CRC-32 of its
// fields joined by tabs, then the fields, then CR LF.
std::string recordLine(const std::vector<std::string>& fields);

// ANSI bytes of this process's code page to UTF-8.
std::string utf8FromAnsi(const std::string& ansi);
// What a control of this code page shows for bytes of another: the bytes
// through UTF-16 and back, as the program's SetWindowTextA and the robot's
// WM_GETTEXT take them.
std::string asShownHere(const std::string& bytes);

// A stand-in payload's bytes ("GB_", "KESTAL").
std::string payload(const std::string& group, const std::string& name);
// The notice payload as the main window's text box shows it: its lines
// joined by CRLF, without a line end after the last one.
std::string noticeAsShown(const std::string& bytes);

// A language file read as bytes, with nothing of Windows' profile reader:
// "[section]" lines and "key=value" lines.  Only what the shipped files use.
class LanguageFileBytes {
public:
    explicit LanguageFileBytes(const std::string& bytes);
    // The value's bytes; throws robot::Failure when the file lacks the key.
    std::string get(const std::string& section, const std::string& key) const;
    // The keys of a section as the file spells them, in file order.
    std::vector<std::string> keys(const std::string& section) const;

private:
    // (section, key) in lower case -> value
    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::vector<std::pair<std::string, std::string>> order_;  // (section in lower case, key)
};

// Names of the shipped language files.
extern const wchar_t kSimplified[];   // 简体中文
extern const wchar_t kTraditional[];  // 繁體中文
// A name in this process's code page.
std::string ansi(const std::wstring& text);
// The bytes of a language file that the build put beside the program.
std::string shippedLanguage(const std::wstring& name);

// The processes of this Wine session that run a program file of that name
// (any case), by id.
std::vector<DWORD> processesNamed(const std::string& fileName);

// The user's Start-menu Programs folder, as the shell gives it.
std::string programsFolder();

// A shortcut to check from Linux: copied into the artifacts folder under
// `snapshot` and listed with what it must hold.
void listShortcutForLinux(const std::string& link, const std::string& snapshot, const std::string& target,
                          const std::string& workingDirectory);

// What a console program (reg.exe, say) writes to its output and errors, run
// to its end (a minute at most).
std::string commandOutput(const std::string& commandLine);

// The folder picker (TForm3) of the process, once it is up: opens its tree
// down to `folder` and presses its Button1; throws when it stays up.
void pickInFolderPicker(const robot::Process& process, const std::string& folder);

// A copy of Setup.exe in a fresh folder of its own (%TEMP%\lunavire-e2e2-
// <pid>-<test>), so that only the files a test puts there lie beside it.
class SetupSession : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies a language file of the build beside the program.
    void addShippedLanguage(const std::wstring& name);
    // Starts the program and waits for its main window with its controls.
    void start();
    // Under code page 936, with the Simplified language file beside it:
    // start() and waitForStartLanguage() for the Simplified notice.
    void startSimplified936();
    // Waits for the one-second start timer's first tick, seen in the
    // language list or the main window's caption, and for the notice text
    // box to read `notice`.
    void waitForStartLanguage(const std::string& notice);
    // The selected item of ComboBox1, or "(nothing selected)".
    std::string selectedLanguage();
    // Chooses the item of ComboBox1 that reads `name` (bytes of this code page).
    void chooseLanguage(const std::string& name);

    HWND control(const char* name) { return robot::waitForControl(main_, name); }
    // One of the program's four windows, visible or not.
    HWND form(const char* className);

    // A new empty folder inside the test's folder.
    std::string makeFolder(const std::string& name);

    // Stand-in programs named Notepad.exe and RegEdit.exe beside the program,
    // where a start by bare name would find them before the system's own;
    // every start of a stand-in is logged from then on (call before start()).
    void plantImpostors();
    // The logged stand-in starts whose line mentions `tool` (any case).
    std::vector<std::string> impostorStarts(const std::string& tool);

    // Button3, OK on the notice that asks for the game folder (`askText`,
    // `askCaption`), then the folder picker: opens the tree down to `folder`
    // and presses its Button1.
    void pickGameFolder(const std::string& folder, const std::string& askText, const std::string& askCaption);

    std::string folder_;
    std::string exe_;
    robot::Process process_ = robot::Process();
    HWND main_ = nullptr;
};

}  // namespace e2e
