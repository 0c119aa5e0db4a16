#include "platform/Path.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"

namespace plat {

namespace {

bool separatorAt(const std::string& s, std::size_t i, std::size_t n) { return n == 1 && s[i] == '\\'; }

bool isDriveRoot(const std::string& s) { return s.size() == 3 && s[1] == ':' && s[2] == '\\'; }

// Separators made single (but a UNC name's two), the trailing one dropped
// but on a drive's root.
std::string tidy(const std::string& path) {
    std::string out;
    bool lastWasSeparator = false;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = text::charLength(path, i);
        const bool separator = separatorAt(path, i, n);
        if (!(separator && lastWasSeparator && i > 1)) out.append(path, i, n);
        lastWasSeparator = separator;
        i += n;
    }
    if (text::endsWith(out, '\\') && !isDriveRoot(out) && out != "\\" && out != "\\\\") out.pop_back();
    return out;
}

// Characters up to and including the n-th separator.
std::size_t afterSeparators(const std::string& s, std::size_t count) {
    std::size_t i = 0;
    while (count > 0 && i < s.size()) {
        const std::size_t n = text::charLength(s, i);
        if (separatorAt(s, i, n)) --count;
        i += n;
    }
    return count == 0 ? i : std::string::npos;
}

std::size_t separators(const std::string& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = text::charLength(s, i);
        if (separatorAt(s, i, n)) ++count;
        i += n;
    }
    return count;
}

}  // namespace

Path::Path(const std::string& text) : text_(tidy(text)) {}

Path Path::operator/(const std::string& relative) const {
    if (text_.empty()) return Path(relative);
    std::string r = relative;
    while (!r.empty() && r[0] == '\\') r.erase(0, 1);  // a leading backslash is never a trail byte
    if (r.empty()) return *this;
    return Path(text::endsWith(text_, '\\') ? text_ + r : text_ + "\\" + r);
}

Path Path::parent() const {
    const std::size_t cut = text::lastDelimiter(text_);
    if (cut == std::string::npos || isDriveRoot(text_)) return Path();
    if (text_[cut] == ':') return Path();  // "C:name"
    // The root keeps its backslash.
    return Path(cut == 2 && text_[1] == ':' ? text_.substr(0, 3) : text_.substr(0, cut));
}

std::string Path::name() const { return isDriveRoot(text_) ? std::string() : text::fileName(text_); }

bool Path::absolute() const { return text_.size() >= 3 && text_[1] == ':' && text_[2] == '\\'; }

std::string Path::key() const { return text_.empty() ? std::string() : files().nameKey(text_); }

bool Path::operator==(const Path& other) const { return text_ == other.text_ || key() == other.key(); }

bool Path::below(const Path& folder) const { return relativeTo(folder).value_or("") != ""; }

std::optional<std::string> Path::relativeTo(const Path& folder) const {
    if (folder.empty()) return std::nullopt;
    if (*this == folder) return std::string();
    // The names of folder are the first of this path's: cut after as many
    // separators as folder has, and one more unless folder ends in one.
    const std::size_t count = separators(folder.text_) + (text::endsWith(folder.text_, '\\') ? 0 : 1);
    const std::size_t cut = afterSeparators(text_, count);
    if (cut == std::string::npos || cut >= text_.size()) return std::nullopt;
    if (!(Path(text_.substr(0, cut)) == folder)) return std::nullopt;
    return text_.substr(cut);
}

}  // namespace plat
