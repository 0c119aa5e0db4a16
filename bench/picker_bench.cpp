// The folder picker on the real Win32 platform (under Wine here): how long
// the player waits when a folder with many subfolders is opened in its tree.
//
//   picker_bench [--rounds K] [--counts N,M,...] SCRATCH
//
// SCRATCH gets one folder per count, holding that many subfolders (made once
// and kept; bench.sh uses C:\picker-bench, a folder on a player's disk).  Each
// round shows a new picker (TForm3, the program's own window), opens My
// Computer, the drive and every folder down to SCRATCH as a robot does, and
// then times two things a player does:
//   open   TVM_EXPAND on the folder of N subfolders and the repaint of the
//          tree, its first page of subfolders with their icons;
//   end    scrolling to the last subfolder and the repaint of that page.
// Growth from the smallest to the largest count is printed beside the ratio
// of the counts: a cost per subfolder grows as the count does, a cost per
// shown item not at all.
//
// Exits 1 when the opened folder does not list its N subfolders in name
// order, or a shown subfolder's icon is not the shell's folder icon; timing
// never fails it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "platform/Platform.h"
#include "platform/win32/Peers.h"
#include "shell/FolderPicker.h"
#include "tests/e2e/robot/Tree.h"

namespace {

constexpr double kTargetSeconds = 0.5;
constexpr int kTargetCount = 5000;

using benchclock::seconds;
using benchclock::ticks;

template <class Work>
double timed(Work work) {
    long long t0 = ticks();
    work();
    return seconds(ticks() - t0);
}

std::string subfolderName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "folder %05d", i);
    return name;
}

std::string folderOf(const std::string& scratch, int count) { return scratch + "\\" + std::to_string(count); }

// Made once; later runs find them there.
void makeFolders(const std::string& scratch, int count) {
    CreateDirectoryA(scratch.c_str(), nullptr);
    const std::string folder = folderOf(scratch, count);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) CreateDirectoryA((folder + "\\" + subfolderName(i)).c_str(), nullptr);
}

LRESULT send(HWND tree, UINT msg, WPARAM w, const void* l) {
    return SendMessageA(tree, msg, w, reinterpret_cast<LPARAM>(l));
}

HTREEITEM next(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(send(tree, TVM_GETNEXTITEM, relation, item));
}

std::string textOf(HWND tree, HTREEITEM item) {
    char text[MAX_PATH] = {};
    TVITEMA it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    send(tree, TVM_GETITEMA, 0, &it);
    return text;
}

struct Icons {
    int closed = -1, open = -1;
    bool operator==(const Icons& o) const { return closed == o.closed && open == o.open; }
};

Icons iconsOf(HWND tree, HTREEITEM item) {
    TVITEMA it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = item;
    send(tree, TVM_GETITEMA, 0, &it);
    return {it.iImage, it.iSelectedImage};
}

// The shell's icons of a folder, as the tree should show them.
Icons folderIcons(const std::string& path) {
    SHFILEINFOA closed{}, open{};
    SHGetFileInfoA(path.c_str(), 0, &closed, sizeof closed, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    SHGetFileInfoA(path.c_str(), 0, &open, sizeof open, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    return {closed.iIcon, open.iIcon};
}

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

// The opened folder lists every subfolder in name order, and the shown ones
// carry the shell's folder icon.
void verify(HWND tree, HTREEITEM folder, int count, const Icons& icons) {
    int n = 0;
    for (HTREEITEM c = next(tree, TVGN_CHILD, folder); c; c = next(tree, TVGN_NEXT, c), ++n) {
        if (n == 0 || n == count - 1 || n % 97 == 0)
            check(textOf(tree, c) == subfolderName(n),
                  "subfolder " + std::to_string(n) + " reads \"" + textOf(tree, c) + "\"");
    }
    check(n == count, std::to_string(n) + " subfolders listed, not " + std::to_string(count));
    // The rows on the screen (an item is "visible" to the tree when its
    // branch is open, wherever the scroll bar is).
    const auto rows = static_cast<int>(send(tree, TVM_GETVISIBLECOUNT, 0, nullptr));
    HTREEITEM c = next(tree, TVGN_FIRSTVISIBLE, nullptr);
    check(rows > 0 && c, "nothing is shown");
    for (int i = 0; i < rows && c; ++i, c = next(tree, TVGN_NEXTVISIBLE, c))
        if (next(tree, TVGN_PARENT, c) == folder)
            check(iconsOf(tree, c).closed == icons.closed,
                  "\"" + textOf(tree, c) + "\" is shown without the folder icon");
}

// The selected subfolder shows the open folder.
void verifySelected(HWND tree, HTREEITEM item, const Icons& icons) {
    send(tree, TVM_SELECTITEM, TVGN_CARET, item);
    UpdateWindow(tree);
    check(iconsOf(tree, item) == icons, "the selected \"" + textOf(tree, item) + "\" shows icons " +
                                           std::to_string(iconsOf(tree, item).closed) + " and " +
                                           std::to_string(iconsOf(tree, item).open) + ", not the shell's " +
                                           std::to_string(icons.closed) + " and " + std::to_string(icons.open));
}

HTREEITEM lastChild(HWND tree, HTREEITEM folder) {
    HTREEITEM last = nullptr;
    for (HTREEITEM c = next(tree, TVGN_CHILD, folder); c; c = next(tree, TVGN_NEXT, c)) last = c;
    return last;
}

struct Times {
    std::vector<double> open, end;
};

void oneRound(const std::string& scratch, const std::vector<int>& counts, const Icons& icons,
              std::map<int, Times>& out) {
    TForm3 picker;
    picker.createWindows();
    picker.Show();
    HWND tree = w32::ControlPeer::windowOf(*picker.ShellTreeView1);
    robot::RemoteTree remote(tree);
    HTREEITEM parent = remote.selectPath(scratch);
    remote.expand(parent);
    for (int count : counts) {
        HTREEITEM folder = remote.child(
            parent, [&](const std::string& t) { return t == std::to_string(count); }, std::to_string(count));
        send(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, folder);
        UpdateWindow(tree);
        const double open = timed([&] {
            send(tree, TVM_EXPAND, TVE_EXPAND, folder);
            UpdateWindow(tree);
        });
        verify(tree, folder, count, icons);
        HTREEITEM last = lastChild(tree, folder);
        const double end = timed([&] {
            send(tree, TVM_ENSUREVISIBLE, 0, last);
            UpdateWindow(tree);
        });
        verify(tree, folder, count, icons);
        verifySelected(tree, last, icons);
        send(tree, TVM_SELECTITEM, TVGN_CARET, parent);
        send(tree, TVM_EXPAND, TVE_COLLAPSE, folder);
        out[count].open.push_back(open);
        out[count].end.push_back(end);
    }
    plat::desktop().processMessages();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[(v.size() - 1) / 2];
}

void row(const std::string& label, const std::vector<double>& v) {
    auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("  %-34s %9.3f s [%9.3f, %9.3f]\n", label.c_str(), median(v), *lo, *hi);
}

std::vector<int> parseCounts(const char* list) {
    std::vector<int> counts;
    for (const char* p = list; *p;) {
        char* end = nullptr;
        long n = std::strtol(p, &end, 10);
        if (end == p || n <= 0) throw std::runtime_error(std::string("bad count list ") + list);
        counts.push_back(static_cast<int>(n));
        p = *end == ',' ? end + 1 : end;
    }
    return counts;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    std::vector<int> counts{1000, 5000};
    std::vector<std::string> args;
    try {
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
                rounds = std::max(1, std::atoi(argv[++i]));
            else if (std::strcmp(argv[i], "--counts") == 0 && i + 1 < argc)
                counts = parseCounts(argv[++i]);
            else
                args.push_back(argv[i]);
        }
        if (args.size() != 1) {
            std::fprintf(stderr, "usage: picker_bench [--rounds K] [--counts N,M,...] SCRATCH\n");
            return 2;
        }
        std::sort(counts.begin(), counts.end());
        const std::string scratch = args[0];
        for (int count : counts) makeFolders(scratch, count);

        auto platform = plat::createPlatform();
        const plat::PlatformInForce inForce(*platform);
        platform->comInitialize();
        const Icons icons = folderIcons(folderOf(scratch, counts.front()));

        std::map<int, Times> times;
        for (int r = 0; r <= rounds; ++r) {  // round 0 warms the caches and is dropped
            std::map<int, Times> one;
            oneRound(scratch, counts, icons, one);
            if (r == 0) continue;
            for (auto& [count, t] : one) {
                times[count].open.push_back(t.open.front());
                times[count].end.push_back(t.end.front());
            }
        }

        std::printf("folder picker: a folder of N subfolders opened in the tree, medians of %d rounds, [min, max]\n",
                    rounds);
        for (const auto& [count, t] : times) {
            row("open " + std::to_string(count) + " subfolders", t.open);
            row("scroll to the last of " + std::to_string(count), t.end);
        }
        if (counts.size() > 1) {
            const int a = counts.front(), b = counts.back();
            std::printf("  %-34s %9.2f   (counts grow %.2f times)\n", "growth of open", median(times[b].open) /
                        median(times[a].open), static_cast<double>(b) / a);
        }
        if (times.count(kTargetCount)) {
            const double m = median(times[kTargetCount].open);
            std::printf("  target: open %d subfolders within %.1f s: %s\n", kTargetCount, kTargetSeconds,
                        m <= kTargetSeconds ? "met" : "MISSED");
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picker_bench: %s\n", e.what());
        return 1;
    }
}
