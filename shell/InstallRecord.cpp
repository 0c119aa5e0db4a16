#include "shell/InstallRecord.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/AnsiText.h"
#include "platform/Path.h"
#include "platform/Registry.h"
#include "shell/RunLog.h"
#include "shell/VoiceRecord.h"

namespace shell::record {

namespace {

const char kMagic[] = "LUNAVIRE-RECORD";
// 1: absolute paths; 2: paths relative to the game folder.
constexpr unsigned kVersion = 2;

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

// Whether two paths (both relative, or both absolute) name one file.
bool samePath(const std::string& a, const std::string& b) { return plat::Path(a) == plat::Path(b); }

// The part of path below folder, when below() has it there.
std::optional<std::string> plainPartBelow(const std::string& path, const std::string& folder) {
    // No root: folders are held without their backslash.
    if (text::endsWith(folder, '\\') || text::endsWith(path, '\\')) return std::nullopt;
    auto inside = plat::Path(path).relativeTo(plat::Path(folder));
    if (!inside || !plainRelative(*inside)) return std::nullopt;
    return inside;
}

bool looksAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

}  // namespace

std::string uninstallFolder(const std::string& install) { return (plat::Path(install) / kFolderName).text(); }
std::string recordPath(const std::string& install) { return (plat::Path(uninstallFolder(install)) / kFileName).text(); }
std::string programPath(const std::string& install) { return (plat::Path(uninstallFolder(install)) / kProgramName).text(); }
std::string originalsFolder(const std::string& install) {
    return (plat::Path(uninstallFolder(install)) / kOriginalsName).text();
}

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

Fields fields(Line kind, std::vector<std::string> values) {
    values.insert(values.begin(), tagOf(kind));
    return values;
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

bool plainRelative(const std::string& path) {
    if (path.empty()) return false;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = std::min(text::find(path, '\\', from), path.size());
        // "." and ".." end in a full stop: no plain name.
        if (!text::plainName(path.substr(from, end - from))) return false;
        if (end == path.size()) return true;
        from = end + 1;
    }
}

bool below(const std::string& path, const std::string& folder) { return plainPartBelow(path, folder).has_value(); }

bool unsafeFolder(const std::string& folder, const std::string& windowsFolder) {
    const plat::Path game(folder);
    // A drive's root, or no absolute folder at all.
    if (!game.absolute() || game.parent().empty()) return true;
    const plat::Path windows(windowsFolder);
    return !windows.empty() && game.within(windows);
}

const char* rootName(plat::RootKey root) { return root == plat::RootKey::LocalMachine ? "HKLM" : "HKCU"; }

std::optional<plat::RootKey> rootNamed(const std::string& name) {
    if (name == "HKLM") return plat::RootKey::LocalMachine;
    if (name == "HKCU") return plat::RootKey::CurrentUser;
    return std::nullopt;
}

// ---------------------------------------------------------------- the line kinds

struct Record::Kind {
    Line line;
    const char* tag;
    std::size_t values;
    void (Record::*apply)(const Fields&);
};

const Record::Kind Record::kKinds[] = {
    {Line::Header, kMagic, 2, &Record::header},
    {Line::Folder, "folder", 1, &Record::onFolder},
    {Line::Language, "language", 1, &Record::onLanguage},
    {Line::Registered, "registered", 2, &Record::onRegistered},
    {Line::LinkFolder, "links", 1, &Record::onLinkFolder},
    {Line::FileAnnounced, "file?", 2, &Record::onFileAnnounced},
    {Line::File, "file", 1, &Record::onFile},
    {Line::MadeFolder, "dir", 1, &Record::onMadeFolder},
    {Line::Link, "link", 1, &Record::onLink},
    {Line::PatchAnnounced, "patch?", 2, &Record::onPatchAnnounced},
    {Line::Patch, "patch", 1, &Record::onPatch},
    {Line::PatchLink, "plink", 1, &Record::onPatchLink},
    {Line::OriginalAnnounced, "keep?", 2, &Record::onOriginal},
    {Line::Original, "keep", 2, &Record::onOriginal},
    {Line::NoOriginal, "nokeep", 1, &Record::onNoOriginal},
    {Line::Restored, "restored", 1, &Record::onRestored},
    {Line::Unpatched, "unpatched", 1, &Record::onUnpatched},
    {Line::AddOnFile, "addon-file", 1, &Record::onAddOnFile},
    {Line::AddOnKey, "addon-key", 2, &Record::onAddOnKey},
    {Line::AddOnValue, "addon-value", 3, &Record::onAddOnKey},
    {Line::AddOnOldKey, "addon-old-key", 2, &Record::onAddOnKey},
    {Line::AddOnOldValue, "addon-old-value", 3, &Record::onAddOnKey},
};

const char* tagOf(Line kind) {
    for (const auto& k : Record::kKinds)
        if (k.line == kind) return k.tag;
    return "?";
}

// ---------------------------------------------------------------- Record

bool Record::Key::operator==(const Key& other) const {
    return root == other.root && isValue == other.isValue && text::sameRegistryName(key, other.key) &&
           text::sameRegistryName(value, other.value);
}

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
    auto [it, inserted] = index_[l].emplace(plat::Path(path).key(), items.size());
    added = inserted;
    if (inserted) items.push_back({path});
    return items[it->second];
}

const Record::Item* Record::find(List l, const std::string& path) const {
    auto it = index_[l].find(plat::Path(path).key());
    if (it == index_[l].end()) return nullptr;
    return &const_cast<Record*>(this)->list(l)[it->second];
}

std::vector<Fields> Record::begin(const std::string& installFolder, unsigned codePage) {
    return {{kMagic, std::to_string(kVersion), std::to_string(codePage)}, {"folder", installFolder}};
}

void Record::apply(const Fields& f, std::size_t lineNumber) {
    if (f.empty()) throw bad("an empty line");
    line_ = lineNumber;
    const Kind* kind = nullptr;
    for (const auto& k : kKinds)
        if (f[0] == k.tag) kind = &k;
    if (!kind) throw bad("an unknown line " + f[0]);
    if (f.size() != kind->values + 1)
        throw bad(f[0] + " with " + std::to_string(f.size() - 1) + " fields");
    for (std::size_t i = 1; i < f.size(); ++i)
        if (f[i].empty() && !(kind->line == Line::AddOnValue || kind->line == Line::AddOnOldValue))
            throw bad(f[0] + " with an empty field");
    if (!started_ && kind->line != Line::Header) throw bad("not a record");
    if (started_ && kind->line == Line::Header) throw bad("a second header");
    (this->*kind->apply)(f);
}

void Record::ignore(const Fields& f) {
    std::string text;
    for (std::size_t i = 0; i < f.size(); ++i) text += (i ? "\t" : "") + f[i];
    ignored.push_back({line_, text});
}

std::optional<std::string> Record::relative(const std::string& absolute) const {
    return plainPartBelow(absolute, folder);
}

std::optional<std::string> Record::pathField(const std::string& field) const {
    if (looksAbsolute(field)) return relative(field);
    if (!plainRelative(field)) return std::nullopt;
    return field;
}

std::optional<std::string> Record::linkName(const std::string& field) const {
    const std::string name = text::fileName(field);
    if (!text::plainName(name)) return std::nullopt;
    if (name != field && !looksAbsolute(field)) return std::nullopt;
    return name;
}

void Record::header(const Fields& f) {
    if (f[1] != "1" && f[1] != "2") throw bad("a record of version " + f[1]);
    if (f[2].size() > 5 || f[2].find_first_not_of("0123456789") != std::string::npos)
        throw bad("code page " + f[2]);
    version = static_cast<unsigned>(std::stoul(f[1]));
    codePage = static_cast<unsigned>(std::stoul(f[2]));
    started_ = true;
}

void Record::onFolder(const Fields& f) {
    // A later folder line tells a move: where it was before stays known.
    if (!folder.empty() && !samePath(folder, f[1]) &&
        std::none_of(earlierFolders.begin(), earlierFolders.end(),
                     [&](const std::string& earlier) { return samePath(earlier, folder); }))
        earlierFolders.push_back(folder);
    folder = normalPath(f[1]);
}

void Record::onLanguage(const Fields& f) { language = f[1]; }

void Record::onRegistered(const Fields& f) {
    auto root = rootNamed(f[1]);
    if (!root) throw bad("no registry root " + f[1]);
    for (const auto& r : registrations)
        if (r.first == *root && text::sameRegistryName(r.second, f[2])) return;
    registrations.push_back({*root, f[2]});
}

void Record::onLinkFolder(const Fields& f) { linkFolder = f[1]; }

void Record::onFileAnnounced(const Fields& f) {
    const bool old = existedBefore(f[2]);
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    bool added = false;
    Item& i = item(Files, *path, added);
    if (added) i.existedBefore = old;
}

// A file, folder or shortcut written whole: the patch's is its own again.
void Record::markWhole(const Fields& f, List l) {
    const bool link = l == Links || l == PatchLinks;
    const auto path = link ? linkName(f[1]) : pathField(f[1]);
    if (!path) return ignore(f);
    bool added = false;
    Item& i = item(l, *path, added);
    i.whole = true;
    i.undone = false;
}

void Record::onFile(const Fields& f) { markWhole(f, Files); }
void Record::onMadeFolder(const Fields& f) { markWhole(f, Folders); }
void Record::onLink(const Fields& f) { markWhole(f, Links); }

void Record::onPatchAnnounced(const Fields& f) {
    const bool old = existedBefore(f[2]);
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    bool added = false;
    Item& i = item(PatchFiles, *path, added);
    // Once the patch's, a file stays the patch's as it first was.
    if (added || i.undone) i = {*path, false, old, false};
}

void Record::onPatch(const Fields& f) { markWhole(f, PatchFiles); }
void Record::onPatchLink(const Fields& f) { markWhole(f, PatchLinks); }

void Record::onOriginal(const Fields& f) {
    const auto target = pathField(f[1]);
    const auto kept = pathField(f[2]);
    if (!target || !kept || !below(*kept, kOwnOriginals)) return ignore(f);
    const bool whole = f[0] == tagOf(Line::Original);
    Original* o = nullptr;
    for (auto& x : originals)
        if (samePath(x.target, *target)) o = &x;
    if (o && o->whole && !o->restored) {
        // A kept original is never replaced by a later copy.
        if (!samePath(o->kept, *kept)) throw bad("a second original of " + f[1]);
        return;
    }
    if (!o) {
        originals.push_back({*target, *kept});
        o = &originals.back();
    }
    *o = {*target, *kept, whole, false};
}

void Record::onNoOriginal(const Fields& f) {
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    for (const auto& u : unavailable)
        if (samePath(u, *path)) return;
    unavailable.push_back(*path);
}

void Record::onRestored(const Fields& f) {
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    bool found = false;
    for (auto& o : originals)
        if (samePath(o.target, *path) && o.whole) {
            o.restored = true;
            found = true;
        }
    if (!found) throw bad("restored without an original: " + f[1]);
    bool added = false;
    item(PatchFiles, *path, added).undone = true;
}

void Record::onUnpatched(const Fields& f) {
    // A file of the patch by its path, or a shortcut by its name.
    auto path = pathField(f[1]);
    if (path && find(PatchFiles, *path)) {
        bool added = false;
        item(PatchFiles, *path, added).undone = true;
        return;
    }
    path = linkName(f[1]);
    if (path && find(PatchLinks, *path)) {
        bool added = false;
        item(PatchLinks, *path, added).undone = true;
        return;
    }
    if (!path) return ignore(f);
    throw bad("unpatched without a patch file: " + f[1]);
}

void Record::onAddOnFile(const Fields& f) {
    const auto named = [&](const auto& file) { return samePath(file, f[1]); };
    if (std::none_of(std::begin(voice::kFiles), std::end(voice::kFiles), named)) return ignore(f);
    if (std::any_of(addOnFiles.begin(), addOnFiles.end(), named)) return;
    addOnFiles.push_back(f[1]);
}

void Record::onAddOnKey(const Fields& f) {
    auto root = rootNamed(f[1]);
    if (!root) throw bad("no registry root " + f[1]);
    const bool isValue = f.size() == 4;
    Key k{*root, f[2], isValue ? f[3] : "", isValue};
    auto& keys = f[0] == tagOf(Line::AddOnKey) || f[0] == tagOf(Line::AddOnValue) ? addOnKeys : addOnOld;
    if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
}

bool Record::patchOnly() const {
    const plat::Path own(kOwnFolder), patchLog(kPatchLog.inFolder);
    // The disc run's log counts as the game's: the run writes it before its first file.
    const auto theGames = [&](const Item& i) {
        const plat::Path path(i.path);
        return !path.below(own) && !(path == patchLog);
    };
    return folders.empty() && links.empty() && std::none_of(files.begin(), files.end(), theGames);
}

const Record::Item* Record::patchFile(const std::string& path) const { return find(PatchFiles, path); }

const Record::Original* Record::activeOriginal(const std::string& target) const {
    for (const auto& o : originals)
        if (o.whole && !o.restored && samePath(o.target, target)) return &o;
    return nullptr;
}

const Record::Item* Record::gameFile(const std::string& path) const { return find(Files, path); }

Parsed parse(const std::string& bytes) {
    Parsed out;
    Record& r = out.record;
    std::size_t start = 0, line = 0;
    while (start < bytes.size()) {
        ++line;
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            out.cutShort = true;  // cut short by a kill: never acted on
            break;
        }
        const std::string text = bytes.substr(start, end - start);
        start = end + 2;
        try {
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
            r.apply(f, line);
            out.lines.push_back(std::move(f));
        } catch (FormatError& e) {
            e.line = line;
            // Without its header the rest cannot be read at all.
            if (line == 1) throw;
            out.damaged.push_back(e);
        }
    }
    if (line == 0 || (line == 1 && out.cutShort)) throw FormatError{1, "not a record"};
    return out;
}

}  // namespace shell::record
