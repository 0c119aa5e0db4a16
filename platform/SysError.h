// What a system call came to, as the seam returns it: success, or the
// system's error code (Windows' own numbers, whichever back end).  Every seam
// call that can fail returns one, with its result beside it, so that the code
// a caller reports is the code of the call that failed.
//
// It has no conversion to bool on purpose: "if (call())" would read as
// success in one place and as failure in the next.  A caller asks ok() or
// failed() and reads code().
#pragma once

#include <cstdint>

namespace plat {

class SysError {
public:
    constexpr SysError() = default;  // success
    constexpr explicit SysError(std::uint32_t code) : code_(code) {}

    constexpr bool ok() const { return code_ == 0; }
    constexpr bool failed() const { return code_ != 0; }
    constexpr std::uint32_t code() const { return code_; }

    friend constexpr bool operator==(SysError a, SysError b) { return a.code_ == b.code_; }
    friend constexpr bool operator!=(SysError a, SysError b) { return a.code_ != b.code_; }

private:
    std::uint32_t code_ = 0;
};

constexpr SysError kOk{};

// The codes the installer tells apart (Windows' ERROR_*).
namespace err {
constexpr std::uint32_t FileNotFound = 2, PathNotFound = 3, AccessDenied = 5, InvalidHandle = 6,
                        InvalidData = 13, NotSameDevice = 17, WriteProtect = 19, SharingViolation = 32,
                        HandleEof = 38, FileExists = 80, DiskFull = 112, InvalidName = 123, DirNotEmpty = 145,
                        AlreadyExists = 183, FileNameTooLong = 206, DirectoryName = 267,  // the last: not a folder
    NoUnicodeTranslation = 1113;
}  // namespace err

}  // namespace plat
