// Code page, the caption-button font, own resources, the Programs folder, shell links and WinExec.
#include <gtest/gtest.h>

#include <vector>

#include "base/Error.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/win32/ShellPath.h"
#include "tests/win32/TestSupport.h"

namespace {

using w32test::platform;
using w32test::TempDir;

TEST(Program, RunsInTheChineseAnsiCodePage) {
    // The locale of the test run (zh_CN.UTF-8) must give code page 936;
    // Wine silently falls back to 1252 when the locale is missing.
    EXPECT_EQ(platform().ansiCodePage(), 936u);
    EXPECT_TRUE(platform().isDbcsLeadByte(0xB0)) << "first byte of a GBK character";
    EXPECT_FALSE(platform().isDbcsLeadByte('\\'));
    EXPECT_FALSE(platform().isDbcsLeadByte(0x80)) << "0x80 leads nothing in GBK";
}

// The system draws the windows' caption buttons (close, minimise, maximise)
// as glyphs of its Marlett symbol font; a system that lacks it gives another
// face, and the buttons show the letters "r", "0" and "1".
TEST(Program, TheSystemHasItsCaptionButtonFont) {
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Marlett");
    ASSERT_NE(font, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    EXPECT_STREQ(face, "Marlett");
}

TEST(Program, ProgramPathIsTheRunningFile) {
    std::string path = platform().programPath();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path[1], ':');
    EXPECT_TRUE(platform().fileExists(plat::Path(path)));
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
}

TEST(Program, OwnResourcesIgnoreCase) {
    struct Row {
        const char *type, *name;
        bool found;
    } rows[] = {
        {"GB_", "KESTAL", true}, {"gb_", "kestal", true}, {"Gb_", "KeStAl", true},
        {"BIG", "KESTAL", false}, {"GB_", "KESTAL2", false},
    };
    for (const auto& r : rows) {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        EXPECT_EQ(platform().ownResource(r.type, r.name, data, size).ok(), r.found) << r.type << "/" << r.name;
        if (r.found) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "lunavire test resource\n");
        }
    }
}

TEST(Shell, ProgramsFolderExists) {
    std::string folder = platform().programsFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(platform().folderExists(plat::Path(folder))) << folder;
}

std::wstring wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

// Folders made and removed by their UTF-16 names, which the ANSI calls may
// not reach.
class WideFolders {
public:
    ~WideFolders() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDirectoryW(it->c_str());
    }
    std::wstring make(const std::wstring& path) {
        if (!CreateDirectoryW(path.c_str(), nullptr)) ADD_FAILURE() << "cannot create a test folder";
        made_.push_back(path);
        return path;
    }

private:
    std::vector<std::wstring> made_;
};

std::string shellPathOf(const std::wstring& folder) {
    w32::ItemIdList pidl(ILCreateFromPathW(folder.c_str()));
    if (!pidl) throw std::runtime_error("no item id list for a test folder");
    return w32::fileSystemPath(pidl.get());
}

TEST(Shell, AFolderPathIsReadWholeBeyondMaxPathBytes) {
    TempDir dir;
    WideFolders folders;
    // Two levels of 80 characters each: over 260 bytes in GBK, under 260
    // characters; a buffer of MAX_PATH bytes would cut it short.
    const std::wstring first = folders.make(wide(dir.path()) + L"\\" + std::wstring(80, L'\u6d45'));
    const std::wstring second = folders.make(first + L"\\" + std::wstring(80, L'\u6c34'));
    const std::string path = shellPathOf(second);
    EXPECT_GT(path.size(), static_cast<std::size_t>(MAX_PATH)) << "the test path is longer than MAX_PATH bytes";
    EXPECT_EQ(wide(path), second) << "every byte of the path comes back";

    ITEMIDLIST* drives = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)));
    w32::ItemIdList computer(drives);
    EXPECT_EQ(w32::fileSystemPath(computer.get()), "") << "My Computer is no file-system folder";
}

TEST(Shell, AFolderTheCodePageCannotSpellIsRefused) {
    TempDir dir;
    WideFolders folders;
    // Thai: no character of code page 936.
    const std::wstring thai = folders.make(wide(dir.path()) + L"\\\u0e01\u0e02");
    try {
        shellPathOf(thai);
        ADD_FAILURE() << "a path with question marks in place of characters names another folder";
    } catch (const base::Error& e) {
        const std::string text = platform().errorText(ERROR_NO_UNICODE_TRANSLATION);
        EXPECT_EQ(std::string(e.what()).substr(0, text.size() - 2), text.substr(0, text.size() - 2))
            << "the system's text for a character without translation";
    }
}

TEST(Shell, LinkIsSavedUnderItsAnsiNameWithPathAndFolder) {
    TempDir dir;
    // "中文版" in GBK: the name is converted with the ANSI code page.
    const plat::Path name = dir / "Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk";
    const std::string target = "C:\\Games\\Lunavire\\Vandry.EXE";
    {
        auto link = platform().createShellLink();
        link->setPath(target);
        link->setWorkingDirectory("C:\\Games\\Lunavire\\");
        EXPECT_TRUE(link->save(name).ok()) << "a save that worked says so";
    }
    ASSERT_NE(GetFileAttributesW(wide(name.text()).c_str()), INVALID_FILE_ATTRIBUTES) << "saved under the decoded name";

    w32::ComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           link.putVoid())));
    w32::ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Load(wide(name.text()).c_str(), STGM_READ)));
    char path[MAX_PATH] = {}, work[MAX_PATH] = {};
    link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(work, MAX_PATH);
    EXPECT_STRCASEEQ(path, target.c_str());
    EXPECT_STREQ(work, "C:\\Games\\Lunavire\\");
}

TEST(Shell, ALinkThatCannotBeSavedSaysSoAndWhy) {
    TempDir dir;
    auto link = platform().createShellLink();
    link->setPath("C:\\Games\\Lunavire\\Vandry.EXE");
    SetLastError(0);
    const plat::SysError e = link->save(dir / "missing\\Lunavire.lnk");
    EXPECT_TRUE(e.failed()) << "a shortcut into a missing folder is not saved, and the reason comes with it";
    EXPECT_FALSE(platform().fileExists(dir / "missing\\Lunavire.lnk"));
}

TEST(Shell, WinExecReturnsWhileTheStartedProgramStillRuns) {
    TempDir dir;
    // This program again, holding until the event is set.
    const std::string event = "LunavireHold" + std::to_string(GetCurrentProcessId());
    w32::KernelHandle release(CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
    platform().winExec("\"" + platform().programPath() + "\" --hold-until " + event + " \"" + dir.path() + "\"",
                       plat::sw::ShowNoActivate);
    const bool endedBeforeTheStartReturned = platform().fileExists(dir / "ended");
    SetEvent(release.get());
    EXPECT_FALSE(endedBeforeTheStartReturned) << "the start returns while the program runs";
    EXPECT_TRUE(w32test::pumpUntil([&] { return platform().fileExists(dir / "ended"); }, 60000))
        << "the program ran, and ended once released";
    EXPECT_TRUE(platform().fileExists(dir / "started"));
}

}  // namespace

namespace {

TEST(Shell, ExecAndWaitReturnsOnlyOnceTheProgramHasEnded) {
    TempDir dir;
    const plat::Path first = dir / "first.txt", last = dir / "last.txt";
    int ticks = 0;
    auto id = platform().setTimer(10, [&] { ++ticks; });
    std::uint32_t exitCode = 99;
    EXPECT_TRUE(platform()
                    .execAndWait("cmd.exe /c echo one> \"" + first.text() + "\" & copy \"" + first.text() + "\" \"" +
                                     last.text() + "\" >nul",
                                 plat::sw::ShowNoActivate, exitCode)
                    .ok());
    platform().killTimer(id);
    EXPECT_TRUE(platform().fileExists(last)) << "the program's last step was done when the call returned";
    EXPECT_GT(ticks, 0) << "timers keep ticking while the program runs";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(platform().execAndWait("cmd.exe /c exit 3", plat::sw::ShowNoActivate, exitCode).ok());
    EXPECT_EQ(exitCode, 3u) << "the program's own exit code";
}

TEST(Shell, AProgramThatCannotStartIsReportedWithTheSystemsReason) {
    std::uint32_t exitCode = 0;
    SetLastError(0);
    EXPECT_EQ(platform().execAndWait("no-such-program-here.exe", plat::sw::ShowNoActivate, exitCode).code(),
              plat::err::FileNotFound);
    SetLastError(0);
    const std::uint32_t code =
        platform().winExec("C:\\no-such-folder\\no-such-program.exe", plat::sw::ShowNoActivate).code();
    EXPECT_TRUE(code == plat::err::FileNotFound || code == plat::err::PathNotFound) << code;
    EXPECT_FALSE(platform().errorText(code).empty()) << "the system has a text for the reason";
}

}  // namespace
