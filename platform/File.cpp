#include "platform/File.h"

namespace plat {

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.release();
    }
    return *this;
}

SysError File::open(Opener how, const Path& path, File& out) {
    out.close();
    FileHandle h = kNoFile;
    const SysError e = (files().*how)(path, h);
    if (e.ok()) out.handle_ = h;
    return e;
}

SysError File::openRead(const Path& path, File& out) { return open(&Files::openRead, path, out); }
SysError File::createNew(const Path& path, File& out) { return open(&Files::createNew, path, out); }
SysError File::openWrite(const Path& path, File& out) { return open(&Files::openWrite, path, out); }
SysError File::createAlways(const Path& path, File& out) { return open(&Files::createAlways, path, out); }

FileHandle File::release() {
    const FileHandle h = handle_;
    handle_ = kNoFile;
    return h;
}

void File::close() {
    if (handle_ != kNoFile) files().closeFile(release());
}

SysError File::read(void* buffer, std::uint32_t count, std::uint32_t& done) const {
    return files().readFile(handle_, buffer, count, done);
}

SysError File::write(const void* buffer, std::uint32_t count, std::uint32_t& done) const {
    return files().writeFile(handle_, buffer, count, done);
}

SysError File::seek(std::uint64_t position) const { return files().seekFromStart(handle_, position); }

SysError File::size(std::uint32_t& low) const { return files().fileSize(handle_, low); }

}  // namespace plat

namespace plat {

std::unique_ptr<DirSearch> Files::firstMatch(const Path& pattern, FindData& first) {
    std::unique_ptr<DirSearch> search;
    findFirst(pattern, first, search);
    return search;
}

}  // namespace plat
