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
using detail::setLastError;

namespace {

class SimSearch : public plat::DirSearch {
public:
    explicit SimSearch(std::vector<plat::FindData> entries) : entries_(std::move(entries)) {}
    bool next(plat::FindData& out) override {
        if (index_ >= entries_.size()) {
            setLastError(18);  // ERROR_NO_MORE_FILES
            return false;
        }
        out = entries_[index_++];
        return true;
    }

private:
    std::vector<plat::FindData> entries_;
    std::size_t index_ = 1;  // the first went to findFirst
};


plat::FileHandle openWith(detail::FileSystem& fs, const std::string& path, OpenMode mode) {
    plat::FileHandle h = plat::kNoFile;
    std::uint32_t success = 0;
    std::uint32_t e = fs.open(path, mode, h, success);
    setLastError(e ? e : success);
    return e ? plat::kNoFile : h;
}

// The seam's result for a file-system code: true on success, else false
// with the code left as the thread's last error.
bool succeeded(std::uint32_t e) {
    if (e) setLastError(e);
    return !e;
}

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

bool SimPlatform::fileExists(const std::string& path) {
    std::uint32_t a = 0;
    return succeeded(d_->fs.attributesOf(path, a)) && !(a & plat::attr::Directory);
}

bool SimPlatform::folderExists(const std::string& path) {
    std::uint32_t a = 0;
    return succeeded(d_->fs.attributesOf(path, a)) && (a & plat::attr::Directory) != 0;
}

std::unique_ptr<plat::DirSearch> SimPlatform::findFirst(const std::string& pattern, plat::FindData& first) {
    std::vector<plat::FindData> entries;
    if (!succeeded(d_->fs.findAll(pattern, entries))) return nullptr;
    first = entries.front();
    return std::make_unique<SimSearch>(std::move(entries));
}

bool SimPlatform::createFolder(const std::string& path) { return succeeded(d_->fs.createFolder(path)); }
bool SimPlatform::deleteFile(const std::string& path) { return succeeded(d_->fs.deleteFile(path)); }

bool SimPlatform::sameFile(const std::string& a, const std::string& b) {
    // As the file calls see them: a path they do not take names nothing.
    std::uint32_t attributes = 0;
    if (d_->fs.attributesOf(a, attributes) || d_->fs.attributesOf(b, attributes)) return false;
    // Both opened: a link and its target are one file.
    const detail::Node* x = d_->fs.findThrough(a);
    return x && !x->folder && x == d_->fs.findThrough(b);
}

bool SimPlatform::finalPath(const std::string& path, std::string& out) {
    return succeeded(d_->fs.finalPath(path, out));
}

bool SimPlatform::longPath(const std::string& path, std::string& out) {
    return succeeded(d_->fs.longPath(path, out));
}

bool SimPlatform::moveReplacing(const std::string& from, const std::string& to) {
    return succeeded(d_->fs.move(from, to));
}

bool SimPlatform::pathFits(const std::string& path) { return d_->fs.utf16Length(path) <= plat::kMaxPathUnits; }

plat::FileHandle SimPlatform::openRead(const std::string& path) { return openWith(d_->fs, path, OpenMode::Read); }
plat::FileHandle SimPlatform::createNew(const std::string& path) {
    return openWith(d_->fs, path, OpenMode::CreateNew);
}
plat::FileHandle SimPlatform::openWrite(const std::string& path) { return openWith(d_->fs, path, OpenMode::Write); }
plat::FileHandle SimPlatform::createAlways(const std::string& path) {
    return openWith(d_->fs, path, OpenMode::CreateAlways);
}

bool SimPlatform::readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) {
    return succeeded(d_->fs.read(h, buffer, count, done));
}

bool SimPlatform::writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) {
    return succeeded(d_->fs.write(h, buffer, count, done));
}

bool SimPlatform::seekFromStart(plat::FileHandle h, std::uint64_t position) {
    return succeeded(d_->fs.seek(h, position));
}

bool SimPlatform::fileSize(plat::FileHandle h, std::uint32_t& low) { return succeeded(d_->fs.size(h, low)); }

void SimPlatform::closeFile(plat::FileHandle h) { succeeded(d_->fs.close(h)); }

// ---------------------------------------------------------------- profile strings

std::string SimPlatform::profileString(const std::string& file, const std::string& section, const std::string& key,
                                       const std::string& def) {
    // A bare file name lives in the Windows folder.
    std::string path = file.find_first_of("\\/:") == std::string::npos ? "C:\\Windows\\" + file : file;
    std::string bytes;
    std::uint32_t error = 0;
    std::string value;
    if (std::uint32_t e = d_->fs.readWhole(path, bytes)) {
        value = detail::profileDefault(*d_->cp, def, error);
        error = e;
    } else {
        value = detail::profileLookup(*d_->cp, bytes, section, key, def, error);
    }
    setLastError(error);
    return value;
}

bool SimPlatform::copyFile(const std::string& from, const std::string& to) { return detail::reported(d_->fs.copy(from, to)); }

bool SimPlatform::setFileAttributes(const std::string& path, std::uint32_t attributes) {
    return detail::reported(d_->fs.setAttributes(path, attributes));
}

const std::vector<std::string>& SimPlatform::restartDeletes() const { return d_->restartDeletes; }

bool SimPlatform::deleteAtRestart(const std::string& path) {
    if (d_->restartDenied) return detail::reported(plat::err::AccessDenied);
    d_->restartDeletes.push_back(path);
    return detail::reported(0);
}

void SimPlatform::denyRestartDeletes(bool deny) { d_->restartDenied = deny; }

bool SimPlatform::removeFolder(const std::string& path) {
    // The program's own current folder is held open, as Windows holds it.
    if (!d_->currentFolder.empty() && detail::folderKey(*d_->cp, path) == d_->currentFolder && folderExists(path))
        return detail::reported(plat::err::SharingViolation);
    return detail::reported(d_->fs.removeFolder(path));
}

std::string SimPlatform::nameKey(const std::string& text) { return detail::utf16ToUtf8(detail::fileNameKey(*d_->cp, text)); }

bool SimPlatform::setLastWriteTime(const std::string& path, std::uint64_t lastWrite) {
    return succeeded(d_->fs.setLastWrite(path, lastWrite));
}

bool SimPlatform::fileStamp(const std::string& path, plat::FileStamp& out) {
    return succeeded(d_->fs.stampOf(path, out));
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
