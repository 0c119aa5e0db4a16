// The file copy component on the real Win32 platform (under Wine here),
// against a one-thread loop of 1024-byte ReadFile/WriteFile calls over the
// same file, measured in the same process.
//
//   copy_bench [--rounds K] [--mib N] [--no-probe] [--slow-ui MS] [scratch folder]
//
// The copy runs as the disc installation runs it: the user-interface thread
// waits in `while (!finished) processMessages();`, OnFinish sets the flag,
// and OnCopyProgress sets the two progress bars of a shown window (real
// native controls) to Rate + 10 and Rate.  Meanwhile another thread posts a
// message to a window of this thread every 2 ms; how long each waits for the
// user-interface thread is the latency reported.  --slow-ui MS makes the
// progress handler busy-wait MS milliseconds each time the bars move (100
// times a copy), a deliberately slow interface thread whose latency the
// probe must show.
//
// Exits 1 when a copy differs from its source, reports an error, leaves
// the bars short of the end or a message's wait lies outside the copy;
// timing never fails it.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchClock.h"
#include "discinstall/FileCopy.h"
#include "platform/Platform.h"
#include "ui/Components.h"

namespace {

constexpr DWORD kStep = 1024;
constexpr double kMB = 1e6;
constexpr double kTargetRatio = 0.6;
constexpr double kLatencyLimitMs = 5;

// ---------------------------------------------------------------- clocks

using benchclock::seconds;
using benchclock::ticks;

// User and kernel time of the whole process, every thread included.
double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) {
        return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    return (value(kernel) + value(user)) * 1e-7;
}

struct Sample {
    double wall = 0, cpu = 0;
    double bars = 0;  // of wall: moving the progress bars
};

// ---------------------------------------------------------------- files

struct File {
    HANDLE h;
    File(const std::string& path, DWORD access, DWORD disposition)
        : h(CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    }
    ~File() { CloseHandle(h); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

void makeSource(const std::string& path, unsigned mib) {
    File f(path, GENERIC_WRITE, CREATE_ALWAYS);
    std::vector<unsigned char> block(1 << 20);
    std::uint32_t x = 12345;
    for (unsigned m = 0; m < mib; ++m) {
        // Deterministic, and not compressible by accident.
        for (auto& b : block) b = static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 24);
        DWORD done = 0;
        if (!WriteFile(f.h, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) || done != block.size())
            throw std::runtime_error("cannot write " + path);
    }
}

bool sameBytes(const std::string& a, const std::string& b) {
    File fa(a, GENERIC_READ, OPEN_EXISTING), fb(b, GENERIC_READ, OPEN_EXISTING);
    std::vector<char> x(1 << 20), y(1 << 20);
    for (;;) {
        DWORD na = 0, nb = 0;
        if (!ReadFile(fa.h, x.data(), static_cast<DWORD>(x.size()), &na, nullptr) ||
            !ReadFile(fb.h, y.data(), static_cast<DWORD>(y.size()), &nb, nullptr) || na != nb ||
            std::memcmp(x.data(), y.data(), na) != 0)
            return false;
        if (na == 0) return true;
    }
}

// ---------------------------------------------------------------- the baseline

Sample oneThreadLoop(const std::string& src, const std::string& dst) {
    DeleteFileA(dst.c_str());
    File in(src, GENERIC_READ, OPEN_EXISTING), out(dst, GENERIC_WRITE, CREATE_NEW);
    char buffer[kStep];
    const double cpu0 = cpuSeconds();
    const long long t0 = ticks();
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in.h, buffer, kStep, &got, nullptr)) throw std::runtime_error("baseline read failed");
        if (got == 0) break;
        if (!WriteFile(out.h, buffer, got, &put, nullptr) || put != got)
            throw std::runtime_error("baseline write failed");
    }
    return {seconds(ticks() - t0), cpuSeconds() - cpu0};
}

// ---------------------------------------------------------------- the latency probe

constexpr UINT kProbeMessage = WM_APP + 17;

// A window of the user-interface thread that another thread posts stamped
// messages to; each one's wait is recorded when the pump delivers it.  The
// stamp is 64 bits of performance counter: in a 32-bit program it travels
// split over the message's two parameters, as neither holds it whole.
class Probe {
public:
    Probe() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Probe::proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CopyBenchProbe";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowA("CopyBenchProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (!hwnd_) throw std::runtime_error("cannot create the probe window");
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        waits_.reserve(1 << 16);
    }
    ~Probe() { DestroyWindow(hwnd_); }

    bool enabled = true;

    void start() {
        if (!enabled) return;
        posted_ = 0;
        received_ = 0;
        first_ = waits_.size();
        started_ = ticks();
        running_ = true;
        poster_ = std::thread([this] {
            while (running_.load()) {
                post();
                posted_.fetch_add(1);
                Sleep(2);
            }
        });
    }

    // The probe on a wait known beforehand: a message that this thread
    // stamps and posts, then lets wait through a busy spell of `ms`.
    struct Check {
        double measured, least, most;  // milliseconds
    };
    Check check(double ms) {
        const std::size_t before = waits_.size();
        const long long t0 = ticks();
        const long long stamp = post();
        while (seconds(ticks() - stamp) * 1e3 < ms) {
        }
        while (waits_.size() == before) plat::desktop().processMessages();
        const Check c{waits_.back(), ms, seconds(ticks() - t0) * 1e3};
        waits_.resize(before);
        return c;
    }
    // Stops posting, then lets the loop deliver what is still queued.
    // Returns how many of this run's waits lie outside it: none, unless the
    // stamps or the clock are wrong.
    std::size_t stop() {
        if (!enabled) return 0;
        running_ = false;
        poster_.join();
        while (received_ < posted_.load()) plat::desktop().processMessages();
        const double longest = seconds(ticks() - started_) * 1e3;
        return static_cast<std::size_t>(std::count_if(waits_.begin() + static_cast<std::ptrdiff_t>(first_),
                                                      waits_.end(),
                                                      [&](double w) { return w < 0 || w > longest; }));
    }
    const std::vector<double>& waits() const { return waits_; }  // milliseconds
    unsigned long posted() const { return posted_.load(); }

private:
    long long post() {
        const long long t = ticks();
        const auto bits = static_cast<unsigned long long>(t);
        PostMessageA(hwnd_, kProbeMessage, static_cast<WPARAM>(bits >> 32),
                     static_cast<LPARAM>(static_cast<DWORD>(bits)));
        return t;
    }

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message != kProbeMessage) return DefWindowProcA(hwnd, message, wp, lp);
        auto* self = reinterpret_cast<Probe*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        const auto stamp = static_cast<long long>(static_cast<unsigned long long>(static_cast<DWORD>(wp)) << 32 |
                                                  static_cast<DWORD>(lp));
        self->waits_.push_back(seconds(ticks() - stamp) * 1e3);
        ++self->received_;
        return 0;
    }

    HWND hwnd_ = nullptr;
    std::thread poster_;
    std::atomic<bool> running_{false};
    std::atomic<unsigned long> posted_{0};
    long long started_ = 0;
    std::size_t first_ = 0;       // this run's first wait
    unsigned long received_ = 0;  // user-interface thread only
    std::vector<double> waits_;   // user-interface thread only
};

// ---------------------------------------------------------------- the component's copy

const ui::ControlDef kControls[] = {
    {"ProgressBar1", ui::Kind::ProgressBar, "", {16, 16, 321, 18}, nullptr},
    {"ProgressBar2", ui::Kind::ProgressBar, "", {16, 48, 321, 18}, nullptr},
};

// A shown window with the disc installation's two bars and its copy component.
struct CopyWindow {
    ui::Form form{"TCopyBench", "CopyBench"};
    ui::ProgressBar* ProgressBar1;
    ui::ProgressBar* ProgressBar2;
    TKqFileCopy* KqFileCopy1;
    bool finished = false;
    std::string error;
    unsigned long steps = 0, barMoves = 0;
    long long barTicks = 0;
    std::size_t strayWaits = 0;  // of the last copy, see Probe::stop

    explicit CopyWindow(double slowUiMs) {
        form.clientWidth = 353;
        form.clientHeight = 82;
        form.build(kControls, sizeof kControls / sizeof kControls[0]);
        ProgressBar1 = &form.get<ui::ProgressBar>("ProgressBar1");
        ProgressBar2 = &form.get<ui::ProgressBar>("ProgressBar2");
        KqFileCopy1 = &form.add<TKqFileCopy>(&form, "KqFileCopy1");
        const long long slowTicks = static_cast<long long>(slowUiMs / 1e3 / seconds(1));
        KqFileCopy1->OnCopyProgress = [this, slowTicks](ui::Component*, std::uint32_t, std::uint32_t,
                                                        std::uint8_t Rate) {
            // Timed only where the bars move (a native repaint), so that the
            // other steps pay nothing for the measurement.
            const bool moves = Rate != ProgressBar2->position();
            const long long t0 = moves ? ticks() : 0;
            ProgressBar1->setPosition(Rate + 10);
            ProgressBar2->setPosition(Rate);
            if (moves) {
                const long long t1 = ticks();
                barTicks += t1 - t0;
                ++barMoves;
                while (ticks() - t1 < slowTicks) {
                }
            }
            ++steps;
        };
        KqFileCopy1->OnFinish = [this](ui::Component*) { finished = true; };
        KqFileCopy1->OnError = [this](ui::Component*, const std::string& msg, std::uint32_t code) {
            error = "error " + std::to_string(code) + ": " + msg;
            finished = true;
        };
        form.createWindows();
        form.Show();
    }

    Sample copy(const std::string& src, const std::string& dst, Probe& probe) {
        DeleteFileA(dst.c_str());
        ProgressBar1->setPosition(0);
        ProgressBar2->setPosition(0);
        KqFileCopy1->setExistingFile(src);
        KqFileCopy1->setNewFile(dst);
        finished = false;
        steps = 0;
        barMoves = 0;
        barTicks = 0;
        plat::Desktop& desktop = plat::desktop();
        probe.start();
        const double cpu0 = cpuSeconds();
        const long long t0 = ticks();
        KqFileCopy1->Start();
        while (!finished) desktop.processMessages();
        Sample s{seconds(ticks() - t0), cpuSeconds() - cpu0, seconds(barTicks)};
        strayWaits = probe.stop();
        return s;
    }
};

// ---------------------------------------------------------------- statistics

struct Spread {
    double median, min, max;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

void printRow(const char* what, const std::vector<double>& v, const char* unit, double scale = 1) {
    const Spread s = spread(v);
    std::printf("  %-34s %9.2f %-5s [%8.2f, %8.2f]\n", what, s.median * scale, unit, s.min * scale, s.max * scale);
}

double percentile(const std::vector<double>& sorted, double p) {
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())))];
}

std::string loadAverage() {
    // Wine shows the Linux /proc on drive Z:.
    HANDLE h = CreateFileA("Z:\\proc\\loadavg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "unknown";
    char buf[128] = {};
    DWORD n = 0;
    ReadFile(h, buf, sizeof buf - 1, &n, nullptr);
    CloseHandle(h);
    std::string s(buf, n);
    int fields = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == ' ' && ++fields == 3) return s.substr(0, i);
    return s;
}

int run(const std::string& folder, unsigned mib, int rounds, bool probing, double slowUiMs) {
    std::unique_ptr<plat::Platform> platform = plat::createPlatform();
    const plat::PlatformInForce inForce(*platform);
    const std::string src = folder + "\\lunavire-copy-bench-src.bin";
    const std::string dst = folder + "\\lunavire-copy-bench-dst.bin";
    makeSource(src, mib);
    const double bytes = static_cast<double>(mib) * 1024 * 1024;
    const unsigned long expectedSteps = static_cast<unsigned long>(bytes / kStep);
    const std::string loadBefore = loadAverage();

    int status = 0;
    std::vector<double> baseRate, baseWall, baseCpu, copyRate, copyWall, copyCpu, ratio, roundMaxWait;
    std::vector<double> barTime, barMove, ratioWithoutBars;
    unsigned long barMoves = 0;
    std::vector<double> waits;
    {
        CopyWindow window(slowUiMs);
        Probe probe;
        probe.enabled = probing;
        if (probing) {
            const Probe::Check c = probe.check(30);
            if (!(c.measured >= c.least && c.measured <= c.most)) {
                std::printf("FAIL: the probe measured %.3f ms for a wait of %.0f to %.3f ms\n", c.measured, c.least,
                            c.most);
                status = 1;
            }
        }
        // Round 0 warms the caches and is dropped; the two copies take turns
        // going first.
        for (int round = 0; round <= rounds; ++round) {
            Sample base, copy;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (round % 2 == 0)) {
                    base = oneThreadLoop(src, dst);
                    if (!sameBytes(src, dst)) {
                        std::printf("FAIL: the one-thread loop's copy differs from its source\n");
                        status = 1;
                    }
                } else {
                    const std::size_t before = probe.waits().size();
                    copy = window.copy(src, dst, probe);
                    if (!window.error.empty()) {
                        std::printf("FAIL: the component reported %s\n", window.error.c_str());
                        status = 1;
                    } else if (!sameBytes(src, dst)) {
                        std::printf("FAIL: the component's copy differs from its source\n");
                        status = 1;
                    }
                    if (window.strayWaits > 0) {
                        std::printf("FAIL: %zu of the posted messages' waits lie outside the copy\n",
                                    window.strayWaits);
                        status = 1;
                    }
                    if (window.steps != expectedSteps || window.ProgressBar1->position() != 100 ||
                        window.ProgressBar2->position() != 100) {
                        std::printf("FAIL: %lu progress steps of %lu, bars at %d and %d at the end\n", window.steps,
                                    expectedSteps, window.ProgressBar1->position(), window.ProgressBar2->position());
                        status = 1;
                    }
                    if (round > 0 && probing) {
                        const auto& w = probe.waits();
                        waits.insert(waits.end(), w.begin() + static_cast<std::ptrdiff_t>(before), w.end());
                        roundMaxWait.push_back(*std::max_element(w.begin() + static_cast<std::ptrdiff_t>(before), w.end()));
                    }
                }
            }
            if (round == 0) continue;
            baseRate.push_back(bytes / base.wall / kMB);
            baseWall.push_back(base.wall);
            baseCpu.push_back(base.cpu);
            copyRate.push_back(bytes / copy.wall / kMB);
            copyWall.push_back(copy.wall);
            copyCpu.push_back(copy.cpu);
            ratio.push_back(base.wall / copy.wall);
            barTime.push_back(copy.bars);
            barMove.push_back(copy.bars / static_cast<double>(window.barMoves));
            barMoves = window.barMoves;
            ratioWithoutBars.push_back(base.wall / (copy.wall - copy.bars));
        }
    }
    DeleteFileA(src.c_str());
    DeleteFileA(dst.c_str());

    std::printf("copy of %u MiB in %lu-byte steps: medians of %d rounds (a first round dropped), [min, max]\n", mib,
                kStep, rounds);
    std::printf("load average before: %s, after: %s\n", loadBefore.c_str(), loadAverage().c_str());
    std::printf("  one-thread ReadFile/WriteFile loop (the baseline)\n");
    printRow("rate", baseRate, "MB/s");
    printRow("wall time", baseWall, "ms", 1e3);
    printRow("process CPU time", baseCpu, "ms", 1e3);
    if (slowUiMs > 0)
        std::printf("  TKqFileCopy, UI thread on processMessages(), two bars per step, %.3g ms of busy UI thread"
                    " at each move of the bars (--slow-ui)\n",
                    slowUiMs);
    else
        std::printf("  TKqFileCopy, UI thread on processMessages(), two bars per step\n");
    printRow("rate", copyRate, "MB/s");
    printRow("wall time", copyWall, "ms", 1e3);
    printRow("process CPU time", copyCpu, "ms", 1e3);
    const Spread r = spread(ratio);
    std::printf("  %-34s %9.3f       [%8.3f, %8.3f]  target >= %.1f: %s\n", "ratio (component / baseline)", r.median,
                r.min, r.max, kTargetRatio, r.median >= kTargetRatio ? "met" : "MISSED");
    std::printf("  where the bars move (%lu times a copy, a native repaint each):\n", barMoves);
    printRow("  moving the bars, a copy", barTime, "ms", 1e3);
    printRow("  one move of both bars", barMove, "ms", 1e3);
    printRow("  ratio without that time", ratioWithoutBars, "");
    if (!waits.empty()) {
        std::vector<double> sorted = waits;
        std::sort(sorted.begin(), sorted.end());
        const auto late = std::count_if(sorted.begin(), sorted.end(), [](double w) { return w > kLatencyLimitMs; });
        std::printf("  posted message's wait for the UI thread during the copy, ms (%zu messages):\n", sorted.size());
        std::printf("    p50 %.3f  p90 %.3f  p99 %.3f  p99.9 %.3f  max %.3f\n", percentile(sorted, 0.5),
                    percentile(sorted, 0.9), percentile(sorted, 0.99), percentile(sorted, 0.999), sorted.back());
        printRow("  max of a round", roundMaxWait, "ms");
        std::printf("    over %.0f ms: %ld of %zu  target none: %s\n", kLatencyLimitMs, static_cast<long>(late),
                    sorted.size(), late == 0 ? "met" : "MISSED");
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    unsigned mib = 64;
    std::string folder;
    bool probing = true;
    double slowUiMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--mib") == 0 && i + 1 < argc)
            mib = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else if (std::strcmp(argv[i], "--no-probe") == 0)
            probing = false;
        else if (std::strcmp(argv[i], "--slow-ui") == 0 && i + 1 < argc)
            slowUiMs = std::max(0.0, std::atof(argv[++i]));
        else
            folder = argv[i];
    }
    if (folder.empty()) {
        char temp[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(MAX_PATH, temp);
        folder.assign(temp, n);
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    }
    try {
        int status = run(folder, mib, rounds, probing, slowUiMs);
        std::fflush(stdout);
        return status;
    } catch (const std::exception& e) {
        std::printf("FAIL: %s\n", e.what());
        return 1;
    }
}
