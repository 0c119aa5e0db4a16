// Copies a 64 MiB file in 1024-byte steps (a) in one thread and (b) handed
// over step by step from a worker to this thread, which loops on
// processMessages() as the disc installation does; (c) the same with the
// loop blocking in handleMessage().  Prints the rates and their ratio to (a).
//
//   bench_handover [MiB] [--min-ratio R]   exit code 1 when (b)/(a) < R
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/LoopProbe.h"

namespace {

constexpr std::uint32_t kStep = 1024;

double seconds() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Copy {
    plat::Platform& p;
    plat::FileHandle from = plat::kNoFile, to = plat::kNoFile;
    std::uint64_t copied = 0;
    bool failed = false;

    Copy(plat::Platform& platform, const std::string& src, const std::string& dst) : p(platform) {
        p.deleteFile(plat::Path(dst));
        failed = p.openRead(plat::Path(src), from).failed() || p.createNew(plat::Path(dst), to).failed();
    }
    ~Copy() {
        p.closeFile(from);
        p.closeFile(to);
    }
    // One step: false at the end of the source or on an error.
    bool step() {
        char buf[kStep];
        std::uint32_t got = 0, put = 0;
        if (p.readFile(from, buf, kStep, got).failed()) return !(failed = true);
        if (got == 0) return false;
        if (p.writeFile(to, buf, got, put).failed() || put != got) return !(failed = true);
        copied += put;
        return true;
    }
};

double oneThread(plat::Platform& p, const std::string& src, const std::string& dst) {
    Copy c(p, src, dst);
    double t0 = seconds();
    while (c.step()) {
    }
    double t = seconds() - t0;
    return c.failed ? -1 : static_cast<double>(c.copied) / t;
}

double handedOver(w32::Win32Platform& p, const std::string& src, const std::string& dst, bool blocking) {
    const w32::LoopProbe loop(p);
    auto before = loop.stats();
    Copy c(p, src, dst);
    std::atomic<bool> terminated{false};
    bool finished = false;
    // Made once: a step allocates nothing.
    std::function<void()> step = [&] {
        if (finished) return;
        if (!c.step()) {
            finished = true;
            terminated = true;
        }
    };
    std::atomic<bool> workerDone{false};
    double t0 = seconds();
    p.startThread(
        [&] {
            while (!terminated) p.handOver(step);
            workerDone = true;
        },
        plat::Priority::Normal);
    while (!finished) {
        if (blocking)
            p.handleMessage();
        else
            p.processMessages();
    }
    double t = seconds() - t0;
    while (!workerDone) p.processMessages();
    auto after = loop.stats();
    std::printf("      %lu hand-overs, %lu queue looks, %lu wake-ups, %lu worker sleeps\n",
                after.handOvers - before.handOvers, after.peeks - before.peeks, after.wakes - before.wakes,
                after.sleeps - before.sleeps);
    return c.failed ? -1 : static_cast<double>(c.copied) / t;
}

bool sameBytes(const std::string& a, const std::string& b) {
    FILE* fa = std::fopen(a.c_str(), "rb");
    FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    std::vector<char> x(1 << 16), y(1 << 16);
    while (same) {
        std::size_t na = std::fread(x.data(), 1, x.size(), fa), nb = std::fread(y.data(), 1, y.size(), fb);
        same = na == nb && std::memcmp(x.data(), y.data(), na) == 0;
        if (na == 0) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned mib = 64;
    double minRatio = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--min-ratio") == 0 && i + 1 < argc)
            minRatio = std::atof(argv[++i]);
        else
            mib = static_cast<unsigned>(std::atoi(argv[i]));
    }
    w32::Win32Platform p;
    const plat::PlatformInForce inForce(p);

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string src = std::string(tmp) + "lunavire-bench-src.bin";
    std::string dst = std::string(tmp) + "lunavire-bench-dst.bin";
    {
        // Deterministic, not compressible by accident.
        plat::FileHandle h = plat::kNoFile;
        p.createAlways(plat::Path(src), h);
        std::vector<unsigned char> block(1 << 20);
        std::uint32_t x = 12345, done = 0;
        for (unsigned m = 0; m < mib; ++m) {
            for (auto& b : block) b = static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 24);
            p.writeFile(h, block.data(), static_cast<std::uint32_t>(block.size()), done);
        }
        p.closeFile(h);
    }

    const double mb = 1e6;
    double a = oneThread(p, src, dst);
    bool okA = sameBytes(src, dst);
    double b = handedOver(p, src, dst, false);
    bool okB = sameBytes(src, dst);
    double c = handedOver(p, src, dst, true);
    bool okC = sameBytes(src, dst);
    p.deleteFile(plat::Path(src));
    p.deleteFile(plat::Path(dst));

    std::printf("copy of %u MiB in %u-byte steps\n", mib, kStep);
    std::printf("  (a) one thread:                         %8.1f MB/s\n", a / mb);
    std::printf("  (b) handed over, UI on processMessages: %8.1f MB/s  ratio %.2f\n", b / mb, b / a);
    std::printf("  (c) handed over, UI on handleMessage:   %8.1f MB/s  ratio %.2f\n", c / mb, c / a);
    if (!okA || !okB || !okC || a <= 0 || b <= 0 || c <= 0) {
        std::printf("FAILED: a copy differs from its source\n");
        return 2;
    }
    if (minRatio > 0 && b / a < minRatio) {
        std::printf("FAILED: ratio %.2f below %.2f\n", b / a, minRatio);
        return 1;
    }
    return 0;
}
