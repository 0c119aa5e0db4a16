#include "shell/InstallRecord.h"

#include <array>
#include <cstdio>

#include "platform/AnsiText.h"

namespace shell::record {

namespace {

const char kMagic[] = "LUNAVIRE-RECORD";
const char kVersion[] = "1";

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

std::string hex8(std::uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

FormatError bad(const std::string& what) { return {0, what}; }

bool existedBefore(const std::string& field) {
    if (field == "new") return false;
    if (field == "old") return true;
    throw bad("neither new nor old: " + field);
}

}  // namespace

const char* const kAddOnFiles[3] = {"c:\\setvice.exe", "c:\\asr3232.exe", "c:\\00.reg"};

std::string uninstallFolder(const std::string& install) { return install + "\\" + kFolderName; }
std::string recordPath(const std::string& install) { return uninstallFolder(install) + "\\" + kFileName; }
std::string programPath(const std::string& install) { return uninstallFolder(install) + "\\" + kProgramName; }
std::string originalsFolder(const std::string& install) { return uninstallFolder(install) + "\\" + kOriginalsName; }

std::uint32_t crc32(const std::string& bytes) {
    static const auto table = makeCrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string encodeLine(const Fields& fields) {
    std::string body;
    for (std::size_t i = 0; i < fields.size(); ++i) body += (i ? "\t" : "") + fields[i];
    return hex8(crc32(body)) + " " + body + "\r\n";
}

std::string normalPath(const std::string& path) {
    std::string out;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = text::charLength(path, i);
        const bool separator = n == 1 && path[i] == '\\';
        // The start of a UNC name keeps its two.
        if (!(separator && i > 1 && text::endsWith(out, '\\'))) out.append(path, i, n);
        i += n;
    }
    return out;
}

const char* rootName(plat::RootKey root) { return root == plat::RootKey::LocalMachine ? "HKLM" : "HKCU"; }

std::optional<plat::RootKey> rootNamed(const std::string& name) {
    if (name == "HKLM") return plat::RootKey::LocalMachine;
    if (name == "HKCU") return plat::RootKey::CurrentUser;
    return std::nullopt;
}

// ---------------------------------------------------------------- Record

std::vector<Record::Item>& Record::list(List l) {
    switch (l) {
        case Files: return files;
        case Folders: return folders;
        case Links: return links;
        case PatchFiles: return patchFiles;
        default: return patchLinks;
    }
}

Record::Item& Record::item(List l, const std::string& path, bool& added) {
    auto& items = list(l);
    auto [it, inserted] = index_[l].emplace(text::upperCase(path), items.size());
    added = inserted;
    if (inserted) items.push_back({path});
    return items[it->second];
}

const Record::Item* Record::find(List l, const std::string& path) const {
    auto it = index_[l].find(text::upperCase(path));
    if (it == index_[l].end()) return nullptr;
    return &const_cast<Record*>(this)->list(l)[it->second];
}

std::vector<Fields> Record::begin(const std::string& installFolder, unsigned codePage) {
    return {{kMagic, kVersion, std::to_string(codePage)}, {"folder", installFolder}};
}

void Record::apply(const Fields& f) {
    if (f.empty()) throw bad("an empty line");
    const std::string& tag = f[0];
    auto want = [&](std::size_t n) {
        if (f.size() != n) throw bad(tag + " with " + std::to_string(f.size() - 1) + " fields");
        for (std::size_t i = 1; i < n; ++i)
            if (f[i].empty() && !(tag == "addon-value" && i == 3)) throw bad(tag + " with an empty field");
    };
    if (!started_) {
        if (tag != kMagic) throw bad("not a record");
        want(3);
        if (f[1] != kVersion) throw bad("a record of version " + f[1]);
        if (f[2].empty() || f[2].size() > 5 || f[2].find_first_not_of("0123456789") != std::string::npos)
            throw bad("code page " + f[2]);
        codePage = static_cast<unsigned>(std::stoul(f[2]));
        started_ = true;
        return;
    }
    if (folder.empty() && tag != "folder") throw bad(tag + " before the folder");
    bool added = false;
    if (tag == "folder") {
        want(2);
        if (!folder.empty()) throw bad("a second folder");
        folder = f[1];
    } else if (tag == "language") {
        want(2);
        language = f[1];
    } else if (tag == "links") {
        want(2);
        linkFolder = f[1];
    } else if (tag == "registered") {
        want(3);
        auto root = rootNamed(f[1]);
        if (!root) throw bad("no registry root " + f[1]);
        for (const auto& r : registrations)
            if (r.first == *root && text::upperCase(r.second) == text::upperCase(f[2])) return;
        registrations.push_back({*root, f[2]});
    } else if (tag == "file?") {
        want(3);
        const bool old = existedBefore(f[2]);
        Item& i = item(Files, f[1], added);
        if (added) i.existedBefore = old;
    } else if (tag == "file" || tag == "dir" || tag == "link") {
        want(2);
        item(tag == "file" ? Files : tag == "dir" ? Folders : Links, f[1], added).whole = true;
    } else if (tag == "patch?") {
        want(3);
        const bool old = existedBefore(f[2]);
        Item& i = item(PatchFiles, f[1], added);
        // Once the patch's, a file stays the patch's as it first was.
        if (added || i.undone) i = {f[1], false, old, false};
    } else if (tag == "patch" || tag == "plink") {
        want(2);
        Item& i = item(tag == "patch" ? PatchFiles : PatchLinks, f[1], added);
        i.whole = true;
        i.undone = false;
    } else if (tag == "keep?" || tag == "keep") {
        want(3);
        Original* o = nullptr;
        for (auto& x : originals)
            if (text::upperCase(x.target) == text::upperCase(f[1])) o = &x;
        if (o && o->whole && !o->restored) {
            // A kept original is never replaced by a later copy.
            if (text::upperCase(o->kept) != text::upperCase(f[2])) throw bad("a second original of " + f[1]);
            return;
        }
        if (!o) {
            originals.push_back({f[1], f[2]});
            o = &originals.back();
        }
        *o = {f[1], f[2], tag == "keep", false};
    } else if (tag == "nokeep") {
        want(2);
        for (const auto& u : unavailable)
            if (text::upperCase(u) == text::upperCase(f[1])) return;
        unavailable.push_back(f[1]);
    } else if (tag == "restored") {
        want(2);
        bool found = false;
        for (auto& o : originals)
            if (text::upperCase(o.target) == text::upperCase(f[1]) && o.whole) {
                o.restored = true;
                found = true;
            }
        if (!found) throw bad("restored without an original: " + f[1]);
        item(PatchFiles, f[1], added).undone = true;
    } else if (tag == "unpatched") {
        want(2);
        List l = find(PatchFiles, f[1]) ? PatchFiles : PatchLinks;
        if (!find(l, f[1])) throw bad("unpatched without a patch file: " + f[1]);
        item(l, f[1], added).undone = true;
    } else if (tag == "addon-file") {
        want(2);
        for (const auto& a : addOnFiles)
            if (text::upperCase(a) == text::upperCase(f[1])) return;
        addOnFiles.push_back(f[1]);
    } else if (tag == "addon-key" || tag == "addon-value") {
        want(tag == "addon-key" ? 3 : 4);
        auto root = rootNamed(f[1]);
        if (!root) throw bad("no registry root " + f[1]);
        Key k{*root, f[2], tag == "addon-key" ? "" : f[3]};
        for (const auto& x : addOnKeys)
            if (x.root == k.root && text::upperCase(x.key) == text::upperCase(k.key) &&
                text::upperCase(x.value) == text::upperCase(k.value))
                return;
        addOnKeys.push_back(k);
    } else {
        throw bad("an unknown line " + tag);
    }
}

const Record::Item* Record::patchFile(const std::string& path) const { return find(PatchFiles, path); }

const Record::Original* Record::activeOriginal(const std::string& target) const {
    for (const auto& o : originals)
        if (o.whole && !o.restored && text::upperCase(o.target) == text::upperCase(target)) return &o;
    return nullptr;
}

bool Record::isGameFile(const std::string& path) const { return find(Files, path) != nullptr; }

Record parse(const std::string& bytes) {
    Record r;
    std::size_t start = 0, line = 0;
    while (start < bytes.size()) {
        ++line;
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) break;  // cut short by a kill: never acted on
        const std::string text = bytes.substr(start, end - start);
        start = end + 2;
        if (text.size() < 10 || text[8] != ' ') throw FormatError{line, "no checksum"};
        const std::string body = text.substr(9);
        if (text.compare(0, 8, hex8(crc32(body))) != 0) throw FormatError{line, "a wrong checksum"};
        Fields f;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = body.find('\t', from);
            f.push_back(body.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        try {
            r.apply(f);
        } catch (FormatError& e) {
            e.line = line;
            throw;
        }
    }
    if (r.folder.empty()) throw FormatError{line, "no folder"};
    return r;
}

// ---------------------------------------------------------------- bounds

bool below(const std::string& path, const std::string& folder) {
    const std::string p = text::upperCase(path), f = text::upperCase(folder);
    if (f.empty() || p.size() <= f.size() + 1 || p.compare(0, f.size(), f) != 0 || p[f.size()] != '\\') return false;
    if (text::endsWith(f, '\\')) return false;  // no root: folders are held without their backslash
    // Every name on the way is a plain name Windows takes as it is spelled.
    const std::string rest = path.substr(folder.size() + 1);
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = std::min(text::find(rest, '\\', from), rest.size());
        const std::string name = rest.substr(from, end - from);
        if (name.empty() || name == "." || name == ".." || text::endsWith(name, '.') || text::endsWith(name, ' '))
            return false;
        for (std::size_t i = 0; i < name.size(); i += text::charLength(name, i)) {
            if (text::charLength(name, i) > 1) continue;
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (c < 0x20 || std::string("<>:\"/|?*").find(static_cast<char>(c)) != std::string::npos) return false;
        }
        if (end == rest.size()) return true;
        from = end + 1;
    }
}

bool unsafeFolder(const std::string& folder, const std::string& windowsFolder) {
    std::string f = folder;
    while (text::endsWith(f, '\\')) f.pop_back();
    // A drive's root, or no absolute folder at all.
    if (f.size() <= 2 || f[1] != ':' || f[2] != '\\') return true;
    std::string w = windowsFolder;
    while (text::endsWith(w, '\\')) w.pop_back();
    return !w.empty() && (text::upperCase(f) == text::upperCase(w) || below(f, w));
}

std::optional<Refusal> check(const Record& r, const Bounds& b) {
    if (r.codePage != b.codePage) return Refusal{Refusal::CodePage, std::to_string(r.codePage)};
    if (unsafeFolder(r.folder, b.windowsFolder)) return Refusal{Refusal::UnsafeFolder, r.folder};
    if (text::upperCase(r.folder) != text::upperCase(b.installFolder)) return Refusal{Refusal::OtherFolder, r.folder};
    auto outside = [](const std::string& path) { return Refusal{Refusal::Outside, path}; };
    for (const auto* list : {&r.files, &r.folders, &r.patchFiles})
        for (const auto& i : *list)
            if (!below(i.path, r.folder)) return outside(i.path);
    for (const auto& u : r.unavailable)
        if (!below(u, r.folder)) return outside(u);
    const std::string originals = originalsFolder(r.folder);
    for (const auto& o : r.originals) {
        if (!below(o.target, r.folder)) return outside(o.target);
        if (!below(o.kept, originals)) return outside(o.kept);
    }
    if (!r.links.empty() || !r.patchLinks.empty()) {
        const bool named = text::upperCase(text::fileName(r.linkFolder)) == "LUNAVIRE";
        if (!named || unsafeFolder(text::fileDir(r.linkFolder), b.windowsFolder))
            return Refusal{Refusal::UnsafeFolder, r.linkFolder};
        for (const auto* list : {&r.links, &r.patchLinks})
            for (const auto& i : *list)
                if (!below(i.path, r.linkFolder)) return outside(i.path);
    }
    for (const auto& a : r.addOnFiles) {
        bool known = false;
        for (const char* f : kAddOnFiles) known = known || text::upperCase(a) == text::upperCase(f);
        if (!known) return outside(a);
    }
    for (const auto& k : r.addOnKeys) {
        bool known = false;
        for (const auto& [root, key] : b.addOnKeys)
            known = known || (root == k.root && (text::upperCase(k.key) == text::upperCase(key) || below(k.key, key)));
        if (!known) return outside(std::string(rootName(k.root)) + "\\" + k.key);
    }
    return std::nullopt;
}

}  // namespace shell::record
