// The disc installation of Setup.exe under Wine, tried as a hostile player
// would: two clicks on the start button, a reinstall while another program
// holds a disc file, the disc's own folder as the install folder, saved
// games, and (run by small-disk.sh) a disk that runs full.  Every file is
// compared byte for byte with the discs in D:, E: and F:, which disc-e2e.sh
// lays out and maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {

using namespace robot;

constexpr DWORD kCopyTimeout = 60000;
constexpr DWORD kStartLanguageTimeout = 60000;

// Files below root\relative, as paths relative to root, depth first.
void filesBelow(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    for (const std::string& name : folderEntries(folder)) {
        const std::string rel = relative.empty() ? name : relative + "\\" + name;
        const DWORD a = GetFileAttributesA((root + "\\" + rel).c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
            filesBelow(root, rel, out);
        else
            out.push_back(rel);
    }
}

// A file of the discs and where the installation puts it, relative to the
// install folder.
struct DiscFile {
    std::string source, installedAs;
};

// Every file of the three discs: disc 1's game level is dropped, discs 2 and
// 3 land beside it.
std::vector<DiscFile> discFiles() {
    std::vector<DiscFile> files;
    std::vector<std::string> rel;
    for (const char* folder : {"game\\VRecog", "game\\Movie", "game\\save"}) filesBelow("D:", folder, rel);
    for (const char* name : {"game\\game00.dat", "game\\game01.dat", "game\\game02.dat", "game\\vandry.exe"})
        rel.push_back(name);
    for (const auto& r : rel) files.push_back({"D:\\" + r, r.substr(5)});
    files.push_back({"E:\\game03.dat", "game03.dat"});
    rel.clear();
    filesBelow("F:", "music", rel);
    for (const auto& r : rel) files.push_back({"F:\\" + r, r});
    return files;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Temporary files of a copy ("name.~00"), anywhere below folder.
std::vector<std::string> strays(const std::string& folder) {
    std::vector<std::string> all, found;
    filesBelow(folder, "", all);
    for (const auto& f : all)
        if (f.find(".~") != std::string::npos) found.push_back(f);
    return found;
}

// Every missing folder of path, outermost first; a trail byte 0x5C is no
// separator.
void makeFolders(const std::string& path) {
    for (std::size_t at = 3; at < path.size();) {  // after "X:\"
        if (IsDBCSLeadByte(static_cast<BYTE>(path[at]))) {
            at += 2;
            continue;
        }
        if (path[at] == '\\') CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        ++at;
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

// Another program's hold on a file: open, sharing nothing.
class Held {
public:
    explicit Held(const std::string& path)
        : h_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
        if (h_ == INVALID_HANDLE_VALUE) throw Failure("cannot hold " + path);
    }
    ~Held() { CloseHandle(h_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    HANDLE h_;
};

class DiscsSafety936 : public testing::Test {
protected:
    // The code page the run wants (its locale, as CMake sets it).
    virtual UINT codePage() const { return 936; }
    void SetUp() override {
        ASSERT_EQ(GetACP(), codePage()) << "this run wants the locale of code page " << codePage();
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        parent_ = std::string(temp) + "lunavire-discsafety-" + std::to_string(GetCurrentProcessId());
        removeTree(parent_);
        ASSERT_TRUE(CreateDirectoryA(parent_.c_str(), nullptr));
        install_ = parent_ + "\\" + ansi(L"月之游戏乗");
        language_ = std::make_unique<LanguageFileBytes>(shippedLanguage(kSimplified));
    }
    void TearDown() override {
        if (process_.running()) process_.terminate();
        removeTree(parent_);
    }
    std::string msg(int i) const { return language_->get("msgs", "msgs" + std::to_string(i)); }

    // The program from disc 1, its disc window open with the install folder
    // typed in.
    // With `language` (a name of the language list), that one is chosen
    // once the start-up language is there.
    void openDiscWindow(const std::string& installFolder, const std::wstring& language = {}) {
        process_ = Process::start("D:\\Setup.exe");
        main_ = waitForWindow(process_, "TForm1");
        if (!language.empty()) {
            // The player's choice stands: the start-up language does not come back.
            HWND combo = waitForControl(main_, "ComboBox1");
            std::vector<std::string> items;
            if (!waitUntil(kStartLanguageTimeout, [&] {
                    items = comboItems(combo);
                    return std::find(items.begin(), items.end(), ansi(language)) != items.end();
                }))
                throw Failure("no such language in the list");
            const auto it = std::find(items.begin(), items.end(), ansi(language));
            language_ = std::make_unique<LanguageFileBytes>(shippedLanguage(language));
            selectComboItem(combo, static_cast<int>(it - items.begin()));
        }
        waitForText(main_, language_->get("window1", "title"));
        click(waitForControl(main_, "Button1"));
        disc_ = waitForWindow(process_, "TForm2");
        type("Edit2", installFolder);
    }
    void type(const char* field, const std::string& text) {
        SendMessageA(waitForControl(disc_, field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void start() { click(waitForControl(disc_, "Button1")); }

    Box expectBox(int text, int caption, int button) {
        Box b = waitForMessageBox(process_, kCopyTimeout);
        EXPECT_EQ(escaped(b.text), escaped(msg(text))) << "message " << text;
        EXPECT_EQ(escaped(b.caption), escaped(msg(caption))) << "caption " << caption;
        pressButton(b, button);
        return b;
    }
    // Discs 2 and 3 are not in drive D: Retry finds them in the CD drives E: and F:.
    void nextDiscs() {
        expectBox(5, 6, IDRETRY);
        expectBox(11, 6, IDRETRY);
    }
    // A box about a file that cannot be copied, naming both paths.
    Box expectCopyFailure(const std::string& source, const std::string& target) {
        Box b = waitForMessageBox(process_, kCopyTimeout);
        EXPECT_EQ(boxButtons(b), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE})) << escaped(b.text);
        EXPECT_NE(b.text.find(source + "\r\n" + target), std::string::npos) << escaped(b.text);
        EXPECT_EQ(escaped(b.caption), escaped(msg(10)));
        return b;
    }
    void expectWindowCloses() {
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(disc_); }))
            << "the window closes at the end of the run, and no other run follows";
    }
    void endProgram() {
        closeWindow(main_);
        EXPECT_EQ(process_.waitForExit(), 0u);
    }
    // Each disc file at its place in folder, byte for byte, except those named.
    void expectInstalled(const std::string& folder, const std::set<std::string>& except = {}) {
        int checked = 0;
        for (const DiscFile& f : discFiles()) {
            if (except.count(f.installedAs)) continue;
            SCOPED_TRACE(f.installedAs);
            const std::string copy = folder + "\\" + f.installedAs;
            ASSERT_TRUE(fileExists(copy)) << escaped(copy);
            EXPECT_TRUE(readFile(copy) == readFile(f.source)) << "byte for byte";
            ++checked;
        }
        EXPECT_GT(checked, 20);
    }
    // A first installation's files, each holding other bytes than the disc's;
    // its saved games are left to the tests of them.
    void writeOldInstallation() {
        for (const DiscFile& f : discFiles()) {
            if (lower(f.installedAs).rfind("save\\", 0) == 0) continue;
            const std::string path = install_ + "\\" + f.installedAs;
            makeFolders(folderOf(path));
            writeFile(path, "old " + f.installedAs);
        }
    }

    std::string parent_, install_;
    std::unique_ptr<LanguageFileBytes> language_;
    Process process_;
    HWND main_ = nullptr, disc_ = nullptr;
};

TEST_F(DiscsSafety936, TwoClicksOnStartRunOneInstallation) {
    openDiscWindow(install_);
    HWND startButton = waitForControl(disc_, "Button1");
    click(startButton);
    click(startButton);  // back to back: the second arrives while disc 1 is walked
    nextDiscs();
    expectBox(12, 1, IDOK);
    expectWindowCloses();
    expectInstalled(install_);
    std::vector<std::string> there, expected;
    filesBelow(install_, "", there);
    for (const DiscFile& f : discFiles()) expected.push_back(lower(f.installedAs));
    expected.push_back("install.log");
    // Beside them the uninstaller, its language files (those beside the program) and its record.
    for (const std::string& name : folderEntries("D:\\"))
        if (lower(name) == "setup.exe" || (name.size() > 4 && lower(name.substr(name.size() - 4)) == ".ini"))
            expected.push_back(lower("uninstall\\" + (lower(name) == "setup.exe" ? std::string("uninstall.exe") : name)));
    expected.push_back("uninstall\\uninstall.dat");
    for (auto& t : there) t = lower(t);
    EXPECT_EQ(std::set<std::string>(there.begin(), there.end()), std::set<std::string>(expected.begin(), expected.end()))
        << "the disc files, the run's log and the uninstaller, nothing else, none in the wrong folder";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty());
    endProgram();
}

// A drive's root or the Windows folder would be an installation that no
// uninstaller may empty: refused before anything is written.
TEST_F(DiscsSafety936, ADriveRootOrTheWindowsFolderIsRefusedBeforeAnythingIsWritten) {
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::vector<std::string> refused = {"E:\\", "C:", std::string(windows) + "\\LunavireProbe"};
    const auto rootBefore = folderEntries("E:\\");
    openDiscWindow(refused[0]);
    for (const std::string& typed : refused) {
        SCOPED_TRACE(typed);
        type("Edit2", typed);
        start();
        Box b = waitForMessageBox(process_, kCopyTimeout);
        EXPECT_EQ(escaped(b.text), escaped(msg(13) + "\r\n\r\n" + language_->get("msgs", "UnsafeInstallFolder") +
                                           "\r\n" + typed));
        EXPECT_EQ(escaped(b.caption), escaped(msg(1)));
        pressButton(b, IDOK);
        EXPECT_TRUE(isVisible(disc_)) << "the window stays for another folder";
    }
    EXPECT_EQ(folderEntries("E:\\"), rootBefore) << "nothing written on the drive";
    EXPECT_EQ(GetFileAttributesA(refused[2].c_str()), INVALID_FILE_ATTRIBUTES) << "no folder made in Windows";
    closeWindow(disc_);
    endProgram();
}

TEST_F(DiscsSafety936, AReinstallKeepsAFileItCannotCopyAndSaysSo) {
    writeOldInstallation();
    const std::string target = install_ + "\\game01.dat";
    {
        Held held("D:\\game\\game01.dat");
        openDiscWindow(install_);
        start();
        Box failed = expectCopyFailure("D:\\game\\game01.dat", target);
        // The program waits for the answer: the folder is as it leaves it.
        EXPECT_EQ(readFile(target), "old game01.dat") << "the installed file is whole while the player is asked";
        EXPECT_EQ(strays(install_), std::vector<std::string>{}) << "and no part of a copy lies about";
        saveScreenshot(failed.window, artifactPath("discsafety-ignore-box.bmp"));
        pressButton(failed, IDIGNORE);
        nextDiscs();
    }
    Box end = waitForMessageBox(process_, kCopyTimeout);
    EXPECT_EQ(escaped(end.text), escaped(language_->get("msgs", "LeftOut") + "\r\n" + target))
        << "the files left out instead of message 12";
    EXPECT_EQ(escaped(end.caption), escaped(msg(8)));
    pressButton(end, IDOK);
    expectWindowCloses();
    EXPECT_EQ(readFile(target), "old game01.dat") << "the ignored file keeps its old copy byte for byte";
    expectInstalled(install_, {"game01.dat"});
    EXPECT_EQ(strays(install_), std::vector<std::string>{});
    EXPECT_TRUE(fileExists(programsFolder() + "\\Lunavire\\Lunavire.lnk")) << "the rest was installed";
    endProgram();
}

TEST_F(DiscsSafety936, TheDiscsOwnFolderAsInstallFolderLosesNothing) {
    // A copy of disc 1's game folder stands for the disc, so that a fault
    // here cannot spoil the drive the other tests read.
    const std::string disc = parent_ + "\\cd1";
    std::vector<std::string> rel;
    filesBelow("D:\\game", "", rel);
    for (const auto& r : rel) {
        makeFolders(folderOf(disc + "\\game\\" + r));
        ASSERT_TRUE(CopyFileA(("D:\\game\\" + r).c_str(), (disc + "\\game\\" + r).c_str(), TRUE)) << r;
    }
    openDiscWindow(disc + "\\game");
    type("Edit1", disc);
    start();
    nextDiscs();
    expectBox(12, 1, IDOK);
    expectWindowCloses();
    for (const auto& r : rel) {
        SCOPED_TRACE(r);
        const std::string own = disc + "\\game\\" + r;
        ASSERT_TRUE(fileExists(own)) << "the disc keeps every file";
        EXPECT_TRUE(readFile(own) == readFile("D:\\game\\" + r)) << "byte for byte";
    }
    EXPECT_TRUE(readFile(disc + "\\game\\game03.dat") == readFile("E:\\game03.dat"));
    EXPECT_EQ(strays(disc), std::vector<std::string>{});
    endProgram();
}

TEST_F(DiscsSafety936, AReinstallKeepsThePlayersSavedGames) {
    writeOldInstallation();
    const std::string mine = install_ + "\\save\\slot1\\save.dat";
    makeFolders(folderOf(mine));
    writeFile(mine, "my progress");
    openDiscWindow(install_);
    start();
    nextDiscs();
    expectBox(12, 1, IDOK);
    expectWindowCloses();
    EXPECT_EQ(readFile(mine), "my progress") << "a saved game is never replaced";
    EXPECT_TRUE(readFile(install_ + "\\save\\slot2\\save.dat") == readFile("D:\\game\\save\\slot2\\save.dat"))
        << "a missing one comes from the disc";
    EXPECT_TRUE(readFile(install_ + "\\game00.dat") == readFile("D:\\game\\game00.dat")) << "game files are replaced";
    endProgram();
}

// A run killed part way and started again finishes the job: each file whole
// from the first run is kept, the rest copied, and what the killed run left
// beside its files is removed.
TEST_F(DiscsSafety936, ARunKilledPartWayIsFinishedByTheNext) {
    {
        // The run stops at a file another program holds: killed there, at
        // a moment that does not depend on the machine's speed.
        Held held("D:\\game\\game01.dat");
        openDiscWindow(install_);
        start();
        expectCopyFailure("D:\\game\\game01.dat", install_ + "\\game01.dat");
        process_.terminate();
    }
    // What a run killed during the copy of game01.dat leaves beside it.
    writeFile(install_ + "\\game01.~00", "the first half of game01.dat");
    openDiscWindow(install_);
    start();
    nextDiscs();
    expectBox(12, 1, IDOK);
    expectWindowCloses();
    expectInstalled(install_);
    EXPECT_EQ(strays(install_), std::vector<std::string>{});
    const std::string log = readFile(install_ + "\\install.log");
    EXPECT_NE(log.find("game01.~00, left by a run that was stopped"), std::string::npos);
    EXPECT_NE(log.find(": already whole\r\n"), std::string::npos) << "what the first run copied is kept";
    endProgram();
}

// Run by small-disk.sh around disc-e2e.sh: the install folder lies on a
// tmpfs that LUNAVIRE_SMALL_DISK names.
class SmallDiskDiscs936 : public DiscsSafety936 {
protected:
    // The small disk, holding an empty install folder and ballast that
    // leaves `room` bytes free.
    std::string fillSmallDisk(ULONGLONG room) {
        char disk[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("LUNAVIRE_SMALL_DISK", disk, MAX_PATH))
            throw Failure("run by small-disk.sh, which mounts the small disk");
        install_ = std::string(disk) + "\\Lunavire";
        const std::string ballast = std::string(disk) + "\\ballast";
        removeTree(install_);
        DeleteFileA(ballast.c_str());
        CreateDirectoryA(install_.c_str(), nullptr);
        ULARGE_INTEGER free{};
        if (!GetDiskFreeSpaceExA(disk, &free, nullptr, nullptr) || free.QuadPart <= room)
            throw Failure("the small disk is too small to fill");
        writeFile(ballast, std::string(static_cast<std::size_t>(free.QuadPart - room), 'b'));
        return ballast;
    }
    // The question about room in `language`, kept as screenshots under
    // `shot`, answered Cancel.
    void roomQuestion(const std::wstring& language, const std::string& shot) {
        const std::string ballast = fillSmallDisk(100 * 1024);
        openDiscWindow(install_, language);
        start();
        Box asked = waitForMessageBox(process_, kCopyTimeout);
        const std::string noRoom = language_->get("msgs", "NoRoom");
        EXPECT_EQ(escaped(asked.text.substr(0, noRoom.find("%1"))), escaped(noRoom.substr(0, noRoom.find("%1"))));
        EXPECT_EQ(escaped(asked.caption), escaped(msg(8)));
        settle(asked.window);
        saveScreenshot(asked.window, artifactPath(shot + "-box.bmp"));
        saveScreenshot(disc_, artifactPath(shot + "-window.bmp"));
        pressButton(asked, IDCANCEL);
        expectBox(7, 8, IDOK);
        EXPECT_EQ(process_.waitForExit(), 0u);
        removeTree(install_);
        DeleteFileA(ballast.c_str());
    }
};

// Before the first file of a disc, the run knows the room the disc needs and
// asks the player to make it; nothing of the disc is written until there is.
TEST_F(SmallDiskDiscs936, TooLittleRoomIsToldBeforeTheDiscIsWritten) {
    const std::string noRoom = language_->get("msgs", "NoRoom");
    const std::string head = noRoom.substr(0, noRoom.find("%1"));
    struct Row {
        const char* name;
        bool reinstall;
        int answer;
    } rows[] = {{"first installation, Cancel", false, IDCANCEL}, {"reinstall, Retry once room is made", true, IDRETRY}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        // Room for the log and a part of disc 1.
        const std::string ballast = fillSmallDisk(100 * 1024);
        const std::string target = install_ + "\\game00.dat";
        if (r.reinstall) writeFile(target, "old game00.dat");
        openDiscWindow(install_);
        start();
        Box asked = waitForMessageBox(process_, kCopyTimeout);
        EXPECT_EQ(boxButtons(asked), (std::vector<int>{IDRETRY, IDCANCEL}));
        EXPECT_EQ(escaped(asked.text.substr(0, head.size() + 2)), escaped(head + "Z:"));
        std::vector<std::string> there;
        filesBelow(install_, "", there);
        std::sort(there.begin(), there.end());
        EXPECT_EQ(there, r.reinstall ? std::vector<std::string>{"game00.dat"} : std::vector<std::string>{})
            << "nothing goes into the folder before the answer, not even the log or the record";
        if (r.answer == IDCANCEL) {
            pressButton(asked, IDCANCEL);
            expectBox(7, 8, IDOK);
            EXPECT_EQ(process_.waitForExit(), 0u) << "Cancel gives up as at a disc prompt";
            there.clear();
            filesBelow(install_, "", there);
            EXPECT_EQ(there, std::vector<std::string>{}) << "the folder is left as it was: empty";
        } else {
            pressButton(asked, IDRETRY);
            Box again = waitForMessageBox(process_, kCopyTimeout);
            EXPECT_EQ(escaped(again.text.substr(0, head.size())), escaped(head)) << "no room yet: asked again";
            DeleteFileA(ballast.c_str());
            pressButton(again, IDRETRY);
            nextDiscs();
            expectBox(12, 1, IDOK);
            expectWindowCloses();
            expectInstalled(install_);
            endProgram();
        }
        if (!r.reinstall) {
            EXPECT_FALSE(fileExists(target));
        }
        EXPECT_EQ(strays(install_), std::vector<std::string>{});
        removeTree(install_);
        DeleteFileA(ballast.c_str());
    }
}

TEST_F(SmallDiskDiscs936, TheRoomQuestionSpeaksThePlayersLanguage) {
    for (const std::wstring& language : {std::wstring(kSimplified), std::wstring(L"English")}) {
        SCOPED_TRACE(ansi(language));
        roomQuestion(language, language == kSimplified ? "noroom-simplified" : "noroom-english");
    }
}

class SmallDiskDiscs950 : public SmallDiskDiscs936 {
protected:
    UINT codePage() const override { return 950; }
};

TEST_F(SmallDiskDiscs950, TheRoomQuestionSpeaksThePlayersLanguage) {
    roomQuestion(kTraditional, "noroom-traditional");
}

}  // namespace
}  // namespace e2e
