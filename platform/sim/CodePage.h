// The ANSI code pages the simulation knows (936, 950 and, for comparisons
// with an English Wine, 1252), and the two ways Windows compares names:
// file names by their upper-cased Unicode characters, profile and registry
// names by folding ASCII letters only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sim::detail {

class CodePage {
public:
    // Built once per process; throws std::invalid_argument for other pages.
    static const CodePage& get(unsigned number);

    unsigned number() const { return number_; }
    bool isLead(unsigned char c) const { return dbcs_ && c >= 0x81 && c <= 0xFE; }
    // Bytes of the character starting at s[i]: a lead byte takes the next byte with it.
    std::size_t charLength(const std::string& s, std::size_t i) const {
        return isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    }
    // A byte sequence that does not decode becomes a private-use character
    // per byte, so distinct names stay distinct.
    std::u16string toUnicode(const std::string& s) const;
    // Characters the page cannot hold become '?'.
    std::string fromUnicode(const std::u16string& s) const;

private:
    explicit CodePage(unsigned number);
    unsigned number_;
    bool dbcs_;
    std::vector<char16_t> single_;  // 256 entries
    std::vector<char16_t> double_;  // lead << 8 | trail; 0 = invalid
    std::vector<unsigned short> reverse_;  // Unicode -> bytes (0 = none; high byte = lead)
};

// Windows' upper-casing of one UTF-16 unit, for the letters a GBK or Big5
// name can hold (Latin, pinyin tone letters, Greek, Cyrillic, full width).
char16_t upcase(char16_t c);

// The key by which a file name is found and sorted: its characters upper-cased.
std::u16string fileNameKey(const CodePage& cp, const std::string& name);

// ASCII letters upper-cased, double-byte characters left alone.
std::string asciiUpper(const CodePage& cp, const std::string& s);

// How the program's current folder is told: upper-cased as asciiUpper does,
// without a trailing backslash but on a root.
std::string folderKey(const CodePage& cp, std::string path);

// UTF-16 units as UTF-8, a pair of surrogates as one character.
std::string utf16ToUtf8(const std::u16string& units);

// Decoders for text files that carry a byte-order mark.
std::u16string utf8ToUtf16(const std::string& s);
std::u16string utf16ToUnits(const std::string& s, bool bigEndian);

}  // namespace sim::detail
