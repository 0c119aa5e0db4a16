#include <climits>
#include <cstdint>

#include "base/Error.h"
#include "shell/Language.h"

namespace shell {

int strToInt(const std::string& text) {
    auto fail = [&]() -> int { throw base::Error("'" + text + "' is not a valid integer value"); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return fail();
    // Hexadecimal reads the full 32 bits, so "$FFFFFFFF" is -1.
    unsigned long long value = 0;
    const unsigned long long limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return fail();
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > limit) return fail();
    }
    long long v = base == 16 ? static_cast<long long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)))
                             : static_cast<long long>(value);
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return fail();
    return static_cast<int>(v);
}

}  // namespace shell
