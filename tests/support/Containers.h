// Payload containers for tests (4-byte little-endian size, then a zlib
// stream), built whole or byte by byte: zlib streams from zlib itself, and
// hand-made stored-block streams where a test needs to know exactly where
// each byte of the stream lies.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace testpay {

inline std::string le32(std::uint32_t n) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(n >> (8 * i));
    return s;
}

inline std::string zstream(const std::string& data, int level = 9) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::string z(n, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&z[0]), &n, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    z.resize(n);
    return z;
}

// A payload container: the 4-byte little-endian size, then a zlib stream.
inline std::string makeContainer(const std::string& bytes) {
    return le32(static_cast<std::uint32_t>(bytes.size())) + zstream(bytes);
}

// A zlib stream of stored blocks, one per piece of data; the last is final.
// Layout: 2-byte header, per block 5 bytes + its data, 4-byte Adler-32.
inline std::string storedStream(const std::vector<std::string>& blocks) {
    std::string s = "\x78\x01";
    uLong adler = adler32(0, nullptr, 0);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::string& b = blocks[i];
        auto len = static_cast<std::uint16_t>(b.size());
        s += static_cast<char>(i + 1 == blocks.size() ? 1 : 0);
        s += static_cast<char>(len & 0xFF);
        s += static_cast<char>(len >> 8);
        s += static_cast<char>(~len & 0xFF);
        s += static_cast<char>((~len >> 8) & 0xFF);
        s += b;
        adler = adler32(adler, reinterpret_cast<const Bytef*>(b.data()), static_cast<uInt>(b.size()));
    }
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((adler >> shift) & 0xFF);
    return s;
}

// Text-like bytes (compress well) or noise (do not), the same on every run.
inline std::string sample(std::size_t size, bool noise = false, std::uint32_t seed = 1) {
    std::string s(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        s[i] = noise ? static_cast<char>(x >> 24) : "lunavire moon gate\r\n"[(i + (x >> 29)) % 20];
    }
    return s;
}

inline std::string flipLast(std::string s) {
    s.back() = static_cast<char>(s.back() ^ 0x01);
    return s;
}

}  // namespace testpay
