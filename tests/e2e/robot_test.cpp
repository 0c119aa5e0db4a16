// The robot against a stand-in program of known shape: every way of finding,
// reading and driving a window that the end-to-end tests rely on, and the
// clear failures they depend on when the program does not do its part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "tests/e2e/robot/Robot.h"
#include "tests/e2e/robot/Screen.h"
#include "tests/support/E2eOptions.h"

namespace {

using namespace robot;

// The message of the Failure that `action` throws, or "" when it throws none.
template <typename Action>
std::string failureOf(Action action) {
    try {
        action();
    } catch (const Failure& f) {
        return f.what();
    }
    return {};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Started {
    Process process;
    HWND main;
};

Started startStandIn(const std::string& arguments = "") {
    Process p = Process::start(e2e::options().exe, arguments);
    HWND main = waitForWindow(p, "TForm1");
    // The stand-in makes its children a moment after it shows.
    waitForControl(main, "Label1");
    return {std::move(p), main};
}

TEST(Robot, FindsWindowsAndControlsByName) {
    Started s = startStandIn();
    Process& p = s.process;
    HWND main = s.main;

    // Children appear late and at any depth; the name is what finds them.
    auto names = controlNames(main);
    for (const char* n : {"Button1", "Button2", "ComboBox1", "GroupBox1", "Label1"})
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n << " is listed by name";
    EXPECT_EQ(textOf(findControl(main, "Label1")), "inside") << "a grandchild is found by its name";
    EXPECT_EQ(findControl(main, "Button9"), nullptr) << "an unknown name finds nothing";
    EXPECT_EQ(nameOf(main), "") << "a window without the property has no name";

    // Text comes back as the program's bytes: GBK for "安装 directx 8.0".
    EXPECT_EQ(textOf(findControl(main, "Button2")), "\xB0\xB2\xD7\xB0 directx 8.0");
    EXPECT_EQ(textOf(main), "StandIn");

    SIZE client = clientSize(main);
    EXPECT_EQ(client.cx, 557);
    EXPECT_EQ(client.cy, 372);

    for (const char* cls : {"TForm2", "TForm3", "TForm4"}) {
        auto windows = topLevelWindows(p.id(), cls);
        ASSERT_EQ(windows.size(), 1u) << "one " << cls << " window";
        EXPECT_FALSE(isVisible(windows.front())) << cls << " is hidden";
    }
    EXPECT_TRUE(topLevelWindows(p.id(), "TForm2", true).empty()) << "visibleOnly leaves hidden windows out";

    closeWindow(main);
    EXPECT_EQ(p.waitForExit(), 0u);
}

TEST(Robot, AnswersMessageBoxesByButton) {
    Started s = startStandIn("exit=7");
    Process& p = s.process;
    HWND main = s.main;
    HWND ask = findControl(main, "Button1");

    struct Row {
        int button;
        const char* effect;
    } rows[] = {{IDCANCEL, "answered Cancel"}, {IDOK, "answered OK"}};
    for (const Row& row : rows) {
        click(ask);
        Box box = waitForMessageBox(p);
        EXPECT_EQ(box.caption, "StandIn question");
        EXPECT_EQ(box.text, "Continue?");
        EXPECT_FALSE(isEnabled(main)) << "the box is modal to the main window";
        pressButton(box, row.button);
        waitForText(ask, row.effect);
        EXPECT_TRUE(isEnabled(main));
    }

    click(ask);
    Box box = waitForMessageBox(p);
    EXPECT_TRUE(contains(failureOf([&] { pressButton(box, IDRETRY); }), "has no button 4"))
        << "a missing button is reported, not pressed";
    pressButton(box, IDOK);

    closeWindow(main);
    EXPECT_EQ(p.waitForExit(), 7u) << "the process's own exit code comes back";
}

TEST(Robot, SelectsComboItemsAsAUserWould) {
    Started s = startStandIn();
    Process& p = s.process;
    HWND main = s.main;
    HWND combo = findControl(main, "ComboBox1");

    EXPECT_EQ(comboItems(combo),
              (std::vector<std::string>{"\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4", "\xB7\xB1\xF3\x77\xD6\xD0\xCE\xC4", "English"}));
    EXPECT_EQ(comboSelection(combo), -1);

    // The stand-in copies the chosen item into its caption on CBN_SELCHANGE
    // only, so this sees the notification arrive, not just the selection.
    selectComboItem(combo, 1);
    waitForText(main, "\xB7\xB1\xF3\x77\xD6\xD0\xCE\xC4");
    selectComboItem(combo, 2);
    waitForText(main, "English");
    EXPECT_EQ(comboSelection(combo), 2);

    EXPECT_TRUE(contains(failureOf([&] { selectComboItem(combo, 3); }), "has no item 3"));

    closeWindow(main);
    EXPECT_EQ(p.waitForExit(), 0u);
}

TEST(Robot, SavesWhatIsOnScreenAsA24BitBmp) {
    Started s = startStandIn();
    Process& p = s.process;
    HWND main = s.main;
    // Once the window is on the screen: a frame, buttons and text, not one
    // flat colour.
    auto coloursOnScreen = [&] {
        std::set<COLORREF> seen;
        for (COLORREF c : capture(main).colours) {
            seen.insert(c);
            if (seen.size() >= 4) break;
        }
        return seen.size();
    };
    ASSERT_TRUE(waitUntil(kActionTimeout, [&] { return coloursOnScreen() >= 4; })) << "the window is drawn";
    const std::string path = e2e::artifactPath("robot-standin.bmp");
    saveScreenshot(main, path);

    RECT r{};
    GetWindowRect(main, &r);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    std::vector<unsigned char> bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);

    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    ASSERT_GE(bytes.size(), sizeof file + sizeof info);
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(info.biWidth, r.right - r.left);
    EXPECT_EQ(info.biHeight, r.bottom - r.top);
    EXPECT_EQ(info.biBitCount, 24);
    const size_t stride = (static_cast<size_t>(info.biWidth) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(bytes.size(), file.bfOffBits + stride * static_cast<size_t>(info.biHeight));

    // A window with a frame, buttons and text is not one flat colour.
    std::set<unsigned> colours;
    for (size_t i = file.bfOffBits; i + 2 < bytes.size() && colours.size() < 4; i += 3)
        colours.insert(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16);
    EXPECT_GE(colours.size(), 4u) << "the screenshot shows the window, not an empty rectangle";

    closeWindow(main);
    EXPECT_EQ(p.waitForExit(), 0u);
}

TEST(Robot, WaitsFailClearlyInsteadOfHanging) {
    {
        // A time-out far beyond any start: the wait must end with the process.
        constexpr DWORD kLongTimeout = 600000;
        Process quitter = Process::start(e2e::options().exe, "quit");
        ULONGLONG t = GetTickCount64();
        std::string why = failureOf([&] { waitForWindow(quitter, "TForm1", kLongTimeout); });
        EXPECT_TRUE(contains(why, "exit code 3")) << "a process that ends is noticed before the time-out: " << why;
        EXPECT_LT(GetTickCount64() - t, kLongTimeout);
    }

    Started s = startStandIn();
    Process& p = s.process;
    HWND main = s.main;
    std::string why = failureOf([&] { waitForControl(main, "Button9", 300); });
    EXPECT_TRUE(contains(why, "Button9") && contains(why, "Button1")) << "names what was wanted and what exists: " << why;
    why = failureOf([&] { waitForMessageBox(p, 300); });
    EXPECT_TRUE(contains(why, "no message box") && contains(why, "TForm1")) << why;
    why = failureOf([&] { waitForText(main, "other", 300); });
    EXPECT_TRUE(contains(why, "StandIn")) << "shows the text last seen: " << why;
    why = failureOf([&] { p.waitForExit(300); });
    EXPECT_TRUE(contains(why, "still running")) << why;

    closeWindow(main);
    EXPECT_EQ(p.waitForExit(), 0u);
}

}  // namespace
