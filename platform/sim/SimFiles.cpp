#include "platform/sim/SimFiles.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace sim::detail {

namespace {

using plat::attr::Archive;
using plat::attr::Directory;
using plat::attr::Normal;
using plat::attr::ReadOnly;
using plat::attr::ReparsePoint;
using plat::attr::VolumeId;

using namespace plat::err;
// Wine's ANSI file calls take one UTF-16 unit more than MAX_PATH less its zero.
constexpr std::size_t kWineMaxPathUnits = 260;

// '*' any run of characters, '?' exactly one.
bool matches(const std::u16string& mask, const std::u16string& name) {
    std::size_t m = 0, n = 0, starM = std::u16string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::u16string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

// A link's own attributes, never its target's: what a walk over a tree
// must see to keep out of it.
std::uint32_t reported(const Node& n) {
    const std::uint32_t own = n.isLink() && !n.listedPlain ? n.attributes | ReparsePoint : n.attributes;
    if (n.folder) return Directory | own;
    return own ? own : Normal;
}

// What an entry may carry of its own; the kind bits follow from the node.
std::uint32_t settable(std::uint32_t attributes) {
    return attributes & ~(Directory | Normal | ReparsePoint | VolumeId);
}

void markGone(Node& n) {
    n.gone = true;
    for (const auto& c : n.children) markGone(*c);
}

std::uint64_t bytesBelow(const Node& n) {
    std::uint64_t total = n.data.size();
    for (const auto& c : n.children) total += bytesBelow(*c);
    return total;
}

}  // namespace

FileSystem::FileSystem() : cp_(&CodePage::get(936)) { addDrive('C', false); }

void FileSystem::setCodePage(const CodePage& cp) {
    cp_ = &cp;
    for (auto& [letter, d] : drives_) rekey(*d.root);
}

void FileSystem::rekey(Node& n) {
    for (auto& c : n.children) {
        c->key = fileNameKey(*cp_, c->name);
        rekey(*c);
    }
}

// ---------------------------------------------------------------- drives

void FileSystem::addDrive(char letter, bool readOnly) {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (letter < 'A' || letter > 'Z') throw std::logic_error("a drive letter is A to Z");
    Drive& d = drives_[letter];
    d.letter = letter;
    d.readOnly = readOnly;
    if (!d.root) {
        d.root = std::make_shared<Node>();
        d.root->folder = true;
    }
}

Drive* FileSystem::drive(char letter) {
    auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == drives_.end() ? nullptr : &it->second;
}

void FileSystem::setCurrentDrive(char letter) {
    if (!drive(letter)) throw std::logic_error(std::string("no drive ") + letter);
    current_ = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

// ---------------------------------------------------------------- names

SplitPath FileSystem::parse(const std::string& path) const {
    SplitPath p;
    p.drive = current_;
    p.empty = path.empty();
    std::size_t i = 0;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        p.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
        i = 2;
    }
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!p.parts.empty()) p.parts.pop_back();
        } else if (part != ".") {
            // Windows drops trailing dots and blanks of a name (a trail byte is never one).
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
            if (!part.empty()) p.parts.push_back(part);
        }
        part.clear();
    };
    while (i < path.size()) {
        std::size_t n = cp_->charLength(path, i);
        if (n == 1 && (path[i] == '\\' || path[i] == '/')) {
            flush();
            p.trailingSeparator = true;
        } else {
            part.append(path, i, n);
            p.trailingSeparator = false;
        }
        i += n;
    }
    flush();
    if (p.parts.empty()) p.trailingSeparator = false;
    return p;
}

Node* FileSystem::through(Node* n, Drive*& d) const {
    if (!n || !n->isLink()) return n;
    auto it = drives_.find(n->targetDrive);
    if (n->target->gone || it == drives_.end()) return nullptr;
    d = const_cast<Drive*>(&it->second);
    return n->target.get();
}

Node* FileSystem::enter(Node* n, Drive*& d) const {
    Drive* to = d;
    n = through(n, to);
    if (!n || !n->folder) return nullptr;
    d = to;
    return n;
}

FileSystem::Resolved FileSystem::resolve(const SplitPath& p) const {
    Resolved r;
    if (p.empty) {
        r.error = PathNotFound;
        return r;
    }
    auto it = drives_.find(p.drive);
    if (it == drives_.end()) {
        // As Wine answers for an unmapped drive: its root is a missing path,
        // a name directly in it a missing file.
        r.error = p.parts.size() == 1 ? FileNotFound : PathNotFound;
        return r;
    }
    r.drive = const_cast<Drive*>(&it->second);
    Node* folder = it->second.root.get();
    if (p.parts.empty()) {
        r.node = folder;
        return r;
    }
    for (std::size_t i = 0; i + 1 < p.parts.size(); ++i) {
        Node* next = enter(named(*folder, p.parts[i]), r.drive);
        if (!next) {
            r.error = PathNotFound;
            return r;
        }
        folder = next;
    }
    r.parent = folder;
    r.node = named(*folder, p.parts.back());
    if (p.trailingSeparator && (!r.node || !r.node->folder)) {
        // "file\" names a folder that is not there.
        r = Resolved{r.drive, nullptr, nullptr, PathNotFound};
    }
    return r;
}

std::string FileSystem::canonical(const std::string& path) const {
    SplitPath p = parse(path);
    auto it = drives_.find(p.drive);
    if (it == drives_.end()) return {};
    std::string out = std::string(1, p.drive) + ":";
    Drive* d = const_cast<Drive*>(&it->second);
    const Node* folder = d->root.get();
    for (const auto& part : p.parts) {
        Node* next = named(*folder, part);
        const Node* into = enter(next, d);
        if (!into) return {};
        out += "\\" + next->name;  // a link's own name: the path goes through it
        folder = into;
    }
    return p.parts.empty() ? out + "\\" : out;
}

std::u16string FileSystem::faultKey(const SplitPath& p) const {
    std::u16string key(1, static_cast<char16_t>(p.drive));
    key += u':';
    for (const auto& part : p.parts) key += u'\\' + fileNameKey(*cp_, part);
    return key;
}

const FileSystem::FaultSpec* FileSystem::fault(Fault f, const std::u16string& key) const {
    auto it = faults_.find({static_cast<int>(f), key});
    return it == faults_.end() ? nullptr : &it->second;
}

void FileSystem::setFault(Fault f, const std::string& path, std::uint32_t code, std::uint32_t offset) {
    faults_[{static_cast<int>(f), faultKey(parse(path))}] = FaultSpec{code, offset};
}

std::shared_ptr<Node> FileSystem::insert(Drive& d, Node& folder, const std::string& name, bool isFolder) {
    auto n = std::make_shared<Node>();
    n->name = name;
    n->key = fileNameKey(*cp_, name);
    n->folder = isFolder;
    n->attributes = isFolder ? 0 : Archive;
    if (!isFolder) stamp(*n);
    attach(d, folder, n);
    return n;
}

void FileSystem::stamp(Node& n) {
    // 2026-01-01 00:00:00 UTC.
    constexpr std::uint64_t kEpoch = 134116992000000000ull;
    ++stamps_;
    n.lastWrite = kEpoch + (clock_ ? *clock_ : 0) * 10000 + stamps_ * 3 * plat::kFileTimeSecond;
}

void FileSystem::attach(Drive& d, Node& folder, std::shared_ptr<Node> n) {
    n->gone = false;
    auto at = folder.children.end();
    if (d.order == DirectoryOrder::Sorted)
        at = std::upper_bound(folder.children.begin(), folder.children.end(), n,
                              [](const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
                                  return a->key < b->key;
                              });
    folder.children.insert(at, std::move(n));
}

void FileSystem::detach(Drive& d, Node& folder, Node* c) {
    d.used -= bytesBelow(*c);
    markGone(*c);
    folder.children.erase(std::find_if(folder.children.begin(), folder.children.end(),
                                       [c](const std::shared_ptr<Node>& x) { return x.get() == c; }));
}

// ---------------------------------------------------------------- test side

Node* FileSystem::makeParents(Drive*& d, const std::vector<std::string>& parts, const std::string& path) {
    Node* folder = d->root.get();
    for (const auto& part : parts) {
        Node* next = named(*folder, part);
        if (next && !(next = enter(next, d))) throw std::logic_error(path + ": a file is in the way");
        folder = next ? next : insert(*d, *folder, part, true).get();
    }
    return folder;
}

void FileSystem::makeFolders(const std::string& path) {
    SplitPath p = parse(path);
    Drive* d = drive(p.drive);
    if (!d) throw std::logic_error("no drive for " + path);
    makeParents(d, p.parts, path);
}

Node* FileSystem::makeParentsOf(const std::string& path, Drive*& d, std::string& leaf) {
    SplitPath p = parse(path);
    d = drive(p.drive);
    if (!d || p.parts.empty()) throw std::logic_error("not a path of a file or link: " + path);
    leaf = p.parts.back();
    p.parts.pop_back();
    return makeParents(d, p.parts, path);
}

void FileSystem::put(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    Drive* d = nullptr;
    std::string leaf;
    Node* folder = makeParentsOf(path, d, leaf);
    Node* n = named(*folder, leaf);
    if (n && !(n = through(n, d))) throw std::logic_error(path + " is a link that leads nowhere");
    if (n && n->folder) throw std::logic_error(path + " is a folder");
    if (!n) n = insert(*d, *folder, leaf, false).get();
    d->used += bytes.size();
    d->used -= n->data.size();
    n->data = bytes;
    n->attributes = settable(attributes);
    stamp(*n);
}

void FileSystem::link(const std::string& path, const std::string& target, bool listedPlain) {
    Resolved t = resolve(parse(target));
    if (t.error || !t.node) throw std::logic_error("no file or folder " + target + " to link to");
    std::shared_ptr<Node> shared;
    if (t.node->isLink())
        shared = t.node->target;  // a link to a link leads to the last one's target
    else if (!t.parent)
        shared = t.drive->root;
    else
        for (const auto& c : t.parent->children)
            if (c.get() == t.node) shared = c;
    Drive* targetDrive = t.drive;
    if (!through(t.node, targetDrive)) throw std::logic_error(target + " is a link that leads nowhere");

    Drive* d = nullptr;
    std::string leaf;
    Node* folder = makeParentsOf(path, d, leaf);
    if (named(*folder, leaf)) throw std::logic_error(path + " exists");
    auto n = std::make_shared<Node>();
    n->name = leaf;
    n->key = fileNameKey(*cp_, leaf);
    n->folder = shared->folder;
    n->attributes = shared->folder ? 0 : Archive;
    n->target = shared;
    n->targetDrive = targetDrive->letter;
    finalPath(target, n->targetPath);
    n->listedPlain = listedPlain && !shared->folder;
    stamp(*n);
    attach(*d, *folder, n);
}

const Node* FileSystem::find(const std::string& path) const {
    Resolved r = resolve(parse(path));
    return r.error ? nullptr : r.node;
}

Node* FileSystem::find(const std::string& path) {
    return const_cast<Node*>(static_cast<const FileSystem*>(this)->find(path));
}

const Node* FileSystem::findThrough(const std::string& path) const {
    Resolved r = resolve(parse(path));
    return r.error ? nullptr : through(r.node, r.drive);
}

Node* FileSystem::findThrough(const std::string& path) {
    return const_cast<Node*>(static_cast<const FileSystem*>(this)->findThrough(path));
}

bool FileSystem::removeEntry(const std::string& path) {
    Resolved r = resolve(parse(path));
    if (r.error || !r.node || !r.parent) return false;
    detach(*r.drive, *r.parent, r.node);
    return true;
}

// ---------------------------------------------------------------- seam operations

std::size_t FileSystem::utf16Length(const std::string& path) const { return cp_->toUnicode(path).size(); }

std::uint32_t FileSystem::lengthError(const std::string& path) const {
    return utf16Length(path) > kWineMaxPathUnits ? FileNameTooLong : 0;
}

std::uint32_t FileSystem::attributesOf(const std::string& path, std::uint32_t& attributes) const {
    if (std::uint32_t e = lengthError(path)) return e;
    Resolved r = resolve(parse(path));
    if (r.error) return r.error;
    if (!r.node) return FileNotFound;
    attributes = reported(*r.node);
    return 0;
}

std::uint32_t FileSystem::findAll(const std::string& pattern, std::vector<plat::FindData>& out) const {
    out.clear();
    if (std::uint32_t e = lengthError(pattern)) return e;
    SplitPath p = parse(pattern);
    if (p.parts.empty() || p.trailingSeparator) {
        // No name to match: Wine finds nothing in an existing folder.
        Resolved r = resolve(p);
        return r.error ? r.error : FileNotFound;
    }
    std::string mask = p.parts.back();
    p.parts.pop_back();
    Resolved r = resolve(p);
    if (r.error) return r.error;
    const Node* folder = enter(r.node, r.drive);
    if (!folder) return PathNotFound;
    // "*.*" matches names without a dot too.
    std::u16string maskKey = mask == "*.*" ? u"*" : fileNameKey(*cp_, mask);
    if (!p.parts.empty())
        for (const char* dots : {".", ".."})
            if (matches(maskKey, fileNameKey(*cp_, dots))) out.push_back({dots, Directory, 0});
    for (const auto& c : folder->children) {
        bool hit = matches(maskKey, c->key);
        if (!hit) {
            std::u16string wide = cp_->toUnicode(c->name);
            hit = !legal8dot3(wide) && matches(maskKey, shortName(wide));
        }
        if (hit)
            out.push_back({c->name, reported(*c), static_cast<std::uint32_t>(c->data.size())});
    }
    return out.empty() ? FileNotFound : 0;
}

std::uint32_t FileSystem::createFolder(const std::string& path) {
    if (std::uint32_t e = lengthError(path)) return e;
    SplitPath p = parse(path);
    if (const FaultSpec* f = fault(Fault::CreateFolder, faultKey(p))) return f->code;
    Resolved r = resolve(p);
    if (r.error) return r.error;
    if (r.node) return AlreadyExists;
    if (r.drive->readOnly) return WriteProtect;
    insert(*r.drive, *r.parent, p.parts.back(), true);
    return 0;
}

std::uint32_t FileSystem::deleteFile(const std::string& path) {
    if (std::uint32_t e = lengthError(path)) return e;
    SplitPath p = parse(path);
    if (const FaultSpec* f = fault(Fault::Delete, faultKey(p))) return f->code;
    Resolved r = resolve(p);
    if (r.error) return r.error;
    if (!r.node) return FileNotFound;
    if (r.node->folder) return AccessDenied;
    // Wine's DeleteFile on a Unix symbolic link to a file takes the target.
    if (r.node->listedPlain && !r.node->target->gone) r = resolve(parse(r.node->targetPath));
    if (r.error || !r.node) return r.error ? r.error : FileNotFound;
    if (r.node->openCount || r.node->locked) return SharingViolation;
    if (r.drive->readOnly) return WriteProtect;
    if (r.node->attributes & ReadOnly) return AccessDenied;
    detach(*r.drive, *r.parent, r.node);
    return 0;
}

std::uint32_t FileSystem::removeFolder(const std::string& path) {
    if (std::uint32_t e = lengthError(path)) return e;
    SplitPath p = parse(path);
    if (const FaultSpec* f = fault(Fault::Delete, faultKey(p))) return f->code;
    Resolved r = resolve(p);
    if (r.error) return r.error;
    if (!r.node) return FileNotFound;
    if (!r.node->folder) return DirectoryName;
    if (!r.parent) return AccessDenied;  // a drive's root
    if (!r.node->children.empty()) return DirNotEmpty;
    if (r.drive->readOnly) return WriteProtect;
    if (r.node->attributes & ReadOnly) return AccessDenied;
    detach(*r.drive, *r.parent, r.node);
    return 0;
}

std::uint32_t FileSystem::move(const std::string& from, const std::string& to) {
    if (std::uint32_t e = lengthError(from)) return e;
    if (std::uint32_t e = lengthError(to)) return e;
    SplitPath pf = parse(from), pt = parse(to);
    if (const FaultSpec* f = fault(Fault::Move, faultKey(pt))) return f->code;
    Resolved rf = resolve(pf);
    if (rf.error) return rf.error;
    if (!rf.node) return FileNotFound;
    if (rf.node->folder || !rf.parent) return AccessDenied;  // files only
    if (rf.node->openCount || rf.node->locked) return SharingViolation;
    Resolved rt = resolve(pt);
    if (rt.error) return rt.error;
    if (!rt.parent) return AccessDenied;
    if (rt.drive != rf.drive) return NotSameDevice;
    if (rt.node == rf.node) return 0;
    if (rf.drive->readOnly) return WriteProtect;
    if (rt.node) {
        // As Wine answers for a target that another handle holds: access denied.
        if (rt.node->folder || rt.node->openCount || rt.node->locked || (rt.node->attributes & ReadOnly))
            return AccessDenied;
        detach(*rt.drive, *rt.parent, rt.node);
    }
    std::shared_ptr<Node> moving;
    for (const auto& c : rf.parent->children)
        if (c.get() == rf.node) moving = c;
    detach(*rf.drive, *rf.parent, rf.node);
    rf.drive->used += moving->data.size();  // it stays on the drive
    moving->name = pt.parts.back();
    moving->key = fileNameKey(*cp_, moving->name);
    attach(*rt.drive, *rt.parent, moving);
    return 0;
}

std::uint32_t FileSystem::freeSpace(const std::string& folder, std::uint64_t& bytes) const {
    if (std::uint32_t e = lengthError(folder)) return e;
    Resolved r = resolve(parse(folder));
    if (r.error) return r.error;
    if (!enter(r.node, r.drive)) return PathNotFound;
    const Drive& d = *r.drive;
    bytes = d.capacity == 0 ? UINT64_MAX : d.capacity > d.used ? d.capacity - d.used : 0;
    return 0;
}

// ---------------------------------------------------------------- resume, drives and run logs

std::uint32_t FileSystem::stampOf(const std::string& path, plat::FileStamp& out) const {
    if (std::uint32_t e = lengthError(path)) return e;
    Resolved r = resolve(parse(path));
    if (r.error) return r.error;
    if (!r.node) return FileNotFound;
    if (r.node->folder) return AccessDenied;
    out.size = r.node->data.size();
    out.lastWrite = r.node->lastWrite;
    return 0;
}

std::uint32_t FileSystem::setLastWrite(const std::string& path, std::uint64_t lastWrite) {
    if (std::uint32_t e = lengthError(path)) return e;
    Resolved r = resolve(parse(path));
    if (r.error) return r.error;
    // The file is opened for it, so a link's target takes the time.
    Node* n = through(r.node, r.drive);
    if (!n) return FileNotFound;
    if (n->folder) return AccessDenied;
    // Asking for the attributes only is no use of the data: no sharing applies.
    if (r.drive->readOnly) return WriteProtect;
    n->lastWrite = lastWrite;
    return 0;
}

std::uint32_t FileSystem::setAttributes(const std::string& path, std::uint32_t attributes) {
    if (std::uint32_t e = lengthError(path)) return e;
    Resolved r = resolve(parse(path));
    if (r.error) return r.error;
    if (!r.node) return FileNotFound;
    if (r.drive->readOnly) return WriteProtect;
    r.node->attributes = settable(attributes);
    return 0;
}

std::uint32_t FileSystem::clusterOf(const std::string& folder, std::uint32_t& bytes) const {
    if (std::uint32_t e = lengthError(folder)) return e;
    Resolved r = resolve(parse(folder));
    if (r.error) return r.error;
    if (!enter(r.node, r.drive)) return PathNotFound;
    bytes = r.drive->cluster;
    return 0;
}

std::uint32_t FileSystem::driveMask() const {
    std::uint32_t mask = 0;
    for (const auto& [letter, d] : drives_) mask |= 1u << (letter - 'A');
    return mask;
}

plat::DriveType FileSystem::typeOf(char letter) const {
    auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == drives_.end() ? plat::DriveType::NoRootDir : it->second.type;
}

}  // namespace sim::detail
