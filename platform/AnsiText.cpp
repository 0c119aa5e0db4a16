#include "platform/AnsiText.h"

#include "platform/Program.h"

namespace text {

namespace {

bool isDelimiter(char c) { return c == '\\' || c == ':'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Applies f to every single-byte character.
template <class F>
std::string mapSingleBytes(const std::string& s, F f) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size(); i += charLength(out, i))
        if (charLength(out, i) == 1) out[i] = f(out[i]);
    return out;
}

}  // namespace

std::size_t charLength(const std::string& s, std::size_t i) {
    return i + 1 < s.size() && plat::program().isDbcsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
}

std::size_t lastCharStart(const std::string& s) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) last = i;
    return last;
}

bool endsWith(const std::string& s, char c) {
    std::size_t last = lastCharStart(s);
    return last != std::string::npos && last + 1 == s.size() && s[last] == c;
}

std::size_t find(const std::string& s, char c, std::size_t from) {
    for (std::size_t i = 0; i < s.size(); i += charLength(s, i))
        if (i >= from && s[i] == c && charLength(s, i) == 1) return i;
    return std::string::npos;
}

std::size_t lastDelimiter(const std::string& path) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += charLength(path, i))
        if (charLength(path, i) == 1 && isDelimiter(path[i])) found = i;
    return found;
}

std::string folderPart(const std::string& path) {
    std::size_t i = lastDelimiter(path);
    return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string fileDir(const std::string& path) {
    std::size_t i = lastDelimiter(path);
    if (i == std::string::npos) return {};
    // A backslash stays only where it is the root's: right after a colon or
    // another backslash ("X:\", "\\"), or at the very start.
    if (i > 0 && path[i] == '\\') {
        std::size_t before = lastCharStart(path.substr(0, i));
        bool rootSlash = charLength(path, before) == 1 && isDelimiter(path[before]);
        if (!rootSlash) return path.substr(0, i);
    }
    return path.substr(0, i + 1);
}

std::string fileName(const std::string& path) {
    std::size_t i = lastDelimiter(path);
    return i == std::string::npos ? path : path.substr(i + 1);
}

std::string withoutExtension(const std::string& path) {
    std::size_t start = lastDelimiter(path);
    start = start == std::string::npos ? 0 : start + 1;
    std::size_t dot = std::string::npos;
    for (std::size_t i = start; i < path.size(); i += charLength(path, i))
        if (path[i] == '.' && charLength(path, i) == 1) dot = i;
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string cutDriveRoot(const std::string& folder) {
    // Three bytes may also be a letter and a double-byte character ending in 0x5C.
    bool root = folder.size() == 3 && folder[1] == ':' && endsWith(folder, '\\');
    return root ? folder.substr(0, 2) : folder;
}

std::string upperCase(const std::string& s) { return mapSingleBytes(s, upper); }
std::string lowerCase(const std::string& s) { return mapSingleBytes(s, lower); }

bool sameRegistryName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && upperCase(a) == upperCase(b);
}

bool plainName(const std::string& name) {
    if (name.empty() || endsWith(name, '.') || endsWith(name, ' ')) return false;
    for (std::size_t i = 0; i < name.size(); i += charLength(name, i)) {
        if (charLength(name, i) > 1) continue;
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::string("<>:\"/|?*").find(static_cast<char>(c)) != std::string::npos) return false;
    }
    return true;
}

std::string withoutLineBreak(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace text
