// A game copied into a folder by hand, patched through the main window under
// Wine; then the folder's own entry in Windows' list (`reg query` of it in
// the artifacts) started as Windows starts it: its uninstaller offers the
// patch alone (a screenshot), puts the game's files back byte for byte and
// takes the entry away.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/e2e/PatchSession.h"

namespace e2e {
namespace {

using namespace robot;

std::string entryValue(const std::string& key, const char* name) {
    char text[MAX_PATH * 2];
    DWORD bytes = sizeof text;
    return RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, text,
                        &bytes) == ERROR_SUCCESS
               ? text
               : "";
}
void keepRegQuery(const std::string& key, const std::string& name) {
    std::ofstream(artifactPath(name), std::ios::binary)
        << utf8FromAnsi(commandOutput("reg.exe query \"HKLM\\" + key + "\" /reg:32"));
}

class PatchEntry936 : public PatchTest {};

// The Simplified edition, its artifacts under names of their own.
const Edition kEdition{"GB_", "patch-entry", kSimplifiedEdition.shortcutWords, kSimplifiedEdition.gameFolder};

TEST_F(PatchEntry936, AGameCopiedInByHandGetsThePatchsOwnEntryWhichTakesThePatchAwayAlone) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    // The game with two of the files the patch replaces.
    const std::string game = makeGameFolder(kEdition);
    writeFile(game + "\\game01.dat", oldBytes(3000, "game01"));
    writeFile(game + "\\GAME00.DAT", oldBytes(70000, "game00"));
    const auto before = filesOf(game);
    removeShortcuts(kEdition);
    closeReadmeNotepads();
    runPatch(kEdition, texts, game);
    closeWindow(main_);
    ASSERT_EQ(process_.waitForExit(), 0u) << "the installer ends before its uninstaller may start";

    const auto entries = entriesBelow(folder_);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_EQ(entries[0].first, HKEY_LOCAL_MACHINE);
    const std::string key = entries[0].second;
    keepRegQuery(key, "patch-entry-reg-after-patch.txt");
    // With another of our entries in the list, the name tells its folder after it.
    const std::string name = texts.get("msgs", "PatchName");
    EXPECT_EQ(escaped(entryValue(key, "DisplayName").substr(0, name.size())), escaped(name));
    const std::string command = entryValue(key, "UninstallString");
    ASSERT_EQ(escaped(command), escaped("\"" + game + "\\Uninstall\\Uninstall.exe\" /uninstall"));

    // As the list starts it: the installed uninstaller hands over to a copy of itself and ends.
    const std::size_t quote = command.find('"', 1);
    EXPECT_EQ(Process::start(command.substr(1, quote - 1), command.substr(quote + 2)).waitForExit(), 0u);
    HWND question = nullptr;
    ASSERT_TRUE(waitUntil(kStartTimeout, [&] {
        const auto shown = visibleWindowsOfClass("TForm5");
        return (question = shown.empty() ? nullptr : shown.front()) != nullptr;
    }));
    DWORD pid = 0;
    GetWindowThreadProcessId(question, &pid);
    process_ = Process::attach(pid);
    EXPECT_FALSE(isVisible(waitForControl(question, "Button2")) || isVisible(waitForControl(question, "Label3")))
        << "the whole game is not offered";
    settle(question);
    saveScreenshot(question, artifactPath("patch-entry-uninstaller.bmp"));
    click(waitForControl(question, "Button1"));
    Box report = waitForMessageBox(process_, kRunTimeout);
    const std::string done = texts.get("msgs", "UninstallPatchDone");
    EXPECT_EQ(escaped(report.text.substr(0, done.size())), escaped(done)) << escaped(report.text);
    pressButton(report, IDOK);
    EXPECT_EQ(process_.waitForExit(), 0u);

    ASSERT_EQ(GetFileAttributesA((game + "\\Uninstall").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the uninstaller and its record went";
    auto after = filesOf(game);
    EXPECT_EQ(after.erase("patch.log"), 1u) << "the patch's story stays with the game";
    EXPECT_TRUE(after == before) << "the game's files byte for byte, and nothing else";
    EXPECT_TRUE(entriesBelow(folder_).empty()) << "the entry left the list";
    keepRegQuery(key, "patch-entry-reg-after-removal.txt");
}

}  // namespace
}  // namespace e2e
