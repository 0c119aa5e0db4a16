// The patch run of Setup.exe, end to end under Wine: Button3, the question,
// the folder picker, the progress window and its gauge, the final message,
// the five files of the edition, the Start-menu shortcuts and Notepad with
// the readme.  The Simplified edition runs under code page 936, the
// Traditional one under 950.  The shortcuts are copied to the artifacts and
// listed for lnkinfo, which reads them on the Linux side.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Screen.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {
namespace {

using namespace robot;

// Extracting the archives takes a moment under Wine on a busy machine.
constexpr DWORD kRunTimeout = 30000;

struct Edition {
    const char* group;  // payload group of the edition's own files
    const char* tag;    // for the artifacts' names
    // The game folder, as a player's may be: with a blank, which goes into
    // Notepad's command line unquoted, and a character whose second byte in
    // the edition's code page is a backslash (淺 is 9C 5C in GBK, 功 is A5 5C
    // in Big5), which the shortcuts store as ANSI bytes.
    const wchar_t* gameFolder;
};
const Edition kSimplifiedEdition{"GB_", "simplified", L"淺水 游戏"};
const Edition kTraditionalEdition{"BIG", "traditional", L"功夫 遊戲"};

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
// The game shortcut's file: "中文版" in this code page's bytes, GBK under
// 936 (kind 2), Big5 under 950 (kind 3).
std::string gameShortcut() { return lunavireMenu() + "\\Lunavire" + ansi(L"中文版") + ".lnk"; }
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

void removeShortcuts() {
    for (const std::string& link : {gameShortcut(), readmeShortcut()}) {
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

// The percentages the gauge shows from now on, each change once, until it
// reaches the run's last step (which stays up under the final message) or a
// message box comes instead.
std::vector<int> watchGauge(HWND gauge, const Process& process, int last) {
    std::vector<int> seen;
    const DWORD start = GetTickCount();
    for (unsigned i = 0; GetTickCount() - start < kRunTimeout; ++i) {
        const int now = gaugePercent(gauge);
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        if (now == last) break;
        if (i % 512 == 0 && !visibleMessageBoxes(process).empty()) break;
    }
    return seen;
}

class PatchTest : public SetupSession {
protected:
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

    // The whole run, from Button3 to the closed progress window and Notepad.
    void runPatch(const Edition& edition, const LanguageFileBytes& texts, const std::string& game) {
        const std::string tag = edition.tag;
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));

        HWND progress = waitForWindow(process_, "TForm4");
        HWND gauge = waitForControl(progress, "Gauge1");
        // The run starts 300 ms after the window shows.
        EXPECT_EQ(watchGauge(gauge, process_, 99), (std::vector<int>{0, 10, 30, 50, 85, 99}))
            << "the gauge shows each step of the run, in order";
        EXPECT_FALSE(isEnabled(main_)) << "the progress window is modal";
        EXPECT_EQ(clientSize(progress).cx, 323);
        EXPECT_EQ(clientSize(progress).cy, 67);
        EXPECT_EQ(clientSize(gauge).cx, 289) << "the gauge keeps its size";
        EXPECT_EQ(clientSize(gauge).cy, 28);

        Box done = waitForMessageBox(process_, kRunTimeout);
        EXPECT_EQ(escaped(done.text), escaped(texts.get("msgs", "msgs17"))) << "the final message (17)";
        EXPECT_EQ(escaped(done.caption), escaped(texts.get("msgs", "msgs1")));
        EXPECT_EQ(boxButtons(done), std::vector<int>{IDOK}) << "with OK alone";
        EXPECT_EQ(nameOf(boxIcon(done.window)), nameOf(BoxIcon::Information));
        EXPECT_TRUE(isVisible(progress)) << "the progress window waits for the final message";
        EXPECT_TRUE(readmeNotepads().empty()) << "Notepad starts only after the final message";

        // The box sits over the progress window: move it aside, let the
        // window repaint, and look at the gauge.
        moveWindow(done.window, 0, 0);
        settle(progress);
        const double fill = gaugeFill(gauge);
        EXPECT_GE(fill, 0.97) << "the gauge stands at 99% (bar " << fill * 100 << "% black)";
        EXPECT_LT(fill, 1.0) << "and never shows 100%";
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
            EXPECT_EQ(textOf(text), payload(edition.group, "README")) << "Notepad shows the readme's bytes";
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
        ASSERT_TRUE(fileExists(gameShortcut())) << escaped(gameShortcut());
        listShortcutForLinux(readmeShortcut(), "shortcut-readme-" + tag + ".lnk", game + "\\readme.txt", game + "\\");
        listShortcutForLinux(gameShortcut(), "shortcut-game-" + tag + ".lnk", game + "\\KESTAL.exe", game + "\\");
    }

    std::unique_ptr<Gb2312Association> association_;
};

class Patch936 : public PatchTest {};
class Patch950 : public PatchTest {};

TEST_F(Patch936, WritesTheSimplifiedEditionWithItsShortcutsAndOpensTheReadmeInTheSystemsNotepad) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    plantImpostors();
    startSimplified();
    const std::string game = makeGameFolder(kSimplifiedEdition);
    removeShortcuts();
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

    click(control("Button3"));
    pressButton(waitForMessageBox(process_), IDOK);
    HWND picker = waitForWindow(process_, "TForm3");
    RemoteTree(waitForControl(picker, "ShellTreeView1")).selectPath(game);
    click(waitForControl(picker, "Button2"));

    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(picker) && isEnabled(main_); }))
        << "Cancel closes the picker and gives the main window back";
    EXPECT_FALSE(waitUntil(3000, [&] { return !visibleMessageBoxes(process_).empty(); }))
        << "no run follows, and so no final message";
    EXPECT_FALSE(isVisible(form("TForm4"))) << "the progress window is not shown";
    EXPECT_EQ(folderEntries(game), std::vector<std::string>{"Vandry.exe"}) << "nothing is written";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

TEST_F(Patch936, AnErrorDuringTheRunIsReportedAndThenTheProgressWindowCloses) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::string game = makeGameFolder(kSimplifiedEdition);
    makeFolder(ansi(kSimplifiedEdition.gameFolder) + "\\game01.dat");  // the fourth file cannot be written
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
    HWND progress = waitForWindow(process_, "TForm4");
    Box error = waitForMessageBox(process_, kRunTimeout);
    EXPECT_EQ(escaped(error.text), escaped("Cannot create file " + game + "\\game01.dat."));
    EXPECT_EQ(error.caption, "Setup") << "the application's error box, under the program's title";
    EXPECT_EQ(boxButtons(error), std::vector<int>{IDOK}) << "with OK alone";
    EXPECT_EQ(nameOf(boxIcon(error.window)), nameOf(BoxIcon::Stop));
    EXPECT_TRUE(isVisible(progress)) << "the progress window stays while the error is shown";
    EXPECT_EQ(gaugePercent(waitForControl(progress, "Gauge1")), 50) << "at the step that failed";

    pressButton(error, IDOK);
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(progress) && isEnabled(main_); }))
        << "then the progress window closes and the main window is usable";
    std::vector<std::string> entries = folderEntries(game);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"CVandry.exe", "KESTAL.exe", "Vandry.exe", "game01.dat",
                                                 "readme.txt"}))
        << "what was written before the error stays, nothing after it is written";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "the run stopped before the shortcuts";
    EXPECT_TRUE(readmeNotepads().empty()) << "and Notepad is not started";
}

TEST_F(Patch950, WritesTheTraditionalEditionWithItsShortcuts) {
    ASSERT_EQ(GetACP(), 950u) << "this run wants LC_ALL=zh_TW.UTF-8";
    startSimplified();
    const std::string game = makeGameFolder(kTraditionalEdition);
    removeShortcuts();
    closeReadmeNotepads();

    chooseLanguage(ansi(kTraditional));
    waitForText(control("Memo1"), noticeAsShown(payload("TXT", "LINCE2")));
    runPatch(kTraditionalEdition, LanguageFileBytes(shippedLanguage(kTraditional)), game);
}

}  // namespace
}  // namespace e2e
