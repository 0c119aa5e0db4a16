// The keyboard of Setup.exe under Wine, as far as the simulation cannot see
// it: the real focus, the default button as Windows draws it, Enter, Space
// and Esc in the disc window and the uninstaller's.  What the robot saw is
// kept in the artifacts (keys-<test>.log, in UTF-8).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {

using namespace robot;

class Keys936 : public SetupSession {
protected:
    // Presses a key (none: 0) and, once the program has taken it, expects
    // the focus and the button drawn as the default (BS_DEFPUSHBUTTON).
    void expect(HWND top, UINT vk, const char* what, const std::string& focus, const std::string& drawn) {
        if (vk) pressKey(top, vk);
        markTaken(top);
        std::string seen;
        for (const std::string& name : controlNames(top)) {
            HWND h = findControl(top, name);
            if (classOf(h) == "Button" && (GetWindowLongPtrA(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                seen += name;
        }
        log_ << classOf(top) << ": " << what << ": focus " << nameOf(focusedWindow(top)) << ", default " << seen << "\n";
        EXPECT_EQ(nameOf(focusedWindow(top)), focus) << what;
        EXPECT_EQ(seen, drawn) << what;
    }
    Box boxAfter(HWND top, UINT vk, const char* what) {
        pressKey(top, vk);
        Box b = waitForMessageBox(process_);
        log_ << classOf(top) << ": " << what << ": box \"" << utf8FromAnsi(b.text) << "\"\n";
        return b;
    }
    std::ofstream log_{artifactPath(std::string("keys-") + testing::UnitTest::GetInstance()->current_test_info()->name() +
                                    ".log"),
                       std::ios::binary};
};

TEST_F(Keys936, EnterStartsAndEscCancelsTheDiscWindowFromItsFields) {
    startSimplified936();
    click(control("Button1"));
    HWND disc = waitForWindow(process_, "TForm2");
    expect(disc, 0, "shown", "Button1", "Button1");
    expect(disc, VK_TAB, "Tab", "Button2", "Button2");
    expect(disc, VK_TAB, "Tab", "Button5", "Button5");
    expect(disc, VK_TAB, "Tab", "Edit2", "Button1");
    // No disc beside the program: Start's check says so.
    Box box = boxAfter(disc, VK_RETURN, "Enter");
    EXPECT_EQ(escaped(box.text), escaped(LanguageFileBytes(shippedLanguage(kSimplified)).get("msgs", "msgs3")));
    pressButton(box, IDOK);
    expect(disc, 0, "the box answered", "Edit2", "Button1");
    pressKey(disc, VK_ESCAPE);
    waitForIdle(main_);
    EXPECT_FALSE(isVisible(disc)) << "Esc is the window's Cancel";
    expect(main_, 0, "Esc closed the disc window", "Button1", "Button1");
}

TEST_F(Keys936, EnterAndSpacePressTheFocusedChoiceAndEscCancelsTheUninstaller) {
    const std::string game = makeFolder("game");
    writeFile(game + "\\Vandry.exe", "game");
    makeFolder("game\\Uninstall");
    writeFile(game + "\\Uninstall\\Uninstall.dat", recordLine({"LUNAVIRE-RECORD", "1", "936"}) +
                                                       recordLine({"folder", game}) +
                                                       recordLine({"file", game + "\\Vandry.exe"}));
    const auto before = fileTree(game);
    process_ = Process::start(exe_, "/uninstall \"" + game + "\"");
    HWND window = waitForWindow(process_, "TForm5");
    expect(window, 0, "shown", "Button1", "Button1");
    expect(window, VK_TAB, "Tab", "Button2", "Button2");
    for (UINT vk : {VK_RETURN, VK_SPACE}) {
        Box saves = boxAfter(window, vk, vk == VK_SPACE ? "Space" : "Enter");
        EXPECT_EQ(boxButtons(saves), (std::vector<int>{IDYES, IDNO, IDCANCEL})) << "the whole game's question";
        pressButton(saves, IDCANCEL);
        expect(window, 0, "the question cancelled", "Button2", "Button2");
    }
    pressKey(window, VK_ESCAPE);
    EXPECT_EQ(process_.waitForExit(), 0u) << "Esc is Cancel, which ends the uninstaller";
    log_ << "TForm5: Esc: the program ended\n";
    EXPECT_TRUE(fileTree(game) == before) << "nothing removed";
}

}  // namespace
}  // namespace e2e
