// The keyboard of Setup.exe under Wine, as far as the simulation cannot see
// it: the real focus, the default button as Windows draws it, Enter and Esc
// in the disc installation window and in the uninstaller's.  What the robot
// did and saw is kept in the artifacts (keys-<test>.log, in UTF-8).
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
    // Presses a key and waits until the program has taken it; notes what it
    // then shows: the focused control and the button drawn as the default.
    void press(HWND top, UINT vk, const char* key) {
        pressKey(top, vk);
        markTaken(top);
        note(top, key);
    }
    void note(HWND top, const std::string& what) {
        log_ << classOf(top) << ": " << what << " -> focus " << focus(top) << ", default drawn "
             << drawnDefault(top) << "\n";
    }
    std::string focus(HWND top) { return nameOf(focusedWindow(top)); }
    std::string drawnDefault(HWND top) {
        std::string drawn;
        for (const std::string& name : controlNames(top)) {
            HWND h = findControl(top, name);
            if (classOf(h) == "Button" && (GetWindowLongPtrA(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                drawn += (drawn.empty() ? "" : " ") + name;
        }
        return drawn;
    }
    std::ofstream log_{artifactPath(std::string("keys-") + testing::UnitTest::GetInstance()->current_test_info()->name() +
                                    ".log"),
                       std::ios::binary};
};

TEST_F(Keys936, EnterStartsAndEscCancelsTheDiscWindowFromItsFields) {
    startSimplified936();
    click(control("Button1"));
    HWND disc = waitForWindow(process_, "TForm2");
    markTaken(disc);
    note(disc, "shown");
    EXPECT_EQ(focus(disc), "Button1") << "the first control of the tab order";
    EXPECT_EQ(drawnDefault(disc), "Button1");
    for (int i = 0; i < 3; ++i) press(disc, VK_TAB, "Tab");
    EXPECT_EQ(focus(disc), "Edit2");
    EXPECT_EQ(drawnDefault(disc), "Button1") << "Start stays the default while an edit has the focus";
    settle(disc);
    saveScreenshot(disc, artifactPath("keys-disc-window.bmp"));

    pressKey(disc, VK_RETURN);
    Box box = waitForMessageBox(process_);  // no disc beside the program: the start's check tells so
    log_ << "TForm2: Enter -> box \"" << utf8FromAnsi(box.text) << "\"\n";
    EXPECT_EQ(escaped(box.text), escaped(LanguageFileBytes(shippedLanguage(kSimplified)).get("msgs", "msgs3")));
    pressButton(box, IDOK);
    markTaken(disc);
    note(disc, "the box answered");
    EXPECT_EQ(focus(disc), "Edit2") << "the field has the focus back";

    pressKey(disc, VK_ESCAPE);
    waitForIdle(main_);
    EXPECT_FALSE(isVisible(disc)) << "Esc is the window's Cancel";
    note(main_, "Esc in the disc window, which closed");
    EXPECT_EQ(focus(main_), "Button1") << "the main window's button has the focus back";
}

TEST_F(Keys936, EnterPressesTheFocusedChoiceAndEscCancelsTheUninstaller) {
    const std::string game = makeFolder("game");
    writeFile(game + "\\Vandry.exe", "game");
    makeFolder("game\\Uninstall");
    writeFile(game + "\\Uninstall\\Uninstall.dat", recordLine({"LUNAVIRE-RECORD", "1", "936"}) +
                                                       recordLine({"folder", game}) +
                                                       recordLine({"file", game + "\\Vandry.exe"}));
    const auto before = fileTree(game);
    process_ = Process::start(exe_, "/uninstall \"" + game + "\"");
    HWND window = waitForWindow(process_, "TForm5");
    markTaken(window);
    note(window, "shown");
    EXPECT_EQ(focus(window), "Button1");
    EXPECT_EQ(drawnDefault(window), "Button1") << "no default of its own: the focused choice is drawn so";

    press(window, VK_TAB, "Tab");
    pressKey(window, VK_RETURN);
    Box saves = waitForMessageBox(process_);
    log_ << "TForm5: Enter -> box \"" << utf8FromAnsi(saves.text) << "\"\n";
    EXPECT_EQ(boxButtons(saves), (std::vector<int>{IDYES, IDNO, IDCANCEL})) << "the whole game's question";
    pressButton(saves, IDCANCEL);
    markTaken(window);
    note(window, "the question cancelled");
    EXPECT_EQ(focus(window), "Button2");

    pressKey(window, VK_ESCAPE);
    EXPECT_EQ(process_.waitForExit(), 0u) << "Esc is Cancel, which ends the uninstaller";
    log_ << "TForm5: Esc -> the program ended\n";
    EXPECT_TRUE(fileTree(game) == before) << "nothing removed";
}

}  // namespace
}  // namespace e2e
