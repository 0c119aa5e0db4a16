// The disc installation of Setup.exe, end to end under Wine: the program is
// started from the first stand-in disc in drive D:, installs into a folder
// with a Chinese name, and finds discs 2 and 3 (in drives E: and F:) by the
// player locating them in the folder picker.  Every file must arrive byte for
// byte; the install log's header names the Windows that the prefix reports;
// the game's shortcut is listed for lnkinfo.  Run by disc-e2e.sh, which lays
// out the discs and maps the drives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {

using namespace robot;

constexpr DWORD kCopyTimeout = 120000;
// The start-up language comes a second after start, later on a busy machine.
constexpr DWORD kStartLanguageTimeout = 60000;


// The system as this process sees it, in the words of the logs' header
// ("Windows 6.1.7601 Service Pack 1, ANSI code page 936").
std::string windowsAsLogged() {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto get = reinterpret_cast<RtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (!get || get(&v) != 0) throw Failure("RtlGetVersion is missing or fails");
    std::string text = "Windows " + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
                       "." + std::to_string(v.dwBuildNumber);
    if (v.szCSDVersion[0]) text += ' ';
    for (const wchar_t* c = v.szCSDVersion; *c; ++c) text += static_cast<char>(*c);  // ASCII: "Service Pack 1"
    return text + ", ANSI code page " + std::to_string(GetACP()) + "\r\n";
}

// Where a disc file lands: disc 1's "game" level is dropped.

class Discs936 : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        parent_ = std::string(temp) + "lunavire-discs-" + std::to_string(GetCurrentProcessId());
        removeTree(parent_);
        ASSERT_TRUE(CreateDirectoryA(parent_.c_str(), nullptr));
        // 乗 (81 5C in GBK) ends a folder name with a byte that is a backslash elsewhere.
        install_ = parent_ + "\\" + ansi(L"月之游戏乗") + "\\Lunavire";
        language_ = std::make_unique<LanguageFileBytes>(shippedLanguage(kSimplified));
    }
    void TearDown() override {
        if (process_.running()) process_.terminate();
        removeTree(parent_);
    }
    std::string msg(int i) const { return language_->get("msgs", "msgs" + std::to_string(i)); }

    // A box of the expected text and caption, answered with `button`.
    // With `shot`, the box and the window behind it are kept as screenshots.
    void expectBox(int text, int caption, int button, const char* shot = nullptr, HWND behind = nullptr) {
        Box b = waitForMessageBox(process_, kCopyTimeout);
        EXPECT_EQ(escaped(b.text), escaped(msg(text))) << "message " << text;
        EXPECT_EQ(escaped(b.caption), escaped(msg(caption))) << "caption " << caption;
        if (shot) {
            settle(b.window);
            saveScreenshot(b.window, artifactPath(std::string(shot) + "-box.bmp"));
            if (behind) saveScreenshot(behind, artifactPath(std::string(shot) + "-window.bmp"));
        }
        pressButton(b, button);
    }
    std::string parent_, install_;
    std::unique_ptr<LanguageFileBytes> language_;
    Process process_;
};

TEST_F(Discs936, ThreeDiscsInThreeCdDrivesInstallByteForByte) {
    Gb2312Association gb2312(true);
    process_ = Process::start("D:\\Setup.exe");
    HWND main = waitForWindow(process_, "TForm1");
    // The start-up language comes a second after start; its title is the file's.
    waitForText(main, language_->get("window1", "title"), kStartLanguageTimeout);

    click(waitForControl(main, "Button1"));
    HWND disc = waitForWindow(process_, "TForm2");
    EXPECT_EQ(textOf(waitForControl(disc, "Edit1")), "D:") << "the program's own folder, a drive root cut to D:";
    HWND edit2 = waitForControl(disc, "Edit2");
    SendMessageA(edit2, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(install_.c_str()));
    // The install folder's parent must exist; its last level is made.
    ASSERT_TRUE(CreateDirectoryA(robot::folderOf(install_).c_str(), nullptr));
    click(waitForControl(disc, "Button1"));

    // Disc 1 is copied; then the player is asked for disc 2, which is not in
    // D: but in the second CD drive, where Retry finds it; disc 3 in the third.
    HWND label2 = waitForControl(disc, "Label2");
    EXPECT_TRUE(waitUntil(kCopyTimeout, [&] { return textOf(label2).rfind(install_, 0) == 0; }))
        << "the destination is shown: " << escaped(textOf(label2));
    expectBox(5, 6, IDRETRY, "disc-prompt", disc);
    expectBox(11, 6, IDRETRY);
    expectBox(12, 1, IDOK);
    ASSERT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(disc); })) << "the window closes at the end";

    const char* roots[] = {nullptr, "D:\\", "E:\\", "F:\\"};
    int checked = 0;
    for (const DiscFile& f : discManifest()) {
        SCOPED_TRACE(f.path);
        std::string copy = install_ + "\\" + f.installedAs();
        ASSERT_TRUE(fileExists(copy)) << copy;
        EXPECT_TRUE(readFile(copy) == readFile(roots[f.disc] + f.path)) << "byte for byte";
        ++checked;
    }
    EXPECT_GT(checked, 20);
    const std::string log = readFile(install_ + "\\install.log");
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 that Notepad knows as such";
    for (const char* line : {"disc 2 found in E:\r\n", "disc 3 found in F:\r\n", "outcome: complete, "})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    const std::string windows = windowsAsLogged();
    EXPECT_NE(log.find(windows), std::string::npos) << "the header names the system: " << windows;
    // The second prefix is set to Windows 10 (tests/e2e/Windows10.cmake).
    const char* asked = std::getenv("LUNAVIRE_WINDOWS");
    if (asked && std::string(asked) == "win10") {
        EXPECT_EQ(windows.substr(0, 13), "Windows 10.0.") << "the prefix reports Windows 10";
    }
    writeFile(artifactPath("discs-install.log"), log);

    const std::string link = programsFolder() + "\\Lunavire\\Lunavire.lnk";
    ASSERT_TRUE(fileExists(link));
    listShortcutForLinux(link, "discs-Lunavire.lnk", install_ + "\\Vandry.EXE", install_ + "\\");
    closeWindow(main);
    EXPECT_EQ(process_.waitForExit(), 0u);
}

}  // namespace
}  // namespace e2e
