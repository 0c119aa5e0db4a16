#include "platform/FileReplace.h"

#include "platform/AnsiText.h"
#include "platform/File.h"

namespace plat {

namespace {

// A name that is taken (a temporary file that could not be removed) is
// passed over for the next.
constexpr unsigned kTemporaryNames = 256;

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

ReplaceFailure tooLong() { return {ReplaceFailure::Fit, SysError(err::FileNameTooLong)}; }

// A new temporary file beside target, open for writing.
std::optional<ReplaceFailure> createTemporary(const Path& target, Path& path, File& file) {
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        path = temporaryPath(target, n);
        if (!files().pathFits(path)) return tooLong();
        const SysError e = File::createNew(path, file);
        if (e.ok()) return std::nullopt;
        if (e.code() != err::FileExists) return ReplaceFailure{ReplaceFailure::Create, e};
    }
    return ReplaceFailure{ReplaceFailure::Create, SysError(err::FileExists)};
}

}  // namespace

Path temporaryPath(const Path& target, unsigned n) {
    static const char hex[] = "0123456789ABCDEF";
    return Path(text::withoutExtension(target.text()) + ".~" + hex[(n >> 4) & 0xF] + hex[n & 0xF]);
}

std::optional<Path> unusedTemporaryPath(const Path& target) {
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        Path path = temporaryPath(target, n);
        if (!files().fileExists(path) && !files().folderExists(path)) return path;
    }
    return std::nullopt;
}

std::vector<Path> removeStaleTemporaries(const Path& target) {
    const Path stem(text::withoutExtension(target.text()));
    const std::string name = text::upperCase(stem.name()) + ".~";
    std::vector<Path> removed;
    FindData entry;
    auto search = files().firstMatch(Path(stem.text() + ".~??"), entry);
    if (!search) return removed;
    do {
        // The search also matches short names and shorter extensions: only
        // exact temporary names of this target go.
        const std::string& n = entry.name;
        if (entry.attributes & attr::Directory || n.size() != name.size() + 2 ||
            text::upperCase(n.substr(0, name.size())) != name || !isHexDigit(n[name.size()]) ||
            !isHexDigit(n[name.size() + 1]))
            continue;
        const Path stale = stem.parent() / n;
        if (files().deleteFile(stale).ok()) removed.push_back(stale);
    } while (search->next(entry));
    return removed;
}

std::optional<ReplaceFailure> replaceFile(const Path& target, const void* data, std::uint32_t size) {
    if (!files().pathFits(target)) return tooLong();
    Path temporary;
    File file;
    if (auto failed = createTemporary(target, temporary, file)) return failed;
    std::uint32_t done = 0;
    std::optional<ReplaceFailure> failed;
    const SysError written = size > 0 ? file.write(data, size, done) : kOk;
    if (written.failed())
        failed = ReplaceFailure{ReplaceFailure::Write, written};
    else if (done != size)
        // A write that falls short without an error is Wine's answer on a full disk.
        failed = ReplaceFailure{ReplaceFailure::Write, SysError(err::DiskFull)};
    file.close();
    if (!failed) {
        const SysError moved = files().moveReplacing(temporary, target);
        if (moved.failed()) failed = ReplaceFailure{ReplaceFailure::Move, moved};
    }
    if (failed) files().deleteFile(temporary);
    return failed;
}

std::optional<ReplaceFailure> probeFolderOf(const Path& target) {
    Path temporary;
    File file;
    if (auto failed = createTemporary(target, temporary, file)) return failed;
    file.close();
    const SysError removed = files().deleteFile(temporary);
    if (removed.failed()) return ReplaceFailure{ReplaceFailure::Create, removed};
    return std::nullopt;
}

std::optional<ReplaceFailure> copyReplacing(const Path& from, const Path& target) {
    if (!files().pathFits(target)) return tooLong();
    const auto temporary = unusedTemporaryPath(target);
    if (!temporary) return ReplaceFailure{ReplaceFailure::Create, SysError(err::FileExists)};
    if (!files().pathFits(*temporary)) return tooLong();
    // CopyFile leaves no partial file behind when it fails.
    const SysError copied = files().copyFile(from, *temporary);
    if (copied.failed()) return ReplaceFailure{ReplaceFailure::Write, copied};
    const SysError moved = files().moveReplacing(*temporary, target);
    if (moved.ok()) return std::nullopt;
    files().deleteFile(*temporary);
    return ReplaceFailure{ReplaceFailure::Move, moved};
}

}  // namespace plat
