#include "shell/Paths.h"

#include "platform/Platform.h"

namespace shell {

namespace {
bool lead(const std::string& s, std::size_t i) {
    return i + 1 < s.size() && plat::platform().isDbcsLeadByte(static_cast<unsigned char>(s[i]));
}
}  // namespace

std::size_t lastDelimiter(const std::string& path) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < path.size();) {
        if (lead(path, i)) {
            i += 2;
            continue;
        }
        if (path[i] == '\\' || path[i] == ':') found = i;
        ++i;
    }
    return found;
}

std::string extractFilePath(const std::string& path) {
    std::size_t i = lastDelimiter(path);
    return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string extractFileDir(const std::string& path) {
    // The last delimiter, and whether the character before it is a delimiter
    // too (a single byte, not the trail byte of a double-byte character).
    std::size_t found = std::string::npos;
    bool afterDelimiter = false, prevDelimiter = false;
    for (std::size_t i = 0; i < path.size();) {
        if (lead(path, i)) {
            prevDelimiter = false;
            i += 2;
            continue;
        }
        bool delim = path[i] == '\\' || path[i] == ':';
        if (delim) {
            found = i;
            afterDelimiter = prevDelimiter;
        }
        prevDelimiter = delim;
        ++i;
    }
    if (found == std::string::npos) return {};
    // Keep the backslash of a root ("X:\") and the colon of "X:".
    if (found > 0 && path[found] == '\\' && !afterDelimiter) return path.substr(0, found);
    return path.substr(0, found + 1);
}

std::string cutDriveRoot(const std::string& folder) {
    return folder.size() == 3 ? folder.substr(0, 2) : folder;
}

std::string ansiUpperCase(const std::string& s) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size();) {
        if (lead(out, i)) {
            i += 2;
            continue;
        }
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
        ++i;
    }
    return out;
}

}  // namespace shell
