// The setup launchers and the home page of Setup.exe, end to end under Wine:
// the DirectX and NetShow setups started from the program's own folder, the
// folder picker and the message when a setup is not there, and the home page
// opened in the user's browser.  The programs started are stand-ins that log
// how they were started (e2e_recorder, built beside these tests).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Screen.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {
namespace {

using namespace robot;

const char kHomePage[] = "http://www.example.org/lunavire/";
const char kUrlCommandKey[] = "http\\shell\\open\\command";

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The stand-in program, beside this test program.
std::string recorder() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\')) + "\\e2e_recorder.exe";
}

// The starts a stand-in logged: "show mode<TAB>command line" each.
std::vector<std::string> starts(const std::string& program) {
    std::vector<std::string> lines;
    const std::string log = program + ".log";
    if (!fileExists(log)) return lines;
    // A stand-in holds its log alone while it appends its line: a read that
    // meets it tries again, for as long as a busy machine may keep the
    // stand-in from finishing its line.
    std::string text;
    bool read = false;
    waitUntil(kActionTimeout, [&] {
        try {
            text = readFile(log);
            read = true;
        } catch (const Failure&) {
        }
        return read;
    });
    if (!read) text = readFile(log);  // throws, saying why
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The system's browser for web addresses, replaced by a stand-in for as long
// as the object lives (Wine's shell does not look at the per-user setting).
class BrowserStandIn {
public:
    explicit BrowserStandIn(const std::string& program) {
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kUrlCommandKey, 0, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS)
            throw Failure("no browser for web addresses to replace");
        char old[1024] = {};
        DWORD size = sizeof old - 1;
        if (RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
            old_ = old;
        if (!set("\"" + program + "\" \"%1\"")) throw Failure("cannot set the browser for web addresses");
    }
    ~BrowserStandIn() {
        set(old_);
        RegCloseKey(key_);
    }
    BrowserStandIn(const BrowserStandIn&) = delete;
    BrowserStandIn& operator=(const BrowserStandIn&) = delete;

private:
    bool set(const std::string& command) {
        return RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    }
    HKEY key_ = nullptr;
    std::string old_;
};

class Launchers936 : public SetupSession {
protected:
    // A stand-in at `path` in the test's folder, with its folders.
    std::string place(const std::string& path) {
        const std::string full = folder_ + "\\" + path;
        CreateDirectoryA(full.substr(0, full.rfind('\\')).c_str(), nullptr);
        if (!CopyFileA(recorder().c_str(), full.c_str(), FALSE)) throw Failure("cannot copy the stand-in to " + full);
        return full;
    }
    // Waits until `program` has logged `count` starts and returns them.
    std::vector<std::string> startsOf(const std::string& program, std::size_t count = 1) {
        waitUntil(kActionTimeout, [&] { return starts(program).size() >= count; });
        return starts(program);
    }
};

TEST_F(Launchers936, TheSetupsStartFromTheProgramsFolderShownWithoutActivation) {
    startSimplified936();
    const std::string directx = place("directx\\dxsetup.exe");
    const std::string netshow = place("netshow\\nsplay.exe");

    click(control("Button2"));
    std::vector<std::string> logged = startsOf(directx);
    ASSERT_EQ(logged.size(), 1u) << "the DirectX setup started once";
    EXPECT_EQ(upper(logged[0]), upper("4\t" + directx)) << "its path alone, shown without activation (4)";

    click(control("Button6"));
    logged = startsOf(netshow);
    ASSERT_EQ(logged.size(), 1u) << "the NetShow setup started once";
    EXPECT_EQ(upper(logged[0]), upper("4\t" + netshow));

    // Both actions have run their course, and every program they started
    // has logged its start and ended.
    waitForIdle(main_);
    EXPECT_FALSE(isVisible(form("TForm3"))) << "no folder was asked for";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty());
    EXPECT_TRUE(waitUntil(kActionTimeout, [] {
        return processesNamed("dxsetup.exe").empty() && processesNamed("nsplay.exe").empty();
    })) << "the stand-ins end after logging";
    EXPECT_EQ(starts(directx).size(), 1u) << "and nothing started twice";
    EXPECT_EQ(starts(netshow).size(), 1u);
}

TEST_F(Launchers936, ASetupFoundNowhereIsReportedWithAQuestionNotice) {
    startSimplified936();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::string empty = makeFolder("empty");

    click(control("Button2"));
    HWND picker = waitForWindow(process_, "TForm3");
    RemoteTree(waitForControl(picker, "ShellTreeView1")).selectPath(empty);
    click(waitForControl(picker, "Button1"));

    Box missing = waitForMessageBox(process_);
    EXPECT_EQ(escaped(missing.text), escaped(texts.get("msgs", "msgs3") + "\r\n" + texts.get("msgs", "msgs4")))
        << "messages 3 and 4";
    EXPECT_EQ(escaped(missing.caption), escaped(texts.get("msgs", "msgs1")));
    EXPECT_EQ(boxButtons(missing), std::vector<int>{IDOK}) << "OK alone";
    EXPECT_EQ(nameOf(boxIcon(missing.window)), nameOf(BoxIcon::Question));
    pressButton(missing, IDOK);
}

TEST_F(Launchers936, TheHomePageOpensInTheBrowserShownAndActivated) {
    startSimplified936();
    const std::string browser = place("browser\\browser.exe");
    BrowserStandIn standIn(browser);

    click(control("Button5"));
    startsOf(browser);
    waitForIdle(main_);
    EXPECT_TRUE(waitUntil(kActionTimeout, [] { return processesNamed("browser.exe").empty(); }))
        << "the stand-in ends after logging";
    const std::vector<std::string> logged = starts(browser);
    ASSERT_EQ(logged.size(), 1u) << "the browser started once";
    EXPECT_EQ(logged[0], "5\t\"" + browser + "\" \"" + kHomePage + "\"") << "with the address, shown (5)";
}

}  // namespace
}  // namespace e2e
