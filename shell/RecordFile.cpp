#include "shell/RecordFile.h"

#include <cstdio>

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

plat::Path setAsidePath(const plat::Path& install) { return uninstallFolder(install) / kSetAsideName; }

std::string encodeAll(const std::vector<Fields>& lines) {
    std::string out;
    for (const auto& f : lines) out += encodeLine(f);
    return out;
}

}  // namespace

plat::SysError readWhole(const plat::Path& path, std::string& bytes, std::uint32_t limit) {
    bytes.clear();
    // The stamp tells the whole size, beyond 4 GB too; the read below checks it.
    plat::FileStamp stamp;
    if (plat::files().fileStamp(path, stamp).ok() && stamp.size > limit) return plat::SysError(kTooLarge);
    plat::File file;
    if (const plat::SysError e = plat::File::openRead(path, file); e.failed()) return e;
    constexpr std::uint32_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t at = bytes.size();
        if (at > limit) {
            bytes.clear();
            return plat::SysError(kTooLarge);
        }
        bytes.resize(at + kChunk);
        std::uint32_t done = 0;
        if (const plat::SysError e = file.read(&bytes[at], kChunk, done); e.failed()) {
            bytes.clear();
            return e;
        }
        bytes.resize(at + done);
        if (done == 0) break;
    }
    return plat::kOk;
}

Loaded load(const plat::Path& installFolder) {
    const plat::Path path = recordPath(installFolder);
    std::string bytes;
    if (const plat::SysError e = readWhole(path, bytes); e.failed()) {
        if (e.code() == kTooLarge)
            return {std::nullopt,
                    Refusal{Refusal::Damaged, path.text() + " (" + plat::systemText(e.code()) + ")", e.code()}, {}};
        return {std::nullopt, Refusal{Refusal::Missing, path.text(), e.code()}, {}};
    }
    try {
        Parsed parsed = parse(bytes);
        return {std::move(parsed.record), std::nullopt, std::move(parsed.damaged), parsed.cutShort};
    } catch (const FormatError& e) {
        return {std::nullopt,
                Refusal{Refusal::Damaged, path.text() + " (" + std::to_string(e.line) + ": " + e.reason + ")"}, {}};
    }
}

Writer::Writer(const plat::Path& installFolder, unsigned codePage) : folder_(installFolder) {
    const plat::Path own = uninstallFolder(folder_);
    if (const plat::SysError e = plat::createFolders(own); e.failed()) throw plat::systemError(e, own.text());
    // What the new record begins with when there is none to go on with.
    std::vector<Fields> begun = Record::begin(folder_, codePage);
    if (takeOver(codePage, begun)) {
        record_ = Record();
        for (const Fields& f : begun) record_.apply(f);
        const std::string header = encodeAll(begun);
        const plat::Path path = recordPath(folder_);
        if (auto failed = plat::replaceFile(path, header.data(), static_cast<std::uint32_t>(header.size())))
            throw plat::systemError(failed->error, path.text());
    }
    openToAdd();
    // The game was moved here (or a damaged record's lines told another folder).
    if (record_.folder != folder_) add(Line::Folder, {folder_.text()});
}

bool Writer::takeOver(unsigned codePage, std::vector<Fields>& begun) {
    const plat::Path path = recordPath(folder_);
    if (!plat::files().fileExists(path)) return true;
    std::string bytes;
    const plat::SysError read = readWhole(path, bytes);
    if (read.failed() && read.code() != kTooLarge) throw plat::systemError(read, path.text());
    if (read.ok()) {
        try {
            Parsed parsed = parse(bytes);
            if (parsed.record.codePage == codePage && parsed.damaged.empty()) {
                record_ = std::move(parsed.record);
                // A line a kill cut short goes, or the next line would join it.
                if (parsed.cutShort) {
                    const std::string whole = bytes.substr(0, bytes.rfind("\r\n") + 2);
                    if (auto failed = plat::replaceFile(path, whole.data(), static_cast<std::uint32_t>(whole.size())))
                        throw plat::systemError(failed->error, path.text());
                }
                return false;
            }
            if (parsed.record.codePage == codePage) {
                // What reads of a damaged record goes on in the new one.
                begun.resize(1);
                begun.insert(begun.end(), parsed.lines.begin() + 1, parsed.lines.end());
            }
        } catch (const FormatError&) {
        }
    }
    // Kept for whoever wants to look.
    if (const plat::SysError e = plat::files().moveReplacing(path, setAsidePath(folder_)); e.failed())
        throw plat::systemError(e, path.text());
    return true;
}

void Writer::openToAdd() {
    const plat::Path path = recordPath(folder_);
    std::uint32_t size = 0;
    plat::SysError e = plat::File::openWrite(path, file_);
    if (e.ok()) e = file_.size(size);
    if (e.ok()) e = file_.seek(size);
    if (e.ok()) return;
    file_.close();
    throw plat::systemError(e, path.text());
}

std::string Writer::relative(const plat::Path& path) const {
    if (plainRelative(path.text())) return path.text();
    if (auto rel = record_.relative(path)) return rel->text();
    throw std::logic_error("a path the record cannot take: " + path.text());
}

void Writer::add(Line kind, std::vector<std::string> values) {
    const plat::Path path = recordPath(folder_);
    if (broken_) throw plat::systemError(plat::err::InvalidHandle, path.text());
    const Fields f = fields(kind, std::move(values));
    // A line is checked whole before anything changes (apply() throws before
    // it changes the record), so the file never holds a line it cannot read.
    try {
        record_.apply(f);
    } catch (const FormatError& e) {
        throw std::logic_error("a line the record cannot take: " + e.reason);
    }
    const std::string line = encodeLine(f);
    std::uint32_t done = 0;
    const plat::SysError e = file_.write(line.data(), static_cast<std::uint32_t>(line.size()), done);
    if (e.failed() || done != line.size()) {
        broken_ = true;
        // A write that falls short without an error is Wine's full disk.
        throw plat::systemError(e.failed() ? e.code() : plat::err::DiskFull, path.text());
    }
}

void Writer::language(const std::string& name) {
    if (!name.empty() && record_.language != name) add(Line::Language, {name});
}
void Writer::folderMade(const plat::Path& path) { add(Line::MadeFolder, {relative(path)}); }
void Writer::fileAnnounced(const plat::Path& path, bool existed) {
    add(Line::FileAnnounced, {relative(path), existed ? "old" : "new"});
}
namespace {

std::vector<std::string> digestFields(const std::string& path, const Digest& d) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", d.crc);
    return {path, std::to_string(d.size), crc};
}

}  // namespace

void Writer::fileWhole(const plat::Path& path, const std::optional<Digest>& digest) {
    add(Line::File, {relative(path)});
    if (digest) add(Line::FileDigest, digestFields(relative(path), *digest));
}
void Writer::registered(const plat::RegKey& key) { add(Line::Registered, {rootName(key.root), key.path}); }
void Writer::shortcut(const plat::Path& linkFile) { add(Line::Link, {linkFile.name()}); }
void Writer::patchAnnounced(const plat::Path& path, bool existed) {
    add(Line::PatchAnnounced, {relative(path), existed ? "old" : "new"});
}
void Writer::patchWhole(const plat::Path& path, const std::optional<Digest>& digest, const std::string& payload) {
    add(Line::Patch, {relative(path)});
    if (!digest) return;
    auto f = digestFields(relative(path), *digest);
    f.push_back(payload);
    add(Line::PatchDigest, std::move(f));
}
void Writer::patchShortcut(const plat::Path& linkFile) { add(Line::PatchLink, {linkFile.name()}); }
void Writer::originalAnnounced(const plat::Path& target, const plat::Path& kept) {
    add(Line::OriginalAnnounced, {relative(target), relative(kept)});
}
void Writer::originalKept(const plat::Path& target, const plat::Path& kept) {
    add(Line::Original, {relative(target), relative(kept)});
}
void Writer::noOriginal(const plat::Path& target) { add(Line::NoOriginal, {relative(target)}); }
void Writer::restored(const plat::Path& target) { add(Line::Restored, {relative(target)}); }
void Writer::unpatched(const plat::Path& pathOrLinkName) { add(Line::Unpatched, {relative(pathOrLinkName)}); }
void Writer::addOnFile(const plat::Path& path) { add(Line::AddOnFile, {path.text()}); }
void Writer::addOnKey(plat::RootKey root, const std::string& key, bool before) {
    add(before ? Line::AddOnOldKey : Line::AddOnKey, {rootName(root), key});
}
void Writer::addOnValue(plat::RootKey root, const std::string& key, const std::string& value, bool before) {
    add(before ? Line::AddOnOldValue : Line::AddOnValue, {rootName(root), key, value});
}

}  // namespace shell::record
