// An open file of the files slice in force, owned: closed when its owner
// goes, however the owner's scope ends (an exception included).
#pragma once

#include <cstdint>

#include "platform/Files.h"

namespace plat {

class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.release()) {}
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opened as the files slice's calls of the same names open, without
    // sharing; a failure leaves `out` closed.
    static SysError openRead(const Path& path, File& out);
    static SysError createNew(const Path& path, File& out);
    static SysError openWrite(const Path& path, File& out);
    static SysError createAlways(const Path& path, File& out);

    bool isOpen() const { return handle_ != kNoFile; }
    FileHandle handle() const { return handle_; }
    // The handle, no longer owned: its new owner closes it.
    FileHandle release();
    void close();

    SysError read(void* buffer, std::uint32_t count, std::uint32_t& done) const;
    SysError write(const void* buffer, std::uint32_t count, std::uint32_t& done) const;
    SysError seek(std::uint64_t position) const;
    SysError size(std::uint32_t& low) const;

private:
    using Opener = SysError (Files::*)(const Path&, FileHandle&);
    static SysError open(Opener how, const Path& path, File& out);

    FileHandle handle_ = kNoFile;
};

}  // namespace plat
