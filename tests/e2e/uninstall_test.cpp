// The uninstaller end to end under Wine: the game installed from the three
// stand-in discs (drives D:, E:, F:, laid out by disc-e2e.sh) into a folder
// with a Chinese name, patched, then taken away again by the command that
// Windows' list of programs holds, started as Windows starts it: first the
// patch alone (the discs' files must come back byte for byte), then the
// whole game (only the player's own file and the saves stay, and the entry
// leaves the list).  File lists, the entry as `reg query` shows it and
// screenshots of the question and the reports go to the artifacts.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/PatchSession.h"
#include "tests/support/WineUnix.h"

namespace e2e {
namespace {

using namespace robot;

constexpr DWORD kCopyTimeout = 120000;

// The lists for the report: one path and size a line, in UTF-8.
void keepList(const std::string& name, const std::map<std::string, std::string>& files) {
    std::ofstream out(artifactPath(name), std::ios::binary);
    for (const auto& [path, bytes] : files) out << utf8FromAnsi(path) << "\t" << bytes.size() << "\n";
}
// The SHA-256 of every file below a folder, as Unix's sha256sum tells it
// (links as links), for the report.
void keepSha256(const std::string& name, const std::string& folder) {
    const std::string out = w32test::unixName(artifactPath(name)), part = out + ".part";
    const std::string done = artifactPath(name);
    DeleteFileA(done.c_str());
    w32test::runUnix("/bin/sh", {"-c", "cd '" + w32test::unixName(folder) +
                                           "' && find . -type f -print0 | sort -z | xargs -0 -r sha256sum > '" + part +
                                           "' && mv '" + part + "' '" + out + "'"},
                     [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
}
std::vector<std::string> names(const std::map<std::string, std::string>& files) {
    std::vector<std::string> n;
    for (const auto& f : files) n.push_back(escaped(f.first));
    return n;
}

class DiscsUninstall936 : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        temp_ = temp;
        parent_ = temp_ + "lunavire-uninstall-" + std::to_string(GetCurrentProcessId());
        removeTree(parent_);
        ASSERT_TRUE(CreateDirectoryA(parent_.c_str(), nullptr));
        // 乗 (81 5C in GBK) ends a folder name with a byte that is a backslash elsewhere.
        install_ = parent_ + "\\" + ansi(L"月之游戏乗") + "\\Lunavire";
        texts_ = std::make_unique<LanguageFileBytes>(shippedLanguage(kSimplified));
    }
    void TearDown() override {
        if (process_.running()) process_.terminate();
        closeReadmeNotepads();
        removeTree(parent_);
        // The uninstaller's temporary copies, which Windows would take at its next start.
        for (const std::string& name : folderEntries(temp_))
            if (name.rfind("LunavireUninstall", 0) == 0) removeTree(temp_ + name);
        if (!key_.empty()) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + key_).c_str(),
                                           KEY_WOW64_32KEY, 0);
    }
    std::string msg(const std::string& key) const { return texts_->get("msgs", key); }
    std::string msg(int i) const { return msg("msgs" + std::to_string(i)); }

    Box expectBox(const std::string& text, int button, const char* shot = nullptr, bool prefix = false) {
        Box b = waitForMessageBox(process_, kCopyTimeout);
        if (prefix)
            EXPECT_EQ(escaped(b.text.substr(0, text.size())), escaped(text)) << escaped(b.text);
        else
            EXPECT_EQ(escaped(b.text), escaped(text));
        if (shot) {
            settle(b.window);
            saveScreenshot(b.window, artifactPath(std::string(shot) + ".bmp"));
        }
        pressButton(b, button);
        return b;
    }
    void locate(const std::string& folder) { pickInFolderPicker(process_, folder); }

    // Installs from the discs, then patches (unless told not to); the program ends.
    void installAndPatch(bool patch = true) {
        process_ = Process::start("D:\\Setup.exe");
        HWND main = waitForWindow(process_, "TForm1");
        waitForText(main, texts_->get("window1", "title"), kStartLanguageTimeout);
        click(waitForControl(main, "Button1"));
        HWND disc = waitForWindow(process_, "TForm2");
        SendMessageA(waitForControl(disc, "Edit2"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(install_.c_str()));
        ASSERT_TRUE(CreateDirectoryA(folderOf(install_).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        click(waitForControl(disc, "Button1"));
        // Discs 2 and 3 are in the CD drives E: and F:, where Retry finds them.
        expectBox(msg(5), IDRETRY);
        expectBox(msg(11), IDRETRY);
        expectBox(msg(12), IDOK);
        ASSERT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(disc); }));
        discs_ = fileTree(install_, "Uninstall");
        if (!patch) {
            closeWindow(main);
            EXPECT_EQ(process_.waitForExit(), 0u);
            return;
        }

        click(waitForControl(main, "Button3"));
        expectBox(msg(15), IDOK);
        locate(install_);
        expectBox(msg(17), IDOK);
        ASSERT_TRUE(waitUntil(kActionTimeout, [] { return !readmeNotepads().empty(); })) << "the readme opens";
        closeReadmeNotepads();
        closeWindow(main);
        EXPECT_EQ(process_.waitForExit(), 0u);
    }

    // The entry of the install folder in the 32-bit view of the machine's list.
    std::string entryKey() { return uninstallEntryKey(install_); }
    std::string entryValue(const char* name) {
        char value[MAX_PATH * 2];
        DWORD bytes = sizeof value;
        const std::string key = std::string(kUninstallKey) + "\\" + key_;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value,
                         &bytes) != ERROR_SUCCESS)
            return "";
        return value;
    }
    void keepRegQuery(const std::string& name) {
        std::ofstream out(artifactPath(name), std::ios::binary);
        for (const char* view : {"/reg:32", "/reg:64"})
            out << view << "\n"
                << utf8FromAnsi(commandOutput("reg.exe query \"HKLM\\" + std::string(kUninstallKey) + "\\" + key_ + "\" " + view));
    }

    // Starts the command as Windows' list does, and waits for the window
    // of the copy it hands over to.
    HWND startUninstaller(const std::string& command) {
        ASSERT_EQ_OR_THROW(command.front(), '"');
        const std::size_t close = command.find('"', 1);
        Process installed = Process::start(command.substr(1, close - 1), command.substr(close + 2));
        EXPECT_EQ(installed.waitForExit(), 0u) << "the installed uninstaller hands over and ends";
        HWND window = nullptr;
        if (!waitUntil(kStartTimeout, [&] {
                auto w = visibleWindowsOfClass("TForm5");
                window = w.empty() ? nullptr : w.front();
                return window != nullptr;
            }))
            throw Failure("no uninstall window");
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = Process::attach(pid);
        return window;
    }
    // The whole game by the uninstaller in `folder`, the saves by `saves`;
    // the report begins with `report`.
    void removeWholeGame(const std::string& folder, int saves, const std::string& report, const char* shot) {
        HWND question = startUninstaller("\"" + folder + "\\Uninstall\\Uninstall.exe\" /uninstall");
        click(waitForControl(question, "Button2"));
        expectBox(msg("UninstallSaves"), saves);
        expectBox(report, IDOK, shot, true);
        EXPECT_EQ(process_.waitForExit(), 0u);
    }
    static void ASSERT_EQ_OR_THROW(char a, char b) {
        if (a != b) throw Failure("the uninstall command does not start with a quoted program");
    }

    std::string temp_, parent_, install_, key_;
    std::map<std::string, std::string> discs_;
    std::unique_ptr<LanguageFileBytes> texts_;
    Process process_;
};

TEST_F(DiscsUninstall936, ThePatchThenTheGameGoByTheRegisteredCommand) {
    Gb2312Association gb2312(true);
    installAndPatch();
    key_ = entryKey();
    ASSERT_FALSE(key_.empty()) << "the installation is in the list";
    keepRegQuery("uninstall-reg-after-install.txt");
    const std::string command = entryValue("UninstallString");
    EXPECT_EQ(escaped(command), escaped("\"" + install_ + "\\Uninstall\\Uninstall.exe\" /uninstall"));
    const std::string own = ansi(L"我的笔记.txt");
    writeFile(install_ + "\\" + own, "mine");
    const auto patched = fileTree(install_, "Uninstall");
    keepList("uninstall-files-patched.txt", patched);
    EXPECT_NE(patched.at("game01.dat"), discs_.at("game01.dat")) << "the patch replaced it";

    EXPECT_EQ(escaped(entryValue("ModifyPath")), escaped(command)) << "the list's Change opens the same window";

    // A patched file with a byte flipped: the window's repair puts it back
    // from its payload and says so; then the choices are there again.
    writeFile(install_ + "\\KESTAL.exe", "spoilt");
    HWND question = startUninstaller(command);
    EXPECT_EQ(escaped(textOf(waitForControl(question, "Label1"))), escaped(msg("UninstallQuestion")));
    settle(question);
    saveScreenshot(question, artifactPath("uninstall-question.bmp"));
    click(waitForControl(question, "Button5"));
    expectBox(msg("FilesRepaired") + "\r\n" + install_ + "\\KESTAL.exe", IDOK, "repair-report");
    EXPECT_TRUE(fileTree(install_, "Uninstall") == patched) << "as the patch wrote it";

    // The patch alone: the discs' files come back, the patch's own go.
    click(waitForControl(question, "Button1"));
    expectBox(msg("UninstallPatchDone"), IDOK, "uninstall-patch-report", true);
    EXPECT_EQ(process_.waitForExit(), 0u);
    auto expected = discs_;
    expected[own] = "mine";
    expected["patch.log"] = patched.at("patch.log");  // the patch's story stays with the game
    const auto restored = fileTree(install_, "Uninstall");
    keepList("uninstall-files-after-patch-removal.txt", restored);
    EXPECT_EQ(names(restored), names(expected));
    EXPECT_TRUE(restored == expected) << "byte for byte";
    EXPECT_FALSE(fileExists(programsFolder() + "\\Lunavire\\readme.lnk"));

    // The whole game, the saves kept.
    question = startUninstaller(entryValue("UninstallString"));
    click(waitForControl(question, "Button2"));
    Box saves = waitForMessageBox(process_);
    EXPECT_EQ(escaped(saves.text), escaped(msg("UninstallSaves")));
    EXPECT_EQ(boxButtons(saves), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    settle(saves.window);
    saveScreenshot(saves.window, artifactPath("uninstall-saves-question.bmp"));
    pressButton(saves, IDNO);
    expectBox(msg("UninstallGameDone"), IDOK, "uninstall-game-report", true);
    EXPECT_EQ(process_.waitForExit(), 0u);
    const auto left = fileTree(install_);
    keepList("uninstall-files-after-game-removal.txt", left);
    std::map<std::string, std::string> stays = {{own, "mine"}};
    for (const auto& [path, bytes] : discs_)
        if (path.rfind("save\\", 0) == 0) stays[path] = bytes;
    EXPECT_EQ(names(left), names(stays));
    EXPECT_TRUE(left == stays);
    EXPECT_EQ(entryKey(), "") << "the entry left the list";
    keepRegQuery("uninstall-reg-after-removal.txt");
    EXPECT_FALSE(fileExists(programsFolder() + "\\Lunavire\\Lunavire.lnk"));
}

// Records that the uninstaller must not act on: it says why, removes
// nothing and ends with exit code 1.  (A record damaged in a later line, or
// naming what lies outside the game folder, is acted on as far as it reads:
// the simulation's tests show it.)
TEST_F(DiscsUninstall936, ARecordThatIsNoRecordOrMissingRemovesNothing) {
    Gb2312Association gb2312(true);
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string systemFile = std::string(windows) + "\\lunavire-e2e-" + std::to_string(GetCurrentProcessId());
    writeFile(systemFile, "the system's");
    ASSERT_TRUE(CreateDirectoryA(folderOf(install_).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(install_.c_str(), nullptr));
    writeFile(install_ + "\\Vandry.exe", "game");
    const std::string head = recordLine({"LUNAVIRE-RECORD", "1", "936"}) + recordLine({"folder", install_}) +
                             recordLine({"file", install_ + "\\Vandry.exe"});
    std::string damaged = head;
    damaged[12] ^= 1;  // in the header: no record at all
    struct Row {
        const char* name;
        std::string record;  // empty: none
        const char* says;
    } rows[] = {
        {"damaged", damaged + recordLine({"file", systemFile}), "RecordDamaged"},
        {"missing", "", "RecordMissing"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        removeTree(install_ + "\\Uninstall");
        if (!r.record.empty()) {
            CreateDirectoryA((install_ + "\\Uninstall").c_str(), nullptr);
            writeFile(install_ + "\\Uninstall\\Uninstall.dat", r.record);
        }
        const auto before = fileTree(install_);
        process_ = Process::start(options().exe, "/uninstall \"" + install_ + "\"");
        expectBox(msg(r.says), IDOK, ("uninstall-refused-" + std::string(r.name)).c_str(), true);
        EXPECT_EQ(process_.waitForExit(), 1u);
        EXPECT_TRUE(fileTree(install_) == before) << "nothing removed";
        EXPECT_EQ(readFile(systemFile), "the system's");
    }
    DeleteFileA(systemFile.c_str());
}

// A player who keeps several games' saves in one folder elsewhere and links
// it in as the game's save folder (a Unix symbolic link in the prefix, which
// Wine lists as a reparse point): removing the game with the saves leaves
// the link and everything behind it byte for byte.
TEST_F(DiscsUninstall936, ALinkedSaveFolderStaysWithEverythingBehindIt) {
    Gb2312Association gb2312(true);
    installAndPatch(false);
    key_ = entryKey();
    const std::string saves = parent_ + "\\" + ansi(L"所有存档");
    ASSERT_TRUE(CreateDirectoryA(saves.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((saves + "\\OtherGame").c_str(), nullptr));
    writeFile(saves + "\\OtherGame\\o.sav", "another game's save");
    writeFile(saves + "\\slot1.dat", "a save of this game, kept elsewhere");
    writeFile(saves + "\\" + ansi(L"笔记.txt"), "the player's notes");
    const auto behind = fileTree(saves);
    keepSha256("uninstall-linked-saves-before.txt", saves);
    w32test::unixRemoveTree(install_ + "\\save");
    w32test::unixLink(install_ + "\\save", saves);
    const DWORD link = GetFileAttributesA((install_ + "\\save").c_str());
    ASSERT_EQ(link & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));

    removeWholeGame(install_, IDYES, msg("UninstallGameDone"), "uninstall-linked-save-report");
    keepSha256("uninstall-linked-saves-after.txt", saves);
    keepRegQuery("uninstall-linked-save-reg-after.txt");
    EXPECT_TRUE(fileTree(saves) == behind) << "what lies behind the link, byte for byte";
    EXPECT_EQ(names(fileTree(saves)), names(behind));
    EXPECT_EQ(GetFileAttributesA((install_ + "\\save").c_str()), link) << "the link itself stays";
    EXPECT_EQ(entryKey(), "");
    w32test::unixRemoveTree(parent_);  // Wine's own removal would go through the link
}

// The game folder moved (or renamed) after the installation: its uninstaller
// removes it from where it lies now, and the entry that named the old place.
TEST_F(DiscsUninstall936, AMovedGameIsRemovedFromWhereItLiesNow) {
    Gb2312Association gb2312(true);
    installAndPatch(false);
    key_ = entryKey();
    ASSERT_FALSE(key_.empty());
    const std::string moved = parent_ + "\\" + ansi(L"搬走的游戏");
    ASSERT_TRUE(MoveFileA(install_.c_str(), moved.c_str()));
    removeWholeGame(moved, IDNO, msg("UninstallGameDone"), "uninstall-moved-report");
    keepSha256("uninstall-moved-files-after.txt", moved);
    keepRegQuery("uninstall-moved-reg-after.txt");
    std::map<std::string, std::string> stays;
    for (const auto& [path, bytes] : discs_)
        if (path.rfind("save\\", 0) == 0) stays[path] = bytes;
    EXPECT_TRUE(fileTree(moved) == stays) << "the saves only";
    EXPECT_EQ(names(fileTree(moved)), names(stays));
    HKEY entry = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + key_).c_str(), 0,
                            KEY_READ | KEY_WOW64_32KEY, &entry),
              ERROR_SUCCESS)
        << "the entry of the old place left the list";
    if (entry) RegCloseKey(entry);
}

// A sparse file of 1.5 GB, as a hostile player or a broken disk leaves one.
void growSparse(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER size;
    size.QuadPart = 1536LL * 1024 * 1024;
    EXPECT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);
}
std::uint64_t sizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
    return (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

// A 1.5 GB log: a reinstall keeps only its last lines and finishes; a
// 1.5 GB record: the uninstaller refuses it as damaged, removes nothing and
// keeps no handle on it.
TEST_F(DiscsUninstall936, AHugeLogOrRecordEndsNothingBadly) {
    Gb2312Association gb2312(true);
    installAndPatch(false);
    key_ = entryKey();
    const std::string log = install_ + "\\install.log";
    growSparse(log);
    installAndPatch(false);  // the whole run again, with no box but the discs' and the end's
    EXPECT_LE(sizeOf(log), 1024u * 1024u) << "the log keeps its last megabyte";
    EXPECT_NE(readFile(log).find("outcome: complete"), std::string::npos);

    const std::string record = install_ + "\\Uninstall\\Uninstall.dat";
    growSparse(record);
    const auto before = fileTree(install_, "Uninstall");
    process_ = Process::start(install_ + "\\Uninstall\\Uninstall.exe", "/uninstall \"" + install_ + "\"");
    expectBox(msg("RecordDamaged"), IDOK, "uninstall-huge-record", true);
    EXPECT_EQ(process_.waitForExit(), 1u);
    EXPECT_TRUE(fileTree(install_, "Uninstall") == before) << "nothing removed";
    EXPECT_EQ(sizeOf(record), 1536ull * 1024 * 1024);
    EXPECT_FALSE(entryKey().empty());
    keepRegQuery("uninstall-huge-record-reg-after.txt");
    HANDLE alone = CreateFileA(record.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(alone, INVALID_HANDLE_VALUE) << "no handle of the program stays on it";
    if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
    DeleteFileA(record.c_str());  // not read whole by the tree of the tear-down
    DeleteFileA(log.c_str());
}

// A record edited to name what lies outside the game folder (another
// Start-menu folder called Lunavire, another program's entry, a key of the
// user's, a file beside the folder), and a second installation whose
// shortcut replaced the first's: removing the first touches none of them.
TEST_F(DiscsUninstall936, AnEditedRecordAndASecondInstallationLoseNothing) {
    Gb2312Association gb2312(true);
    const std::string first = install_, second = parent_ + "\\" + ansi(L"第二份") + "\\Lunavire";
    installAndPatch(false);
    key_ = entryKey();
    install_ = second;
    installAndPatch(false);  // its shortcut replaces the first's
    const std::string secondKey = entryKey();
    install_ = first;
    ASSERT_FALSE(key_.empty() || secondKey.empty());

    const std::string otherMenu = programsFolder() + "\\" + ansi(L"攻略") + "\\Lunavire";
    ASSERT_TRUE(CreateDirectoryA(folderOf(otherMenu).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryA(otherMenu.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    writeFile(otherMenu + "\\walkthrough.txt", "a walkthrough");
    writeFile(parent_ + "\\outside.txt", "beside the game folder");
    const std::string otherEntry = std::string(kUninstallKey) + "\\SomeOtherGame";
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, otherEntry.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY,
                              nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Some other game"), 16);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\LunavireProbeTheirs", 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
    const std::string record = install_ + "\\Uninstall\\Uninstall.dat";
    writeFile(record, readFile(record) + recordLine({"links", otherMenu}) +
                          recordLine({"link", otherMenu + "\\walkthrough.txt"}) +
                          recordLine({"registered", "HKLM", otherEntry}) +
                          recordLine({"registered", "HKCU", "Software\\LunavireProbeTheirs"}) +
                          recordLine({"file", parent_ + "\\outside.txt"}));

    removeWholeGame(install_, IDNO, msg("UninstallGameDone"), "uninstall-edited-record-report");
    keepRegQuery("uninstall-edited-record-reg-after.txt");
    EXPECT_EQ(readFile(otherMenu + "\\walkthrough.txt"), "a walkthrough");
    EXPECT_EQ(readFile(parent_ + "\\outside.txt"), "beside the game folder");
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, otherEntry.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &k), ERROR_SUCCESS)
        << "another program's entry";
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\LunavireProbeTheirs", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(entryKey(), "") << "the first installation's entry went";
    install_ = second;
    EXPECT_EQ(entryKey(), secondKey) << "the second's stays";
    EXPECT_TRUE(fileExists(programsFolder() + "\\Lunavire\\Lunavire.lnk")) << "the second's shortcut stays";
    EXPECT_TRUE(fileExists(second + "\\Vandry.exe"));
    keepSha256("uninstall-edited-record-walkthrough.txt", otherMenu);

    // What the test made outside goes by hand.
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, otherEntry.c_str(), KEY_WOW64_32KEY, 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LunavireProbeTheirs");
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + secondKey).c_str(), KEY_WOW64_32KEY, 0);
    removeTree(folderOf(otherMenu));
    DeleteFileA((programsFolder() + "\\Lunavire\\Lunavire.lnk").c_str());
    RemoveDirectoryA((programsFolder() + "\\Lunavire").c_str());
}

}  // namespace
}  // namespace e2e
