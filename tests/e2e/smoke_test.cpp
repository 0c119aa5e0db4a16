// Setup.exe under Wine, driven from outside: the main window as it comes up,
// the start-up language and a switch of language through the list.
//
// Each test runs its own copy of Setup.exe in an empty folder of its own, so
// that only language files the test puts there are found: every text then
// has a known value (a missing key keeps the built-in one).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/robot/Robot.h"
#include "tests/support/E2eOptions.h"
#include "tests/support/Gb2312Association.h"

namespace {

using namespace robot;

// The built-in texts, as the GBK bytes the program holds.
struct ButtonText {
    const char* name;
    const char* gbk;
};
const ButtonText kButtons[] = {
    {"Button1", "\xB4\xD3\xD4\xB4\xB9\xE2\xC5\xCC\xB0\xB2\xD7\xB0\xD3\xCE\xCF\xB7"},  // 从源光盘安装游戏
    {"Button2", "\xB0\xB2\xD7\xB0 directx 8.0"},                                        // 安装 directx 8.0
    {"Button3", "\xBA\xBA\xBB\xAF\xB2\xB9\xB6\xA1\xB0\xB2\xD7\xB0"},                  // 汉化补丁安装
    {"Button4", "\xC9\xF9\xD2\xF4\xC8\xCF\xCA\xB6XP\xB0\xB2\xD7\xB0"},                 // 声音认识XP安装
    {"Button5", "\xB7\xC3\xCE\xCAVorel\xD6\xF7\xD2\xB3"},                              // 访问Vorel主页
    {"Button6", "\xB0\xB2\xD7\xB0NETSHOW"},                                             // 安装NETSHOW
};

// Lunavire 中文安装程序&汉化补丁 简繁双语版 《Lunavire》中文化委员会制作
const char kInitialTitle[] =
    "Lunavire \xD6\xD0\xCE\xC4\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2&\xBA\xBA\xBB\xAF\xB2\xB9\xB6\xA1 "
    "\xBC\xF2\xB7\xB1\xCB\xAB\xD3\xEF\xB0\xE6 \xA1\xB6Lunavire\xA1\xB7\xD6\xD0\xCE\xC4\xBB\xAF\xCE\xAF\xD4\xB1"
    "\xBB\xE1\xD6\xC6\xD7\xF7";
// The title a language file without window1/title gives:
// Lunavire 中文安装程序&汉化补丁 简繁双语版 由《Lunavire》中文化委员会制作
const char kDefaultTitle[] =
    "Lunavire \xD6\xD0\xCE\xC4\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2&\xBA\xBA\xBB\xAF\xB2\xB9\xB6\xA1 "
    "\xBC\xF2\xB7\xB1\xCB\xAB\xD3\xEF\xB0\xE6 \xD3\xC9\xA1\xB6Lunavire\xA1\xB7\xD6\xD0\xCE\xC4\xBB\xAF\xCE\xAF"
    "\xD4\xB1\xBB\xE1\xD6\xC6\xD7\xF7";

// The start timer's first tick is one second after start; allow for a slow
// machine, where starting the program under Wine alone can take seconds.
constexpr DWORD kStartLanguageTimeout = 60000;

bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(f) && ok;
}

class SetupSmoke : public testing::Test {
protected:
    void SetUp() override {
        // The program's texts are GBK; under any other code page they would
        // be read back as different bytes or as question marks.
        ASSERT_EQ(GetACP(), 936u) << "the Wine locale fell back from zh_CN.UTF-8 (locale not generated?)";

        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "lunavire-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << folder_;
        exe_ = folder_ + "\\Setup.exe";
        ASSERT_TRUE(CopyFileA(e2e::options().exe.c_str(), exe_.c_str(), FALSE))
            << "copy " << e2e::options().exe << " (error " << GetLastError() << ")";
        files_.push_back(exe_);
    }

    void TearDown() override {
        if (process_.running()) {
            // Not robot::closeWindow: a failed test may have left no window
            // to post to, and tear-down must not throw.
            if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.handle(), 5000) != WAIT_OBJECT_0) process_.terminate();
        }
        for (const auto& f : files_) DeleteFileA(f.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    void addFile(const std::string& name, const std::string& bytes) {
        std::string path = folder_ + "\\" + name;
        ASSERT_TRUE(writeFile(path, bytes)) << path;
        files_.push_back(path);
    }

    // Starts the copy and waits until its main window is up with every
    // control the tests use.
    void start() {
        process_ = Process::start(exe_);
        main_ = waitForWindow(process_, "TForm1");
        for (const auto& b : kButtons) waitForControl(main_, b.name);
        waitForControl(main_, "ComboBox1");
    }

    HWND control(const char* name) { return waitForControl(main_, name); }

    // Closing the main window ends the program, successfully.
    void closeAndExpectExitCode0() {
        closeWindow(main_);
        EXPECT_EQ(process_.waitForExit(), 0u);
        main_ = nullptr;
    }

    std::string folder_;
    std::string exe_;
    std::vector<std::string> files_;
    Process process_ = Process();
    HWND main_ = nullptr;
};

TEST_F(SetupSmoke, MainWindowComesUpAsBuilt) {
    start();

    // The start timer may already have applied the (absent) language file,
    // which changes the title only.
    std::string title = textOf(main_);
    EXPECT_TRUE(title == kInitialTitle || title == kDefaultTitle) << "window caption: " << escaped(title);

    for (const auto& b : kButtons) {
        EXPECT_EQ(escaped(textOf(control(b.name))), escaped(b.gbk)) << b.name << " shows its built-in caption";
        EXPECT_TRUE(isVisible(control(b.name)) && isEnabled(control(b.name))) << b.name << " can be pressed";
    }

    SIZE client = clientSize(main_);
    EXPECT_EQ(client.cx, 557);
    EXPECT_EQ(client.cy, 372);

    EXPECT_EQ(topLevelWindows(process_.id(), "TForm1").size(), 1u);
    for (const char* cls : {"TForm2", "TForm3", "TForm4"}) {
        auto windows = topLevelWindows(process_.id(), cls);
        ASSERT_EQ(windows.size(), 1u) << "one " << cls << " window exists from the start";
        EXPECT_FALSE(isVisible(windows.front())) << cls << " stays hidden until a button opens it";
    }
    EXPECT_TRUE(comboItems(control("ComboBox1")).empty()) << "no language files beside the program, no languages";

    settle(main_);
    saveScreenshot(main_, e2e::artifactPath("main-window.bmp"));

    closeAndExpectExitCode0();
}

// The focused window of the program's interface thread.
HWND focusOf(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

TEST_F(SetupSmoke, TabMovesTheFocusInTheMainWindowsTabOrder) {
    start();
    // The list comes right after the notice, then the six buttons.
    const char* order[] = {"Memo1", "ComboBox1", "Button1", "Button2", "Button3", "Button4", "Button5", "Button6"};
    std::vector<HWND> stops;
    for (const char* name : order) stops.push_back(control(name));
    auto indexOfFocus = [&]() -> int {
        HWND f = focusOf(main_);
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (f == stops[i] || IsChild(stops[i], f)) return static_cast<int>(i);
        return -1;
    };
    PostMessageA(main_, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(waitUntil(kActionTimeout, [&] { return indexOfFocus() >= 0; })) << "Tab gives a control the focus";
    for (int step = 0; step < 9; ++step) {
        int from = indexOfFocus();
        ASSERT_GE(from, 0) << "the focus stays on one of the stops";
        PostMessageA(stops[static_cast<std::size_t>(from)], WM_KEYDOWN, VK_TAB, 0);
        int want = (from + 1) % static_cast<int>(stops.size());
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return indexOfFocus() == want; }))
            << "Tab from " << order[from] << " goes to " << order[want] << ", not to index " << indexOfFocus();
    }
    closeAndExpectExitCode0();
}

TEST_F(SetupSmoke, EnterPressesTheFocusedButton) {
    start();
    // No setup beside the program: the DirectX button asks for the disc's folder.
    PostMessageA(control("Button2"), WM_KEYDOWN, VK_RETURN, 0);
    HWND picker = waitForWindow(process_, "TForm3");
    ASSERT_TRUE(isVisible(picker));
    click(waitForControl(picker, "Button2"));  // cancel: nothing changes
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(picker); }));
    closeAndExpectExitCode0();
}

// The screen's dots per inch as Wine takes them at a program's start, set
// for the life of the object and put back after.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~ScreenDpi() {
        if (had_) RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else RegDeleteValueA(key_, "LogPixels");
        RegCloseKey(key_);
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 96;
    bool had_ = false;
};

// A control's rectangle in the client area of `top`.
RECT placeIn(HWND top, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(SetupSmoke, AtHigherDpiTheMainWindowScalesAndNothingIsClippedOrOverlaps) {
    const char* names[] = {"Image1", "Memo1", "ComboBox1", "Button1", "Button2",
                           "Button3", "Button4", "Button5", "Button6"};
    struct Scale {
        DWORD dpi;
        LONG width, height;
    } scales[] = {{144, 836, 558}, {192, 1114, 744}};
    for (const Scale& scale : scales) {
        SCOPED_TRACE(scale.dpi);
        {
            ScreenDpi dpi(scale.dpi);
            start();
        }
        SIZE client = clientSize(main_);
        EXPECT_EQ(client.cx, scale.width);
        EXPECT_EQ(client.cy, scale.height);
        std::vector<RECT> places;
        for (const char* name : names) {
            RECT r = placeIn(main_, control(name));
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.cx && r.bottom <= client.cy)
                << name << " lies inside the window";
            places.push_back(r);
        }
        for (std::size_t i = 0; i < places.size(); ++i)
            for (std::size_t j = i + 1; j < places.size(); ++j) {
                RECT both{};
                EXPECT_FALSE(IntersectRect(&both, &places[i], &places[j])) << names[i] << " and " << names[j];
            }
        settle(main_);
        saveScreenshot(main_, e2e::artifactPath("main-window-" + std::to_string(scale.dpi) + "dpi.bmp"));
        closeAndExpectExitCode0();
    }
}

TEST_F(SetupSmoke, ASecondStartBringsTheFirstWindowBackAndEnds) {
    start();
    ShowWindow(main_, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil(kActionTimeout, [&] { return IsIconic(main_) != FALSE; }));

    Process second = Process::start(exe_);
    EXPECT_EQ(second.waitForExit(kStartTimeout), 0u) << "the second copy ends by itself, successfully";
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !IsIconic(main_); })) << "the first window is restored";
    EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return GetForegroundWindow() == main_; }))
        << "and brought to the front";
    EXPECT_TRUE(topLevelWindows(second.id(), "TForm1").empty());
    EXPECT_TRUE(process_.running()) << "the first copy goes on";
    closeAndExpectExitCode0();

    // Once the first copy has ended, a new start is a first copy again.
    start();
    closeAndExpectExitCode0();
}

TEST_F(SetupSmoke, StartTimerAppliesTheDetectedLanguage) {
    start();
    // No language file: the detected language applies every key's default,
    // and the title's default differs from the built-in caption.
    waitForText(main_, kDefaultTitle, kStartLanguageTimeout);
    for (const auto& b : kButtons)
        EXPECT_EQ(escaped(textOf(control(b.name))), escaped(b.gbk)) << b.name << " keeps its caption: its key is missing";
    closeAndExpectExitCode0();
}

TEST_F(SetupSmoke, ChoosingALanguageInTheListRelocalisesTheWindow) {
    addFile("English.ini",
            "[window1]\r\n"
            "title=Lunavire Setup\r\n"
            "Button3.Caption=Install the patch\r\n"
            "Button6.Caption=Install NetShow\r\n");
    addFile("AutoRun.ini", "[autorun]\r\nopen=Setup.exe\r\n");
    start();
    HWND combo = control("ComboBox1");
    EXPECT_EQ(comboItems(combo), std::vector<std::string>{"English"}) << "AutoRun.ini is no language";

    // Let the start-up language go first, or it would undo the choice below.
    waitForText(main_, kDefaultTitle, kStartLanguageTimeout);
    selectComboItem(combo, 0);
    waitForText(main_, "Lunavire Setup");
    EXPECT_EQ(textOf(control("Button3")), "Install the patch");
    EXPECT_EQ(textOf(control("Button6")), "Install NetShow");
    EXPECT_EQ(escaped(textOf(control("Button1"))), escaped(kButtons[0].gbk)) << "a missing key keeps the caption";

    settle(main_);
    saveScreenshot(main_, e2e::artifactPath("main-window-english.bmp"));
    closeAndExpectExitCode0();
}

// The start-up language follows the system's font association: a GB2312
// association means a Simplified system.
TEST_F(SetupSmoke, StartLanguageFollowsTheGb2312FontAssociation) {
    addFile("\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4.ini", "[window1]\r\ntitle=Simplified file\r\n");  // 简体中文.ini
    addFile("\xB7\xB1\xF3\x77\xD6\xD0\xCE\xC4.ini", "[window1]\r\ntitle=Traditional file\r\n");  // 繁體中文.ini
    e2e::Gb2312Association restore;

    struct Row {
        bool gb2312;
        const char* title;
    } rows[] = {{true, "Simplified file"}, {false, "Traditional file"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.gb2312 ? "GB2312 associated" : "no GB2312 association");
        e2e::Gb2312Association::set(row.gb2312);
        start();
        waitForText(main_, row.title, kStartLanguageTimeout);
        closeAndExpectExitCode0();
    }
}

}  // namespace
