#include "platform/FileReplace.h"

#include "platform/AnsiText.h"
#include "platform/Platform.h"

namespace plat {

namespace {

// Stale temporary files of an interrupted run are not ours to remove: the
// next free name is taken instead.
constexpr unsigned kTemporaryNames = 256;

std::optional<ReplaceFailure> fail(ReplaceFailure::Step step) {
    return ReplaceFailure{step, platform().lastError()};
}

// A new temporary file beside target, open for writing.
std::optional<ReplaceFailure> createTemporary(const std::string& target, std::string& path, FileHandle& h) {
    Platform& p = platform();
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        path = temporaryPath(target, n);
        if (!p.pathFits(path)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
        h = p.createNew(path);
        if (h != kNoFile) return std::nullopt;
        if (p.lastError() != err::FileExists) return fail(ReplaceFailure::Create);
    }
    return ReplaceFailure{ReplaceFailure::Create, err::FileExists};
}

}  // namespace

std::string temporaryPath(const std::string& target, unsigned n) {
    static const char hex[] = "0123456789ABCDEF";
    return text::withoutExtension(target) + ".~" + hex[(n >> 4) & 0xF] + hex[n & 0xF];
}

std::optional<std::string> unusedTemporaryPath(const std::string& target) {
    Platform& p = platform();
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        std::string path = temporaryPath(target, n);
        if (!p.fileExists(path) && !p.folderExists(path)) return path;
    }
    return std::nullopt;
}

std::optional<ReplaceFailure> replaceFile(const std::string& target, const void* data, std::uint32_t size) {
    Platform& p = platform();
    if (!p.pathFits(target)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    std::string temporary;
    FileHandle h = kNoFile;
    if (auto failed = createTemporary(target, temporary, h)) return failed;
    std::uint32_t done = 0;
    std::optional<ReplaceFailure> failed;
    if (size > 0 && !p.writeFile(h, data, size, done))
        failed = fail(ReplaceFailure::Write);
    else if (done != size)
        // A write that falls short without an error is Wine's answer on a full disk.
        failed = ReplaceFailure{ReplaceFailure::Write, err::DiskFull};
    p.closeFile(h);
    if (!failed && !p.moveReplacing(temporary, target)) failed = fail(ReplaceFailure::Move);
    if (failed) p.deleteFile(temporary);
    return failed;
}

std::optional<ReplaceFailure> probeFolderOf(const std::string& target) {
    std::string temporary;
    FileHandle h = kNoFile;
    if (auto failed = createTemporary(target, temporary, h)) return failed;
    platform().closeFile(h);
    if (!platform().deleteFile(temporary)) return fail(ReplaceFailure::Create);
    return std::nullopt;
}

std::optional<ReplaceFailure> copyReplacing(const std::string& from, const std::string& target) {
    Platform& p = platform();
    if (!p.pathFits(target)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    const auto temporary = unusedTemporaryPath(target);
    if (!temporary) return ReplaceFailure{ReplaceFailure::Create, err::FileExists};
    if (!p.pathFits(*temporary)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    // CopyFile leaves no partial file behind when it fails.
    if (!p.copyFile(from, *temporary)) return fail(ReplaceFailure::Write);
    if (p.moveReplacing(*temporary, target)) return std::nullopt;
    auto failed = fail(ReplaceFailure::Move);
    p.deleteFile(*temporary);
    return failed;
}

}  // namespace plat
