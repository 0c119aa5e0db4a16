#include "tests/e2e/robot/Robot.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <utility>

namespace robot {
namespace {

constexpr DWORD kPollMs = 25;

ULONGLONG now() { return GetTickCount64(); }

// Polls `ready` until it returns true or `timeoutMs` passes.
template <typename Ready>
bool poll(DWORD timeoutMs, Ready ready) {
    const ULONGLONG end = now() + timeoutMs;
    for (;;) {
        if (ready()) return true;
        if (now() >= end) return false;
        Sleep(kPollMs);
    }
}

std::string hex(UINT_PTR value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

std::string describe(HWND w) {
    return classOf(w) + " " + hex(reinterpret_cast<UINT_PTR>(w)) + (IsWindowVisible(w) ? " visible" : " hidden");
}

std::string describeWindows(DWORD pid) {
    std::string out;
    for (HWND w : topLevelWindows(pid)) out += "\n  " + describe(w);
    return out.empty() ? " (none)" : out;
}

LRESULT send(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs, const char* what) {
    DWORD_PTR result = 0;
    // Not SMTO_ABORTIFHUNG: a program that has not looked at its queue for
    // 5 s (a long step on a busy machine) counts as hung, and the call would
    // fail at once instead of waiting for the answer.
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_BLOCK, timeoutMs, &result))
        throw Failure(std::string(what) + ": no answer from " + describe(w) + " within " +
                      std::to_string(timeoutMs) + " ms (error " + std::to_string(GetLastError()) + ")");
    return static_cast<LRESULT>(result);
}

void post(HWND w, UINT msg, WPARAM wp, LPARAM lp, const char* what) {
    if (!PostMessageA(w, msg, wp, lp))
        throw Failure(std::string(what) + ": PostMessage to " + describe(w) + " failed (error " +
                      std::to_string(GetLastError()) + ")");
}

struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
    void operator()(HGDIOBJ o) const { DeleteObject(o); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, old_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

// The folder part of a path, stepping over double-byte characters whose
// second byte is a backslash.
std::string folderOf(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') cut = i;
    }
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// ---- Process ----

Process Process::start(const std::string& exe, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    const std::string folder = folderOf(exe);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        throw Failure("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");
    CloseHandle(pi.hThread);
    return Process(pi.hProcess, pi.dwProcessId);
}

Process Process::attach(DWORD id) {
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id);
    if (!h) throw Failure("cannot open process " + std::to_string(id) + " (error " + std::to_string(GetLastError()) + ")");
    return Process(h, id);
}

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        terminate();
        if (process_) CloseHandle(process_);
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

Process::~Process() {
    terminate();
    if (process_) CloseHandle(process_);
}

bool Process::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD Process::waitForExit(DWORD timeoutMs) {
    if (!process_) throw Failure("waitForExit: no process");
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        throw Failure("process " + std::to_string(id_) + " still running after " + std::to_string(timeoutMs) +
                      " ms; its windows:" + describeWindows(id_));
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

void Process::terminate() {
    if (running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
}

// ---- Windows ----

namespace {

// Enumeration callbacks must be stdcall functions: a lambda is not one on x86.
BOOL CALLBACK collect(HWND w, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
    return TRUE;
}

std::vector<HWND> everyTopLevelWindow() {
    std::vector<HWND> all;
    EnumWindows(&collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

}  // namespace

std::vector<HWND> topLevelWindows(DWORD pid, const char* className, bool visibleOnly) {
    std::vector<HWND> found;
    for (HWND w : everyTopLevelWindow()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != pid) continue;
        if (visibleOnly && !IsWindowVisible(w)) continue;
        if (className && classOf(w) != className) continue;
        found.push_back(w);
    }
    return found;
}

std::vector<HWND> visibleWindowsOfClass(const char* className) {
    std::vector<HWND> found;
    for (HWND w : everyTopLevelWindow())
        if (IsWindowVisible(w) && classOf(w) == className) found.push_back(w);
    return found;
}

bool waitUntil(DWORD timeoutMs, const std::function<bool()>& ready) { return poll(timeoutMs, ready); }

HWND waitForWindow(const Process& process, const char* className, DWORD timeoutMs) {
    HWND found = nullptr;
    bool ended = false;
    poll(timeoutMs, [&] {
        auto windows = topLevelWindows(process.id(), className, true);
        if (!windows.empty()) {
            found = windows.front();
            return true;
        }
        ended = !process.running();
        return ended;
    });
    if (found) return found;
    if (ended) {
        DWORD code = 0;
        GetExitCodeProcess(process.handle(), &code);
        throw Failure(std::string("process ended (exit code ") + std::to_string(code) +
                      ") before a visible " + className + " window appeared");
    }
    throw Failure(std::string("no visible ") + className + " window within " + std::to_string(timeoutMs) +
                  " ms; the process's windows:" + describeWindows(process.id()));
}

std::string classOf(HWND window) {
    char buf[256];
    int n = GetClassNameA(window, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string nameOf(HWND control) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(control, kNameProperty)));
    if (!atom) return {};
    char buf[256];
    UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    return std::string(buf, n);
}

namespace {

std::vector<HWND> descendants(HWND top) {
    std::vector<HWND> all;
    EnumChildWindows(top, &collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

}  // namespace

HWND findControl(HWND top, const std::string& name) {
    for (HWND w : descendants(top))
        if (nameOf(w) == name) return w;
    return nullptr;
}

HWND waitForControl(HWND top, const std::string& name, DWORD timeoutMs) {
    HWND found = nullptr;
    if (poll(timeoutMs, [&] { return (found = findControl(top, name)) != nullptr || !IsWindow(top); }) && found)
        return found;
    if (!IsWindow(top)) throw Failure("window " + hex(reinterpret_cast<UINT_PTR>(top)) + " went away while waiting for " + name);
    std::string names;
    for (const auto& n : controlNames(top)) names += " " + n;
    throw Failure("no control named " + name + " in " + describe(top) + " within " + std::to_string(timeoutMs) +
                  " ms; named controls:" + (names.empty() ? " (none)" : names));
}

std::vector<std::string> controlNames(HWND top) {
    std::vector<std::string> names;
    for (HWND w : descendants(top)) {
        std::string n = nameOf(w);
        if (!n.empty()) names.push_back(n);
    }
    return names;
}

std::string textOf(HWND window, DWORD timeoutMs) {
    auto length = send(window, WM_GETTEXTLENGTH, 0, 0, timeoutMs, "WM_GETTEXTLENGTH");
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    auto copied = send(window, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), timeoutMs, "WM_GETTEXT");
    if (copied < 0 || static_cast<size_t>(copied) >= buf.size()) copied = 0;
    return std::string(buf.data(), static_cast<size_t>(copied));
}

void waitForText(HWND window, const std::string& expected, DWORD timeoutMs) {
    std::string last;
    if (poll(timeoutMs, [&] { return (last = textOf(window)) == expected; })) return;
    throw Failure("text of " + describe(window) + " is \"" + escaped(last) + "\", not \"" + escaped(expected) +
                  "\", after " + std::to_string(timeoutMs) + " ms");
}

void click(HWND button) { post(button, BM_CLICK, 0, 0, "click"); }

HWND focusedWindow(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) ? info.hwndFocus : nullptr;
}

void pressKey(HWND top, UINT vk) {
    HWND to = focusedWindow(top);
    if (!to) to = top;
    // A repeat count of 1 and the key's scan code; the release has bits 30 and 31 set.
    const LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    post(to, WM_KEYDOWN, vk, down, "key down");
    post(to, WM_KEYUP, vk, down | static_cast<LPARAM>(0xC0000000u), "key up");
}

void selectComboItem(HWND combo, int index) {
    const int count = static_cast<int>(send(combo, CB_GETCOUNT, 0, 0, kActionTimeout, "CB_GETCOUNT"));
    if (index < 0 || index >= count)
        throw Failure("combo box " + nameOf(combo) + " has no item " + std::to_string(index) + " (it has " +
                      std::to_string(count) + ")");
    HWND parent = GetParent(combo);
    if (!parent) throw Failure("combo box " + nameOf(combo) + " has no parent");
    // The user's choice selects and notifies in one message; from outside
    // they are two.  Both are posted while the program's thread is held
    // still, so that they wait in its queue together: a posted message
    // comes before a due timer, and so nothing the program does on its own
    // (a timer that selects an item itself) can come between them.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(combo, nullptr));
    const bool held = thread && SuspendThread(thread) != static_cast<DWORD>(-1);
    const bool posted =
        PostMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) &&
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    const DWORD error = GetLastError();
    if (held) ResumeThread(thread);
    if (thread) CloseHandle(thread);
    if (!posted)
        throw Failure("cannot post the choice of item " + std::to_string(index) + " to " + describe(combo) +
                      " (error " + std::to_string(error) + ")");
}

std::vector<std::string> comboItems(HWND combo) {
    // Asked in UTF-16 and converted here: Wine hands a cross-process
    // CB_GETLBTEXT back unconverted to an ANSI caller.
    std::vector<std::string> items;
    auto count = send(combo, CB_GETCOUNT, 0, 0, kActionTimeout, "CB_GETCOUNT");
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_BLOCK, kActionTimeout,
                                 &length) ||
            static_cast<LRESULT>(length) < 0)
            throw Failure("CB_GETLBTEXTLEN failed for item " + std::to_string(i));
        std::vector<wchar_t> buf(length + 1, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()),
                                 SMTO_BLOCK, kActionTimeout, &copied) ||
            static_cast<LRESULT>(copied) < 0)
            throw Failure("CB_GETLBTEXT failed for item " + std::to_string(i));
        const int wide = static_cast<int>(std::min<DWORD_PTR>(copied, length));
        std::string item(static_cast<size_t>(wide) * 2, '\0');
        int n = WideCharToMultiByte(CP_ACP, 0, buf.data(), wide, item.data(), static_cast<int>(item.size()), nullptr,
                                    nullptr);
        item.resize(n > 0 ? static_cast<size_t>(n) : 0);
        items.push_back(item);
    }
    return items;
}

int comboSelection(HWND combo) {
    return static_cast<int>(send(combo, CB_GETCURSEL, 0, 0, kActionTimeout, "CB_GETCURSEL"));
}

std::vector<HWND> visibleMessageBoxes(const Process& process) {
    std::vector<HWND> boxes;
    for (HWND w : topLevelWindows(process.id(), "#32770", true))
        if (GetDlgItem(w, 0xFFFF)) boxes.push_back(w);
    return boxes;
}

Box waitForMessageBox(const Process& process, DWORD timeoutMs) {
    Box box;
    bool ended = false;
    poll(timeoutMs, [&] {
        auto boxes = visibleMessageBoxes(process);
        if (!boxes.empty()) {
            box.window = boxes.front();
            return true;
        }
        ended = !process.running();
        return ended;
    });
    if (!box.window) {
        if (ended) throw Failure("process ended before showing a message box");
        throw Failure("no message box within " + std::to_string(timeoutMs) + " ms; the process's windows:" +
                      describeWindows(process.id()));
    }
    box.caption = textOf(box.window);
    box.text = textOf(GetDlgItem(box.window, 0xFFFF));
    return box;
}

void pressButton(const Box& box, int id, DWORD timeoutMs) {
    HWND button = GetDlgItem(box.window, id);
    if (!button) {
        std::string ids;
        for (HWND w : descendants(box.window))
            if (classOf(w) == "Button") ids += " " + std::to_string(GetDlgCtrlID(w));
        throw Failure("message box \"" + escaped(box.caption) + "\" has no button " + std::to_string(id) +
                      "; its buttons:" + (ids.empty() ? " (none)" : ids));
    }
    click(button);
    if (!poll(timeoutMs, [&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }))
        throw Failure("message box \"" + escaped(box.caption) + "\" still up " + std::to_string(timeoutMs) +
                      " ms after pressing button " + std::to_string(id));
}

std::vector<int> boxButtons(const Box& box) {
    std::vector<std::pair<LONG, int>> shown;  // left edge, ID
    for (HWND w : descendants(box.window)) {
        if (classOf(w) != "Button" || !IsWindowVisible(w)) continue;
        RECT r{};
        GetWindowRect(w, &r);
        shown.emplace_back(r.left, GetDlgCtrlID(w));
    }
    std::sort(shown.begin(), shown.end());
    std::vector<int> ids;
    for (const auto& s : shown) ids.push_back(s.second);
    return ids;
}

int gaugePercent(HWND gauge) {
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(gauge, kGaugeProperty)));
}

namespace {
UINT registered(const char* name) {
    UINT id = RegisterWindowMessageA(name);
    if (!id) throw Failure(std::string("cannot register the message ") + name);
    return id;
}
}  // namespace

std::size_t gaugePaintCount(HWND gauge) {
    static const UINT painted = registered(kGaugePaintedMessage);
    LRESULT n = send(gauge, painted, static_cast<WPARAM>(-1), 0, kActionTimeout, kGaugePaintedMessage);
    if (n < 0) throw Failure("the gauge " + describe(gauge) + " keeps no record of what it painted");
    return static_cast<std::size_t>(n);
}

std::vector<int> gaugePainted(HWND gauge, std::size_t from) {
    static const UINT painted = registered(kGaugePaintedMessage);
    std::vector<int> values;
    for (std::size_t i = from;; ++i) {
        LRESULT v = send(gauge, painted, static_cast<WPARAM>(i), 0, kActionTimeout, kGaugePaintedMessage);
        if (v == -1) break;
        if (v < 0)
            throw Failure("the gauge's record no longer holds change " + std::to_string(i) +
                          ": read it sooner after the action");
        values.push_back(static_cast<int>(v));
    }
    return values;
}

LoopState markTaken(HWND form, DWORD timeoutMs) {
    static const UINT mark = registered(kMarkMessage);
    // Tokens differ from one robot to the next, so that a mark of an earlier
    // run is never taken for this one's.
    static WPARAM next = (static_cast<WPARAM>(GetCurrentProcessId()) << 16) ^ GetTickCount();
    WPARAM token = ++next;
    if (token == 0) token = ++next;
    post(form, mark, token, 0, kMarkMessage);
    const ULONGLONG end = now() + timeoutMs;
    for (;;) {
        const ULONGLONG left = now() < end ? end - now() : 0;
        const DWORD wait = static_cast<DWORD>(std::max<ULONGLONG>(left, 1));
        if (static_cast<WPARAM>(send(form, mark, 0, 0, wait, kMarkMessage)) == token) break;
        if (now() >= end)
            throw Failure("the program did not take a mark posted to " + describe(form) + " within " +
                          std::to_string(timeoutMs) + " ms");
        Sleep(kPollMs);
    }
    LoopState state;
    state.handlers = static_cast<int>(send(form, mark, 0, 1, kActionTimeout, kMarkMessage));
    state.modalLoops = static_cast<int>(send(form, mark, 0, 2, kActionTimeout, kMarkMessage));
    return state;
}

void waitForIdle(HWND form, DWORD timeoutMs) {
    const ULONGLONG end = now() + timeoutMs;
    LoopState last;
    for (;;) {
        const ULONGLONG left = now() < end ? end - now() : 0;
        last = markTaken(form, static_cast<DWORD>(std::max<ULONGLONG>(left, 1)));
        if (last.handlers == 0 && last.modalLoops == 0) return;
        if (now() >= end) break;
        Sleep(kPollMs);
    }
    throw Failure("the program is not back in its event loop after " + std::to_string(timeoutMs) + " ms: " +
                  std::to_string(last.handlers) + " handlers running, " + std::to_string(last.modalLoops) +
                  " modal windows or message boxes up; its windows:" +
                  describeWindows([&] {
                      DWORD pid = 0;
                      GetWindowThreadProcessId(form, &pid);
                      return pid;
                  }()));
}

SIZE clientSize(HWND window) {
    RECT r{};
    if (!GetClientRect(window, &r)) throw Failure("GetClientRect failed for " + describe(window));
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool isVisible(HWND window) { return IsWindowVisible(window) != FALSE; }
bool isEnabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

void settle(HWND window, DWORD paintMs) {
    send(window, WM_NULL, 0, 0, kActionTimeout, "settle");
    Sleep(paintMs);
}

void saveScreenshot(HWND window, const std::string& path) {
    RECT r{};
    if (!GetWindowRect(window, &r)) throw Failure("GetWindowRect failed for " + describe(window));
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) throw Failure("window " + describe(window) + " has an empty rectangle");

    ScreenDc screen;
    if (!screen.get()) throw Failure("GetDC(NULL) failed");
    std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> memory(CreateCompatibleDC(screen.get()));
    std::unique_ptr<std::remove_pointer_t<HBITMAP>, ObjectDeleter> bitmap(
        CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap) throw Failure("cannot make a bitmap for the screenshot");
    {
        Selection select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY | CAPTUREBLT))
            throw Failure("BitBlt from the screen failed (error " + std::to_string(GetLastError()) + ")");
    }

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files store rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        throw Failure("GetDIBits failed for the screenshot");

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    info.biSizeImage = static_cast<DWORD>(pixels.size());

    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(path.c_str(), "wb"));
    if (!out) throw Failure("cannot write " + path);
    bool ok = std::fwrite(&file, sizeof file, 1, out.get()) == 1 && std::fwrite(&info, sizeof info, 1, out.get()) == 1 &&
              std::fwrite(pixels.data(), 1, pixels.size(), out.get()) == pixels.size();
    if (!ok || std::fclose(out.release()) != 0) throw Failure("cannot write " + path);
}

void moveWindow(HWND window, int x, int y) {
    if (!SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        throw Failure("cannot move " + describe(window) + " (error " + std::to_string(GetLastError()) + ")");
}

void closeWindow(HWND window) { post(window, WM_CLOSE, 0, 0, "close"); }

std::string escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

}  // namespace robot
