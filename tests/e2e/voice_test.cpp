// The voice add-on of Setup.exe, end to end under Wine: Button4, the
// question, the two stand-in installers on the screen while the program
// waits, the registry script imported by the registry editor, the three
// files in the root of drive C gone, and the completion message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {

using namespace robot;

// How long the test keeps the installers up, measuring what the program's
// wait costs meanwhile.
constexpr DWORD kWaitSpellMs = 3000;
constexpr DWORD kWaitTimeout = 120000;
const char* const kFiles[] = {"C:\\setvice.exe", "C:\\asr3232.exe", "C:\\00.reg"};

double cpuSeconds(HANDLE process) {
    FILETIME c, e, k, u;
    if (!GetProcessTimes(process, &c, &e, &k, &u)) return 0;
    auto value = [](const FILETIME& f) {
        return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    return (value(k) + value(u)) * 1e-7;
}

// `reg query` as a user would check the import; its exit code says whether
// the value is there.
DWORD regQuery(const char* key, const char* value) {
    std::string line = std::string("reg.exe query \"") + key + "\" /v " + value;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        throw Failure("cannot start " + line);
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

class Voice936 : public SetupSession {
protected:
    void TearDown() override {
        // Installers that a failed test left up would stay for good, and so
        // would any stand-in that a later test starts with this setting.
        for (HWND w : visibleWindowsOfClass("LunavireStandIn")) PostMessageA(w, WM_CLOSE, 0, 0);
        SetEnvironmentVariableA("LUNAVIRE_STANDIN_AUTOCLOSE", nullptr);
        SetupSession::TearDown();
    }
};

TEST_F(Voice936, TheAddOnIsInstalledImportedAndCleanedUpWhileTheWindowsStayAlive) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Lunavire");
    ASSERT_NE(regQuery("HKLM\\Software\\Lunavire", "VoiceAddOn"), 0u) << "no value before the import";
    // The stand-in installers stay up until this test closes them: the
    // program's wait lasts as long as the test holds it.
    plantImpostors();
    SetEnvironmentVariableA("LUNAVIRE_STANDIN_AUTOCLOSE", "0");
    addShippedLanguage(kSimplified);
    start();
    LanguageFileBytes texts(shippedLanguage(kSimplified));

    click(control("Button4"));
    Box ask = waitForMessageBox(process_);
    EXPECT_EQ(escaped(ask.text), escaped(texts.get("msgs", "msgs0")));
    pressButton(ask, IDOK);

    // Both installers come up; the program imports the script meanwhile,
    // removes it, and waits for the installers to end.
    ASSERT_TRUE(waitUntil(kWaitTimeout, [] { return visibleWindowsOfClass("LunavireStandIn").size() >= 2; }))
        << "the two installers are shown";
    ASSERT_TRUE(waitUntil(kWaitTimeout, [] { return !fileExists("C:\\00.reg"); }))
        << "the script is imported and removed while the installers run";
    // Its own loop takes a mark: it waits inside Button4's handler, with no
    // modal window or box up.
    LoopState waiting = markTaken(main_);
    EXPECT_EQ(waiting.handlers, 1) << "the add-on waits in its handler";
    EXPECT_EQ(waiting.modalLoops, 0) << "and disables no window while it waits";
    EXPECT_TRUE(isEnabled(main_)) << "no window is disabled while the add-on waits";

    // A spell of waiting, measured; the installers are still up after it.
    const double cpu0 = cpuSeconds(process_.handle());
    const DWORD t0 = GetTickCount();
    Sleep(kWaitSpellMs);
    waiting = markTaken(main_);
    const double waited = (GetTickCount() - t0) / 1000.0, cpu = cpuSeconds(process_.handle()) - cpu0;
    EXPECT_EQ(visibleWindowsOfClass("LunavireStandIn").size(), 2u) << "the test holds the installers";
    EXPECT_EQ(waiting.handlers, 1) << "the message waits for the installers to end";
    EXPECT_EQ(waiting.modalLoops, 0);
    EXPECT_TRUE(visibleMessageBoxes(process_).empty()) << "the message waits for the installers to end";
    EXPECT_TRUE(fileExists("C:\\setvice.exe") && fileExists("C:\\asr3232.exe"))
        << "the installers' files stay while they run";

    // The installers end; then the files go and the message comes.
    for (HWND w : visibleWindowsOfClass("LunavireStandIn")) PostMessageA(w, WM_CLOSE, 0, 0);
    Box done = waitForMessageBox(process_, kWaitTimeout);
    EXPECT_EQ(escaped(done.text), escaped(texts.get("msgs", "msgs2")));
    for (const char* f : kFiles) EXPECT_FALSE(fileExists(f)) << f << " is gone";
    EXPECT_EQ(regQuery("HKLM\\Software\\Lunavire", "VoiceAddOn"), 0u) << "the script was imported";
    EXPECT_EQ(impostorStarts("regedit"), std::vector<std::string>{})
        << "the RegEdit.exe beside the program is not started";
    std::printf("voice add-on: waited %.2f s for the installers, Setup.exe used %.2f s of processor time (%.1f%%)\n",
                waited, cpu, 100 * cpu / waited);
    RecordProperty("wait_cpu_percent", std::to_string(100 * cpu / waited));
    EXPECT_LT(cpu / waited, 0.5) << "the waiting loops do not keep a processor busy";
    pressButton(done, IDOK);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Lunavire");
}

}  // namespace
}  // namespace e2e
