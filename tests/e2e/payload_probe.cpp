// A program that carries the payload resources, for checks apart from the
// installer.  Without arguments it does nothing (tests read its file).
//
//   payload_probe <payload folder> <scratch folder>
//
// extracts every payload through the real platform, asking with lower-case
// names as the installer's callers do, compares each file with
// <payload folder>\<TYPE>\<NAME>, deletes it, and then times the largest
// extraction against a bare zlib inflate of the same resource plus one write.
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Error.h"
#include "payload/Payload.h"
#include "platform/File.h"
#include "platform/Platform.h"

namespace {

const char* const kPayloads[][2] = {
    {"GB_", "GAME00"}, {"GB_", "GAME01"}, {"GB_", "KESTAL"}, {"GB_", "CVANDRY"}, {"GB_", "README"},
    {"BIG", "GAME01"}, {"BIG", "KESTAL"}, {"BIG", "CVANDRY"}, {"BIG", "README"}, {"EX0", "SOUNDS"},
    {"EX0", "SOUND1"}, {"RE0", "REG000"}, {"TXT", "LINCE1"}, {"TXT", "LINCE2"},
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool readAll(const plat::Path& path, std::string& out) {
    plat::File f;
    std::uint32_t size = 0, done = 0;
    if (plat::File::openRead(path, f).failed() || f.size(size).failed()) return false;
    out.assign(size, '\0');
    return size == 0 || (f.read(&out[0], size, done).ok() && done == size);
}

// The baseline: zlib in one call over the whole resource, one write.
void bareInflateAndWrite(const plat::Path& target) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (plat::program().ownResource("GB_", "GAME00", data, size).failed()) throw std::runtime_error("no GAME00");
    std::uint32_t n = payload::inflatedSize(data, size);
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[n]);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = const_cast<Bytef*>(data + 4);
    zs.avail_in = static_cast<uInt>(size - 4);
    zs.next_out = out.get();
    zs.avail_out = n;
    int r = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    if (r != Z_STREAM_END) throw std::runtime_error("baseline inflate failed");
    plat::File f;
    std::uint32_t done = 0;
    if (plat::File::createAlways(target, f).failed() || f.write(out.get(), n, done).failed() || done != n)
        throw std::runtime_error("baseline write failed");
}

double medianMs(const std::function<void()>& f, std::vector<double>& samples) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 0;
    std::unique_ptr<plat::Platform> platform = plat::createPlatform();
    const plat::PlatformInForce inForce(*platform);
    const plat::Path files(argv[1]), scratch(argv[2]);
    (void)plat::files().createFolder(scratch);  // there already on a second run

    int faults = 0;
    for (const auto& entry : kPayloads) {
        const std::string type = entry[0], name = entry[1];
        const plat::Path target = scratch / (type + "_" + name);
        std::string got, expected;
        try {
            payload::extractPayload(lower(name), lower(type), target);
        } catch (const base::Error& e) {
            std::printf("FAULT %s/%s: %s\n", type.c_str(), name.c_str(), e.what());
            ++faults;
            continue;
        }
        if (!readAll(target, got) || !readAll(files / type / name, expected) || got != expected) {
            std::printf("FAULT %s/%s: the extracted file differs from the payload file\n", type.c_str(),
                        name.c_str());
            ++faults;
        } else {
            std::printf("%s/%s: %zu bytes extracted\n", type.c_str(), name.c_str(), got.size());
        }
        (void)plat::files().deleteFile(target);
    }

    const plat::Path extracted = scratch / "extracted", baseline = scratch / "baseline";
    std::vector<double> ex, base;
    double exMs = 0, baseMs = 0;
    try {
        for (int round = 0; round < 10; ++round) {
            baseMs = medianMs([&] { bareInflateAndWrite(baseline); }, base);
            exMs = medianMs([&] { payload::extractPayload("game00", "gb_", extracted); }, ex);
        }
        std::printf("GAME00: bare zlib inflate + write %.2f ms, extractPayload %.2f ms (medians of %zu),"
                    " ratio %.3f (target <= 1.15)\n",
                    baseMs, exMs, ex.size(), exMs / baseMs);
    } catch (const std::exception& e) {
        std::printf("FAULT timing: %s\n", e.what());
        ++faults;
    }
    (void)plat::files().deleteFile(extracted);
    (void)plat::files().deleteFile(baseline);
    return faults == 0 ? 0 : 1;
}
