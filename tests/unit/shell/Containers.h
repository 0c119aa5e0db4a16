// Payload containers for tests: 4-byte little-endian size, then a zlib stream.
#pragma once

#include <zlib.h>

#include <string>

inline std::string makeContainer(const std::string& bytes) {
    uLongf n = compressBound(static_cast<uLong>(bytes.size()));
    std::string z(n, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(bytes.data()),
              static_cast<uLong>(bytes.size()), 9);
    z.resize(n);
    std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    std::string head(4, '\0');
    for (int i = 0; i < 4; ++i) head[static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
    return head + z;
}
