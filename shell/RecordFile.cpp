#include "shell/RecordFile.h"

#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"

namespace shell::record {

namespace {

// ERROR_FILE_TOO_LARGE.
constexpr std::uint32_t kTooLarge = 223;

std::string setAsidePath(const std::string& install) { return (plat::Path(uninstallFolder(install)) / kSetAsideName).text(); }

// Closes a handle whatever ends its scope.
struct Closing {
    plat::FileHandle h;
    ~Closing() { plat::files().closeFile(h); }
};

std::string encodeAll(const std::vector<Fields>& lines) {
    std::string out;
    for (const auto& f : lines) out += encodeLine(f);
    return out;
}

}  // namespace

bool readWhole(const std::string& path, std::string& bytes, std::uint32_t& code, std::uint32_t limit) {
    bytes.clear();
    // The stamp tells the whole size, beyond 4 GB too; the read below checks it.
    plat::FileStamp stamp;
    if (plat::files().fileStamp(path, stamp) && stamp.size > limit) {
        code = kTooLarge;
        return false;
    }
    const Closing file{plat::files().openRead(path)};
    if (file.h == plat::kNoFile) {
        code = plat::program().lastError();
        return false;
    }
    constexpr std::uint32_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t at = bytes.size();
        if (at > limit) {
            code = kTooLarge;
            bytes.clear();
            return false;
        }
        bytes.resize(at + kChunk);
        std::uint32_t done = 0;
        if (!plat::files().readFile(file.h, &bytes[at], kChunk, done)) {
            code = plat::program().lastError();
            bytes.clear();
            return false;
        }
        bytes.resize(at + done);
        if (done == 0) break;
    }
    code = 0;
    return true;
}

Loaded load(const std::string& installFolder) {
    const std::string path = recordPath(installFolder);
    std::string bytes;
    std::uint32_t code = 0;
    if (!readWhole(path, bytes, code)) {
        if (code == kTooLarge)
            return {std::nullopt, Refusal{Refusal::Damaged, path + " (" + plat::systemText(code) + ")", code}, {}};
        return {std::nullopt, Refusal{Refusal::Missing, path, code}, {}};
    }
    try {
        Parsed parsed = parse(bytes);
        return {std::move(parsed.record), std::nullopt, std::move(parsed.damaged), parsed.cutShort};
    } catch (const FormatError& e) {
        return {std::nullopt, Refusal{Refusal::Damaged, path + " (" + std::to_string(e.line) + ": " + e.what + ")"}, {}};
    }
}

Writer::Writer(const std::string& installFolder, unsigned codePage) : folder_(normalPath(installFolder)) {
    const std::string path = recordPath(folder_);
    if (!plat::createFolders(uninstallFolder(folder_))) throw plat::systemError(plat::program().lastError(), uninstallFolder(folder_));
    // What the new record begins with when there is none to go on with.
    std::vector<Fields> begun = Record::begin(folder_, codePage);
    bool fresh = true, setAside = false;
    if (plat::files().fileExists(path)) {
        std::string bytes;
        std::uint32_t code = 0;
        const bool read = readWhole(path, bytes, code);
        if (!read && code != kTooLarge) throw plat::systemError(code, path);
        setAside = true;
        if (read) {
            try {
                Parsed parsed = parse(bytes);
                if (parsed.record.codePage == codePage && parsed.damaged.empty()) {
                    record_ = std::move(parsed.record);
                    fresh = setAside = false;
                    // A line a kill cut short goes, or the next line would join it.
                    if (parsed.cutShort) {
                        const std::string whole = bytes.substr(0, bytes.rfind("\r\n") + 2);
                        if (auto failed = plat::replaceFile(path, whole.data(), static_cast<std::uint32_t>(whole.size())))
                            throw plat::systemError(failed->code, path);
                    }
                } else if (parsed.record.codePage == codePage) {
                    // What reads of a damaged record goes on in the new one.
                    begun.resize(1);
                    begun.insert(begun.end(), parsed.lines.begin() + 1, parsed.lines.end());
                }
            } catch (const FormatError&) {
            }
        }
    }
    if (setAside && !plat::files().moveReplacing(path, setAsidePath(folder_)))
        throw plat::systemError(plat::program().lastError(), path);  // kept for whoever wants to look
    if (fresh) {
        record_ = Record();
        for (const Fields& f : begun) record_.apply(f);
        const std::string header = encodeAll(begun);
        if (auto failed = plat::replaceFile(path, header.data(), static_cast<std::uint32_t>(header.size())))
            throw plat::systemError(failed->code, path);
    }
    file_ = plat::files().openWrite(path);
    std::uint32_t size = 0;
    if (file_ == plat::kNoFile || !plat::files().fileSize(file_, size) || !plat::files().seekFromStart(file_, size)) {
        const std::uint32_t code = plat::program().lastError();
        plat::files().closeFile(file_);
        file_ = plat::kNoFile;
        throw plat::systemError(code, path);
    }
    // The game was moved here (or a damaged record's lines told another folder).
    if (plat::Path(record_.folder) != plat::Path(folder_)) add(Line::Folder, {folder_});
}

Writer::~Writer() { plat::files().closeFile(file_); }

std::string Writer::relative(const std::string& path) const {
    if (plainRelative(path)) return path;
    if (auto rel = record_.relative(path)) return *rel;
    throw std::logic_error("a path the record cannot take: " + path);
}

void Writer::add(Line kind, std::vector<std::string> values) {
    const std::string path = recordPath(folder_);
    if (broken_) throw plat::systemError(plat::err::InvalidHandle, path);
    const Fields f = fields(kind, std::move(values));
    // A line is checked whole before anything changes (apply() throws before
    // it changes the record), so the file never holds a line it cannot read.
    try {
        record_.apply(f);
    } catch (const FormatError& e) {
        throw std::logic_error("a line the record cannot take: " + e.what);
    }
    const std::string line = encodeLine(f);
    std::uint32_t done = 0;
    if (!plat::files().writeFile(file_, line.data(), static_cast<std::uint32_t>(line.size()), done) || done != line.size()) {
        broken_ = true;
        const std::uint32_t code = plat::program().lastError();
        throw plat::systemError(code ? code : plat::err::DiskFull, path);
    }
}

void Writer::language(const std::string& name) {
    if (!name.empty() && record_.language != name) add(Line::Language, {name});
}
void Writer::folderMade(const std::string& path) { add(Line::MadeFolder, {relative(path)}); }
void Writer::fileAnnounced(const std::string& path, bool existed) {
    add(Line::FileAnnounced, {relative(path), existed ? "old" : "new"});
}
void Writer::fileWhole(const std::string& path) { add(Line::File, {relative(path)}); }
void Writer::registered(plat::RootKey root, const std::string& key) { add(Line::Registered, {rootName(root), key}); }
void Writer::shortcut(const std::string& linkFile) { add(Line::Link, {text::fileName(linkFile)}); }
void Writer::patchAnnounced(const std::string& path, bool existed) {
    add(Line::PatchAnnounced, {relative(path), existed ? "old" : "new"});
}
void Writer::patchWhole(const std::string& path) { add(Line::Patch, {relative(path)}); }
void Writer::patchShortcut(const std::string& linkFile) { add(Line::PatchLink, {text::fileName(linkFile)}); }
void Writer::originalAnnounced(const std::string& target, const std::string& kept) {
    add(Line::OriginalAnnounced, {relative(target), relative(kept)});
}
void Writer::originalKept(const std::string& target, const std::string& kept) {
    add(Line::Original, {relative(target), relative(kept)});
}
void Writer::noOriginal(const std::string& target) { add(Line::NoOriginal, {relative(target)}); }
void Writer::restored(const std::string& target) { add(Line::Restored, {relative(target)}); }
void Writer::unpatched(const std::string& pathOrLinkName) { add(Line::Unpatched, {relative(pathOrLinkName)}); }
void Writer::addOnFile(const std::string& path) { add(Line::AddOnFile, {path}); }
void Writer::addOnKey(plat::RootKey root, const std::string& key, bool before) {
    add(before ? Line::AddOnOldKey : Line::AddOnKey, {rootName(root), key});
}
void Writer::addOnValue(plat::RootKey root, const std::string& key, const std::string& value, bool before) {
    add(before ? Line::AddOnOldValue : Line::AddOnValue, {rootName(root), key, value});
}

}  // namespace shell::record
