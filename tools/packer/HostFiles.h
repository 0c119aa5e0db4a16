// Whole-file helpers shared by the build-time tools.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools {

inline std::vector<unsigned char> readAll(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open " + path);
    std::vector<unsigned char> bytes;
    unsigned char piece[65536];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, f)) > 0) bytes.insert(bytes.end(), piece, piece + got);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) throw std::runtime_error("cannot read " + path);
    return bytes;
}

// Leaves an identical file alone, so that its time stamp stays and the
// build (ninja restat) skips whatever depends on it.
inline void writeIfChanged(const std::string& path, const std::vector<unsigned char>& bytes) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        if (readAll(path) == bytes) return;
    }
    std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + temp);
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace tools
