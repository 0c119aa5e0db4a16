// Peers: every control kind as a real window, driven from outside as a
// robot or the user would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/Peers.h"
#include "tests/support/TestWindow.h"
#include "tests/win32/TestSupport.h"

namespace {

using w32::ControlPeer;
using w32test::platform;

class Peers : public ::testing::Test {
protected:
    ui::Form form{"TForm1", "Form1"};

    void SetUp() override {
        testwin::build(form, "testart");
        ui::Font own;
        own.height = -13;
        form.get<ui::ComboBox>("ComboBox1").setOwnFont(own);
        form.createWindows();
        ui::app().setMainForm(&form);
    }
    void TearDown() override { ui::app().reset(); }

    HWND window(const std::string& name) {
        return ControlPeer::windowOf(name == form.name() ? form : form.get<ui::Control>(name));
    }
    void showAndPaint() {
        form.Show();
        w32test::pumpFor(100);
        RedrawWindow(window("Form1"), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    COLORREF pixel(const std::string& name, int x, int y) {
        HWND h = window(name);
        HDC dc = GetDC(h);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(h, dc);
        return c;
    }
};

TEST_F(Peers, EveryControlIsAWindowOfItsClassNamedForRobots) {
    struct Row {
        const char *name, *windowClass;
    } rows[] = {
        {"Form1", "TForm1"},          {"GroupBox1", "LunavireContainer"}, {"Button1", "Button"},
        {"Edit1", "Edit"},            {"Label1", "Static"},               {"Memo1", "Edit"},
        {"ComboBox1", "ComboBox"},    {"ProgressBar1", "msctls_progress32"}, {"Gauge1", "LunavireGauge"},
        {"PageControl1", "LunavireContainer"}, {"TabSheet2", "LunavireContainer"},
        {"Panel1", "LunavireContainer"}, {"Image1", "LunavirePicture"}, {"ShellTreeView1", "SysTreeView32"},
    };
    for (const auto& r : rows) {
        HWND h = window(r.name);
        ASSERT_TRUE(IsWindow(h)) << r.name;
        char cls[64] = {};
        GetClassNameA(h, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, r.windowClass) << r.name;
        EXPECT_EQ(w32test::componentName(h), r.name);
    }
    EXPECT_EQ(GetParent(window("Button1")), window("GroupBox1")) << "group boxes hold their controls";
    EXPECT_EQ(GetParent(window("Button2")), window("TabSheet1"));
}

TEST_F(Peers, StylesOfEachKind) {
    struct Row {
        const char* name;
        LONG_PTR set, clear;
    } rows[] = {
        {"Form1", WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
        {"ComboBox1", CBS_DROPDOWNLIST, 0},
        {"Memo1", ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0},
        {"Label1", SS_NOPREFIX, 0},
        {"ShellTreeView1", TVS_HASBUTTONS | TVS_HASLINES, TVS_LINESATROOT},
        {"Edit1", ES_AUTOHSCROLL, ES_MULTILINE},
    };
    for (const auto& r : rows) {
        LONG_PTR style = GetWindowLongPtrA(window(r.name), GWL_STYLE);
        EXPECT_EQ(style & r.set, r.set) << r.name;
        EXPECT_EQ(style & r.clear, 0) << r.name;
    }
    EXPECT_EQ(SendMessageA(window("ShellTreeView1"), TVM_GETINDENT, 0, 0), 19);
}

TEST_F(Peers, FormsTakeTheirSizeAndBorderFromTheModel) {
    RECT rc;
    GetClientRect(window("Form1"), &rc);
    EXPECT_EQ(rc.right, 400);
    EXPECT_EQ(rc.bottom, 300);

    ui::Form picker("TForm3", "Form3");
    picker.outerSize = true;
    picker.borderStyle = ui::BorderStyle::Sizeable;
    picker.setBounds({0, 0, 312, 320});
    ui::Form progress("TForm4", "Form4");
    progress.systemMenu = false;
    progress.clientWidth = 323;
    progress.clientHeight = 67;
    picker.createWindows();
    progress.createWindows();

    HWND h3 = ControlPeer::windowOf(picker), h4 = ControlPeer::windowOf(progress);
    GetWindowRect(h3, &rc);
    EXPECT_EQ(rc.right - rc.left, 312);
    EXPECT_EQ(rc.bottom - rc.top, 320);
    EXPECT_TRUE(GetWindowLongPtrA(h3, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_FALSE(GetWindowLongPtrA(h4, GWL_STYLE) & WS_SYSMENU) << "TForm4 has no system menu";
    GetClientRect(h4, &rc);
    EXPECT_EQ(rc.right, 323);
    EXPECT_EQ(rc.bottom, 67);
}

TEST_F(Peers, FontsFollowTheFormUnlessTheControlHasItsOwn) {
    auto fontOf = [&](const char* name) {
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window(name), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf;
    };
    LOGFONTA lf = fontOf("Button1");
    EXPECT_STREQ(lf.lfFaceName, testwin::kFontName);
    EXPECT_EQ(lf.lfCharSet, ui::kGb2312Charset);
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(fontOf("ComboBox1").lfHeight, -13);

    form.setFontHeight(-16);
    EXPECT_EQ(fontOf("Button1").lfHeight, -16) << "inherited font follows";
    EXPECT_EQ(fontOf("Edit1").lfHeight, -16);
    EXPECT_EQ(fontOf("ComboBox1").lfHeight, -13) << "own font stays";
}

TEST_F(Peers, AMoveToAMonitorOfAnotherScaleRescalesTheWindowWhereTheSystemSays) {
    auto fontHeight = [&](const char* name) {
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window(name), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf.lfHeight;
    };
    auto place = [&](const char* name) {
        RECT r{};
        GetWindowRect(window(name), &r);
        MapWindowPoints(nullptr, window("Form1"), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT button = place("Button1");
    RECT suggested{40, 30, 700, 560};
    SendMessageA(window("Form1"), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

    RECT rc;
    GetClientRect(window("Form1"), &rc);
    EXPECT_EQ(rc.right, 600);
    EXPECT_EQ(rc.bottom, 450);
    GetWindowRect(window("Form1"), &rc);
    EXPECT_EQ(rc.left, 40);
    EXPECT_EQ(rc.top, 30);
    RECT scaled = place("Button1");
    EXPECT_EQ(scaled.left, (button.left * 3 + 1) / 2);
    EXPECT_EQ(scaled.right, (button.right * 3 + 1) / 2);
    EXPECT_EQ(fontHeight("Button1"), -18);
    EXPECT_EQ(fontHeight("ComboBox1"), -20) << "its own font too";

    SendMessageA(window("Form1"), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    GetClientRect(window("Form1"), &rc);
    EXPECT_EQ(rc.right, 400);
    EXPECT_EQ(rc.bottom, 300);
    EXPECT_EQ(place("Button1").right, button.right);
    EXPECT_EQ(fontHeight("Button1"), -12);
}

TEST_F(Peers, PostedClickReachesTheButtonInsideAGroupBox) {
    int clicks = 0;
    form.get<ui::Button>("Button1").OnClick = [&] { ++clicks; };
    form.get<ui::Button>("Button3").OnClick = [&] { clicks += 10; };
    showAndPaint();
    PostMessageA(window("Button1"), BM_CLICK, 0, 0);
    EXPECT_TRUE(w32test::pumpUntil([&] { return clicks == 1; }));
    PostMessageA(window("Button3"), BM_CLICK, 0, 0);
    EXPECT_TRUE(w32test::pumpUntil([&] { return clicks == 11; })) << "and inside a panel";

    form.get<ui::Button>("Button1").setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(window("Button1")));
    PostMessageA(window("Button1"), BM_CLICK, 0, 0);
    // Posted messages are taken in order: once this click has come, the
    // one before it has been handled.
    PostMessageA(window("Button3"), BM_CLICK, 0, 0);
    EXPECT_TRUE(w32test::pumpUntil([&] { return clicks >= 21; }));
    EXPECT_EQ(clicks, 21) << "a disabled button does not click";
}

TEST_F(Peers, ComboBoxShowsItemsAndReportsTheUsersChoice) {
    auto& combo = form.get<ui::ComboBox>("ComboBox1");
    combo.addItem("\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4");  // GBK bytes
    combo.addItem("English");
    HWND h = window("ComboBox1");
    EXPECT_EQ(SendMessageA(h, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), CB_ERR) << "nothing selected yet";
    combo.setItemIndex(1);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 1);

    int changes = 0;
    combo.OnChange = [&] { ++changes; };
    SendMessageA(h, CB_SETCURSEL, 0, 0);
    SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo.itemIndex(), 0);
    EXPECT_EQ(combo.selectedText(), "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4");

    combo.clearItems();
    EXPECT_EQ(SendMessageA(h, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Peers, EditAndModelAgreeOnTheText) {
    auto& edit = form.get<ui::Edit>("Edit1");
    HWND h = window("Edit1");
    char buf[64] = {};
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ(buf, "c:\\Lunavire");
    SetWindowTextA(h, "d:\\typed");  // as typing does: EN_CHANGE follows
    EXPECT_EQ(edit.text(), "d:\\typed");
    edit.setText("e:\\set");
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ(buf, "e:\\set");
}

TEST_F(Peers, MemoShowsRawBytesLineByLine) {
    auto& memo = form.get<ui::Memo>("Memo1");
    memo.loadText("first\r\n\xD6\xD0\xCE\xC4\nthird");
    std::string shown(256, '\0');
    shown.resize(static_cast<std::size_t>(GetWindowTextA(window("Memo1"), &shown[0], 256)));
    EXPECT_EQ(shown, "first\r\n\xD6\xD0\xCE\xC4\r\nthird");
    EXPECT_EQ(SendMessageA(window("Memo1"), EM_GETLINECOUNT, 0, 0), 3);
}

TEST_F(Peers, ProgressBarFollowsThePositionAndCoalescesQuickChanges) {
    auto& bar = form.get<ui::ProgressBar>("ProgressBar1");
    HWND native = window("ProgressBar1");
    auto shown = [&] { return static_cast<int>(SendMessageA(native, PBM_GETPOS, 0, 0)); };
    // The peer repaints at most once per 30 ms of GetTickCount(), its clock.
    constexpr DWORD kRepaintMs = 30;
    // Changes count as quick when they all come within that time of the
    // first; a round that this machine did not make that quickly proves
    // nothing either way and is done again.
    bool judged = false;
    for (int round = 0; round < 50 && !judged; ++round) {
        SCOPED_TRACE(round);
        const int first = 10 + round;
        w32test::pumpFor(2 * kRepaintMs);  // a quiet spell since the bar last showed a position
        const DWORD start = GetTickCount();
        bar.setPosition(first);
        const int followed = shown();
        for (int p = first + 1; p <= first + 18; ++p) bar.setPosition(p);
        bar.setPosition(150);
        const int afterQuickChanges = shown();
        judged = GetTickCount() - start < kRepaintMs;
        EXPECT_EQ(followed, first) << "after a quiet spell the bar follows at once";
        if (judged) {
            EXPECT_EQ(afterQuickChanges, first) << "quick changes wait for the next repaint";
        }
        EXPECT_TRUE(w32test::pumpUntil([&] { return shown() == 100; }))
            << "and then show the last position: above the range shows full";
        bar.setPosition(0);
        EXPECT_TRUE(w32test::pumpUntil([&] { return shown() == 0; }));
    }
    EXPECT_TRUE(judged) << "no round of changes came within " << kRepaintMs << " ms";
}

TEST_F(Peers, OnlyTheActivePageIsVisible) {
    showAndPaint();
    auto& pages = form.get<ui::PageControl>("PageControl1");
    EXPECT_TRUE(IsWindowVisible(window("TabSheet1")));
    EXPECT_FALSE(IsWindowVisible(window("TabSheet2")));
    pages.setActivePageIndex(1);
    EXPECT_FALSE(IsWindowVisible(window("TabSheet1")));
    EXPECT_TRUE(IsWindowVisible(window("TabSheet2")));
    EXPECT_FALSE(IsWindowVisible(window("Button2"))) << "controls of a hidden page are hidden";
}

TEST_F(Peers, LaterControlsLieAboveEarlierOnes) {
    showAndPaint();
    // Panel1 (made after GroupBox1) overlaps its lower right corner.
    POINT inBoth{180, 80};
    EXPECT_EQ(ChildWindowFromPointEx(window("Form1"), inBoth, CWP_SKIPINVISIBLE), window("Panel1"));
}

bool dark(COLORREF c) { return GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64; }
bool light(COLORREF c) { return GetRValue(c) > 192 && GetGValue(c) > 192 && GetBValue(c) > 192; }

TEST_F(Peers, GaugeDrawsItsPercentageInverted) {
    showAndPaint();
    auto& gauge = form.get<ui::Gauge>("Gauge1");
    RECT rc;
    GetClientRect(window("Gauge1"), &rc);
    const int w = rc.right, h = rc.bottom, mid = h / 2;

    EXPECT_TRUE(dark(pixel("Gauge1", 0, 0))) << "one-pixel border";
    EXPECT_TRUE(light(pixel("Gauge1", 3, mid))) << "empty bar at 0%";

    gauge.setProgress(50);  // repaints at once: nothing is pumped here
    EXPECT_TRUE(dark(pixel("Gauge1", 3, mid))) << "filled part";
    EXPECT_TRUE(light(pixel("Gauge1", w - 4, mid))) << "empty part";
    // "50%" straddles the edge of the fill: its left half is light on dark,
    // its right half dark on light (smoothed glyphs are grey at the edges,
    // so count any ink that differs from the background).
    int lightInFill = 0, darkInEmpty = 0;
    const int edge = 1 + w32::gaugeFillWidth(w - 2, 50);
    for (int y = 2; y < h - 2; ++y)
        for (int x = w / 2 - 20; x < w / 2 + 20; ++x) {
            COLORREF c = pixel("Gauge1", x, y);
            if (x < edge && !dark(c)) ++lightInFill;
            if (x >= edge && !light(c)) ++darkInEmpty;
        }
    EXPECT_GT(lightInFill, 5) << "text over the fill is white";
    EXPECT_GT(darkInEmpty, 5) << "text over the empty part is black";

    gauge.setProgress(100);
    EXPECT_TRUE(dark(pixel("Gauge1", w - 4, mid)));
}

TEST_F(Peers, GaugeTellsRobotsThePercentageItShows) {
    auto& gauge = form.get<ui::Gauge>("Gauge1");
    auto shown = [&] {
        return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window("Gauge1"), "LunavireGaugePercent")));
    };
    EXPECT_EQ(shown(), 0);
    for (int percent : {10, 30, 50, 85, 99, 100}) {
        gauge.setProgress(percent);
        EXPECT_EQ(shown(), percent);
    }
}

TEST_F(Peers, GaugeKeepsARecordOfThePercentagesItPainted) {
    auto& gauge = form.get<ui::Gauge>("Gauge1");
    const UINT painted = RegisterWindowMessageA(w32::kGaugePaintedMessage);
    auto ask = [&](WPARAM index) { return static_cast<long>(SendMessageA(window("Gauge1"), painted, index, 0)); };
    auto record = [&](long from) {
        std::vector<long> values;
        for (long i = from, v; (v = ask(static_cast<WPARAM>(i))) != -1; ++i) values.push_back(v);
        return values;
    };
    const WPARAM count = static_cast<WPARAM>(-1);
    gauge.setProgress(40);
    EXPECT_EQ(ask(count), 0) << "a hidden gauge paints nothing";
    EXPECT_EQ(ask(0), -1) << "no change painted yet";

    showAndPaint();
    const long shown = ask(count);
    EXPECT_EQ(record(0), std::vector<long>{40}) << "the first paint";
    for (int percent : {10, 30, 30, 50, 85, 99}) gauge.setProgress(percent);  // each paints at once
    RedrawWindow(window("Gauge1"), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(record(shown), (std::vector<long>{10, 30, 50, 85, 99})) << "each change once, in order";

    // A long run keeps its last 64 changes; the count goes on.
    for (int i = 0; i < 70; ++i) gauge.setProgress(i % 2 ? 60 : 70);
    EXPECT_EQ(ask(count), shown + 5 + 70);
    EXPECT_EQ(ask(0), -2) << "an early change is no longer kept";
    EXPECT_EQ(ask(ask(count) - 1), 60) << "the last one is";
    EXPECT_EQ(ask(ask(count) - 64), 70);
}

TEST_F(Peers, AFormNotesHowBusyTheProgramWasWhenItsLoopTookAMark) {
    const UINT mark = RegisterWindowMessageA(w32::kMarkMessage);
    HWND h = window("Form1");
    struct Noted {
        long token, handlers, modalLoops;
        bool operator==(const Noted& o) const {
            return token == o.token && handlers == o.handlers && modalLoops == o.modalLoops;
        }
    };
    auto noted = [&] {
        return Noted{static_cast<long>(SendMessageA(h, mark, 0, 0)), static_cast<long>(SendMessageA(h, mark, 0, 1)),
                     static_cast<long>(SendMessageA(h, mark, 0, 2))};
    };
    auto markTaken = [&](long token) {
        PostMessageA(h, mark, static_cast<WPARAM>(token), 0);
        EXPECT_NE(noted().token, token) << "a posted mark waits for the loop";
        EXPECT_TRUE(w32test::pumpUntil([&] { return noted().token == token; }));
        return noted();
    };
    EXPECT_EQ(markTaken(7), (Noted{7, 0, 0})) << "in the event loop: nothing running";

    ui::Form dialog("TForm2", "Form2");
    Noted inHandler{}, inModal{};
    ui::dispatch([&] {
        inHandler = markTaken(8);
        ui::app().modalBegun(&dialog);
        inModal = markTaken(9);
        ui::app().modalEnded(&dialog);
    });
    EXPECT_EQ(inHandler, (Noted{8, 1, 0})) << "inside a handler";
    EXPECT_EQ(inModal, (Noted{9, 1, 1})) << "and in a modal window's loop";
    EXPECT_EQ(markTaken(10), (Noted{10, 0, 0})) << "and back";
}

TEST_F(Peers, PictureIsStretchedWithItsProportions) {
    showAndPaint();
    // The test bitmap is 40 x 20: left half red, right half blue; in a
    // 100 x 100 box it fills 100 x 50 at the top.
    COLORREF left = pixel("Image1", 20, 25), right = pixel("Image1", 80, 25), below = pixel("Image1", 50, 80);
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 60);
    EXPECT_GT(GetBValue(right), 200);
    EXPECT_LT(GetRValue(right), 60);
    EXPECT_EQ(below, GetSysColor(COLOR_BTNFACE)) << "below the picture is the background";
}

TEST_F(Peers, ShellTreeReadsFileSystemPathsOnlyAndReportsEachNewSelection) {
    HWND tree = window("ShellTreeView1");
    auto& view = form.get<ui::ShellTreeView>("ShellTreeView1");
    std::vector<std::string> reported;  // the path read in each report
    view.OnChange = [&] { reported.push_back(view.path()); };
    EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 0) << "the shell's folders wait for the window to show";
    form.Show();
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)), 0)
        << "one root: My Computer";
    EXPECT_EQ(view.path(), "") << "nothing selected";

    HTREEITEM drive = nullptr;
    for (auto it = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
         it; it = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(it)))) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(it));
        if (view.path() == "C:\\") drive = it;
    }
    ASSERT_NE(drive, nullptr) << "drive C: is below My Computer";

    reported.clear();
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(drive));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    EXPECT_EQ(view.path(), "") << "My Computer has no file-system path";
    EXPECT_EQ(reported, (std::vector<std::string>{"C:\\", ""})) << "each change reported, the new one in force";

    // Expanding C: lists its folders; each reads as a path below C:\.
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(drive));
    auto child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(drive)));
    ASSERT_NE(child, nullptr);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
    std::string path = view.path();
    EXPECT_EQ(path.rfind("C:\\", 0), 0u) << path;
    EXPECT_TRUE(platform().folderExists(plat::Path(path))) << path;

    // A right click selects the item under the cursor.  The drive is
    // collapsed again and the root selected so that nothing scrolls.
    SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(drive));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    showAndPaint();
    // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
    RECT item{};
    std::memcpy(&item, &drive, sizeof drive);
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&item)));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(tree, &at);
    // The pointer moves through the X server, and a fresh display may still
    // move it back to its centre: wait until it stays where it was put.
    auto pointerAt = [&] {
        POINT now{};
        GetCursorPos(&now);
        return now.x == at.x && now.y == at.y;
    };
    bool steady = false;
    for (int i = 0; i < 10 && !steady; ++i) {
        SetCursorPos(at.x, at.y);
        steady = w32test::pumpUntil(pointerAt, 1000) && (w32test::pumpFor(200), pointerAt());
    }
    ASSERT_TRUE(steady);
    EXPECT_EQ(view.path(), "");
    // A right click as the mouse makes it; the tree reports it as NM_RCLICK.
    POINT client = at;
    ScreenToClient(tree, &client);
    PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    EXPECT_TRUE(w32test::pumpUntil([&] { return view.path() == "C:\\"; }, 3000)) << view.path();
    EXPECT_EQ(reported.back(), "C:\\") << "a right click's selection is reported too";
}

TEST_F(Peers, CloseBoxAsksTheFormAndModalDisablesTheRest) {
    showAndPaint();
    ui::Form dialog("TForm2", "Form2");
    dialog.clientWidth = 200;
    dialog.clientHeight = 100;
    dialog.position = ui::Position::MainFormCenter;
    dialog.createWindows();
    HWND h = ControlPeer::windowOf(dialog), main = window("Form1");

    bool mainDisabledWhileUp = false;
    int closes = 0;
    dialog.OnClose = [&] { ++closes; };
    auto closer = platform().setTimer(50, [&] {
        if (!IsWindowVisible(h)) return;
        mainDisabledWhileUp = !IsWindowEnabled(main);
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dialog.ShowModal(), ui::mrCancel);
    platform().killTimer(closer);
    EXPECT_TRUE(mainDisabledWhileUp);
    EXPECT_TRUE(IsWindowEnabled(main)) << "re-enabled after the modal show";
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(IsWindow(h)) << "closing hides the window, it is not destroyed";
    EXPECT_FALSE(IsWindowVisible(h));

    // Centred over the main window.
    RECT a, b;
    GetWindowRect(main, &a);
    GetWindowRect(h, &b);
    EXPECT_NEAR((a.left + a.right) / 2, (b.left + b.right) / 2, 1);
    EXPECT_NEAR((a.top + a.bottom) / 2, (b.top + b.bottom) / 2, 1);
}

// Stands in for whatever another program or library keeps in its windows'
// GWLP_USERDATA: here it counts what reaches it.
struct Stranger final : w32::Window {
    int reached = 0;
    void onCommand(UINT) override { ++reached; }
    LRESULT onNotify(NMHDR&) override { return ++reached, 0; }
    HBRUSH onControlColour(HDC) override { return ++reached, nullptr; }
};

TEST_F(Peers, OnlyOurOwnWindowsAreTakenForPeers) {
    Stranger stranger;
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, window("Form1"), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    SetWindowLongPtrA(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<w32::Window*>(&stranger)));
    NMHDR header{child, 0, NM_CLICK};
    HDC dc = GetDC(child);
    struct Row {
        const char* what;
        UINT message;
        WPARAM w;
        LPARAM l;
    } rows[] = {
        {"WM_COMMAND", WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(child)},
        {"WM_NOTIFY", WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)},
        {"WM_CTLCOLORSTATIC", WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)},
        {"WM_CTLCOLOREDIT", WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)},
        {"WM_CTLCOLORBTN", WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)},
        {"WM_CTLCOLORLISTBOX", WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)},
    };
    for (const auto& r : rows) {
        stranger.reached = 0;
        SendMessageA(window("Form1"), r.message, r.w, r.l);
        EXPECT_EQ(stranger.reached, 0) << r.what << " from a window that is not ours reaches nothing of ours";
    }
    ReleaseDC(child, dc);
    DestroyWindow(child);

    // A top-level window that holds the address of our form's peer: the
    // keyboard handling leaves its keys alone.
    showAndPaint();
    SetFocus(window("Button1"));
    HWND top = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(top, nullptr);
    SetWindowLongPtrA(top, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(dynamic_cast<w32::Window*>(form.peer())));
    MSG tab{top, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(w32::handleNavigationKey(tab)) << "a Tab for another window is not ours to handle";
    EXPECT_EQ(GetFocus(), window("Button1")) << "and moves no focus in our form";
    DestroyWindow(top);
}

TEST(Geometry, PictureFitKeepsProportions) {
    struct Row {
        int w, h, boxW, boxH;
        RECT expected;
    } rows[] = {
        {40, 20, 100, 100, {0, 0, 100, 50}},   // wide: full width
        {20, 40, 100, 100, {0, 0, 50, 100}},   // tall: full height
        {250, 350, 250, 350, {0, 0, 250, 350}},  // exact
        {10, 10, 300, 100, {0, 0, 100, 100}},  // enlarged
        {0, 10, 100, 100, {0, 0, 0, 0}},       // empty picture
    };
    for (const auto& r : rows) {
        RECT got = w32::fitPicture(r.w, r.h, r.boxW, r.boxH);
        EXPECT_EQ(got.right, r.expected.right) << r.w << "x" << r.h << " in " << r.boxW << "x" << r.boxH;
        EXPECT_EQ(got.bottom, r.expected.bottom) << r.w << "x" << r.h << " in " << r.boxW << "x" << r.boxH;
    }
}

}  // namespace
