// The patch run of Setup.exe, end to end under Wine: Button3, the question,
// the folder picker, the progress window and its gauge, the final message,
// the five files of the edition, the Start-menu shortcuts and Notepad with
// the readme.  The Simplified edition runs under code page 936, the
// Traditional one under 950.  The shortcuts are copied to the artifacts and
// listed for lnkinfo, which reads them on the Linux side.
//
// Then what a run must never do: act on a folder other than the chosen one,
// leave a file half written or a game half patched, report shortcuts that
// were not made, or let the start-up language undo the player's choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Screen.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {
namespace {

using namespace robot;

// Extracting the archives takes a moment under Wine, and much longer on a
// busy machine; a wait ends as soon as the run gets there.
constexpr DWORD kRunTimeout = 120000;
// The start timer's first tick is a second after start.
constexpr DWORD kStartLanguageTimeout = 60000;

struct Edition {
    const char* group;  // payload group of the edition's own files
    const char* tag;    // for the artifacts' names
    // "中文版" of the game shortcut's name as the edition stores it: GBK
    // bytes in the Simplified edition, Big5 in the Traditional one, read
    // with whatever code page the system has.
    const char* shortcutWords;
    // The game folder, as a player's may be: with a blank, which goes into
    // Notepad's command line unquoted, and a character whose second byte in
    // the edition's code page is a backslash (淺 is 9C 5C in GBK, 功 is A5 5C
    // in Big5), which the shortcuts store as ANSI bytes.
    const wchar_t* gameFolder;
};
const Edition kSimplifiedEdition{"GB_", "simplified", "\xD6\xD0\xCE\xC4\xB0\xE6", L"淺水 游戏"};
const Edition kTraditionalEdition{"BIG", "traditional", "\xA4\xA4\xA4\xE5\xAA\xA9", L"功夫 遊戲"};

// What the run writes, and from which payload.
struct Written {
    const char* file;
    const char* payload;
    bool shared;  // from GB_ in both editions
};
const Written kWritten[] = {
    {"KESTAL.exe", "KESTAL", false}, {"CVandry.exe", "CVANDRY", false}, {"readme.txt", "README", false},
    {"game01.dat", "GAME01", false}, {"GAME00.DAT", "GAME00", true},
};

std::string lunavireMenu() { return programsFolder() + "\\Lunavire"; }
std::string gameShortcut(const Edition& edition) {
    return lunavireMenu() + "\\Lunavire" + edition.shortcutWords + ".lnk";
}
std::string readmeShortcut() { return lunavireMenu() + "\\readme.lnk"; }

// Names, sizes and times of the files in the Start menu's Lunavire folder.
std::vector<std::string> shortcutFolderState() {
    std::vector<std::string> state;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((lunavireMenu() + "\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return state;
    do {
        state.push_back(std::string(d.cFileName) + " " + std::to_string(d.nFileSizeLow) + " " +
                        std::to_string(d.ftLastWriteTime.dwHighDateTime) + ":" +
                        std::to_string(d.ftLastWriteTime.dwLowDateTime));
    } while (FindNextFileA(h, &d));
    FindClose(h);
    std::sort(state.begin(), state.end());
    return state;
}

// The edition's shortcuts, before a run that makes them anew; the other
// edition's game shortcut stays for the check from Linux.
void removeShortcuts(const Edition& edition) {
    for (const std::string& link : {gameShortcut(edition), readmeShortcut()}) {
        DeleteFileA(link.c_str());
        if (fileExists(link)) throw Failure("cannot remove the old shortcut " + escaped(link));
    }
}

// Wine's Notepad windows that show a file named readme.txt.
std::vector<HWND> readmeNotepads() {
    std::vector<HWND> found;
    for (HWND w : visibleWindowsOfClass("Notepad"))
        if (textOf(w).find("readme") != std::string::npos) found.push_back(w);
    return found;
}

// Notepads started at or after `since` (system time): a start counts from
// the moment the program's WinExec returns, before Notepad has a window.
std::size_t notepadsStartedSince(const FILETIME& since) {
    std::size_t n = 0;
    for (DWORD id : processesNamed("notepad.exe")) {
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        FILETIME created{}, exited{}, kernel{}, user{};
        if (p && GetProcessTimes(p, &created, &exited, &kernel, &user) && CompareFileTime(&created, &since) >= 0)
            ++n;
        if (p) CloseHandle(p);
    }
    return n;
}

void closeReadmeNotepads() {
    for (HWND w : readmeNotepads()) PostMessageA(w, WM_CLOSE, 0, 0);
    waitUntil(kActionTimeout, [] { return readmeNotepads().empty(); });
}

// The share of the gauge's bar that is filled black, measured along a row
// above its centred percentage text.
double gaugeFill(HWND gauge) {
    Pixels p = capture(gauge);
    RECT client{};
    GetClientRect(gauge, &client);
    POINT origin{0, 0};
    ClientToScreen(gauge, &origin);
    RECT frame{};
    GetWindowRect(gauge, &frame);
    // The bar's inside: the client area less the one-pixel border.
    const int left = origin.x - frame.left + 1, right = origin.x - frame.left + client.right - 1;
    const int row = origin.y - frame.top + 3;
    int black = 0;
    for (int x = left; x < right; ++x)
        if (p.at(x, row) == RGB(0, 0, 0)) ++black;
    return right > left ? static_cast<double>(black) / (right - left) : 0.0;
}

// Whether the gauge's bar is filled as at 99%: nearly all of it, never all.
bool gaugeShows99(HWND gauge, double& fill) {
    fill = gaugeFill(gauge);
    return fill >= 0.97 && fill < 1.0;
}

// UTF-16 units of a path of this code page: what the file calls count.
std::size_t units(const std::string& ansi) {
    return ansi.empty() ? 0
                        : static_cast<std::size_t>(MultiByteToWideChar(
                              CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0));
}

// The default error box's text for a system error about `subject`: the
// system's text for the code, the subject on a line of its own, and the
// full stop that the box adds (every subject here ends in a letter or a
// Chinese character, both above it).
std::string systemErrorText(DWORD code, const std::string& subject) {
    char buf[1000];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                             sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "System error " + std::to_string(code);
    return text + "\r\n" + subject + ".";
}

// A file written by its UTF-16 name: the ANSI calls may not take its path.
void writeFileWide(const std::string& ansiPath, const std::string& bytes) {
    std::wstring path(units(ansiPath), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansiPath.data(), static_cast<int>(ansiPath.size()), &path[0],
                        static_cast<int>(path.size()));
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    const bool ok = f != INVALID_HANDLE_VALUE &&
                    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                    done == bytes.size();
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (!ok) throw Failure("cannot write " + escaped(ansiPath) + " (error " + std::to_string(GetLastError()) + ")");
}

// Each file of a folder with its bytes.
std::map<std::string, std::string> filesOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : folderEntries(folder)) files[name] = readFile(folder + "\\" + name);
    return files;
}

// Deterministic bytes that no payload has.
std::string oldBytes(std::size_t size, const std::string& seed) {
    std::string out(size, '\0');
    std::uint32_t x = 2166136261u;
    for (char c : seed) x = (x ^ static_cast<unsigned char>(c)) * 16777619u;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

class PatchTest : public SetupSession {
protected:
    void SetUp() override {
        SetupSession::SetUp();
        GetSystemTimeAsFileTime(&testStart_);
    }
    void TearDown() override {
        closeReadmeNotepads();
        SetupSession::TearDown();
    }

    // Both shipped languages beside the program, a Simplified system; waits
    // for the start-up language.
    void startSimplified() {
        addShippedLanguage(kSimplified);
        addShippedLanguage(kTraditional);
        association_ = std::make_unique<Gb2312Association>(true);
        start();
        waitForStartLanguage(asShownHere(noticeAsShown(payload("TXT", "LINCE1"))));
    }

    std::string makeGameFolder(const Edition& edition) {
        std::string game = makeFolder(ansi(edition.gameFolder));
        writeFile(game + "\\Vandry.exe", "stand-in for the game's executable");
        return game;
    }

    // The progress window's gauge, which exists (hidden) from start-up on.
    HWND gauge() { return waitForControl(form("TForm4"), "Gauge1"); }

    // The whole run, from Button3 to the closed progress window and Notepad.
    void runPatch(const Edition& edition, const LanguageFileBytes& texts, const std::string& game) {
        const std::string tag = edition.tag;
        HWND gauge = this->gauge();
        const std::size_t paintedBefore = gaugePaintCount(gauge);
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));

        HWND progress = waitForWindow(process_, "TForm4");
        EXPECT_EQ(waitForControl(progress, "Gauge1"), gauge);
        // Disabled before the window shows, enabled after it goes, which
        // is after the final message.
        EXPECT_FALSE(isEnabled(main_)) << "the progress window is modal";
        Box done = waitForMessageBox(process_, kRunTimeout);
        // The run starts 300 ms after the window shows, and takes a step
        // in a few milliseconds: what the gauge painted is on record.
        EXPECT_EQ(gaugePainted(gauge, paintedBefore), (std::vector<int>{0, 10, 30, 50, 85, 99}))
            << "the gauge shows each step of the run, in order";
        EXPECT_EQ(clientSize(progress).cx, 323);
        EXPECT_EQ(clientSize(progress).cy, 67);
        EXPECT_EQ(clientSize(gauge).cx, 289) << "the gauge keeps its size";
        EXPECT_EQ(clientSize(gauge).cy, 28);

        EXPECT_EQ(escaped(done.text), escaped(texts.get("msgs", "msgs17"))) << "the final message (17)";
        EXPECT_EQ(escaped(done.caption), escaped(texts.get("msgs", "msgs1")));
        EXPECT_EQ(boxButtons(done), std::vector<int>{IDOK}) << "with OK alone";
        EXPECT_EQ(nameOf(boxIcon(done.window)), nameOf(BoxIcon::Information));
        EXPECT_TRUE(isVisible(progress)) << "the progress window waits for the final message";
        // The program is in the final message's loop: it has started what
        // it starts before the message.
        EXPECT_EQ(notepadsStartedSince(testStart_), 0u) << "Notepad starts only after the final message";

        // The box sits over the progress window: move it aside, and look at
        // the gauge once the window has repainted.
        moveWindow(done.window, 0, 0);
        double fill = 0;
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return gaugeShows99(gauge, fill); }))
            << "the gauge stands at 99%, never 100% (bar " << fill * 100 << "% black)";
        saveScreenshot(progress, artifactPath("patch-progress-" + tag + ".bmp"));

        pressButton(done, IDOK);
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(progress); }))
            << "the progress window closes after the final message";
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return isEnabled(main_); })) << "the main window is usable again";

        // Notepad shows the readme that the run wrote.
        HWND notepad = nullptr;
        EXPECT_TRUE(waitUntil(kRunTimeout, [&] {
            auto found = readmeNotepads();
            notepad = found.empty() ? nullptr : found.front();
            return notepad != nullptr;
        })) << "Notepad opens the readme";
        if (notepad) {
            HWND text = FindWindowExA(notepad, nullptr, "Edit", nullptr);
            ASSERT_NE(text, nullptr) << "Notepad has its text field";
            // Its title names the file once it is opened; its text may come a moment later.
            const std::string readme = asShownHere(payload(edition.group, "README"));
            std::string shown;
            EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return (shown = textOf(text)) == readme; }))
                << "Notepad shows the readme's bytes, not " << shown.size() << " bytes beginning \""
                << escaped(shown.substr(0, 60)) << "\"";
            PostMessageA(notepad, WM_CLOSE, 0, 0);
            EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !IsWindow(notepad); })) << "Notepad closes";
        }

        // The five files, byte for byte the edition's payloads.
        for (const Written& w : kWritten) {
            SCOPED_TRACE(w.file);
            const std::string path = game + "\\" + w.file;
            ASSERT_TRUE(fileExists(path)) << path;
            const std::string expected = payload(w.shared ? "GB_" : edition.group, w.payload);
            const std::string got = readFile(path);
            EXPECT_EQ(got.size(), expected.size());
            EXPECT_TRUE(got == expected) << w.file << " is the payload " << (w.shared ? "GB_" : edition.group) << "/"
                                         << w.payload;
        }
        std::vector<std::string> entries = folderEntries(game);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"CVandry.exe", "GAME00.DAT", "KESTAL.exe", "Vandry.exe",
                                                     "game01.dat", "readme.txt"}))
            << "the run writes the five files and nothing else";

        // The shortcuts: the readme's and the edition's game shortcut.
        ASSERT_TRUE(fileExists(readmeShortcut())) << escaped(readmeShortcut());
        ASSERT_TRUE(fileExists(gameShortcut(edition))) << escaped(gameShortcut(edition));
        listShortcutForLinux(readmeShortcut(), "shortcut-readme-" + tag + ".lnk", game + "\\readme.txt", game + "\\");
        listShortcutForLinux(gameShortcut(edition), "shortcut-game-" + tag + ".lnk", game + "\\KESTAL.exe",
                             game + "\\");
    }

    // Button3 and the picker on `game`, then the error box that ends the
    // action; OK on it takes the player back to the main window, with no
    // other box after it: not message 17, nor Notepad.
    Box patchUntilError(const std::string& game, const LanguageFileBytes& texts) {
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
        return waitForMessageBox(process_, kRunTimeout);
    }
    void closeErrorAndExpectNothingMore(const Box& error) {
        EXPECT_EQ(escaped(error.caption), "Setup") << "the application's error box";
        EXPECT_NE(GetDlgItem(error.window, IDOK), nullptr);
        EXPECT_EQ(GetDlgItem(error.window, IDCANCEL), nullptr) << "OK only";
        pressButton(error, IDOK);
        // Back in the event loop, the action is over: whatever it was to
        // show would be up by now.
        waitForIdle(main_, kRunTimeout);
        EXPECT_TRUE(isEnabled(main_)) << "back at the main window";
        EXPECT_FALSE(isVisible(form("TForm4"))) << "the progress window is gone";
        EXPECT_TRUE(topLevelWindows(process_.id(), "#32770", true).empty()) << "no message follows the error";
        EXPECT_EQ(notepadsStartedSince(testStart_), 0u) << "no readme opens";
    }

    // Nested folders of 浅 in `base`, each name short enough for a Linux
    // file name, together `length` UTF-16 units long.
    std::string makeFolderOfLength(const std::string& base, std::size_t length) {
        std::string path = base;
        const std::string shallow = ansi(L"浅");
        if (units(path) + 2 > length) throw Failure("the test folder is longer than " + std::to_string(length));
        while (units(path) < length) {
            // A backslash and the name; never leave a single unit for the next level.
            const std::size_t left = length - units(path);
            std::size_t name = left - 1;
            if (name > 80) name = name - 80 >= 2 ? 80 : 78;
            std::string part;
            for (std::size_t i = 0; i < name; ++i) part += shallow;
            path += "\\" + part;
            if (!CreateDirectoryA(path.c_str(), nullptr))
                throw Failure("cannot create a folder " + std::to_string(units(path)) + " units long (error " +
                              std::to_string(GetLastError()) + ")");
        }
        return path;
    }

    std::unique_ptr<Gb2312Association> association_;
    FILETIME testStart_{};
};

class Patch936 : public PatchTest {};
class Patch950 : public PatchTest {};

TEST_F(Patch936, WritesTheSimplifiedEditionWithItsShortcutsAndOpensTheReadmeInTheSystemsNotepad) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    plantImpostors();
    startSimplified();
    const std::string game = makeGameFolder(kSimplifiedEdition);
    removeShortcuts(kSimplifiedEdition);
    closeReadmeNotepads();

    ASSERT_EQ(escaped(selectedLanguage()), escaped(ansi(kSimplified)))
        << "the list shows 简体中文: the Simplified edition";
    runPatch(kSimplifiedEdition, LanguageFileBytes(shippedLanguage(kSimplified)), game);
    EXPECT_EQ(impostorStarts("notepad"), std::vector<std::string>{})
        << "the Notepad.exe beside the program is not started";
}

TEST_F(Patch936, AFolderWithoutVandryExeIsRefusedAndNothingIsWritten) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    // An empty folder, and one that holds a folder named Vandry.exe.
    const std::string empty = makeFolder("empty");
    const std::string impostor = makeFolder("impostor");
    makeFolder("impostor\\Vandry.exe");
    HWND progress = form("TForm4");

    for (const std::string& folder : {empty, impostor}) {
        SCOPED_TRACE(folder);
        pickGameFolder(folder, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
        Box refused = waitForMessageBox(process_);
        EXPECT_EQ(escaped(refused.text), escaped(texts.get("msgs", "msgs16"))) << "no game files (message 16)";
        EXPECT_EQ(escaped(refused.caption), escaped(texts.get("msgs", "msgs8"))) << "under the warning caption (8)";
        EXPECT_EQ(boxButtons(refused), std::vector<int>{IDOK}) << "with OK alone";
        EXPECT_EQ(nameOf(boxIcon(refused.window)), nameOf(BoxIcon::Stop));
        EXPECT_FALSE(isVisible(progress)) << "the progress window is not shown";
        pressButton(refused, IDOK);
    }

    EXPECT_TRUE(folderEntries(empty).empty()) << "nothing is written into the empty folder";
    EXPECT_EQ(folderEntries(impostor), std::vector<std::string>{"Vandry.exe"}) << "nor beside the folder Vandry.exe";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
    EXPECT_FALSE(isVisible(progress));
}

TEST_F(Patch936, CancelInThePickerWritesNothing) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const std::string game = makeGameFolder(kSimplifiedEdition);
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();
    const std::size_t paintedBefore = gaugePaintCount(gauge());

    click(control("Button3"));
    pressButton(waitForMessageBox(process_), IDOK);
    HWND picker = waitForWindow(process_, "TForm3");
    RemoteTree(waitForControl(picker, "ShellTreeView1")).selectPath(game);
    click(waitForControl(picker, "Button2"));

    // Back in the event loop, the action is over.
    waitForIdle(main_, kRunTimeout);
    EXPECT_FALSE(isVisible(picker)) << "Cancel closes the picker";
    EXPECT_TRUE(isEnabled(main_)) << "and gives the main window back";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty()) << "no run follows, and so no final message";
    EXPECT_FALSE(isVisible(form("TForm4"))) << "the progress window is not shown";
    EXPECT_EQ(gaugePainted(gauge(), paintedBefore), std::vector<int>{}) << "nor its gauge painted";
    EXPECT_EQ(folderEntries(game), std::vector<std::string>{"Vandry.exe"}) << "nothing is written";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

TEST_F(Patch936, AnErrorDuringTheRunIsReportedAndThenTheProgressWindowCloses) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::string game = makeGameFolder(kSimplifiedEdition);
    // A folder in the fourth file's place: the checks before writing refuse it.
    makeFolder(ansi(kSimplifiedEdition.gameFolder) + "\\game01.dat");
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();
    const std::size_t paintedBefore = gaugePaintCount(gauge());

    pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
    HWND progress = waitForWindow(process_, "TForm4");
    Box error = waitForMessageBox(process_, kRunTimeout);
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_ACCESS_DENIED, game + "\\game01.dat")));
    EXPECT_EQ(error.caption, "Setup") << "the application's error box, under the program's title";
    EXPECT_EQ(boxButtons(error), std::vector<int>{IDOK}) << "with OK alone";
    EXPECT_EQ(nameOf(boxIcon(error.window)), nameOf(BoxIcon::Stop));
    EXPECT_TRUE(isVisible(progress)) << "the progress window stays while the error is shown";
    EXPECT_EQ(gaugePercent(gauge()), 10) << "before the first file";
    EXPECT_EQ(gaugePainted(gauge(), paintedBefore), (std::vector<int>{0, 10})) << "and painted so";

    pressButton(error, IDOK);
    waitForIdle(main_, kRunTimeout);  // the action has run its course
    EXPECT_FALSE(isVisible(progress)) << "then the progress window closes";
    EXPECT_TRUE(isEnabled(main_)) << "and the main window is usable";
    std::vector<std::string> entries = folderEntries(game);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"Vandry.exe", "game01.dat"})) << "nothing is written";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "the run stopped before the shortcuts";
    EXPECT_EQ(notepadsStartedSince(testStart_), 0u) << "and Notepad is not started";
}

TEST_F(Patch950, WritesTheTraditionalEditionWithItsShortcuts) {
    ASSERT_EQ(GetACP(), 950u) << "this run wants LC_ALL=zh_TW.UTF-8";
    startSimplified();
    const std::string game = makeGameFolder(kTraditionalEdition);
    removeShortcuts(kTraditionalEdition);
    closeReadmeNotepads();

    chooseLanguage(ansi(kTraditional));
    waitForText(control("Memo1"), noticeAsShown(payload("TXT", "LINCE2")));
    runPatch(kTraditionalEdition, LanguageFileBytes(shippedLanguage(kTraditional)), game);
}

// ---------------------------------------------------------------- what the patch must never do

TEST_F(Patch936, OfTwoLongSiblingFoldersTheChosenOneIsPatched) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    removeShortcuts(kSimplifiedEdition);
    closeReadmeNotepads();

    // Two game folders side by side whose names differ in their last
    // character only, past byte 260 of their paths: a path read into
    // MAX_PATH bytes would make them one.
    std::wstring stem;
    for (int i = 0; i < 30; ++i) stem += L"浅水";
    const std::string parent = makeFolder(ansi(stem));
    const std::string first = makeFolder(ansi(stem + L"\\" + stem.substr(1) + L"甲"));
    const std::string second = makeFolder(ansi(stem + L"\\" + stem.substr(1) + L"乙"));
    ASSERT_GT(second.size() - 2, 260u) << "the two paths part after byte 260";
    ASSERT_EQ(first.substr(0, first.size() - 2), second.substr(0, second.size() - 2));
    ASSERT_LE(units(second + "\\CVandry.exe"), 259u) << "yet every file of the patch fits the file calls";
    for (const std::string& game : {first, second}) writeFile(game + "\\Vandry.exe", "stand-in for the game");

    const Edition edition{"GB_", "long-folder", kSimplifiedEdition.shortcutWords, nullptr};
    runPatch(edition, LanguageFileBytes(shippedLanguage(kSimplified)), second);
    EXPECT_EQ(folderEntries(first), std::vector<std::string>{"Vandry.exe"}) << "the other folder is untouched";
    EXPECT_EQ(folderEntries(parent).size(), 2u);
}

TEST_F(Patch936, AFolderTooLongForTheGameFilesIsRefusedWithTheSystemsTextAndNothingWritten) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    // 259 UTF-16 units is the longest path the file calls take.
    struct Row {
        std::size_t length;  // of the game folder
        const char* tooLong;  // the first file that does not fit
        bool progressShown;
    } rows[] = {
        {249, "\\Vandry.exe", false},  // even the game's own file is 260 long
        {248, "\\CVandry.exe", true},  // Vandry.exe fits, the patch's CVandry.exe not
    };
    // All made before the picker first opens: its tree reads a folder once.
    std::map<std::size_t, std::string> games;
    for (const Row& r : rows) {
        const std::string game = makeFolderOfLength(makeFolder(std::to_string(r.length)), r.length);
        ASSERT_EQ(units(game), r.length);
        writeFileWide(game + "\\Vandry.exe", "stand-in for the game");
        games[r.length] = game;
    }
    HWND progress = form("TForm4");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        const std::string& game = games[r.length];
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
        Box error = waitForMessageBox(process_, kRunTimeout);
        EXPECT_EQ(isVisible(progress), r.progressShown)
            << (r.progressShown ? "refused by the checks before the first file" : "refused before the patch starts");
        EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_FILENAME_EXCED_RANGE, game + r.tooLong)))
            << "the system's text for a name too long, and the path";
        closeErrorAndExpectNothingMore(error);
        EXPECT_EQ(folderEntries(game), std::vector<std::string>{"Vandry.exe"}) << "nothing is written";
    }
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

TEST_F(Patch936, AMainArchiveHeldOpenByAnotherProgramReplacesNothing) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    // An earlier installation, its main archive open in the game.
    const std::string game = makeGameFolder(kSimplifiedEdition);
    for (const Written& w : kWritten) writeFile(game + "\\" + w.file, oldBytes(4096, w.file));
    const auto before = filesOf(game);
    const std::string archive = game + "\\GAME00.DAT";
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the game holds GAME00.DAT without sharing";

    Box error = patchUntilError(game, texts);
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_SHARING_VIOLATION, archive)))
        << "the system's text for a file in use, and the file";
    closeErrorAndExpectNothingMore(error);
    CloseHandle(held);

    EXPECT_TRUE(filesOf(game) == before) << "every file is the old one, byte for byte, and no other is there";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

// Puts a file named Lunavire in place of the Start menu's folder, and the
// folder back afterwards.
class BlockedStartMenu {
public:
    BlockedStartMenu() : folder_(lunavireMenu()), aside_(folder_ + "-e2e-aside") {
        if (GetFileAttributesA(folder_.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !MoveFileA(folder_.c_str(), aside_.c_str()))
            throw Failure("cannot move the Start menu's Lunavire folder aside");
        writeFile(folder_, "in the way");
    }
    ~BlockedStartMenu() {
        DeleteFileA(folder_.c_str());
        MoveFileA(aside_.c_str(), folder_.c_str());
    }
    BlockedStartMenu(const BlockedStartMenu&) = delete;
    BlockedStartMenu& operator=(const BlockedStartMenu&) = delete;
    const std::string& path() const { return folder_; }

private:
    std::string folder_, aside_;
};

TEST_F(Patch936, AStartMenuFolderThatCannotBeMadeIsReportedOnceTheFilesAreInPlace) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::string game = makeGameFolder(kSimplifiedEdition);
    closeReadmeNotepads();
    BlockedStartMenu blocked;

    Box error = patchUntilError(game, texts);
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_ALREADY_EXISTS, blocked.path())))
        << "the error box says why the shortcuts are missing, instead of message 17";
    EXPECT_NE(escaped(error.text), escaped(texts.get("msgs", "msgs17")));
    closeErrorAndExpectNothingMore(error);

    for (const Written& w : kWritten) {
        SCOPED_TRACE(w.file);
        EXPECT_TRUE(readFile(game + "\\" + w.file) == payload("GB_", w.payload))
            << "the patch's files are all in place, whole";
    }
    EXPECT_EQ(folderEntries(game).size(), 6u) << "Vandry.exe and the five files, no temporary file";
    EXPECT_EQ(readFile(blocked.path()), "in the way") << "the player's file is left alone";
}

TEST_F(Patch936, ThePlayersLanguageStandsWhileTheDetectedFileKeepsFailing) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    // The detected Simplified file with a font size that is no number: the
    // start timer's every tick selects it and fails.
    std::string broken = shippedLanguage(kSimplified);
    const std::size_t size = broken.find("Size=", broken.find("[fontset]"));
    ASSERT_NE(size, std::string::npos);
    broken.replace(size, broken.find_first_of("\r\n", size) - size, "Size=abc");
    writeFile(folder_ + "\\" + ansi(kSimplified) + ".ini", broken);
    addShippedLanguage(kTraditional);
    association_ = std::make_unique<Gb2312Association>(true);
    start();

    const std::string simplified = ansi(kSimplified), traditional = ansi(kTraditional);
    EXPECT_TRUE(waitUntil(kStartLanguageTimeout, [&] { return selectedLanguage() == simplified; }))
        << "the start timer selects the detected language";
    EXPECT_EQ(escaped(textOf(control("Memo1"))), escaped(noticeAsShown(payload("TXT", "LINCE1"))))
        << "the Simplified notice is shown while the start-up keeps failing";
    EXPECT_TRUE(topLevelWindows(process_.id(), "#32770", true).empty()) << "its failures are not shown";

    chooseLanguage(traditional);
    // Under code page 936 the Big5 texts show as this code page reads them.
    const LanguageFileBytes texts(asShownHere(shippedLanguage(kTraditional)));
    waitForText(control("Memo1"), asShownHere(noticeAsShown(payload("TXT", "LINCE2"))));
    waitForText(main_, texts.get("window1", "title"));
    // Three seconds: three ticks of the start timer, had it gone on.  The
    // program must have had them: it takes a mark in its event loop after
    // them, and WM_TIMER comes whenever that loop finds nothing else.
    EXPECT_FALSE(waitUntil(3000, [&] { return selectedLanguage() != traditional; }))
        << "the list keeps the player's choice";
    waitForIdle(main_);
    waitForIdle(main_);
    EXPECT_EQ(escaped(selectedLanguage()), escaped(traditional)) << "the list keeps the player's choice";
    EXPECT_EQ(escaped(textOf(main_)), escaped(texts.get("window1", "title"))) << "and the Traditional titles";

    const std::string game = makeGameFolder(kTraditionalEdition);
    removeShortcuts(kTraditionalEdition);
    closeReadmeNotepads();
    const Edition edition{"BIG", "traditional-936", kTraditionalEdition.shortcutWords, nullptr};
    runPatch(edition, texts, game);
}

// A game on a disk too small for the patch: a tmpfs that small-disk.sh
// mounts and names in LUNAVIRE_SMALL_DISK.
class SmallDisk936 : public PatchTest {};

TEST_F(SmallDisk936, TooLittleRoomLeavesTheOldArchiveWholeAndNoTemporaryFile) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    char disk[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("LUNAVIRE_SMALL_DISK", disk, MAX_PATH), 0u)
        << "run by small-disk.sh, which mounts the small disk";
    const std::string game = std::string(disk) + "\\game";
    removeTree(game);
    ASSERT_TRUE(CreateDirectoryA(game.c_str(), nullptr)) << game;
    writeFile(game + "\\Vandry.exe", "stand-in for the game");
    const std::string archive = oldBytes(100 * 1024, "game01.dat");
    writeFile(game + "\\game01.dat", archive);
    ULARGE_INTEGER freeBefore{}, freeAfter{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(game.c_str(), &freeBefore, nullptr, nullptr));
    std::size_t needed = 0;
    for (const Written& w : kWritten) needed += payload("GB_", w.payload).size();
    std::printf("small disk: %llu KB free beside Vandry.exe and a 100 KB game01.dat; the five new files are %zu KB\n",
                static_cast<unsigned long long>(freeBefore.QuadPart / 1024), needed / 1024);
    ASSERT_LT(freeBefore.QuadPart, needed) << "the disk is too small for the patch";

    startSimplified();
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();
    Box error = patchUntilError(game, LanguageFileBytes(shippedLanguage(kSimplified)));
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_DISK_FULL, game)))
        << "the system's text for a full disk, and the folder";
    closeErrorAndExpectNothingMore(error);

    EXPECT_TRUE(readFile(game + "\\game01.dat") == archive) << "game01.dat is the old 100 KB, byte for byte";
    std::vector<std::string> entries = folderEntries(game);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"Vandry.exe", "game01.dat"})) << "no file is added, no temporary one";
    ASSERT_TRUE(GetDiskFreeSpaceExA(game.c_str(), &freeAfter, nullptr, nullptr));
    EXPECT_EQ(freeAfter.QuadPart, freeBefore.QuadPart) << "the disk is as it was";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made";
    removeTree(game);
}

}  // namespace
}  // namespace e2e
