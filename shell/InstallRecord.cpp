#include "shell/InstallRecord.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "payload/Payload.h"
#include "platform/AnsiText.h"
#include "platform/Path.h"
#include "platform/Registry.h"
#include "shell/FileNames.h"

namespace shell::record {

namespace {

const char kMagic[] = "LUNAVIRE-RECORD";
// 1: absolute paths; 2: paths relative to the game folder.
constexpr unsigned kVersion = 2;

// A field of decimal digits alone (at most 19), or of eight hexadecimal ones.
std::optional<std::uint64_t> decimal(const std::string& s) {
    if (s.empty() || s.size() > 19 || s.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoull(s);
}
std::optional<std::uint32_t> hex32(const std::string& s) {
    if (s.size() != 8 || s.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(s, nullptr, 16));
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

bool looksAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

}  // namespace

plat::Path uninstallFolder(const plat::Path& install) { return install / kFolderName; }
plat::Path recordPath(const plat::Path& install) { return uninstallFolder(install) / kFileName; }
plat::Path programPath(const plat::Path& install) { return uninstallFolder(install) / kProgramName; }
plat::Path originalsFolder(const plat::Path& install) { return uninstallFolder(install) / kOriginalsName; }

std::uint32_t crc32(const std::string& bytes) { return payload::crc32(0, bytes.data(), bytes.size()); }

std::string encodeLine(const Fields& fields) {
    std::string body;
    for (std::size_t i = 0; i < fields.size(); ++i) body += (i ? "\t" : "") + fields[i];
    return hex8(crc32(body)) + " " + body + "\r\n";
}

Fields fields(Line kind, std::vector<std::string> values) {
    values.insert(values.begin(), tagOf(kind));
    return values;
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

std::optional<plat::Path> plainBelow(const plat::Path& path, const plat::Path& folder) {
    // A drive's root holds nothing of a game: no game lies there.
    if (folder.parent().empty() && folder.absolute()) return std::nullopt;
    auto inside = path.relativeTo(folder);
    if (!inside || !plainRelative(*inside)) return std::nullopt;
    return plat::Path(*inside);
}

bool unsafeFolder(const plat::Path& game, const plat::Path& windows) {
    // A drive's root, or no absolute folder at all.
    if (!game.absolute() || game.parent().empty()) return true;
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

// One per Line, in the enumeration's order (checked below): the tag of a
// kind is its entry's.
constexpr Record::Kind Record::kKinds[] = {
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
    {Line::FileDigest, "file-sum", 3, &Record::onDigest},
    {Line::PatchDigest, "patch-sum", 4, &Record::onDigest},
};

namespace {

template <class Kinds>
constexpr bool oneForEachLineInOrder(const Kinds& kinds) {
    std::size_t i = 0;
    for (const auto& k : kinds)
        if (k.line != static_cast<Line>(i++)) return false;
    return i == kLineKinds;
}

}  // namespace

const char* tagOf(Line kind) {
    static_assert(oneForEachLineInOrder(Record::kKinds), "the line kinds and their table disagree");
    return Record::kKinds[static_cast<std::size_t>(kind)].tag;
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
        case PatchLinks: return patchLinks;
        case kLists: break;
    }
    throw std::logic_error("no list " + std::to_string(l));
}

Record::Item& Record::item(List l, const plat::Path& path, bool& added) {
    auto& items = list(l);
    auto [it, inserted] = index_[l].emplace(path.key(), items.size());
    added = inserted;
    if (inserted) {
        items.emplace_back();
        items.back().path = path;
    }
    return items[it->second];
}

const Record::Item* Record::find(List l, const plat::Path& path) const {
    auto it = index_[l].find(path.key());
    if (it == index_[l].end()) return nullptr;
    return &const_cast<Record*>(this)->list(l)[it->second];
}

std::vector<Fields> Record::begin(const plat::Path& installFolder, unsigned codePage) {
    return {{kMagic, std::to_string(kVersion), std::to_string(codePage)}, {"folder", installFolder.text()}};
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

std::optional<plat::Path> Record::relative(const plat::Path& absolute) const {
    return plainBelow(absolute, folder);
}

std::optional<plat::Path> Record::pathField(const std::string& field) const {
    // A path ending in a separator names no file.
    if (looksAbsolute(field)) return text::endsWith(field, '\\') ? std::nullopt : relative(plat::Path(field));
    if (!plainRelative(field)) return std::nullopt;
    return plat::Path(field);
}

std::optional<plat::Path> Record::linkName(const std::string& field) const {
    const std::string name = text::fileName(field);
    if (!text::plainName(name)) return std::nullopt;
    if (name != field && !looksAbsolute(field)) return std::nullopt;
    return plat::Path(name);
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
    const plat::Path named(f[1]);
    if (!folder.empty() && folder != named &&
        std::find(earlierFolders.begin(), earlierFolders.end(), folder) == earlierFolders.end())
        earlierFolders.push_back(folder);
    folder = named;
}

void Record::onLanguage(const Fields& f) { language = f[1]; }

void Record::onRegistered(const Fields& f) {
    auto root = rootNamed(f[1]);
    if (!root) throw bad("no registry root " + f[1]);
    for (const auto& r : registrations)
        if (r.first == *root && text::sameRegistryName(r.second, f[2])) return;
    registrations.push_back({*root, f[2]});
}

void Record::onLinkFolder(const Fields& f) { linkFolder = plat::Path(f[1]); }

void Record::onFileAnnounced(const Fields& f) {
    const bool old = existedBefore(f[2]);
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    bool added = false;
    Item& i = item(Files, *path, added);
    if (added) i.existedBefore = old;
    i.digest.reset();  // written again: what it held is no longer known
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
    if (added || i.undone) i = {*path, false, old, false, std::nullopt, {}};
    i.digest.reset();
}

void Record::onPatch(const Fields& f) { markWhole(f, PatchFiles); }
void Record::onPatchLink(const Fields& f) { markWhole(f, PatchLinks); }

void Record::onOriginal(const Fields& f) {
    const auto target = pathField(f[1]);
    const auto kept = pathField(f[2]);
    if (!target || !kept || !plainBelow(*kept, plat::Path(kOwnOriginals))) return ignore(f);
    const bool whole = f[0] == tagOf(Line::Original);
    Original* o = nullptr;
    for (auto& x : originals)
        if (x.target == *target) o = &x;
    if (o && o->whole && !o->restored) {
        // A kept original is never replaced by a later copy.
        if (o->kept != *kept) throw bad("a second original of " + f[1]);
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
    if (std::find(unavailable.begin(), unavailable.end(), *path) == unavailable.end()) unavailable.push_back(*path);
}

void Record::onRestored(const Fields& f) {
    const auto path = pathField(f[1]);
    if (!path) return ignore(f);
    bool found = false;
    for (auto& o : originals)
        if (o.target == *path && o.whole) {
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

// A digest follows its file's line: it is taken only for a file on the
// record that is whole.
void Record::onDigest(const Fields& f) {
    const auto path = pathField(f[1]);
    const auto size = decimal(f[2]);
    const auto crc = hex32(f[3]);
    if (!size || !crc) throw bad("a digest of " + f[1] + " that does not read");
    const bool patch = f[0] == tagOf(Line::PatchDigest);
    if (!path) return ignore(f);
    const Item* known = find(patch ? PatchFiles : Files, *path);
    if (!known || !known->whole) return ignore(f);
    bool added = false;
    Item& i = item(patch ? PatchFiles : Files, *path, added);
    i.digest = Digest{*size, *crc};
    if (patch) i.payload = f[4];
}

void Record::onAddOnFile(const Fields& f) {
    const plat::Path file(f[1]);
    const auto named = [&](const auto& other) { return plat::Path(other) == file; };
    if (std::none_of(std::begin(voice::kFiles), std::end(voice::kFiles), named)) return ignore(f);
    if (std::any_of(addOnFiles.begin(), addOnFiles.end(), named)) return;
    addOnFiles.push_back(file);
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
    const auto theGames = [&](const Item& i) { return !i.path.below(own) && i.path != patchLog; };
    return folders.empty() && links.empty() && std::none_of(files.begin(), files.end(), theGames);
}

const Record::Item* Record::patchFile(const plat::Path& path) const { return find(PatchFiles, path); }

const Record::Original* Record::activeOriginal(const plat::Path& target) const {
    for (const auto& o : originals)
        if (o.whole && !o.restored && o.target == target) return &o;
    return nullptr;
}

const Record::Item* Record::gameFile(const plat::Path& path) const { return find(Files, path); }

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
