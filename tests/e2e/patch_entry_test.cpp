// A game that this program did not install, patched and unpatched end to
// end under Wine: the game copied into a folder by hand, the patch applied
// through the main window, then the folder's own entry in Windows' list
// (`reg query` of it kept in the artifacts) started as Windows starts it.
// Its uninstaller offers the patch alone (a screenshot of its window is
// kept), puts the game's files back byte for byte and takes the entry away.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/PatchSession.h"

namespace e2e {
namespace {

using namespace robot;

// A program's output, run to its end (a minute at most).
std::string output(const std::string& commandLine) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) throw Failure("no pipe");
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const bool started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    std::string text;
    if (started) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n) text.append(buf, n);
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(read);
    if (!started) throw Failure("cannot start " + commandLine);
    return text;
}

std::string value(HKEY root, const std::string& key, const char* name) {
    char text[MAX_PATH * 2];
    DWORD bytes = sizeof text;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, text, &bytes) !=
        ERROR_SUCCESS)
        return "";
    return text;
}

class PatchEntry936 : public PatchTest {
protected:
    void keepRegQuery(const std::string& key, const std::string& name) {
        std::ofstream out(artifactPath(name), std::ios::binary);
        out << utf8FromAnsi(output("reg.exe query \"HKLM\\" + key + "\" /reg:32"));
    }
};

// The Simplified edition, its artifacts under a name of their own.
const Edition kEdition{"GB_", "patch-entry", kSimplifiedEdition.shortcutWords, kSimplifiedEdition.gameFolder};

TEST_F(PatchEntry936, AGameCopiedInByHandGetsThePatchsOwnEntryWhichTakesThePatchAwayAlone) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    // The game as its own installer leaves it: two of the files the patch replaces among its own.
    const std::string game = makeGameFolder(kEdition);
    writeFile(game + "\\game01.dat", oldBytes(3000, "game01"));
    writeFile(game + "\\GAME00.DAT", oldBytes(70000, "game00"));
    writeFile(game + "\\music.dat", oldBytes(500, "music"));
    const auto before = filesOf(game);
    removeShortcuts(kEdition);
    closeReadmeNotepads();
    runPatch(kEdition, texts, game);
    closeWindow(main_);
    ASSERT_EQ(process_.waitForExit(), 0u) << "the installer ends before its uninstaller may start";

    const auto entries = entriesBelow(folder_);
    ASSERT_EQ(entries.size(), 1u) << "the game folder's entry, and no other of the test's folders";
    ASSERT_EQ(entries[0].first, HKEY_LOCAL_MACHINE);
    const std::string key = entries[0].second;
    keepRegQuery(key, "patch-entry-reg-after-patch.txt");
    EXPECT_EQ(escaped(value(HKEY_LOCAL_MACHINE, key, "DisplayName")), escaped(texts.get("msgs", "PatchName")));
    EXPECT_EQ(escaped(value(HKEY_LOCAL_MACHINE, key, "InstallLocation")), escaped(game));
    const std::string command = value(HKEY_LOCAL_MACHINE, key, "UninstallString");
    ASSERT_EQ(escaped(command), escaped("\"" + game + "\\Uninstall\\Uninstall.exe\" /uninstall"));

    // As Windows' list starts it: the installed uninstaller hands over to a copy of itself.
    Process installed = Process::start(game + "\\Uninstall\\Uninstall.exe", "/uninstall");
    EXPECT_EQ(installed.waitForExit(), 0u);
    HWND question = nullptr;
    ASSERT_TRUE(waitUntil(kStartTimeout, [&] {
        const auto w = visibleWindowsOfClass("TForm5");
        question = w.empty() ? nullptr : w.front();
        return question != nullptr;
    })) << "the uninstall window";
    DWORD pid = 0;
    GetWindowThreadProcessId(question, &pid);
    process_ = Process::attach(pid);
    EXPECT_TRUE(isVisible(waitForControl(question, "Button1")));
    EXPECT_FALSE(isVisible(waitForControl(question, "Button2"))) << "the whole game is not offered";
    EXPECT_FALSE(isVisible(waitForControl(question, "Label3")));
    settle(question);
    saveScreenshot(question, artifactPath("patch-entry-uninstaller.bmp"));
    click(waitForControl(question, "Button1"));
    Box report = waitForMessageBox(process_, kRunTimeout);
    const std::string done = texts.get("msgs", "UninstallPatchDone");
    EXPECT_EQ(escaped(report.text.substr(0, done.size())), escaped(done)) << escaped(report.text);
    settle(report.window);
    saveScreenshot(report.window, artifactPath("patch-entry-report.bmp"));
    pressButton(report, IDOK);
    EXPECT_EQ(process_.waitForExit(), 0u);

    auto after = filesOf(game);
    EXPECT_NE(after.erase("patch.log"), 0u) << "the patch's story stays with the game";
    EXPECT_TRUE(after == before) << "the game's files byte for byte, and nothing else of the patch's";
    std::vector<std::string> names;
    for (const auto& [name, bytes] : after) names.push_back(escaped(name));
    EXPECT_EQ(names, (std::vector<std::string>{"GAME00.DAT", "Vandry.exe", "game01.dat", "music.dat"}));
    EXPECT_FALSE(fileExists(game + "\\Uninstall")) << "the uninstaller and its record went";
    EXPECT_TRUE(entriesBelow(folder_).empty()) << "the entry left the list";
    keepRegQuery(key, "patch-entry-reg-after-removal.txt");
    EXPECT_FALSE(fileExists(readmeShortcut()));
}

}  // namespace
}  // namespace e2e
