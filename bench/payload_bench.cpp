// Extraction of the largest payload against a bare zlib inflate of the same
// stream plus one write of the result, both measured in this run.
//
//   payload_bench <GAME00 container> [--max-ratio R] [--rounds K]
//
// Prints the median times, their ratio (target <= 1.15) and the extraction's
// peak memory against its budget (compressed size + N + 1 MiB; not in a
// sanitizer build).  Exits 1 when the output is wrong, the memory budget is
// exceeded or the ratio is above --max-ratio.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "payload/Payload.h"
#include "platform/Platform.h"
#include "platform/sim/SimPlatform.h"

// Under AddressSanitizer the resident size counts its shadow memory and the
// freed blocks it holds back: only the extracted bytes are checked there.
#if defined(__SANITIZE_ADDRESS__)
#define LUNAVIRE_MEASURE_MEMORY 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUNAVIRE_MEASURE_MEMORY 0
#endif
#endif
#ifndef LUNAVIRE_MEASURE_MEMORY
#define LUNAVIRE_MEASURE_MEMORY 1
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes load(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open " + path);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    Bytes b(static_cast<std::size_t>(size));
    bool ok = std::fread(b.data(), 1, b.size(), f) == b.size();
    std::fclose(f);
    if (!ok) throw std::runtime_error("cannot read " + path);
    return b;
}

// What extraction uses: one resource from memory and real files, replaced
// through a temporary file as on Windows.  Anything else the extraction asked
// for would go to the simulated Windows below, whose drives hold nothing: a
// benchmark that then fails tells of it.
class BenchPlatform final : public plat::ForwardingProgram, public plat::ForwardingFiles {
public:
    explicit BenchPlatform(const Bytes& container)
        : ForwardingProgram(sim_), ForwardingFiles(sim_), container_(container) {}

    plat::SysError ownResource(const std::string&, const std::string&, const std::uint8_t*& data,
                               std::size_t& size) override {
        data = container_.data();
        size = container_.size();
        return plat::kOk;
    }
    plat::SysError createAlways(const plat::Path& path, plat::FileHandle& out) override {
        return openWith(path, O_TRUNC, out);
    }
    plat::SysError createNew(const plat::Path& path, plat::FileHandle& out) override {
        return openWith(path, O_EXCL, out);
    }
    plat::SysError moveReplacing(const plat::Path& from, const plat::Path& to) override {
        return ::rename(from.text().c_str(), to.text().c_str()) == 0 ? plat::kOk : lastSystemError();
    }
    plat::SysError deleteFile(const plat::Path& path) override {
        return ::unlink(path.text().c_str()) == 0 ? plat::kOk : lastSystemError();
    }
    bool pathFits(const plat::Path&) override { return true; }
    plat::SysError writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count,
                             std::uint32_t& done) override {
        done = 0;
        while (done < count) {
            ssize_t n = ::write(static_cast<int>(h - 1), static_cast<const char*>(buffer) + done, count - done);
            if (n < 0) return lastSystemError();
            if (n == 0) return plat::SysError(plat::err::DiskFull);
            done += static_cast<std::uint32_t>(n);
        }
        return plat::kOk;
    }
    void closeFile(plat::FileHandle h) override { ::close(static_cast<int>(h - 1)); }

private:
    static plat::SysError openWith(const plat::Path& path, int flags, plat::FileHandle& out) {
        int fd = ::open(path.text().c_str(), O_RDWR | O_CREAT | flags, 0644);
        out = fd < 0 ? plat::kNoFile : static_cast<plat::FileHandle>(fd) + 1;
        return fd < 0 ? lastSystemError() : plat::kOk;
    }
    // The Windows code nearest to errno, for the extraction to report.
    static plat::SysError lastSystemError() {
        switch (errno) {
            case EEXIST: return plat::SysError(plat::err::FileExists);
            case ENOENT: return plat::SysError(plat::err::PathNotFound);
            case ENOSPC: return plat::SysError(plat::err::DiskFull);
            default: return plat::SysError(plat::err::AccessDenied);
        }
    }

    sim::SimPlatform sim_;
    plat::PlatformInForce simInForce_{sim_};
    base::InForce<plat::Program> standsForProgram_{*this};
    base::InForce<plat::Files> standsForFiles_{*this};
    const Bytes& container_;
};

std::uint32_t sizeOf(const Bytes& c) {
    return static_cast<std::uint32_t>(c[0]) | static_cast<std::uint32_t>(c[1]) << 8 |
           static_cast<std::uint32_t>(c[2]) << 16 | static_cast<std::uint32_t>(c[3]) << 24;
}

// The baseline: zlib in one call over the whole stream, one write.
void bareInflateAndWrite(const Bytes& c, const std::string& path) {
    std::uint32_t n = sizeOf(c);
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[n]);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = const_cast<Bytef*>(c.data() + 4);
    zs.avail_in = static_cast<uInt>(c.size() - 4);
    zs.next_out = out.get();
    zs.avail_out = n;
    int r = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    if (r != Z_STREAM_END || zs.avail_out != 0) throw std::runtime_error("baseline inflate failed");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = fd >= 0 && ::write(fd, out.get(), n) == static_cast<ssize_t>(n);
    if (fd >= 0) ::close(fd);
    if (!ok) throw std::runtime_error("baseline write failed");
}

double seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

#if LUNAVIRE_MEASURE_MEMORY
long statusKiB(const char* field) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

struct Memory {
    long beforeKiB, peakKiB;
};

// In a fresh child, so that nothing the timings allocated counts: the
// resident size with the container loaded, and the peak after extraction.
Memory measureMemory(const std::string& containerPath, const std::string& target) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Memory m{-1, -1};
        try {
            Bytes c = load(containerPath);
            BenchPlatform p(c);
            m.beforeKiB = statusKiB("VmRSS:");
            payload::extractPayload("GAME00", "GB_", plat::Path(target));
            m.peakKiB = statusKiB("VmHWM:");
        } catch (...) {
        }
        ssize_t ignored = write(fds[1], &m, sizeof m);
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    Memory m{-1, -1};
    bool got = read(fds[0], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    if (!got || m.peakKiB < 0) throw std::runtime_error("memory measurement failed");
    return m;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: payload_bench <container> [--max-ratio R] [--rounds K]\n");
        return 2;
    }
    std::string containerPath = argv[1];
    double maxRatio = 0;
    int rounds = 15;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--max-ratio") == 0) maxRatio = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    char dirTemplate[] = "/tmp/payload_bench.XXXXXX";
    if (!mkdtemp(dirTemplate)) return 2;
    std::string dir = dirTemplate;
    std::string extracted = dir + "/extracted.dat", baseline = dir + "/baseline.dat";
    int status = 0;
    try {
#if LUNAVIRE_MEASURE_MEMORY
        Memory mem = measureMemory(containerPath, extracted);
#endif

        Bytes c = load(containerPath);
        std::uint32_t n = sizeOf(c);
        BenchPlatform p(c);
        std::vector<double> ex, base;
        for (int i = 0; i < rounds + 1; ++i) {  // the first round warms caches and is dropped
            double b = seconds([&] { bareInflateAndWrite(c, baseline); });
            double e = seconds([&] { payload::extractPayload("GAME00", "GB_", plat::Path(extracted)); });
            if (i > 0) {
                base.push_back(b);
                ex.push_back(e);
            }
        }
        if (load(extracted) != load(baseline)) {
            std::printf("FAIL: the extracted file differs from zlib's output\n");
            status = 1;
        }
        double ratio = median(ex) / median(base);
        std::printf("payload: %u bytes from a %zu-byte container (%.3f)\n", n, c.size(),
                    static_cast<double>(c.size()) / n);
        std::printf("bare zlib inflate + write: %8.2f ms (median of %d)\n", median(base) * 1e3, rounds);
        std::printf("extractPayload:            %8.2f ms (median of %d)\n", median(ex) * 1e3, rounds);
        std::printf("ratio: %.3f (target <= 1.15)\n", ratio);

#if LUNAVIRE_MEASURE_MEMORY
        long budgetKiB = static_cast<long>((c.size() + n) / 1024) + 1024;
        long usedKiB = mem.peakKiB - mem.beforeKiB;
        std::printf("memory: %ld KiB resident with the container loaded, peak %ld KiB during extraction\n",
                    mem.beforeKiB, mem.peakKiB);
        std::printf("extraction's own peak: %ld KiB = N + %ld KiB (budget: N + 1024 KiB beyond the container,"
                    " i.e. compressed + N + 1 MiB = %ld KiB)\n",
                    usedKiB, usedKiB - static_cast<long>(n / 1024), budgetKiB);
        if (usedKiB > static_cast<long>(n / 1024) + 1024) {
            std::printf("FAIL: over the memory budget\n");
            status = 1;
        }
#else
        std::printf("memory: not measured in a sanitizer build\n");
#endif
        if (maxRatio > 0 && ratio > maxRatio) {
            std::printf("FAIL: ratio above %.2f\n", maxRatio);
            status = 1;
        }
    } catch (const std::exception& e) {
        std::printf("FAIL: %s\n", e.what());
        status = 1;
    }
    std::remove(extracted.c_str());
    std::remove(baseline.c_str());
    rmdir(dir.c_str());
    return status;
}
