// Build-time generator of stand-in payloads, for builds without the real
// ones.  Everything comes from this program and the texts beside it; the
// output is the same on every machine.
//
//   lunavire_standin_gen archive <size> <seed> <out>      archive-like data
//   lunavire_standin_gen text <utf8-in> <charset> <size> spaces|lines <out>
//   lunavire_standin_gen pad <in> <size> <out>            copy, zero-filled to size
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/packer/HostFiles.h"

namespace {

using Bytes = std::vector<unsigned char>;

// splitmix64: fixed arithmetic, so identical bytes everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

private:
    std::uint64_t s_;
};

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// Script-like text: numbered records of words and figures, the kind of
// thing a game keeps for its scenes and messages.
void fillScript(Rng& rng, unsigned char* out, std::size_t size) {
    static const char* const words[] = {
        "SCENE", "MSG", "WAIT", "FADE", "BGM", "SE", "CHR", "POS", "JUMP", "IF", "FLAG", "SET",
        "moon", "lake", "gate", "night", "voice", "sword", "river", "tower", "garden", "letter",
        "Lunavire", "Kestal", "Vandry", "Mirel", "Oswin", "Tahra", "Ilse", "Corvan"};
    std::string text;
    std::uint32_t line = rng.below(9000);
    while (text.size() < size) {
        text += '#' + std::to_string(line++) + ' ';
        std::uint32_t n = 3 + rng.below(9);
        for (std::uint32_t i = 0; i < n; ++i) {
            text += words[rng.below(sizeof words / sizeof *words)];
            text += rng.below(4) == 0 ? ' ' + std::to_string(rng.below(1000)) + ' ' : std::string(" ");
        }
        text += "\r\n";
    }
    std::memcpy(out, text.data(), size);
}

// Fixed-size binary records with slowly changing fields.
void fillTable(Rng& rng, unsigned char* out, std::size_t size) {
    std::uint32_t id = rng.below(1u << 20), x = rng.below(640), y = rng.below(480);
    for (std::size_t at = 0; at < size; at += 16) {
        unsigned char rec[16] = {};
        std::uint32_t fields[4] = {id++, x, y, rng.below(8) == 0 ? rng.below(256) : 0};
        for (int f = 0; f < 4; ++f)
            for (int i = 0; i < 4; ++i) rec[4 * f + i] = static_cast<unsigned char>(fields[f] >> (8 * i));
        std::memcpy(out + at, rec, size - at < 16 ? size - at : 16);
        x = (x + rng.below(3)) % 640;
        y = (y + rng.below(2)) % 480;
    }
}

// Already-compressed media (pictures, sound): incompressible.
void fillNoise(Rng& rng, unsigned char* out, std::size_t size) {
    for (std::size_t at = 0; at < size; ++at) out[at] = static_cast<unsigned char>(rng.next() >> 56);
}

// An archive: "LVAR", version, entry count, a directory of
// (name[20], kind, offset, size) and the entries' bodies.  About half of the
// body is noise, which puts the whole near the real archives' 2:3.
Bytes archive(std::uint32_t total, std::uint64_t seed) {
    const std::size_t head = 12, entry = 32;
    std::vector<std::uint32_t> sizes;
    std::size_t count = total / 40000 + 1;
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (head + entry * count > total) throw std::runtime_error("archive too small");
        Rng rng(seed);
        sizes.clear();
        std::size_t left = total - head - entry * count;
        while (left > 0) {
            std::uint32_t s = 4096 + rng.below(72 * 1024);
            if (s > left) s = static_cast<std::uint32_t>(left);
            sizes.push_back(s);
            left -= s;
        }
        if (sizes.size() == count) break;
        count = sizes.size();
    }
    if (sizes.size() != count) throw std::runtime_error("archive layout does not settle");

    Bytes out(total);
    std::memcpy(out.data(), "LVAR", 4);
    put32(out, 4, 1);
    put32(out, 8, static_cast<std::uint32_t>(count));
    Rng rng(seed ^ 0x5EED5EED5EED5EEDull);
    std::size_t offset = head + entry * count;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t kind = rng.below(100);
        kind = kind < 51 ? 2 : kind < 80 ? 0 : 1;  // noise, script, table
        std::size_t at = head + entry * i;
        std::snprintf(reinterpret_cast<char*>(&out[at]), 20, "%s%04u.%s",
                      kind == 0 ? "scn" : kind == 1 ? "tbl" : "img", static_cast<unsigned>(i),
                      kind == 0 ? "txt" : kind == 1 ? "dat" : "bin");
        put32(out, at + 20, kind);
        put32(out, at + 24, static_cast<std::uint32_t>(offset));
        put32(out, at + 28, sizes[i]);
        unsigned char* body = &out[offset];
        if (kind == 0) fillScript(rng, body, sizes[i]);
        else if (kind == 1) fillTable(rng, body, sizes[i]);
        else fillNoise(rng, body, sizes[i]);
        offset += sizes[i];
    }
    return out;
}

// UTF-8 text with LF lines to the given charset with CRLF lines, padded to
// the exact size: with trailing spaces spread over the lines ("spaces",
// unseen in an editor) or with empty lines at the end ("lines", for
// scripts whose lines must stay as written).
Bytes text(const Bytes& utf8, const std::string& charset, std::size_t size, const std::string& pad) {
    std::string crlf;
    for (unsigned char c : utf8) {
        if (c == '\r') continue;
        if (c == '\n') crlf += '\r';
        crlf += static_cast<char>(c);
    }
    iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no conversion to " + charset);
    Bytes conv(crlf.size() * 2 + 16);
    char* in = &crlf[0];
    std::size_t inLeft = crlf.size();
    char* dst = reinterpret_cast<char*>(conv.data());
    std::size_t outLeft = conv.size();
    std::size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
    int error = errno;
    iconv_close(cd);
    // A positive count means characters were replaced by approximations.
    if (r != 0)
        throw std::runtime_error("text not representable in " + charset + ": " +
                                 (r == static_cast<std::size_t>(-1) ? std::strerror(error) : "inexact"));
    conv.resize(conv.size() - outLeft);
    if (conv.size() > size)
        throw std::runtime_error("text is " + std::to_string(conv.size()) + " bytes, more than " +
                                 std::to_string(size));
    std::size_t missing = size - conv.size();
    if (pad == "lines") {
        if (missing % 2) conv.push_back(' ');
        while (conv.size() < size) conv.insert(conv.end(), {'\r', '\n'});
        return conv;
    }
    if (pad != "spaces") throw std::runtime_error("pad is spaces or lines, not " + pad);
    // CR LF cannot occur inside a GBK or Big5 character: trail bytes start at 0x40.
    std::size_t lines = 0;
    for (std::size_t i = 0; i + 1 < conv.size(); ++i) lines += conv[i] == '\r' && conv[i + 1] == '\n';
    Bytes out;
    out.reserve(size);
    std::size_t line = 0;
    for (std::size_t i = 0; i < conv.size(); ++i) {
        if (conv[i] == '\r' && i + 1 < conv.size() && conv[i + 1] == '\n') {
            out.insert(out.end(), missing / lines + (line < missing % lines ? 1 : 0), ' ');
            ++line;
        }
        out.push_back(conv[i]);
    }
    out.resize(size, ' ');  // a text without line ends takes its padding at the end
    return out;
}

std::uint32_t number(const char* s) {
    char* end = nullptr;
    unsigned long long v = std::strtoull(s, &end, 0);
    if (!*s || *end || v >= (1ull << 31)) throw std::runtime_error(std::string("bad size ") + s);
    return static_cast<std::uint32_t>(v);
}

int usage() {
    std::fputs("usage: lunavire_standin_gen archive <size> <seed> <out>\n"
               "       lunavire_standin_gen text <utf8-in> <charset> <size> spaces|lines <out>\n"
               "       lunavire_standin_gen pad <in> <size> <out>\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string command = argv[1];
    try {
        if (command == "archive" && argc == 5) {
            tools::writeIfChanged(argv[4], archive(number(argv[2]), std::strtoull(argv[3], nullptr, 0)));
        } else if (command == "text" && argc == 7) {
            tools::writeIfChanged(argv[6], text(tools::readAll(argv[2]), argv[3], number(argv[4]), argv[5]));
        } else if (command == "pad" && argc == 5) {
            Bytes b = tools::readAll(argv[2]);
            std::uint32_t size = number(argv[3]);
            if (b.size() > size)
                throw std::runtime_error(std::string(argv[2]) + " is larger than " + argv[3] + " bytes");
            b.resize(size, 0);
            tools::writeIfChanged(argv[4], b);
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lunavire_standin_gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
