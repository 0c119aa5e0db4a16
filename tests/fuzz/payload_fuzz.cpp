// libFuzzer target: the payload container (size field + zlib stream) as it
// comes out of a resource.  Besides crashes, leaks and undefined behaviour,
// it checks the contract: success yields exactly N bytes, the same bytes a
// one-call inflate of the whole stream gives; failure is one of the three
// texts, and "Stream write error" only for a size field of 2^31 or more.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/Error.h"
#include "payload/Payload.h"

namespace {

// Any N below 2^31 is legal, but an allocation of gigabytes is not what
// this target is about: sizes above the cap are folded below it.
constexpr std::uint32_t kCap = 1u << 20;

std::uint32_t sizeField(const std::vector<std::uint8_t>& c) {
    return static_cast<std::uint32_t>(c[0]) | static_cast<std::uint32_t>(c[1]) << 8 |
           static_cast<std::uint32_t>(c[2]) << 16 | static_cast<std::uint32_t>(c[3]) << 24;
}

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}

// The first n bytes of the stream by zlib in one call over all the input;
// false when zlib fails before producing them.
bool reference(const std::vector<std::uint8_t>& c, std::uint32_t n, std::vector<std::uint8_t>& out) {
    out.assign(n, 0);
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(c.data() + 4);
    zs.avail_in = static_cast<uInt>(c.size() - 4);
    zs.next_out = out.data();
    zs.avail_out = n;
    int r = n == 0 ? Z_OK : inflate(&zs, Z_NO_FLUSH);
    bool full = zs.avail_out == 0 && (r == Z_OK || r == Z_STREAM_END || r == Z_BUF_ERROR);
    inflateEnd(&zs);
    return full;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> container(data, data + size);
    if (size >= 4) {
        std::uint32_t n = sizeField(container);
        if (n >= kCap && n < 0x80000000u) {
            n %= kCap;
            for (int i = 0; i < 4; ++i) container[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
        }
    }
    const std::vector<std::uint8_t> original = container;

    std::vector<std::uint8_t> buffer = container;
    try {
        payload::inflateInPlace(buffer);
    } catch (const base::Error& e) {
        std::string m = e.what();
        if (buffer != original) broken("a failed inflation changed the buffer");
        if (m == "Stream write error") {
            if (size < 4 || sizeField(original) < 0x80000000u) broken("write error without a huge size");
        } else if (m != "Stream read error" && m != "error") {
            broken("unknown error text");
        }
        return 0;
    }
    if (size < 4) broken("success on a container without a size field");
    std::uint32_t n = sizeField(original);
    if (buffer.size() != n) broken("success without exactly N bytes");
    std::vector<std::uint8_t> expected;
    if (!reference(original, n, expected)) broken("success where zlib cannot produce N bytes");
    if (buffer != expected) broken("bytes differ from a one-call inflate");
    return 0;
}
