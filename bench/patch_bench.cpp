// A whole patch run on the real Win32 platform (under Wine here), against a
// bare zlib inflate + write of the same five payloads measured in the same
// process.
//
//   patch_bench <payload folder> <scratch folder> [--rounds K]
//
// The run is the installer's own: the patch button, its question box, the
// folder picker, the progress window's timer, the patch run, the shortcuts and
// the final box.  A forwarding platform answers the boxes at once, records
// the Notepad start instead of starting it, puts the shortcuts under the
// scratch folder and time-stamps every pump and every extraction boundary.
// Timed from the timer's tick to its end, so neither the 300 ms start delay
// nor a user at the box counts.
//
// Peak memory comes from a fresh copy of this program (--memory): the
// process's working-set and commit peaks, and the peak of live C++ heap
// bytes, across one run.  Exits 1 when a written file is wrong or the heap
// peak shows a second full copy of a payload; timing never fails it.
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/App.h"
#include "bench/PatchBenchRun.h"
#include "payload/Payload.h"
#include "platform/Platform.h"
#include "shell/Registration.h"

// ---------------------------------------------------------------- counting heap
// Live bytes of operator new, so that a second copy of a payload would show
// even where the working set hides it.  zlib's own state (malloc) is not in it.

namespace {

std::atomic<std::size_t> heapLive{0}, heapPeak{0};
constexpr std::size_t kHeader = 16;  // keeps malloc's 16-byte alignment

void* countedAlloc(std::size_t n) noexcept {
    void* block = std::malloc(n + kHeader);
    if (!block) return nullptr;
    *static_cast<std::size_t*>(block) = n;
    std::size_t live = heapLive.fetch_add(n) + n;
    std::size_t peak = heapPeak.load();
    while (live > peak && !heapPeak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + kHeader;
}

void countedFree(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    heapLive.fetch_sub(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

void* countedOrThrow(std::size_t n) {
    if (void* p = countedAlloc(n)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return countedOrThrow(n); }
void* operator new[](std::size_t n) { return countedOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return countedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return countedAlloc(n); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

namespace {

using namespace patchbench;

// The five files of the Simplified edition, in the run's order.
struct File {
    const char* name;    // resource name
    const char* target;  // file name in the game folder
};
const File kFiles[] = {
    {"KESTAL", "KESTAL.exe"}, {"CVANDRY", "CVandry.exe"}, {"README", "readme.txt"},
    {"GAME01", "game01.dat"}, {"GAME00", "GAME00.DAT"},
};
constexpr std::size_t kFileCount = sizeof kFiles / sizeof kFiles[0];
constexpr std::size_t kLargest = 4;  // GAME00

// ---------------------------------------------------------------- one run's figures

struct RunFigures {
    double work = 0;             // tick start to tick end
    double extract[kFileCount]{};
    double inflate[kFileCount]{};  // resource to the file's creation
    double shortcuts = 0;        // gauge 85 and the shortcuts, before GAME00
    double pumps = 0;            // inside processMessages()
    double longest = 0;          // longest stretch without a pump
    std::string longestSpan;
};

const char* const kStretchNames[] = {"tick to 1st pump (KESTAL)", "pump 1 to 2 (CVandry, readme)",
                                     "pump 2 to 3 (game01)", "pump 3 to 4 (shortcuts, GAME00)",
                                     "pump 4 to the box", "box to the tick's end"};

bool analyse(const std::vector<Event>& ev, RunFigures& f) {
    double tickStart = -1, tickEnd = -1, lastResponsive = -1;
    std::size_t file = 0, stretch = 0;
    double start = 0, lastEnd = 0;
    for (const Event& e : ev) {
        switch (e.kind) {
            case Ev::TickStart: tickStart = lastResponsive = e.t; break;
            case Ev::ExtractStart:
                start = e.t;
                if (file == kLargest) f.shortcuts = e.t - lastEnd;
                break;
            case Ev::WriteStart:
                if (file < kFileCount) f.inflate[file] = e.t - start;
                break;
            case Ev::ExtractEnd:
                if (file < kFileCount) f.extract[file++] = e.t - start;
                break;
            case Ev::PumpStart:
            case Ev::Box:
            case Ev::TickEnd: {
                if (lastResponsive < 0) break;
                double gap = e.t - lastResponsive;
                if (gap > f.longest) {
                    f.longest = gap;
                    f.longestSpan = stretch < 6 ? kStretchNames[stretch] : "?";
                }
                ++stretch;
                lastResponsive = e.t;
                if (e.kind == Ev::TickEnd) tickEnd = e.t;
                break;
            }
            case Ev::PumpEnd:
                if (lastResponsive >= 0) {
                    f.pumps += e.t - lastResponsive;
                    lastResponsive = e.t;
                }
                if (file == kLargest) lastEnd = e.t;
                break;
            case Ev::Exec: break;
        }
    }
    f.work = tickEnd - tickStart;
    return tickStart >= 0 && tickEnd >= 0 && file == kFileCount && stretch == 6;
}

// ---------------------------------------------------------------- the baseline

// zlib in one call over each whole resource, one WriteFile of the result.
void bareInflateAndWrite(const Paths& p, double (&perFile)[kFileCount], double (&inflated)[kFileCount]) {
    // The run starts after its timer's 300 ms of quiet, when the previous
    // round's writes have settled; so does the baseline.
    Sleep(300);
    for (std::size_t i = 0; i < kFileCount; ++i) {
        double t0 = now();
        const Resource res = resource(kFiles[i].name);
        const std::uint32_t n = res.n;
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[n]);
        z_stream zs{};
        inflateInit(&zs);
        zs.next_in = const_cast<Bytef*>(res.data + 4);
        zs.avail_in = static_cast<uInt>(res.size - 4);
        zs.next_out = out.get();
        zs.avail_out = n;
        int r = inflate(&zs, Z_FINISH);
        inflateEnd(&zs);
        if (r != Z_STREAM_END || zs.avail_out != 0) throw std::runtime_error("baseline inflate failed");
        inflated[i] = now() - t0;
        if (!writeWhole(p.bare + "\\" + kFiles[i].target, out.get(), n))
            throw std::runtime_error("baseline write failed");
        perFile[i] = now() - t0;
    }
}

// ---------------------------------------------------------------- statistics

struct Spread {
    double median, min, max;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

void printMs(const char* what, const std::vector<double>& v) {
    Spread s = spread(v);
    std::printf("  %-36s %7.2f ms  [%6.2f, %6.2f]\n", what, s.median * 1e3, s.min * 1e3, s.max * 1e3);
}

void printRatio(const char* what, const std::vector<double>& v, double target) {
    Spread s = spread(v);
    std::printf("  %-36s %7.3f     [%6.3f, %6.3f]", what, s.median, s.min, s.max);
    if (target > 0) std::printf("  target <= %.2f: %s", target, s.median <= target ? "met" : "MISSED");
    std::printf("\n");
}

// ---------------------------------------------------------------- memory (child)

constexpr double kMiB = 1024.0 * 1024.0;

PROCESS_MEMORY_COUNTERS_EX memoryCounters() {
    PROCESS_MEMORY_COUNTERS_EX c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c);
    return c;
}

int memoryRun(const Paths& paths) {
    std::unique_ptr<plat::Platform> real = plat::createPlatform();
    const plat::PlatformInForce inForce(*real);
    BenchPlatform bench(*real, paths.game, paths.programs);
    bench.comInitialize();
    prepareRun(paths);
    // What any first run loads once and keeps (COM's shell-link classes) is
    // not the run's data: load it before the counters are read.
    bench.createShellLink();
    bench.processMessages();

    const Resource largest = resource(kFiles[kLargest].name);
    const std::size_t compressed = largest.size, n = largest.n;
    PROCESS_MEMORY_COUNTERS_EX before = memoryCounters();
    std::size_t heapBefore = heapLive.load();
    heapPeak.store(heapBefore);
    std::vector<double> afterEach;
    bench.afterExtraction = [&afterEach] {
        afterEach.push_back(static_cast<double>(memoryCounters().WorkingSetSize));
    };

    patchAction(bench);
    bench.afterExtraction = nullptr;

    PROCESS_MEMORY_COUNTERS_EX after = memoryCounters();
    std::size_t heapRun = heapPeak.load() - heapBefore;
    std::string game00;
    bool wrote = readWhole(paths.game + "\\GAME00.DAT", game00) && game00.size() == n;
    app::destroyForms();

    const double budget = static_cast<double>(compressed + n) + 2 * kMiB;
    const double wsRun = static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize);
    const double commitRun =
        static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(before.PagefileUsage);
    std::printf("memory (a fresh process, one run):\n");
    std::printf("  GAME00: %zu bytes compressed, %zu inflated; budget compressed + N + 2 MiB = %.2f MiB\n",
                compressed, n, budget / kMiB);
    std::printf("  working set: %.2f MiB before the run (peak so far %.2f), peak %.2f MiB during it\n",
                before.WorkingSetSize / kMiB, before.PeakWorkingSetSize / kMiB, after.PeakWorkingSetSize / kMiB);
    std::printf("  commit:      %.2f MiB before the run (peak so far %.2f), peak %.2f MiB during it\n",
                before.PagefileUsage / kMiB, before.PeakPagefileUsage / kMiB, after.PeakPagefileUsage / kMiB);
    const double heap = static_cast<double>(heapRun), grown = std::max(wsRun, commitRun);
    std::printf("  run's peak working-set growth %.2f MiB = N + %.2f MiB\n", wsRun / kMiB,
                (wsRun - static_cast<double>(n)) / kMiB);
    std::printf("  working-set growth after each file:");
    for (double ws : afterEach) std::printf(" %.2f", (ws - static_cast<double>(before.WorkingSetSize)) / kMiB);
    std::printf(" MiB\n");
    std::printf("  run's peak commit growth      %.2f MiB%s\n", commitRun / kMiB,
                commitRun < heap ? " (this counter does not follow the heap here: not a measure)" : "");
    std::printf("  run's peak live C++ heap      %.2f MiB = N + %.1f KiB\n", heap / kMiB,
                (heap - static_cast<double>(n)) / 1024.0);
    std::printf("  peak growth %.2f MiB against the budget of %.2f MiB: %s\n", grown / kMiB, budget / kMiB,
                grown <= budget ? "met" : "MISSED");
    std::fflush(stdout);
    if (!wrote) return 2;
    // Deterministic: a second full copy of GAME00 would add N here.
    return static_cast<double>(heapRun) <= static_cast<double>(n) + 2 * kMiB ? 0 : 1;
}

int spawnMemoryRun(const Paths& p) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = "\"" + std::string(exe) + "\" \"" + p.files + "\" \"" + p.scratch + "\" --memory";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::fflush(stdout);
    if (!CreateProcessA(exe, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 2;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD rc = 2;
    GetExitCodeProcess(pi.hProcess, &rc);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(rc);
}

// ---------------------------------------------------------------- timing

int timedRounds(const Paths& paths, int rounds) {
    std::unique_ptr<plat::Platform> real = plat::createPlatform();
    const plat::PlatformInForce inForce(*real);
    BenchPlatform bench(*real, paths.game, paths.programs);
    bench.comInitialize();
    prepareRun(paths);

    std::vector<double> work, bare, ratio, ratioNoLinks, action, longest, longestToBare00, game00ToBare00;
    std::vector<double> pumps, rest, shortcuts, linkCreate, linkPath, linkPrograms, linkSave, linkOther;
    std::vector<double> perFile[kFileCount], inflateFile[kFileCount], bareFile[kFileCount],
        bareInflateFile[kFileCount];
    std::vector<std::size_t> heap;
    std::map<std::string, int> longestSpans;
    int status = 0;
    // Round 0 warms caches and is dropped; the baseline goes first in even
    // rounds and second in odd ones, so that neither always follows the
    // other's leftovers (or the timer's idle wait).
    for (int round = 0; round <= rounds; ++round) {
        double b[kFileCount], bInflate[kFileCount];
        if (round % 2 == 0) bareInflateAndWrite(paths, b, bInflate);

        bench.clearEvents();
        bench.boxes.clear();
        bench.execs.clear();
        std::size_t heapBefore = heapLive.load();
        heapPeak.store(heapBefore);
        double t0 = now();
        patchAction(bench);
        double whole = now() - t0;
        heap.push_back(heapPeak.load() - heapBefore);

        if (round % 2 == 1) bareInflateAndWrite(paths, b, bInflate);
        double bareTotal = 0;
        for (double x : b) bareTotal += x;

        RunFigures f;
        if (!analyse(bench.events(), f) || bench.boxes.size() != 2 || bench.execs.size() != 1 ||
            bench.boxes[1] != Form1->messages.get(17) || bench.linkTimes.links != 2) {
            std::printf("FAIL: round %d did not run to its end (%zu boxes, %zu program starts, %d links)\n",
                        round, bench.boxes.size(), bench.execs.size(), bench.linkTimes.links);
            for (const auto& box : bench.boxes) std::printf("  box: %s\n", box.c_str());
            status = 1;
            break;
        }
        if (round == 0) continue;
        const LinkTimes& lt = bench.linkTimes;
        work.push_back(f.work);
        bare.push_back(bareTotal);
        ratio.push_back(f.work / bareTotal);
        ratioNoLinks.push_back((f.work - f.shortcuts) / bareTotal);
        action.push_back(whole);
        longest.push_back(f.longest);
        ++longestSpans[f.longestSpan];
        longestToBare00.push_back(f.longest / b[kLargest]);
        game00ToBare00.push_back(f.extract[kLargest] / b[kLargest]);
        shortcuts.push_back(f.shortcuts);
        pumps.push_back(f.pumps);
        double extracting = 0;
        for (double x : f.extract) extracting += x;
        rest.push_back(f.work - extracting - f.shortcuts - f.pumps);
        linkCreate.push_back(lt.create);
        linkPath.push_back(lt.setPath + lt.setDir);
        linkPrograms.push_back(lt.programs);
        linkSave.push_back(lt.save);
        linkOther.push_back(f.shortcuts - lt.create - lt.setPath - lt.setDir - lt.programs - lt.save);
        for (std::size_t i = 0; i < kFileCount; ++i) {
            perFile[i].push_back(f.extract[i]);
            inflateFile[i].push_back(f.inflate[i]);
            bareFile[i].push_back(b[i]);
            bareInflateFile[i].push_back(bInflate[i]);
        }
    }

    // What was written: the payload files, byte for byte, in both the run's
    // folder and the baseline's.
    for (const File& file : kFiles) {
        std::string expected, got, base;
        bool ok = readWhole(paths.files + "\\GB_\\" + file.name, expected) &&
                  readWhole(paths.game + "\\" + file.target, got) &&
                  readWhole(paths.bare + "\\" + file.target, base) && got == expected && base == expected;
        if (!ok) {
            std::printf("FAIL: %s differs from the payload file %s\n", file.target, file.name);
            status = 1;
        }
    }
    const char* links[] = {"\\Lunavire\\readme.lnk", "\\Lunavire\\Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk"};
    for (const char* link : links)
        if (!real->fileExists(plat::Path(paths.programs + link))) {
            std::printf("FAIL: no shortcut %s%s\n", paths.programs.c_str(), link);
            status = 1;
        }
    const std::string notepad = plat::systemTool("Notepad.exe") + " " + paths.game + "\\readme.txt";
    if (!bench.execs.empty() && bench.execs.back() != notepad) {
        std::printf("FAIL: started \"%s\"\n", bench.execs.back().c_str());
        status = 1;
    }

    // Nothing of the run stays behind in the scratch folder.
    for (const File& file : kFiles) {
        DeleteFileA((paths.game + "\\" + file.target).c_str());
        DeleteFileA((paths.bare + "\\" + file.target).c_str());
    }
    DeleteFileA((paths.game + "\\Vandry.exe").c_str());
    // A game this program did not install: the run put its uninstaller, record
    // and entry in Windows' list beside it (the prefix is the end-to-end tests').
    for (const plat::RootKey root : shell::registration::entriesOf(plat::Path(paths.game)))
        shell::registration::unregister(root, shell::registration::keyName(plat::Path(paths.game)));
    for (const char* own : {"\\Uninstall\\Uninstall.exe", "\\Uninstall\\Uninstall.dat", "\\patch.log"})
        DeleteFileA((paths.game + own).c_str());
    RemoveDirectoryA((paths.game + "\\Uninstall").c_str());
    for (const char* link : links) DeleteFileA((paths.programs + link).c_str());
    const std::string dirs[] = {paths.programs + "\\Lunavire", paths.programs, paths.bare, paths.game,
                                paths.scratch};
    for (const std::string& dir : dirs) RemoveDirectoryA(dir.c_str());

    if (!work.empty()) {
        std::printf("timing, ms: medians of %d rounds (first round dropped), [min, max]\n", rounds);
        std::printf("  %-12s %-30s %-30s %s\n", "file", "extraction (its inflate)", "bare (its inflate)", "ratio");
        for (std::size_t i = 0; i < kFileCount; ++i) {
            Spread e = spread(perFile[i]), bf = spread(bareFile[i]);
            std::printf("  %-12s %7.2f (%6.2f) [%6.2f, %6.2f]  %7.2f (%6.2f) [%6.2f, %6.2f]  %.3f\n",
                        kFiles[i].target, e.median * 1e3, spread(inflateFile[i]).median * 1e3, e.min * 1e3,
                        e.max * 1e3, bf.median * 1e3, spread(bareInflateFile[i]).median * 1e3, bf.min * 1e3,
                        bf.max * 1e3, e.median / bf.median);
        }
        printMs("gauge 85% + the two shortcuts", shortcuts);
        printMs("  creating the link objects", linkCreate);
        printMs("  setting their paths", linkPath);
        printMs("  asking for the Programs folder", linkPrograms);
        printMs("  saving the links", linkSave);
        printMs("  the rest (folders, gauge)", linkOther);
        printMs("four pumps", pumps);
        printMs("the rest (gauge steps, boxes, close)", rest);
        printMs("bare inflate + write, all five", bare);
        printMs("run's work (tick to its end)", work);
        printMs("whole action (with 300 ms timer)", action);
        printRatio("run's work / bare", ratio, 1.3);
        printRatio("run's work without shortcuts / bare", ratioNoLinks, 0);
        printMs("longest stretch without a pump", longest);
        for (const auto& span : longestSpans) std::printf("    %d x %s\n", span.second, span.first.c_str());
        printRatio("longest stretch / bare GAME00", longestToBare00, 0);
        printRatio("GAME00 extraction / bare GAME00", game00ToBare00, 0);
        const double n = resource(kFiles[kLargest].name).n;
        const double heapMax = static_cast<double>(*std::max_element(heap.begin(), heap.end()));
        std::printf("peak live C++ heap of a run: %.2f MiB = N + %.1f KiB (N = GAME00's %.0f bytes)\n",
                    heapMax / kMiB, (heapMax - n) / 1024.0, n);
        if (heapMax > n + 2 * kMiB) {
            std::printf("FAIL: a run's heap peak shows a second copy of a payload\n");
            status = 1;
        }
    }
    app::destroyForms();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: patch_bench <payload folder> <scratch folder> [--rounds K]\n");
        return 2;
    }
    Paths paths = pathsFor(argv[1], argv[2]);
    int rounds = 15;
    bool memory = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--memory") == 0) memory = true;
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    }
    try {
        if (memory) return memoryRun(paths);
        int memoryStatus = spawnMemoryRun(paths);
        if (memoryStatus == 1) std::printf("FAIL: the run's heap peak shows a second copy of a payload\n");
        if (memoryStatus > 1) std::printf("FAIL: the memory run did not complete\n");
        int status = timedRounds(paths, rounds);
        std::fflush(stdout);
        return status != 0 || memoryStatus != 0 ? 1 : 0;
    } catch (const std::exception& e) {
        std::printf("FAIL: %s\n", e.what());
        return 1;
    }
}
