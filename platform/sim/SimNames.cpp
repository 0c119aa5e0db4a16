// Names as Wine resolves them: a name, or the short name Wine makes up for
// it; and the paths a name leads to, the final one through links and the
// long one.
#include <stdexcept>

#include "platform/sim/SimFiles.h"

namespace sim::detail {

namespace {

using namespace plat::err;

bool invalidDosChar(char16_t c) { return c > 0x7F || std::u16string(u"*?<>|\"+=,;[] ").find(c) != std::u16string::npos; }

}  // namespace

bool legal8dot3(const std::u16string& name) {
    if (name == u"." || name == u"..") return true;
    if (name.empty() || name.size() > 12) return false;
    std::size_t dot = std::u16string::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (invalidDosChar(name[i])) return false;
        if (name[i] == u'.') {
            if (dot != std::u16string::npos) return false;
            dot = i;
        }
    }
    if (dot == std::u16string::npos) return name.size() <= 8;
    return dot >= 1 && dot <= 8 && name.size() - dot - 1 <= 3;
}

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; }

// The short name Wine makes up for a name that is not 8.3: four characters,
// tildes, a three-character hash and the first three of the extension.
// Searches match it too, so "*.ini" finds "notes.inibak".
std::u16string shortName(const std::u16string& name) {
    static const char hashChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    const std::size_t end = name.size();
    std::size_t ext = std::u16string::npos;
    for (std::size_t p = end - 1; p > 0; --p)
        if (name[p] == u'.') {
            ext = p;
            break;
        }
    unsigned short hash = 0xBEEF;
    for (std::size_t p = 0; p + 1 < end; ++p)
        hash = static_cast<unsigned short>((hash << 3) ^ (hash >> 5) ^ lower(name[p]) ^ (lower(name[p + 1]) << 8));
    hash = static_cast<unsigned short>((hash << 3) ^ (hash >> 5) ^ lower(name[end - 1]));
    auto dos = [](char16_t c) { return invalidDosChar(c) || c == u'~' || c == u'.' ? u'_' : upcase(c); };
    std::u16string out;
    for (std::size_t p = 0; p < end && p != ext && out.size() < 4; ++p) out += dos(name[p]);
    while (out.size() < 5) out += u'~';
    out += static_cast<char16_t>(hashChars[(hash >> 10) & 0x1F]);
    out += static_cast<char16_t>(hashChars[(hash >> 5) & 0x1F]);
    out += static_cast<char16_t>(hashChars[hash & 0x1F]);
    if (ext != std::u16string::npos) {
        out += u'.';
        for (std::size_t p = ext + 1; p < end && p <= ext + 3; ++p) out += dos(name[p]);
    }
    return out;
}

Node* FileSystem::named(const Node& folder, const std::string& name) const {
    const std::u16string key = fileNameKey(*cp_, name);
    for (const auto& c : folder.children)
        if (c->key == key) return c.get();
    // Wine opens a file by the short name it shows for it, too.
    if (key.find(u'~') == std::u16string::npos) return nullptr;
    for (const auto& c : folder.children) {
        const std::u16string wide = cp_->toUnicode(c->name);
        if (!legal8dot3(wide) && shortName(wide) == key) return c.get();
    }
    return nullptr;
}

std::uint32_t FileSystem::walk(const std::string& path, bool followLinks, std::string& out) const {
    if (std::uint32_t e = lengthError(path)) return e;
    const SplitPath p = parse(path);
    if (p.empty) return PathNotFound;
    auto it = drives_.find(p.drive);
    if (it == drives_.end()) return PathNotFound;
    std::string at(1, p.drive);
    at += ':';
    const Node* folder = it->second.root.get();
    for (std::size_t i = 0; i < p.parts.size(); ++i) {
        const bool last = i + 1 == p.parts.size();
        const Node* next = folder && folder->folder ? named(*folder, p.parts[i]) : nullptr;
        if (!next) return last ? FileNotFound : PathNotFound;
        if (next->isLink() && (followLinks || !last)) {
            if (next->target->gone || !drives_.count(next->targetDrive)) return last ? FileNotFound : PathNotFound;
            at = followLinks ? next->targetPath : at + "\\" + next->name;
            folder = next->target.get();
        } else {
            at += "\\" + next->name;
            folder = next;
        }
    }
    out = p.parts.empty() ? at + "\\" : at;
    return 0;
}

std::uint32_t FileSystem::finalPath(const std::string& path, std::string& out) const { return walk(path, true, out); }

std::uint32_t FileSystem::longPath(const std::string& path, std::string& out) const {
    return walk(path, false, out);
}

}  // namespace sim::detail
