// Files: the test's side (arranging, inspecting, faults) and the files
// slice, with file stamps, names' keys and profile strings.
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/sim/ErrorTexts.h"
#include "platform/sim/SimImpl.h"
#include "platform/sim/SimProfile.h"

namespace sim {

using detail::Fault;
using detail::OpenMode;

namespace {

class SimSearch : public plat::DirSearch {
public:
    explicit SimSearch(std::vector<plat::FindData> entries) : entries_(std::move(entries)) {}
    bool next(plat::FindData& out) override {
        if (index_ >= entries_.size()) return false;
        out = entries_[index_++];
        return true;
    }

private:
    std::vector<plat::FindData> entries_;
    std::size_t index_ = 1;  // the first went to findFirst
};


plat::SysError openWith(detail::FileSystem& fs, const plat::Path& path, OpenMode mode, plat::FileHandle& out) {
    plat::FileHandle h = plat::kNoFile;
    std::uint32_t success = 0;
    const std::uint32_t e = fs.open(path.text(), mode, h, success);
    out = e ? plat::kNoFile : h;
    return plat::SysError(e);
}

plat::SysError sys(std::uint32_t e) { return plat::SysError(e); }

}  // namespace

// ---------------------------------------------------------------- drives and files (test side)

void SimPlatform::writeFile(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    d_->fs.put(path, bytes, attributes);
}

void SimPlatform::makeFolder(const std::string& path) { d_->fs.makeFolders(path); }

std::optional<std::string> SimPlatform::readFile(const std::string& path) const {
    const detail::Node* n = d_->fs.findThrough(path);
    if (!n || n->folder) return std::nullopt;
    return n->data;
}

bool SimPlatform::exists(const std::string& path) const { return d_->fs.find(path) != nullptr; }

std::uint32_t SimPlatform::attributes(const std::string& path) const {
    std::uint32_t a = kInvalidAttributes;
    return d_->fs.attributesOf(path, a) ? kInvalidAttributes : a;
}

void SimPlatform::setAttributes(const std::string& path, std::uint32_t attributes) {
    detail::Node* n = d_->fs.find(path);
    if (!n) throw std::logic_error("no file or folder " + path);
    n->attributes = attributes & ~(plat::attr::Directory | plat::attr::Normal | plat::attr::ReparsePoint);
}

void SimPlatform::linkFolder(const std::string& path, const std::string& targetFolder) {
    const detail::Node* target = d_->fs.findThrough(targetFolder);
    if (!target || !target->folder) throw std::logic_error("no folder " + targetFolder + " to link to");
    d_->fs.link(path, targetFolder);
}

void SimPlatform::linkFile(const std::string& path, const std::string& targetFile, FileLink kind) {
    const detail::Node* target = d_->fs.findThrough(targetFile);
    if (!target || target->folder) throw std::logic_error("no file " + targetFile + " to link to");
    d_->fs.link(path, targetFile, kind == FileLink::WineUnix);
}

bool SimPlatform::remove(const std::string& path) { return d_->fs.removeEntry(path); }

std::string SimPlatform::shortNameOf(const std::string& path) const {
    const detail::Node* n = d_->fs.find(path);
    if (!n) throw std::logic_error("no file or folder " + path);
    const std::u16string wide = d_->cp->toUnicode(n->name);
    return detail::legal8dot3(wide) ? n->name : d_->cp->fromUnicode(detail::shortName(wide));
}

std::vector<std::string> SimPlatform::listNames(const std::string& folder) const {
    const detail::Node* n = d_->fs.findThrough(folder);
    if (!n || !n->folder) throw std::logic_error("no folder " + folder);
    std::vector<std::string> names;
    for (const auto& c : n->children) names.push_back(c->name);
    return names;
}

void SimPlatform::lockFile(const std::string& path) {
    detail::Node* n = d_->fs.findThrough(path);
    if (!n || n->folder) throw std::logic_error("no file " + path + " to lock");
    n->locked = true;
}

void SimPlatform::unlockFile(const std::string& path) {
    if (detail::Node* n = d_->fs.findThrough(path)) n->locked = false;
}

std::size_t SimPlatform::openHandles() const { return d_->fs.openHandles(); }

// ---------------------------------------------------------------- faults

void SimPlatform::failReadAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code) {
    d_->fs.setFault(Fault::Read, path, code, byteOffset);
}
void SimPlatform::failWriteAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code) {
    d_->fs.setFault(Fault::Write, path, code, byteOffset);
}
void SimPlatform::failCreateFolder(const std::string& path, std::uint32_t code) {
    d_->fs.setFault(Fault::CreateFolder, path, code);
}
void SimPlatform::failDelete(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Delete, path, code); }
void SimPlatform::failCreate(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Create, path, code); }
void SimPlatform::failOpen(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Open, path, code); }
void SimPlatform::failSize(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Size, path, code); }
void SimPlatform::failSeek(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Seek, path, code); }
void SimPlatform::failMove(const std::string& to, std::uint32_t code) { d_->fs.setFault(Fault::Move, to, code); }
void SimPlatform::clearFaults() { d_->fs.clearFaults(); }

// ---------------------------------------------------------------- file system (seam)

bool SimPlatform::fileExists(const plat::Path& path) {
    std::uint32_t a = 0;
    return d_->fs.attributesOf(path.text(), a) == 0 && !(a & plat::attr::Directory);
}

bool SimPlatform::folderExists(const plat::Path& path) {
    std::uint32_t a = 0;
    return d_->fs.attributesOf(path.text(), a) == 0 && (a & plat::attr::Directory) != 0;
}

plat::SysError SimPlatform::findFirst(const plat::Path& pattern, plat::FindData& first,
                                      std::unique_ptr<plat::DirSearch>& search) {
    search.reset();
    std::vector<plat::FindData> entries;
    if (std::uint32_t e = d_->fs.findAll(pattern.text(), entries)) return sys(e);
    first = entries.front();
    search = std::make_unique<SimSearch>(std::move(entries));
    return plat::kOk;
}

plat::SysError SimPlatform::createFolder(const plat::Path& path) { return sys(d_->fs.createFolder(path.text())); }
plat::SysError SimPlatform::deleteFile(const plat::Path& path) { return sys(d_->fs.deleteFile(path.text())); }

bool SimPlatform::sameFile(const plat::Path& a, const plat::Path& b) {
    // As the file calls see them: a path they do not take names nothing.
    std::uint32_t attributes = 0;
    if (d_->fs.attributesOf(a.text(), attributes) || d_->fs.attributesOf(b.text(), attributes)) return false;
    // Both opened: a link and its target are one file.
    const detail::Node* x = d_->fs.findThrough(a.text());
    return x && !x->folder && x == d_->fs.findThrough(b.text());
}

plat::SysError SimPlatform::finalPath(const plat::Path& path, plat::Path& out) {
    std::string text;
    const std::uint32_t e = d_->fs.finalPath(path.text(), text);
    if (!e) out = plat::Path(text);
    return sys(e);
}

plat::SysError SimPlatform::longPath(const plat::Path& path, plat::Path& out) {
    std::string text;
    const std::uint32_t e = d_->fs.longPath(path.text(), text);
    if (!e) out = plat::Path(text);
    return sys(e);
}

plat::SysError SimPlatform::moveReplacing(const plat::Path& from, const plat::Path& to) {
    return sys(d_->fs.move(from.text(), to.text()));
}

bool SimPlatform::pathFits(const plat::Path& path) { return d_->fs.utf16Length(path.text()) <= plat::kMaxPathUnits; }

plat::SysError SimPlatform::openRead(const plat::Path& path, plat::FileHandle& out) {
    return openWith(d_->fs, path, OpenMode::Read, out);
}
plat::SysError SimPlatform::createNew(const plat::Path& path, plat::FileHandle& out) {
    return openWith(d_->fs, path, OpenMode::CreateNew, out);
}
plat::SysError SimPlatform::openWrite(const plat::Path& path, plat::FileHandle& out) {
    return openWith(d_->fs, path, OpenMode::Write, out);
}
plat::SysError SimPlatform::createAlways(const plat::Path& path, plat::FileHandle& out) {
    return openWith(d_->fs, path, OpenMode::CreateAlways, out);
}

plat::SysError SimPlatform::readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) {
    return sys(d_->fs.read(h, buffer, count, done));
}

plat::SysError SimPlatform::writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count,
                                      std::uint32_t& done) {
    return sys(d_->fs.write(h, buffer, count, done));
}

plat::SysError SimPlatform::seekFromStart(plat::FileHandle h, std::uint64_t position) {
    return sys(d_->fs.seek(h, position));
}

plat::SysError SimPlatform::fileSize(plat::FileHandle h, std::uint32_t& low) { return sys(d_->fs.size(h, low)); }

void SimPlatform::closeFile(plat::FileHandle h) { d_->fs.close(h); }

// ---------------------------------------------------------------- profile strings

std::string SimPlatform::profileString(const plat::Path& file, const std::string& section, const std::string& key,
                                       const std::string& def) {
    // A bare file name lives in the Windows folder.
    const std::string& name = file.text();
    const std::string path = name.find_first_of("\\/:") == std::string::npos ? "C:\\Windows\\" + name : name;
    std::string bytes;
    if (d_->fs.readWhole(path, bytes)) return detail::profileDefault(*d_->cp, def);
    return detail::profileLookup(*d_->cp, bytes, section, key, def);
}

plat::SysError SimPlatform::copyFile(const plat::Path& from, const plat::Path& to) {
    return sys(d_->fs.copy(from.text(), to.text()));
}

plat::SysError SimPlatform::setFileAttributes(const plat::Path& path, std::uint32_t attributes) {
    return sys(d_->fs.setAttributes(path.text(), attributes));
}

const std::vector<std::string>& SimPlatform::restartDeletes() const { return d_->restartDeletes; }

plat::SysError SimPlatform::deleteAtRestart(const plat::Path& path) {
    if (d_->restartDenied) return sys(plat::err::AccessDenied);
    d_->restartDeletes.push_back(path.text());
    return plat::kOk;
}

void SimPlatform::denyRestartDeletes(bool deny) { d_->restartDenied = deny; }

plat::SysError SimPlatform::removeFolder(const plat::Path& path) {
    // The program's own current folder is held open, as Windows holds it.
    if (!d_->currentFolder.empty() && detail::folderKey(*d_->cp, path.text()) == d_->currentFolder &&
        folderExists(path))
        return sys(plat::err::SharingViolation);
    return sys(d_->fs.removeFolder(path.text()));
}

std::string SimPlatform::nameKey(const std::string& text) { return detail::utf16ToUtf8(detail::fileNameKey(*d_->cp, text)); }

plat::SysError SimPlatform::setLastWriteTime(const plat::Path& path, std::uint64_t lastWrite) {
    return sys(d_->fs.setLastWrite(path.text(), lastWrite));
}

plat::SysError SimPlatform::fileStamp(const plat::Path& path, plat::FileStamp& out) {
    return sys(d_->fs.stampOf(path.text(), out));
}

void SimPlatform::setFileTime(const std::string& path, std::uint64_t lastWrite) {
    detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) throw std::logic_error("no file " + path);
    n->lastWrite = lastWrite;
}

std::uint64_t SimPlatform::fileTime(const std::string& path) const {
    const detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) throw std::logic_error("no file " + path);
    return n->lastWrite;
}

}  // namespace sim
