// File handles of the simulated drives: opening, reading, writing and
// closing, with sharing, media, attributes, capacity and injected faults.
#include <algorithm>
#include <cstring>

#include "platform/sim/SimFiles.h"

namespace sim::detail {

using namespace plat::err;
using plat::attr::Archive;
using plat::attr::ReadOnly;

std::uint32_t FileSystem::open(const std::string& path, OpenMode mode, plat::FileHandle& h,
                               std::uint32_t& successCode) {
    h = plat::kNoFile;
    if (std::uint32_t e = lengthError(path)) return e;
    SplitPath p = parse(path);
    std::u16string key = faultKey(p);
    bool creating = mode == OpenMode::CreateNew || mode == OpenMode::CreateAlways;
    if (const FaultSpec* f = fault(creating ? Fault::Create : Fault::Open, key)) return f->code;
    Resolved r = resolve(p);
    if (r.error) return r.error;
    Node* n = r.node;
    std::shared_ptr<Node> held;
    successCode = 0;
    if (n && !r.parent) return n->folder ? (mode == OpenMode::CreateNew ? FileExists : AccessDenied) : AccessDenied;
    // A link opens its target, which may lie on another drive.
    Drive* drive = r.drive;
    if (n && n->isLink()) {
        if (mode == OpenMode::CreateNew) return FileExists;
        held = n->target;
        if (!(n = through(n, drive))) return FileNotFound;
    } else if (n) {
        for (const auto& c : r.parent->children)
            if (c.get() == n) held = c;
    }
    switch (mode) {
        case OpenMode::Read:
        case OpenMode::Write:
            if (!n) return FileNotFound;
            if (n->folder) return AccessDenied;
            if (n->openCount || n->locked) return SharingViolation;
            if (mode == OpenMode::Write) {
                if (drive->readOnly) return WriteProtect;
                if (n->attributes & ReadOnly) return AccessDenied;
            }
            break;
        case OpenMode::CreateNew:
            if (n) return FileExists;
            if (drive->readOnly) return WriteProtect;
            held = insert(*drive, *r.parent, p.parts.back(), false);
            break;
        case OpenMode::CreateAlways:
            if (n) {
                if (n->folder) return AccessDenied;
                if (n->openCount || n->locked) return SharingViolation;
                if (drive->readOnly) return WriteProtect;
                if (n->attributes & ReadOnly) return AccessDenied;
                drive->used -= n->data.size();
                n->data.clear();
                n->attributes |= Archive;  // hidden and system stay, as on Wine
                stamp(*n);
                successCode = AlreadyExists;
            } else {
                if (drive->readOnly) return WriteProtect;
                held = insert(*drive, *r.parent, p.parts.back(), false);
            }
            break;
    }
    h = addHandle(held, drive, key, mode);
    return 0;
}

plat::FileHandle FileSystem::addHandle(const std::shared_ptr<Node>& node, Drive* drive, const std::u16string& key,
                                       OpenMode mode) {
    Handle hd;
    hd.node = node;
    hd.drive = drive;
    hd.faultKey = key;
    hd.canRead = mode == OpenMode::Read || mode == OpenMode::CreateAlways;
    hd.canWrite = mode != OpenMode::Read;
    ++node->openCount;
    nextHandle_ += 4;
    handles_.emplace(nextHandle_, std::move(hd));
    return nextHandle_;
}

FileSystem::Handle* FileSystem::handle(plat::FileHandle h) {
    auto it = handles_.find(h);
    return it == handles_.end() ? nullptr : &it->second;
}

std::uint32_t FileSystem::read(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    Handle* hd = handle(h);
    if (!hd) return InvalidHandle;
    if (!hd->canRead) return AccessDenied;
    if (const FaultSpec* f = fault(Fault::Read, hd->faultKey))
        if (hd->position + count > f->offset) return f->code;
    const std::string& data = hd->node->data;
    if (hd->position >= data.size()) return 0;
    std::size_t n = std::min<std::uint64_t>(count, data.size() - hd->position);
    std::memcpy(buffer, data.data() + hd->position, n);
    hd->position += n;
    done = static_cast<std::uint32_t>(n);
    return 0;
}

std::uint32_t FileSystem::write(plat::FileHandle h, const void* buffer, std::uint32_t count,
                                std::uint32_t& done) {
    done = 0;
    Handle* hd = handle(h);
    if (!hd) return InvalidHandle;
    if (!hd->canWrite) return AccessDenied;
    std::string& data = hd->node->data;
    std::uint64_t pos = hd->position, want = count;
    std::uint32_t code = 0;
    if (const FaultSpec* f = fault(Fault::Write, hd->faultKey))
        if (pos + count > f->offset) {
            want = f->offset > pos ? f->offset - pos : 0;
            code = f->code;
        }
    Drive& d = *hd->drive;
    if (d.capacity) {
        std::uint64_t end = pos + want, growth = end > data.size() ? end - data.size() : 0;
        if (d.used + growth > d.capacity) {
            std::uint64_t room = d.capacity > d.used ? d.capacity - d.used : 0;
            std::uint64_t maxEnd = data.size() + room;
            want = maxEnd > pos ? std::min(want, maxEnd - pos) : 0;
            if (!code) code = DiskFull;
        }
    }
    if (want) {
        if (pos + want > data.size()) {
            d.used += pos + want - data.size();
            data.resize(pos + want);
        }
        std::memcpy(&data[pos], buffer, want);
        hd->position += want;
        stamp(*hd->node);
    }
    done = static_cast<std::uint32_t>(want);
    return code;
}

std::uint32_t FileSystem::seek(plat::FileHandle h, std::uint64_t position) {
    Handle* hd = handle(h);
    if (!hd) return InvalidHandle;
    if (const FaultSpec* f = fault(Fault::Seek, hd->faultKey)) return f->code;
    hd->position = position;
    return 0;
}

std::uint32_t FileSystem::size(plat::FileHandle h, std::uint32_t& low) {
    Handle* hd = handle(h);
    if (!hd) return InvalidHandle;
    if (const FaultSpec* f = fault(Fault::Size, hd->faultKey)) return f->code;
    low = static_cast<std::uint32_t>(hd->node->data.size());
    return 0;
}

std::uint32_t FileSystem::close(plat::FileHandle h) {
    auto it = handles_.find(h);
    if (it == handles_.end()) return InvalidHandle;
    --it->second.node->openCount;
    handles_.erase(it);
    return 0;
}

std::uint32_t FileSystem::readWhole(const std::string& path, std::string& bytes) {
    plat::FileHandle h;
    std::uint32_t ignored;
    if (std::uint32_t e = open(path, OpenMode::Read, h, ignored)) return e;
    bytes = handle(h)->node->data;
    close(h);
    return 0;
}

std::uint32_t FileSystem::writeWhole(const std::string& path, const std::string& bytes) {
    plat::FileHandle h;
    std::uint32_t ignored, done;
    if (std::uint32_t e = open(path, OpenMode::CreateAlways, h, ignored)) return e;
    std::uint32_t e = write(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done);
    close(h);
    return e;
}

std::uint32_t FileSystem::copy(const std::string& from, const std::string& to) {
    std::string bytes;
    if (std::uint32_t e = readWhole(from, bytes)) return e;
    plat::FileHandle h;
    std::uint32_t ignored, done = 0;
    if (std::uint32_t e = open(to, OpenMode::CreateNew, h, ignored)) return e;
    std::uint32_t e = write(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done);
    close(h);
    if (e) removeEntry(to);
    return e;
}

}  // namespace sim::detail
