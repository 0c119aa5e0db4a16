// Code page, own resources, the Programs folder, shell links and WinExec.
#include <gtest/gtest.h>

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

TEST(Program, ProgramPathIsTheRunningFile) {
    std::string path = platform().programPath();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path[1], ':');
    EXPECT_TRUE(platform().fileExists(path));
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
        EXPECT_EQ(platform().ownResource(r.type, r.name, data, size), r.found) << r.type << "/" << r.name;
        if (r.found) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "lunavire test resource\n");
        }
    }
}

TEST(Shell, ProgramsFolderExists) {
    std::string folder = platform().programsFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(platform().folderExists(folder)) << folder;
}

std::wstring wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

TEST(Shell, LinkIsSavedUnderItsAnsiNameWithPathAndFolder) {
    TempDir dir;
    // "中文版" in GBK: the name is converted with the ANSI code page.
    const std::string name = dir / "Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk";
    const std::string target = "C:\\Games\\Lunavire\\Vandry.EXE";
    {
        auto link = platform().createShellLink();
        link->setPath(target);
        link->setWorkingDirectory("C:\\Games\\Lunavire\\");
        link->save(name);
    }
    ASSERT_NE(GetFileAttributesW(wide(name).c_str()), INVALID_FILE_ATTRIBUTES) << "saved under the decoded name";

    w32::ComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           link.putVoid())));
    w32::ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Load(wide(name).c_str(), STGM_READ)));
    char path[MAX_PATH] = {}, work[MAX_PATH] = {};
    link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(work, MAX_PATH);
    EXPECT_STRCASEEQ(path, target.c_str());
    EXPECT_STREQ(work, "C:\\Games\\Lunavire\\");
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
    const std::string first = dir / "first.txt", last = dir / "last.txt";
    int ticks = 0;
    auto id = platform().setTimer(10, [&] { ++ticks; });
    EXPECT_TRUE(platform().execAndWait(
        "cmd.exe /c echo one> \"" + first + "\" & copy \"" + first + "\" \"" + last + "\" >nul",
        plat::sw::ShowNoActivate));
    platform().killTimer(id);
    EXPECT_TRUE(platform().fileExists(last)) << "the program's last step was done when the call returned";
    EXPECT_GT(ticks, 0) << "timers keep ticking while the program runs";
    EXPECT_FALSE(platform().execAndWait("no-such-program-here.exe", plat::sw::ShowNoActivate));
}

}  // namespace
