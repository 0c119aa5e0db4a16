// The patch run of Setup.exe, end to end under Wine: Button3, the question,
// the folder picker, the progress window and its gauge, the final message,
// the five files of the edition, the Start-menu shortcuts and Notepad with
// the readme.  The Simplified edition runs under code page 936, the
// Traditional one under 950.  The shortcuts are copied to the artifacts and
// listed for lnkinfo, which reads them on the Linux side.
//
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/PatchSession.h"

namespace e2e {
namespace {

using namespace robot;

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

}  // namespace
}  // namespace e2e
