// The disc installation on the real Win32 platform (under Wine here), as the
// player runs it: the main window's Button1, the disc window shown modally,
// its start button, three discs, the shortcut and the final message.  The
// baseline, measured in the same process over the same files, is a
// one-thread loop of 1024-byte ReadFile/WriteFile calls.
//
//   disc_bench [--rounds K] DISCS SCRATCH
//
// DISCS holds all three discs' files in one folder (tools/discs/make_discs.py
// --merged), so every disc check passes at once and the disc prompts are
// answered with Retry.  Then a slow drive is played: for the first steps of
// an installation the worker waits before handing each step over, and the
// user-interface thread's processor time over those steps is what its
// waiting loop costs while no step is pending.
//
// Last, an installation stopped half way (by bytes) and started again: the
// bytes the resumed run copies against the bytes that were missing.
//
// Exits 1 when an installed file differs from its source, the run does not
// reach its end, or the resumed run copies other than what was missing;
// timing never fails it.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/App.h"
#include "bench/BenchClock.h"
#include "discinstall/DiscFiles.h"
#include "platform/Platform.h"
#include "platform/win32/Peers.h"
#include "ui/Components.h"

namespace {

constexpr DWORD kStep = 1024;
constexpr double kTargetRatio = 0.45;
// Pauses of a slow drive before each step: a drive a little faster than a
// CD at 1x, and one that hesitates; over this many steps.
constexpr DWORD kSlowDriveMs[] = {2, 20};
constexpr int kSlowSteps = 300;

using benchclock::seconds;
using benchclock::ticks;

double filetime(const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) * 1e-7;
}

double processCpu() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    return filetime(k) + filetime(u);
}

double threadCpu() {
    FILETIME c, e, k, u;
    GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u);
    return filetime(k) + filetime(u);
}

struct Sample {
    double wall = 0, cpu = 0, uiCpu = 0;
};

// Measures a piece of work on this thread.
template <class Work>
Sample measure(Work work) {
    Sample s;
    double cpu0 = processCpu(), ui0 = threadCpu();
    long long t0 = ticks();
    work();
    s.wall = seconds(ticks() - t0);
    s.cpu = processCpu() - cpu0;
    s.uiCpu = threadCpu() - ui0;
    return s;
}

std::string readAll(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + path);
    std::string out(GetFileSize(h, nullptr), '\0');
    DWORD n = 0;
    if (!out.empty()) ReadFile(h, &out[0], static_cast<DWORD>(out.size()), &n, nullptr);
    CloseHandle(h);
    out.resize(n);
    return out;
}

// The files of the three discs and where each lands, as the run forms them.
struct Job {
    std::string source, rest;
};

std::vector<Job> jobs(const std::string& discs) {
    std::vector<Job> all;
    discinstall::DiscList list;
    for (int kind = 1; kind <= 3; ++kind) {
        discinstall::buildDiscList(kind, plat::Path(discs), list);
        const plat::Path root = discinstall::discRoot(kind, plat::Path(discs));
        for (const auto& path : list.paths) all.push_back({path.text(), path.relativeTo(root).value_or("")});
    }
    return all;
}

void makeFolders(const std::string& path) {
    for (std::size_t i = 3; i < path.size(); ++i)
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

// The baseline: each file in 1024-byte reads and writes, one thread.
void copyLoop(const std::vector<Job>& all, const std::string& target) {
    char buffer[kStep];
    for (const Job& j : all) {
        std::string to = target + "\\" + j.rest;
        makeFolders(to);
        HANDLE in = CreateFileA(j.source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) throw std::runtime_error("baseline: " + j.source);
        DWORD n = 0, w = 0;
        while (ReadFile(in, buffer, kStep, &n, nullptr) && n) WriteFile(out, buffer, n, &w, nullptr);
        CloseHandle(in);
        CloseHandle(out);
    }
}

// Answers the run's boxes as a player with every disc at hand would, keeps
// the shortcut out of the prefix's Start menu, and can slow the drive down
// for the first steps of a run, timing the interface thread over them.  It
// stands in for the files, the shell and the desktop of the real platform,
// which is in force, while it lives.
class BenchPlatform final : public plat::ForwardingFiles,
                            public plat::ForwardingShell,
                            public plat::ForwardingDesktop {
public:
    BenchPlatform(plat::Platform& real, std::string programs)
        : ForwardingFiles(real), ForwardingShell(real), ForwardingDesktop(real), real_(real),
          programs_(std::move(programs)) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &ui_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    }
    ~BenchPlatform() override { CloseHandle(ui_); }

    std::vector<std::string> unexpected;
    int completed = 0;

    void slowDown(DWORD ms) {
        delayMs_ = ms;
        slowLeft_ = kSlowSteps;
    }
    // The interface thread's processor time and the wall time over the slow steps.
    Sample slowSteps() const { return slow_; }

    plat::Answer messageBox(const std::string& text, const std::string&, std::uint32_t style) override {
        if ((style & 0xF) == plat::mb::RetryCancel) return plat::Answer::Retry;  // the next disc is in
        if (style == 0x40000) {                                                  // the installation is complete
            ++completed;
            return plat::Answer::Ok;
        }
        unexpected.push_back(text);
        return (style & 0xF) == plat::mb::AbortRetryIgnore ? plat::Answer::Abort : plat::Answer::Cancel;
    }
    std::string programsFolder() override { return programs_; }
    // The bytes written into the copies' temporary files ("name.~NN").
    plat::SysError createNew(const plat::Path& path, plat::FileHandle& out) override {
        const plat::SysError e = real_.createNew(path, out);
        return noteCopy(path, e, out);
    }
    plat::SysError createAlways(const plat::Path& path, plat::FileHandle& out) override {
        const plat::SysError e = real_.createAlways(path, out);
        return noteCopy(path, e, out);
    }
    plat::SysError writeFile(plat::FileHandle h, const void* b, std::uint32_t n, std::uint32_t& done) override {
        const plat::SysError e = real_.writeFile(h, b, n, done);
        std::lock_guard<std::mutex> lock(copiesLock_);
        if (e.ok() && copies_.count(h)) copiedBytes += done;
        return e;
    }
    void closeFile(plat::FileHandle h) override {
        {
            std::lock_guard<std::mutex> lock(copiesLock_);
            copies_.erase(h);
        }
        real_.closeFile(h);
    }
    std::uint64_t copiedBytes = 0;  // under copiesLock_ while a run goes on
    // On the worker.
    void handOver(const std::function<void()>& call) override {
        int left = slowLeft_.load();
        if (left > 0) {
            if (left == kSlowSteps) start_ = {seconds(ticks()), 0, uiCpu()};
            Sleep(delayMs_);
            if (slowLeft_.fetch_sub(1) == 1) slow_ = {seconds(ticks()) - start_.wall, 0, uiCpu() - start_.uiCpu};
        }
        real_.handOver(call);
    }

private:
    plat::SysError noteCopy(const plat::Path& path, plat::SysError opened, plat::FileHandle h) {
        if (opened.ok() && h != plat::kNoFile && path.text().find(".~") != std::string::npos) {
            std::lock_guard<std::mutex> lock(copiesLock_);
            copies_.insert(h);
        }
        return opened;
    }
    double uiCpu() const {
        FILETIME c, e, k, u;
        GetThreadTimes(ui_, &c, &e, &k, &u);
        return filetime(k) + filetime(u);
    }
    plat::Platform& real_;
    base::InForce<plat::Files> standsForFiles_{*this};
    base::InForce<plat::Shell> standsForShell_{*this};
    base::InForce<plat::Desktop> standsForDesktop_{*this};
    std::string programs_;
    HANDLE ui_ = nullptr;
    std::atomic<int> slowLeft_{0};
    DWORD delayMs_ = 0;
    Sample start_, slow_;
    std::mutex copiesLock_;
    std::set<plat::FileHandle> copies_;
};

// One installation through the windows, as the player starts it.
void install(BenchPlatform& p, const std::string& discs, const std::string& target) {
    Form2->Edit2->setText(target);
    Form1->sourceFolder = discs;
    // The start button's click waits in the queue for the disc window's own loop.
    PostMessageA(w32::ControlPeer::windowOf(*Form2->Button1), BM_CLICK, 0, 0);
    int before = p.completed;
    Form1->Button1->click();
    if (p.completed != before + 1 || !p.unexpected.empty())
        throw std::runtime_error("the installation did not reach its end" +
                                 (p.unexpected.empty() ? std::string() : ": " + p.unexpected.front()));
}

void verify(const std::vector<Job>& all, const std::string& target) {
    for (const Job& j : all)
        if (readAll(j.source) != readAll(target + "\\" + j.rest))
            throw std::runtime_error("differs from its source: " + target + "\\" + j.rest);
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

// Leaves an installation as a run stopped half way through its bytes leaves
// it: the files before the middle whole, the one across it as a temporary
// file of its first part, the rest missing.  Returns the bytes missing.
std::uint64_t stopHalfWay(const std::vector<Job>& all, const std::string& target, double bytes) {
    double before = 0;
    std::uint64_t missing = 0;
    for (const Job& j : all) {
        const std::string to = target + "\\" + j.rest;
        const std::string data = readAll(j.source);
        const double end = before + static_cast<double>(data.size());
        if (end > bytes / 2) {
            SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(to.c_str())) throw std::runtime_error("cannot remove " + to);
            missing += data.size();
            if (before <= bytes / 2) {
                const std::size_t dot = to.find_last_of('.'), slash = to.find_last_of('\\');
                const std::string temporary =
                    (dot != std::string::npos && dot > slash ? to.substr(0, dot) : to) + ".~00";
                HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
                DWORD w = 0;
                if (h == INVALID_HANDLE_VALUE || !WriteFile(h, data.data(), static_cast<DWORD>(data.size() / 2), &w, nullptr))
                    throw std::runtime_error("cannot write " + temporary);
                CloseHandle(h);
            }
        }
        before = end;
    }
    return missing;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[(v.size() - 1) / 2];
}

void row(const char* label, const std::vector<double>& v, const char* unit, double scale = 1) {
    auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("  %-36s %10.3f %s [%10.3f, %10.3f]\n", label, median(v) * scale, unit, *lo * scale, *hi * scale);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            args.push_back(argv[i]);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: disc_bench [--rounds K] DISCS SCRATCH\n");
        return 2;
    }
    const std::string discs = args[0], scratch = args[1];
    try {
        auto real = plat::createPlatform();
        CreateDirectoryA(scratch.c_str(), nullptr);
        CreateDirectoryA((scratch + "\\programs").c_str(), nullptr);
        const plat::PlatformInForce inForce(*real);
        BenchPlatform p(*real, scratch + "\\programs");
        real->comInitialize();
        app::createForms();
        Form1->Timer1->setEnabled(false);
        Form1->Show();

        const std::vector<Job> all = jobs(discs);
        double bytes = 0;
        for (const Job& j : all) bytes += static_cast<double>(readAll(j.source).size());
        std::vector<double> baseRate, runRate, ratio, baseWall, runWall, baseCpu, runCpu, runUi;
        for (int r = 0; r <= rounds; ++r) {  // round 0 warms the caches and is dropped
            const std::string base = scratch + "\\base", run = scratch + "\\run";
            removeTree(base);
            removeTree(run);
            Sample b = measure([&] { copyLoop(all, base); });
            Sample i = measure([&] { install(p, discs, run); });
            verify(all, run);
            if (r == 0) continue;
            baseRate.push_back(bytes / b.wall / 1e6);
            runRate.push_back(bytes / i.wall / 1e6);
            ratio.push_back(b.wall / i.wall);
            baseWall.push_back(b.wall);
            runWall.push_back(i.wall);
            baseCpu.push_back(b.cpu);
            runCpu.push_back(i.cpu);
            runUi.push_back(i.uiCpu / i.wall);
        }
        removeTree(scratch + "\\base");
        removeTree(scratch + "\\run");

        // A slow drive: the waiting loop while no step is pending.
        struct Slow {
            std::vector<double> ui, perStep;
        } slowRuns[std::size(kSlowDriveMs)];
        for (std::size_t d = 0; d < std::size(kSlowDriveMs); ++d)
            for (int r = 0; r < rounds; ++r) {
                removeTree(scratch + "\\slow");
                p.slowDown(kSlowDriveMs[d]);
                install(p, discs, scratch + "\\slow");
                Sample s = p.slowSteps();
                slowRuns[d].ui.push_back(s.uiCpu / s.wall);
                slowRuns[d].perStep.push_back(s.uiCpu / kSlowSteps);
            }
        removeTree(scratch + "\\slow");

        // Stopped half way and started again.
        const std::string resumed = scratch + "\\resumed";
        removeTree(resumed);
        install(p, discs, resumed);
        const std::uint64_t missing = stopHalfWay(all, resumed, bytes);
        p.copiedBytes = 0;
        const Sample again = measure([&] { install(p, discs, resumed); });
        verify(all, resumed);
        const std::uint64_t copied = p.copiedBytes;
        removeTree(resumed);
        app::destroyForms();

        std::printf("disc installation of %zu files, %.1f MiB: medians of %d rounds, [min, max]\n", all.size(),
                    bytes / 1048576, rounds);
        std::printf("  one-thread 1024-byte ReadFile/WriteFile loop (the baseline)\n");
        row("rate", baseRate, "MB/s");
        row("wall time", baseWall, "s   ");
        row("process CPU time", baseCpu, "s   ");
        std::printf("  the installation through the windows (Button1, three discs, shortcut, message)\n");
        row("rate", runRate, "MB/s");
        row("wall time", runWall, "s   ");
        row("process CPU time", runCpu, "s   ");
        row("interface thread CPU / wall", runUi, "%   ", 100);
        double m = median(ratio);
        std::printf("  %-36s %10.3f      [%10.3f, %10.3f]  target >= %.2f: %s\n", "ratio (installation / baseline)", m,
                    *std::min_element(ratio.begin(), ratio.end()), *std::max_element(ratio.begin(), ratio.end()),
                    kTargetRatio, m >= kTargetRatio ? "met" : "MISSED");
        for (std::size_t d = 0; d < std::size(kSlowDriveMs); ++d) {
            std::printf("  a slow drive, %lu ms before each of %d steps: the waiting loop while no step is pending\n",
                        static_cast<unsigned long>(kSlowDriveMs[d]), kSlowSteps);
            row("interface thread CPU / wall", slowRuns[d].ui, "%   ", 100);
            row("interface thread CPU per step", slowRuns[d].perStep, "us  ", 1e6);
        }
        std::printf("  an installation stopped half way, started again\n");
        std::printf("  %-36s %10.1f MiB of %.1f MiB missing (%.1f MiB on the discs): %s\n",
                    "bytes copied by the resumed run", static_cast<double>(copied) / 1048576,
                    static_cast<double>(missing) / 1048576, bytes / 1048576,
                    copied == missing ? "only what was missing" : "OTHER THAN WHAT WAS MISSING");
        std::printf("  %-36s %llu of %llu\n", "in bytes", static_cast<unsigned long long>(copied),
                    static_cast<unsigned long long>(missing));
        std::printf("  %-36s %10.3f s    (a whole installation: %.3f s)\n", "wall time", again.wall, median(runWall));
        return copied == missing ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "disc_bench: %s\n", e.what());
        return 1;
    }
}
