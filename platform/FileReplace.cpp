#include "platform/FileReplace.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Program.h"

namespace plat {

namespace {

// A name that is taken (a temporary file that could not be removed) is
// passed over for the next.
constexpr unsigned kTemporaryNames = 256;

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::optional<ReplaceFailure> fail(ReplaceFailure::Step step) {
    return ReplaceFailure{step, program().lastError()};
}

// A new temporary file beside target, open for writing.
std::optional<ReplaceFailure> createTemporary(const std::string& target, std::string& path, FileHandle& h) {
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        path = temporaryPath(target, n);
        if (!files().pathFits(path)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
        h = files().createNew(path);
        if (h != kNoFile) return std::nullopt;
        if (program().lastError() != err::FileExists) return fail(ReplaceFailure::Create);
    }
    return ReplaceFailure{ReplaceFailure::Create, err::FileExists};
}

}  // namespace

std::string temporaryPath(const std::string& target, unsigned n) {
    static const char hex[] = "0123456789ABCDEF";
    return text::withoutExtension(target) + ".~" + hex[(n >> 4) & 0xF] + hex[n & 0xF];
}

std::optional<std::string> unusedTemporaryPath(const std::string& target) {
    for (unsigned n = 0; n < kTemporaryNames; ++n) {
        std::string path = temporaryPath(target, n);
        if (!files().fileExists(path) && !files().folderExists(path)) return path;
    }
    return std::nullopt;
}

std::vector<std::string> removeStaleTemporaries(const std::string& target) {
    const std::string stem = text::withoutExtension(target);
    const std::string folder = text::folderPart(stem);
    const std::string name = text::upperCase(text::fileName(stem)) + ".~";
    std::vector<std::string> removed;
    FindData entry;
    auto search = files().findFirst(stem + ".~??", entry);
    if (!search) return removed;
    do {
        // The search also matches short names and shorter extensions: only
        // exact temporary names of this target go.
        const std::string& n = entry.name;
        if (entry.attributes & attr::Directory || n.size() != name.size() + 2 ||
            text::upperCase(n.substr(0, name.size())) != name || !isHexDigit(n[name.size()]) ||
            !isHexDigit(n[name.size() + 1]))
            continue;
        if (files().deleteFile(folder + n)) removed.push_back(folder + n);
    } while (search->next(entry));
    return removed;
}

std::optional<ReplaceFailure> replaceFile(const std::string& target, const void* data, std::uint32_t size) {
    if (!files().pathFits(target)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    std::string temporary;
    FileHandle h = kNoFile;
    if (auto failed = createTemporary(target, temporary, h)) return failed;
    std::uint32_t done = 0;
    std::optional<ReplaceFailure> failed;
    if (size > 0 && !files().writeFile(h, data, size, done))
        failed = fail(ReplaceFailure::Write);
    else if (done != size)
        // A write that falls short without an error is Wine's answer on a full disk.
        failed = ReplaceFailure{ReplaceFailure::Write, err::DiskFull};
    files().closeFile(h);
    if (!failed && !files().moveReplacing(temporary, target)) failed = fail(ReplaceFailure::Move);
    if (failed) files().deleteFile(temporary);
    return failed;
}

std::optional<ReplaceFailure> probeFolderOf(const std::string& target) {
    std::string temporary;
    FileHandle h = kNoFile;
    if (auto failed = createTemporary(target, temporary, h)) return failed;
    files().closeFile(h);
    if (!files().deleteFile(temporary)) return fail(ReplaceFailure::Create);
    return std::nullopt;
}

std::optional<ReplaceFailure> copyReplacing(const std::string& from, const std::string& target) {
    if (!files().pathFits(target)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    const auto temporary = unusedTemporaryPath(target);
    if (!temporary) return ReplaceFailure{ReplaceFailure::Create, err::FileExists};
    if (!files().pathFits(*temporary)) return ReplaceFailure{ReplaceFailure::Fit, err::FileNameTooLong};
    // CopyFile leaves no partial file behind when it fails.
    if (!files().copyFile(from, *temporary)) return fail(ReplaceFailure::Write);
    if (files().moveReplacing(*temporary, target)) return std::nullopt;
    auto failed = fail(ReplaceFailure::Move);
    files().deleteFile(*temporary);
    return failed;
}

}  // namespace plat
