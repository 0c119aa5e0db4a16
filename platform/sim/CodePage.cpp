#include "platform/sim/CodePage.h"

#include <iconv.h>

#include <memory>
#include <stdexcept>

namespace sim::detail {

namespace {

constexpr char16_t kPrivateByte = 0xF700;  // + byte, for bytes that do not decode

// One character through iconv; 0 when it does not convert to a single UTF-16 unit.
char16_t convertOne(iconv_t cd, const char* bytes, std::size_t length) {
    char in[2] = {bytes[0], length > 1 ? bytes[1] : '\0'};
    unsigned char out[8];
    char* inp = in;
    char* outp = reinterpret_cast<char*>(out);
    std::size_t inLeft = length, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return 0;
    if (sizeof out - outLeft != 2) return 0;  // none, or a surrogate pair
    return static_cast<char16_t>(out[0] | out[1] << 8);
}

const char* iconvName(unsigned number) {
    switch (number) {
        case 936: return "CP936";
        case 950: return "CP950";
        case 1252: return "CP1252";
    }
    throw std::invalid_argument("code page " + std::to_string(number) + " is not simulated");
}

}  // namespace

CodePage::CodePage(unsigned number)
    : number_(number), dbcs_(number != 1252), single_(256), reverse_(0x10000) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName(number));
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert the code page");
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    for (unsigned b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        char16_t u = b < 0x80 ? static_cast<char16_t>(b) : (isLead(static_cast<unsigned char>(b)) ? 0 : convertOne(cd, &c, 1));
        single_[b] = u ? u : static_cast<char16_t>(kPrivateByte + b);
        if (u && !reverse_[u]) reverse_[u] = static_cast<unsigned short>(b);
    }
    if (dbcs_) {
        double_.assign(0x10000, 0);
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t u = convertOne(cd, pair, 2);
                if (!u) continue;
                double_[lead << 8 | trail] = u;
                if (!reverse_[u]) reverse_[u] = static_cast<unsigned short>(lead << 8 | trail);
            }
    }
    reverse_[0] = 0;
}

const CodePage& CodePage::get(unsigned number) {
    // Each page is built on first use; function-local statics make that thread-safe.
    switch (number) {
        case 936: { static const CodePage cp(936); return cp; }
        case 950: { static const CodePage cp(950); return cp; }
        case 1252: { static const CodePage cp(1252); return cp; }
    }
    iconvName(number);  // throws
    throw std::invalid_argument("code page");
}

std::u16string CodePage::toUnicode(const std::string& s) const {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (isLead(c) && i + 1 < s.size()) {
            char16_t u = double_[c << 8 | static_cast<unsigned char>(s[i + 1])];
            if (u) {
                out += u;
                i += 2;
                continue;
            }
        }
        out += single_[c];
        ++i;
    }
    return out;
}

std::string CodePage::fromUnicode(const std::u16string& s) const {
    std::string out;
    out.reserve(s.size() * 2);
    for (char16_t u : s) {
        unsigned short b = u < 0x80 ? u : reverse_[u];
        if (u >= 0x80 && !b) {
            out += '?';
        } else if (b > 0xFF) {
            out += static_cast<char>(b >> 8);
            out += static_cast<char>(b & 0xFF);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

char16_t upcase(char16_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x177 && c != 0x131 && c != 0x138 && c != 0x149)
        return (c >= 0x139 && c <= 0x148) ? static_cast<char16_t>(c - !(c & 1))
                                          : static_cast<char16_t>(c & ~1u);
    if (c >= 0x1CE && c <= 0x1DC && !(c & 1)) return static_cast<char16_t>(c - 1);  // pinyin ǎ ǐ ǒ ǔ ǖ ...
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0x2170 && c <= 0x217F) return static_cast<char16_t>(c - 0x10);
    if (c >= 0x24D0 && c <= 0x24E9) return static_cast<char16_t>(c - 0x1A);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

std::u16string fileNameKey(const CodePage& cp, const std::string& name) {
    std::u16string key = cp.toUnicode(name);
    for (char16_t& c : key) c = upcase(c);
    return key;
}

std::string asciiUpper(const CodePage& cp, const std::string& s) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size();) {
        std::size_t n = cp.charLength(out, i);
        if (n == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 0x20);
        i += n;
    }
    return out;
}

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string utf16ToUtf8(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        appendUtf8(out, c);
    }
    return out;
}

std::string folderKey(const CodePage& cp, std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return asciiUpper(cp, path);
}

std::u16string utf8ToUtf16(const std::string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned cp = 0xFFFD;
        std::size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c < 0xE0) {
            n = 2;
        } else if (c >= 0xE0 && c < 0xF0) {
            n = 3;
        } else if (c >= 0xF0 && c < 0xF5) {
            n = 4;
        }
        if (n > 1) {
            if (i + n > s.size()) {
                n = 1;
            } else {
                cp = c & (0x7F >> n);
                for (std::size_t k = 1; k < n; ++k) {
                    unsigned char t = static_cast<unsigned char>(s[i + k]);
                    if ((t & 0xC0) != 0x80) {
                        cp = 0xFFFD;
                        n = k;
                        break;
                    }
                    cp = cp << 6 | (t & 0x3F);
                }
            }
        }
        if (cp >= 0x10000 && cp != 0xFFFD) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += n;
    }
    return out;
}

std::u16string utf16ToUnits(const std::string& s, bool bigEndian) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        unsigned char a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
        out += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return out;
}

}  // namespace sim::detail
