// The patch run's test session: the two editions, what a run writes, the
// shortcuts, Notepad and the gauge as another program sees them, and the
// fixture that drives a run from Button3 to the closed progress window.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Screen.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {

using namespace robot;

// Extracting the archives takes a moment under Wine, and much longer on a
// busy machine; a wait ends as soon as the run gets there.
inline constexpr DWORD kRunTimeout = 120000;
// The start timer's first tick is a second after start.
inline constexpr DWORD kStartLanguageTimeout = 60000;

struct Edition {
    const char* group;  // payload group of the edition's own files
    const char* tag;    // for the artifacts' names
    // "中文版" of the game shortcut's name as the edition stores it: GBK
    // bytes in the Simplified edition, Big5 in the Traditional one, read
    // with whatever code page the system has.
    const char* shortcutWords;
    // The game folder, as a player's may be: with a blank, which goes into
    // Notepad's command line unquoted, and a character whose second byte in
    // the edition's code page is a backslash (淺 is 9C 5C in GBK, 功 is A5 5C
    // in Big5), which the shortcuts store as ANSI bytes.
    const wchar_t* gameFolder;
};
inline const Edition kSimplifiedEdition{"GB_", "simplified", "\xD6\xD0\xCE\xC4\xB0\xE6", L"淺水 游戏"};
inline const Edition kTraditionalEdition{"BIG", "traditional", "\xA4\xA4\xA4\xE5\xAA\xA9", L"功夫 遊戲"};

// What the run writes, and from which payload.
struct Written {
    const char* file;
    const char* payload;
    bool shared;  // from GB_ in both editions
};
inline const Written kWritten[] = {
    {"KESTAL.exe", "KESTAL", false}, {"CVandry.exe", "CVANDRY", false}, {"readme.txt", "README", false},
    {"game01.dat", "GAME01", false}, {"GAME00.DAT", "GAME00", true},
};

inline std::string lunavireMenu() { return programsFolder() + "\\Lunavire"; }
inline std::string gameShortcut(const Edition& edition) {
    return lunavireMenu() + "\\Lunavire" + edition.shortcutWords + ".lnk";
}
inline std::string readmeShortcut() { return lunavireMenu() + "\\readme.lnk"; }

// Names, sizes and times of the files in the Start menu's Lunavire folder.
inline std::vector<std::string> shortcutFolderState() {
    std::vector<std::string> state;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((lunavireMenu() + "\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return state;
    do {
        state.push_back(std::string(d.cFileName) + " " + std::to_string(d.nFileSizeLow) + " " +
                        std::to_string(d.ftLastWriteTime.dwHighDateTime) + ":" +
                        std::to_string(d.ftLastWriteTime.dwLowDateTime));
    } while (FindNextFileA(h, &d));
    FindClose(h);
    std::sort(state.begin(), state.end());
    return state;
}

// The edition's shortcuts, before a run that makes them anew; the other
// edition's game shortcut stays for the check from Linux.
inline void removeShortcuts(const Edition& edition) {
    for (const std::string& link : {gameShortcut(edition), readmeShortcut()}) {
        DeleteFileA(link.c_str());
        if (fileExists(link)) throw Failure("cannot remove the old shortcut " + escaped(link));
    }
}

// Wine's Notepad windows that show a file named readme.txt.
inline std::vector<HWND> readmeNotepads() {
    std::vector<HWND> found;
    for (HWND w : visibleWindowsOfClass("Notepad")) {
        try {
            if (textOf(w).find("readme") != std::string::npos) found.push_back(w);
        } catch (const Failure&) {
            // One that closed between the listing and the question is gone.
        }
    }
    return found;
}

// Notepads started at or after `since` (system time): a start counts from
// the moment the program's WinExec returns, before Notepad has a window.
inline std::size_t notepadsStartedSince(const FILETIME& since) {
    std::size_t n = 0;
    for (DWORD id : processesNamed("notepad.exe")) {
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        FILETIME created{}, exited{}, kernel{}, user{};
        if (p && GetProcessTimes(p, &created, &exited, &kernel, &user) && CompareFileTime(&created, &since) >= 0)
            ++n;
        if (p) CloseHandle(p);
    }
    return n;
}

inline void closeReadmeNotepads() {
    for (HWND w : readmeNotepads()) PostMessageA(w, WM_CLOSE, 0, 0);
    waitUntil(kActionTimeout, [] { return readmeNotepads().empty(); });
}

// The share of the gauge's bar that is filled black, measured along a row
// above its centred percentage text.
inline double gaugeFill(HWND gauge) {
    Pixels p = capture(gauge);
    RECT client{};
    GetClientRect(gauge, &client);
    POINT origin{0, 0};
    ClientToScreen(gauge, &origin);
    RECT frame{};
    GetWindowRect(gauge, &frame);
    // The bar's inside: the client area less the one-pixel border.
    const int left = origin.x - frame.left + 1, right = origin.x - frame.left + client.right - 1;
    const int row = origin.y - frame.top + 3;
    int black = 0;
    for (int x = left; x < right; ++x)
        if (p.at(x, row) == RGB(0, 0, 0)) ++black;
    return right > left ? static_cast<double>(black) / (right - left) : 0.0;
}

// Whether the gauge's bar is filled as at 99%: nearly all of it, never all.
inline bool gaugeShows99(HWND gauge, double& fill) {
    fill = gaugeFill(gauge);
    return fill >= 0.97 && fill < 1.0;
}

// UTF-16 units of a path of this code page: what the file calls count.
inline std::size_t units(const std::string& ansi) {
    return ansi.empty() ? 0
                        : static_cast<std::size_t>(MultiByteToWideChar(
                              CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0));
}

// The default error box's text for a system error about `subject`: the
// system's text for the code, the subject on a line of its own, and the
// full stop that the box adds (every subject here ends in a letter or a
// Chinese character, both above it).
inline std::string systemErrorText(DWORD code, const std::string& subject) {
    char buf[1000];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                             sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "System error " + std::to_string(code);
    return text + "\r\n" + subject + ".";
}

// A file written by its UTF-16 name: the ANSI calls may not take its path.
inline void writeFileWide(const std::string& ansiPath, const std::string& bytes) {
    std::wstring path(units(ansiPath), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansiPath.data(), static_cast<int>(ansiPath.size()), &path[0],
                        static_cast<int>(path.size()));
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    const bool ok = f != INVALID_HANDLE_VALUE &&
                    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                    done == bytes.size();
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (!ok) throw Failure("cannot write " + escaped(ansiPath) + " (error " + std::to_string(GetLastError()) + ")");
}

// Each file of a folder with its bytes.
inline std::map<std::string, std::string> filesOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : folderEntries(folder)) files[name] = readFile(folder + "\\" + name);
    return files;
}

// The entries in Windows' list (the 32-bit view of either root) of the
// game folders below `folder`, as the patch makes them for a game it did
// not install: by key name.
inline std::vector<std::pair<HKEY, std::string>> entriesBelow(const std::string& folder) {
    const char list[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::vector<std::pair<HKEY, std::string>> found;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, list, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) continue;
        char name[256], location[MAX_PATH * 2];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name, bytes = sizeof location;
            if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (RegGetValueA(key, name, "InstallLocation", RRF_RT_REG_SZ, nullptr, location, &bytes) == ERROR_SUCCESS &&
                _strnicmp(location, (folder + "\\").c_str(), folder.size() + 1) == 0)
                found.push_back({root, std::string(list) + "\\" + name});
        }
        RegCloseKey(key);
    }
    return found;
}

// Deterministic bytes that no payload has.
inline std::string oldBytes(std::size_t size, const std::string& seed) {
    std::string out(size, '\0');
    std::uint32_t x = 2166136261u;
    for (char c : seed) x = (x ^ static_cast<unsigned char>(c)) * 16777619u;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

class PatchTest : public SetupSession {
protected:
    void SetUp() override {
        SetupSession::SetUp();
        GetSystemTimeAsFileTime(&testStart_);
    }
    void TearDown() override {
        closeReadmeNotepads();
        // The entries of the game folders the test made go with them.
        for (const auto& [root, key] : entriesBelow(folder_)) RegDeleteKeyExA(root, key.c_str(), KEY_WOW64_32KEY, 0);
        SetupSession::TearDown();
    }

    // Both shipped languages beside the program, a Simplified system; waits
    // for the start-up language.
    void startSimplified() {
        addShippedLanguage(kSimplified);
        addShippedLanguage(kTraditional);
        association_ = std::make_unique<Gb2312Association>(true);
        start();
        waitForStartLanguage(asShownHere(noticeAsShown(payload("TXT", "LINCE1"))));
    }

    std::string makeGameFolder(const Edition& edition) {
        std::string game = makeFolder(ansi(edition.gameFolder));
        writeFile(game + "\\Vandry.exe", "stand-in for the game's executable");
        return game;
    }

    // The progress window's gauge, which exists (hidden) from start-up on.
    HWND gauge() { return waitForControl(form("TForm4"), "Gauge1"); }

    // The whole run, from Button3 to the closed progress window and Notepad.
    void runPatch(const Edition& edition, const LanguageFileBytes& texts, const std::string& game) {
        const std::string tag = edition.tag;
        HWND gauge = this->gauge();
        const std::size_t paintedBefore = gaugePaintCount(gauge);
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));

        HWND progress = waitForWindow(process_, "TForm4");
        EXPECT_EQ(waitForControl(progress, "Gauge1"), gauge);
        // Disabled before the window shows, enabled after it goes, which
        // is after the final message.
        EXPECT_FALSE(isEnabled(main_)) << "the progress window is modal";
        Box done = waitForMessageBox(process_, kRunTimeout);
        // The run starts 300 ms after the window shows, and takes a step
        // in a few milliseconds: what the gauge painted is on record.
        EXPECT_EQ(gaugePainted(gauge, paintedBefore), (std::vector<int>{0, 10, 30, 50, 85, 99}))
            << "the gauge shows each step of the run, in order";
        EXPECT_EQ(clientSize(progress).cx, 323);
        EXPECT_EQ(clientSize(progress).cy, 67);
        EXPECT_EQ(clientSize(gauge).cx, 289) << "the gauge keeps its size";
        EXPECT_EQ(clientSize(gauge).cy, 28);

        EXPECT_EQ(escaped(done.text), escaped(texts.get("msgs", "msgs17"))) << "the final message (17)";
        EXPECT_EQ(escaped(done.caption), escaped(texts.get("msgs", "msgs1")));
        EXPECT_EQ(boxButtons(done), std::vector<int>{IDOK}) << "with OK alone";
        EXPECT_EQ(nameOf(boxIcon(done.window)), nameOf(BoxIcon::Information));
        EXPECT_TRUE(isVisible(progress)) << "the progress window waits for the final message";
        // The program is in the final message's loop: it has started what
        // it starts before the message.
        EXPECT_EQ(notepadsStartedSince(testStart_), 0u) << "Notepad starts only after the final message";

        // The box sits over the progress window: move it aside, and look at
        // the gauge once the window has repainted.
        moveWindow(done.window, 0, 0);
        double fill = 0;
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return gaugeShows99(gauge, fill); }))
            << "the gauge stands at 99%, never 100% (bar " << fill * 100 << "% black)";
        saveScreenshot(progress, artifactPath("patch-progress-" + tag + ".bmp"));

        pressButton(done, IDOK);
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !isVisible(progress); }))
            << "the progress window closes after the final message";
        EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return isEnabled(main_); })) << "the main window is usable again";

        // Notepad shows the readme that the run wrote.
        HWND notepad = nullptr;
        EXPECT_TRUE(waitUntil(kRunTimeout, [&] {
            auto found = readmeNotepads();
            notepad = found.empty() ? nullptr : found.front();
            return notepad != nullptr;
        })) << "Notepad opens the readme";
        if (notepad) {
            HWND text = FindWindowExA(notepad, nullptr, "Edit", nullptr);
            ASSERT_NE(text, nullptr) << "Notepad has its text field";
            // Its title names the file once it is opened; its text may come a moment later.
            const std::string readme = asShownHere(payload(edition.group, "README"));
            std::string shown;
            EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return (shown = textOf(text)) == readme; }))
                << "Notepad shows the readme's bytes, not " << shown.size() << " bytes beginning \""
                << escaped(shown.substr(0, 60)) << "\"";
            PostMessageA(notepad, WM_CLOSE, 0, 0);
            EXPECT_TRUE(waitUntil(kActionTimeout, [&] { return !IsWindow(notepad); })) << "Notepad closes";
        }

        // The five files, byte for byte the edition's payloads.
        for (const Written& w : kWritten) {
            SCOPED_TRACE(w.file);
            const std::string path = game + "\\" + w.file;
            ASSERT_TRUE(fileExists(path)) << path;
            const std::string expected = payload(w.shared ? "GB_" : edition.group, w.payload);
            const std::string got = readFile(path);
            EXPECT_EQ(got.size(), expected.size());
            EXPECT_TRUE(got == expected) << w.file << " is the payload " << (w.shared ? "GB_" : edition.group) << "/"
                                         << w.payload;
        }
        std::vector<std::string> entries = folderEntries(game);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"CVandry.exe", "GAME00.DAT", "KESTAL.exe", "Uninstall",
                                                     "Vandry.exe", "game01.dat", "patch.log", "readme.txt"}))
            << "the run writes the five files, its log and its record, nothing else";
        // The record, the originals of game files the patch replaced and, in
        // a game this program did not install, the uninstaller.
        const auto own = folderEntries(game + "\\Uninstall");
        EXPECT_NE(std::find(own.begin(), own.end(), "Uninstall.dat"), own.end());
        for (const auto& e : own)
            EXPECT_TRUE(e == "Uninstall.dat" || e == "Original" || e == "Uninstall.exe" ||
                        (e.size() > 4 && e.compare(e.size() - 4, 4, ".ini") == 0))
                << escaped(e);

        // The shortcuts: the readme's and the edition's game shortcut.
        ASSERT_TRUE(fileExists(readmeShortcut())) << escaped(readmeShortcut());
        ASSERT_TRUE(fileExists(gameShortcut(edition))) << escaped(gameShortcut(edition));
        listShortcutForLinux(readmeShortcut(), "shortcut-readme-" + tag + ".lnk", game + "\\readme.txt", game + "\\");
        listShortcutForLinux(gameShortcut(edition), "shortcut-game-" + tag + ".lnk", game + "\\KESTAL.exe",
                             game + "\\");
    }

    // Button3 and the picker on `game`, then the error box that ends the
    // action; OK on it takes the player back to the main window, with no
    // other box after it: not message 17, nor Notepad.
    Box patchUntilError(const std::string& game, const LanguageFileBytes& texts) {
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
        return waitForMessageBox(process_, kRunTimeout);
    }
    void closeErrorAndExpectNothingMore(const Box& error) {
        EXPECT_EQ(escaped(error.caption), "Setup") << "the application's error box";
        EXPECT_NE(GetDlgItem(error.window, IDOK), nullptr);
        EXPECT_EQ(GetDlgItem(error.window, IDCANCEL), nullptr) << "OK only";
        pressButton(error, IDOK);
        // Back in the event loop, the action is over: whatever it was to
        // show would be up by now.
        waitForIdle(main_, kRunTimeout);
        EXPECT_TRUE(isEnabled(main_)) << "back at the main window";
        EXPECT_FALSE(isVisible(form("TForm4"))) << "the progress window is gone";
        EXPECT_TRUE(topLevelWindows(process_.id(), "#32770", true).empty()) << "no message follows the error";
        EXPECT_EQ(notepadsStartedSince(testStart_), 0u) << "no readme opens";
    }

    // Nested folders of 浅 in `base`, each name short enough for a Linux
    // file name, together `length` UTF-16 units long.
    std::string makeFolderOfLength(const std::string& base, std::size_t length) {
        std::string path = base;
        const std::string shallow = ansi(L"浅");
        if (units(path) + 2 > length) throw Failure("the test folder is longer than " + std::to_string(length));
        while (units(path) < length) {
            // A backslash and the name; never leave a single unit for the next level.
            const std::size_t left = length - units(path);
            std::size_t name = left - 1;
            if (name > 80) name = name - 80 >= 2 ? 80 : 78;
            std::string part;
            for (std::size_t i = 0; i < name; ++i) part += shallow;
            path += "\\" + part;
            if (!CreateDirectoryA(path.c_str(), nullptr))
                throw Failure("cannot create a folder " + std::to_string(units(path)) + " units long (error " +
                              std::to_string(GetLastError()) + ")");
        }
        return path;
    }

    std::unique_ptr<Gb2312Association> association_;
    FILETIME testStart_{};
};

class Patch936 : public PatchTest {};
class Patch950 : public PatchTest {};

}  // namespace e2e
