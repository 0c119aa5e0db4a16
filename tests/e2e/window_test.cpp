// Setup.exe as a citizen of the desktop, end to end under Wine: clicks that
// come twice (as automation and accessibility tools post them), which window
// owns the others, the picker's OK, which takes only a folder on disk, and the
// main window's border icons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {
namespace {

using namespace robot;

class Windows936 : public SetupSession {
protected:
    void clickTwice(const char* button) {
        HWND h = control(button);
        click(h);
        click(h);
    }
    HWND owner(HWND w) { return GetWindow(w, GW_OWNER); }
};

TEST_F(Windows936, TwoPostedClicksOnASetupButtonShowThePickerOnceAndCancelGivesTheMainWindowBack) {
    startSimplified936();
    // No directx\dxsetup.exe beside the program: the button asks for the folder.
    clickTwice("Button2");
    HWND picker = waitForWindow(process_, "TForm3");
    EXPECT_FALSE(isEnabled(main_)) << "the main window is disabled behind the picker";

    click(waitForControl(picker, "Button2"));
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(picker); })) << "Cancel closes the picker";
    // Both clicks and the Cancel have been taken, and what they started has
    // run its course.
    waitForIdle(main_);
    EXPECT_TRUE(isEnabled(main_)) << "after Cancel the main window is enabled again";
    EXPECT_FALSE(isVisible(picker)) << "the second click did not open the picker again";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty());
}

TEST_F(Windows936, TwoPostedClicksOnThePatchButtonShowOneQuestion) {
    startSimplified936();
    clickTwice("Button3");
    Box ask = waitForMessageBox(process_);
    // The second click has been taken once a mark posted after it is: by
    // the question's loop, inside the first click's handler.
    const LoopState behind = markTaken(main_);
    EXPECT_EQ(behind.handlers, 1) << "the second click is dropped behind the first question";
    EXPECT_EQ(behind.modalLoops, 1) << "no second question is asked over the first";
    EXPECT_EQ(visibleMessageBoxes(process_).size(), 1u);

    pressButton(ask, IDOK);
    HWND picker = waitForWindow(process_, "TForm3");
    click(waitForControl(picker, "Button2"));
    waitForIdle(main_);
    EXPECT_TRUE(isEnabled(main_)) << "the main window is usable again";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty()) << "no second question follows";
    EXPECT_FALSE(isVisible(picker));
}

TEST_F(Windows936, ThePickerTheProgressWindowAndEveryMessageBoxAreOwnedByTheMainWindow) {
    startSimplified936();
    const std::string game = makeFolder("game");
    writeFile(game + "\\Vandry.exe", "stand-in for the game's executable");
    makeFolder("game\\KESTAL.exe");  // the run's first file cannot be written: an error box

    click(control("Button3"));
    Box ask = waitForMessageBox(process_);
    EXPECT_EQ(owner(ask.window), main_) << "the question's owner is the main window";
    pressButton(ask, IDOK);

    HWND picker = waitForWindow(process_, "TForm3");
    EXPECT_EQ(owner(picker), main_) << "the picker's owner is the main window";
    RemoteTree(waitForControl(picker, "ShellTreeView1")).selectPath(game);
    click(waitForControl(picker, "Button1"));

    Box error = waitForMessageBox(process_, 120000);
    HWND progress = form("TForm4");
    EXPECT_TRUE(isVisible(progress));
    EXPECT_EQ(owner(progress), main_) << "the progress window's owner is the main window";
    EXPECT_EQ(owner(error.window), main_) << "a box shown over the progress window is owned by the main window too";
    EXPECT_FALSE(isEnabled(progress)) << "and modal to the progress window";
    pressButton(error, IDOK);

    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(progress) && isEnabled(main_); }));
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return GetForegroundWindow() == main_; }))
        << "activation passes back to the main window";
}

TEST_F(Windows936, ThePickersOkTakesOnlyAFolderOnDisk) {
    startSimplified936();
    const std::string empty = makeFolder("empty");
    click(control("Button3"));
    pressButton(waitForMessageBox(process_), IDOK);
    HWND picker = waitForWindow(process_, "TForm3");
    HWND ok = waitForControl(picker, "Button1");
    RemoteTree tree(waitForControl(picker, "ShellTreeView1"));

    tree.select(tree.root());
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isEnabled(ok); })) << "not for My Computer";
    click(ok);
    // Once a mark posted after the click is taken, so is the click; the
    // mark finds the program in the picker's loop, inside Button3's handler,
    // and nothing else.
    const LoopState after = markTaken(main_);
    EXPECT_EQ(after.handlers, 1) << "a click on it starts nothing";
    EXPECT_EQ(after.modalLoops, 1) << "and opens nothing over the picker";
    EXPECT_TRUE(isVisible(picker)) << "a click on it changes nothing";
    EXPECT_TRUE(visibleMessageBoxes(process_).empty());

    tree.selectPath(empty);
    EXPECT_TRUE(isEnabled(ok)) << "but for a folder on disk";
    click(ok);
    Box refused = waitForMessageBox(process_);
    EXPECT_FALSE(isVisible(picker)) << "which it takes";
    pressButton(refused, IDOK);
}

TEST_F(Windows936, TheMainWindowCanBeMinimisedButNotMaximised) {
    startSimplified936();
    const LONG_PTR style = GetWindowLongPtrA(main_, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << "a minimise box for a long installation";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "no maximise box: the layout is fixed";
    EXPECT_FALSE(style & WS_THICKFRAME) << "and no sizing border";
    EXPECT_TRUE(style & WS_SYSMENU);
}

}  // namespace
}  // namespace e2e
