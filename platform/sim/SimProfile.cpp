#include "platform/sim/SimProfile.h"

#include <vector>

namespace sim::detail {

namespace {

constexpr std::size_t kBuffer = 2048;  // bytes, terminator included

bool blank(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }

std::u16string trim(const std::u16string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Names compare with ASCII letters folded only: Wine leaves full-width letters alone here.
bool sameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 0x20);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 0x20);
        if (x != y) return false;
    }
    return true;
}

std::u16string unquote(const std::u16string& v) {
    if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
    return v;
}

std::u16string decodeFile(const CodePage& cp, const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return utf8ToUtf16(bytes.substr(3));
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return utf16ToUnits(bytes.substr(2), false);
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return utf16ToUnits(bytes.substr(2), true);
    return cp.toUnicode(bytes);
}

// The wide value cut to the buffer in characters, then the ANSI bytes cut
// to the buffer without splitting a double-byte character.
std::string fit(const CodePage& cp, std::u16string value) {
    if (value.size() > kBuffer - 1) value.resize(kBuffer - 1);
    std::string bytes = cp.fromUnicode(value);
    if (bytes.size() > kBuffer - 1) {
        std::size_t end = 0;
        for (std::size_t i = 0; i < bytes.size();) {
            std::size_t n = cp.charLength(bytes, i);
            if (i + n > kBuffer - 1) break;
            i += n;
            end = i;
        }
        bytes.resize(end);
    }
    return bytes;
}

struct Entry {
    std::u16string key, value;
    bool hasValue;
};
struct Section {
    std::u16string name;
    std::vector<Entry> entries;
};

std::vector<Section> parse(const std::u16string& text) {
    std::vector<Section> sections(1);  // keys before the first header belong to a nameless section
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        std::u16string line = text.substr(i, end - i);
        i = end;
        while (i < text.size() && (text[i] == u'\r' || text[i] == u'\n')) ++i;

        std::size_t nul = line.find(u'\0');
        if (nul != std::u16string::npos) line.resize(nul);
        std::size_t start = 0;
        while (start < line.size() && blank(line[start])) ++start;
        if (start == line.size()) continue;
        if (line[start] == u'[') {
            std::size_t close = line.rfind(u']');
            if (close == std::u16string::npos || close < start) continue;  // not a header: ignored
            sections.push_back({trim(line.substr(start + 1, close - start - 1)), {}});
            continue;
        }
        std::size_t eq = line.find(u'=', start);
        if (eq == std::u16string::npos)
            sections.back().entries.push_back({trim(line.substr(start)), {}, false});
        else
            sections.back().entries.push_back(
                {trim(line.substr(start, eq - start)), unquote(trim(line.substr(eq + 1))), true});
    }
    return sections;
}

}  // namespace

std::string profileDefault(const CodePage& cp, const std::string& def) {
    std::u16string d = cp.toUnicode(def);
    while (!d.empty() && d.back() == u' ') d.pop_back();
    return fit(cp, unquote(d));
}

std::string profileLookup(const CodePage& cp, const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    const std::u16string wantSection = trim(cp.toUnicode(section)), wantKey = trim(cp.toUnicode(key));
    for (const Section& s : parse(decodeFile(cp, file))) {
        if (!sameName(s.name, wantSection)) continue;
        // Only the first section of that name counts, and in it the first entry of the key.
        for (const Entry& e : s.entries) {
            if (!sameName(e.key, wantKey)) continue;
            if (e.hasValue) return fit(cp, e.value);
            break;
        }
        break;
    }
    return profileDefault(cp, def);
}

}  // namespace sim::detail
