#include "patch/PatchRun.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "patch/PatchEntry.h"
#include "patch/PatchForm.h"
#include "payload/Payload.h"
#include "platform/AnsiText.h"
#include "platform/File.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/FolderPicker.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/PatchFiles.h"
#include "shell/Shortcuts.h"

namespace patch {

namespace {

struct Edition {
    shell::Edition edition;
    int shortcutKind;
};

Edition currentEdition() {
    const shell::Edition e = shell::edition();
    return {e, e == shell::Edition::Simplified ? shell::kSimplifiedShortcut : shell::kTraditionalShortcut};
}

// The five files, in the order they are written.
using Target = shell::PatchFile;
const auto& kTargets = shell::kPatchFiles;

const char* groupOf(const Target& t, const Edition& e) { return shell::groupOf(t, e.edition); }

// A new file may take up to this much more than its size on disk: the
// largest cluster Windows formats by default.
constexpr std::uint64_t kCluster = 64 * 1024;

std::uint64_t onDisk(std::uint64_t bytes) { return (bytes + kCluster - 1) / kCluster * kCluster; }

// What the run writes of the edition, for the size that Windows' list shows.
std::uint64_t bytesOf(const Edition& edition) {
    std::uint64_t bytes = 0;
    for (const Target& t : kTargets) bytes += payload::payloadSize(t.payload, groupOf(t, edition));
    return bytes;
}

// A target the patch may replace: no folder, not read-only, no link (its
// original would be another file's content, and a plain file would take the
// link's place), not held open by another program.  Its size on disk.
std::int64_t replaceable(const plat::Path& path) {
    plat::FindData found;
    if (!plat::files().firstMatch(path, found)) return 0;
    if (found.attributes & (plat::attr::Directory | plat::attr::ReadOnly))
        throw plat::systemError(plat::err::AccessDenied, path.text());
    if ((found.attributes & plat::attr::ReparsePoint) || plat::isFileLink(path))
        throw base::Error(shell::formatText(shell::messages().get(shell::Text::LinkedFile), {path.text()}));
    plat::File held;
    if (const plat::SysError e = plat::File::openWrite(path, held); e.failed()) throw plat::systemError(e, path.text());
    return found.sizeLow;
}

// What can be known before anything is written, so that a failure that can
// be foreseen changes nothing: every path fits the file calls, the payloads
// are there, every target is replaceable, the folder takes a new file, and
// the disk has room for each new file while the old one still stands, and
// for the originals kept.  Tells the log what it found.
void findTargets(const plat::Path& folder, const Edition& edition, std::uint64_t keeping, shell::RunLog& log) {
    std::int64_t peak = 0, grown = 0;  // grown: by the files already replaced
    for (const Target& t : kTargets) {
        const plat::Path path = folder / t.file;
        plat::requirePathFits(path);
        plat::requirePathFits(plat::temporaryPath(path));
        const auto size = static_cast<std::int64_t>(onDisk(payload::payloadSize(t.payload, groupOf(t, edition))));
        const std::int64_t old = replaceable(path);
        peak = std::max(peak, grown + size);
        grown += size - old;
    }
    if (auto failed = plat::probeFolderOf(folder / kTargets[0].file)) throw plat::systemError(failed->error, folder.text());
    std::uint64_t free = 0;
    // A disk that cannot tell is left to the writes, which replace each file whole.
    const plat::SysError told = plat::drives().freeSpace(folder, free);
    const std::uint64_t needed = static_cast<std::uint64_t>(peak) + keeping;
    log.line("the files need " + shell::sizeText(needed) + " on the drive, which has " +
             (told.ok() ? shell::sizeText(free) + " free" : "untold free space (" + shell::errorText(told.code()) + ")"));
    if (told.ok() && free < needed) throw plat::systemError(plat::err::DiskFull, folder.text());
}

void checkTargets(const plat::Path& folder, const Edition& edition, std::uint64_t keeping, shell::RunLog& log) {
    try {
        findTargets(folder, edition, keeping, log);
    } catch (const base::Error& e) {
        throw Refused(e.what(), e.code());
    }
}

// ---------------------------------------------------------------- the originals

// A game in a drive's root or in the Windows folder is patched as before,
// with no record and no originals kept: the uninstaller would not touch it.
bool recordable(const plat::Path& folder) {
    return !shell::record::unsafeFolder(folder, plat::Path(plat::shell().windowsFolder()));
}

// Whether a game file is already one of the patch's (a patch of an earlier
// version, which kept no original): the same bytes as an edition's payload.
bool isPatched(const plat::Path& path, const Target& t) {
    plat::FindData found;
    if (!plat::files().firstMatch(path, found)) return false;
    std::string bytes;
    bool read = false;
    for (const char* group : {"GB_", "BIG"}) {
        if (t.shared && std::string(group) != "GB_") continue;
        if (payload::payloadSize(t.payload, group) != found.sizeLow) continue;
        if (!read)
            if (const plat::SysError e = shell::record::readWhole(path, bytes); e.failed())
                throw plat::systemError(e, path.text());
        read = true;
        if (bytes == payload::payloadBytes(t.payload, group)) return true;
    }
    return false;
}

// Whether a game file's original is yet to be kept: the file is there, the
// record keeps no original of it and it is not the patch's own.
bool originalToKeep(const shell::record::Record* r, const Target& t, const plat::Path& path) {
    if (!plat::files().fileExists(path)) return false;
    if (!r) return true;
    const plat::Path relative(t.file);
    const auto* own = r->patchFile(relative);
    return !r->activeOriginal(relative) && !(own && !own->undone);
}

// Bytes the originals still to be kept take on disk.
std::uint64_t bytesToKeep(const plat::Path& folder) {
    if (!recordable(folder)) return 0;
    const auto known = shell::record::load(folder);
    std::uint64_t bytes = 0;
    for (const Target& t : kTargets) {
        const plat::Path path = folder / t.file;
        plat::FindData found;
        if (originalToKeep(known.record ? &*known.record : nullptr, t, path) && plat::files().firstMatch(path, found))
            bytes += onDisk(found.sizeLow);
    }
    return bytes;
}

// Keeps the game file's original once, before the patch replaces it, and
// records what the patch writes.
void keepOriginal(shell::record::Writer& w, const Target& t, const plat::Path& path) {
    if (!originalToKeep(&w.record(), t, path)) return;
    if (isPatched(path, t)) {
        w.noOriginal(path);
        return;
    }
    const plat::Path folder = shell::record::originalsFolder(w.installFolder());
    const plat::Path kept = folder / path.name();
    if (const plat::SysError e = plat::createFolders(folder); e.failed()) throw plat::systemError(e, folder.text());
    w.originalAnnounced(path, kept);
    if (auto failed = plat::copyReplacing(path, kept)) throw plat::systemError(failed->error, kept.text());
    w.originalKept(path, kept);
}

void write(const Target& t, const Edition& edition, const plat::Path& folder, shell::record::Writer* w,
           shell::RunLog& log) {
    const plat::Path path = folder / t.file;
    const bool replacing = plat::files().fileExists(path);
    if (w) {
        keepOriginal(*w, t, path);
        w->patchAnnounced(path, replacing);
    }
    const std::uint32_t crc = payload::extractPayload(t.payload, groupOf(t, edition), path);
    const shell::record::Digest written{payload::payloadSize(t.payload, groupOf(t, edition)), crc};
    if (w) w->patchWhole(path, written, shell::payloadRef(t, edition.edition));
    log.line(std::string(replacing ? "replaced " : "wrote ") + path.text() + " (" +
             shell::sizeText(payload::payloadSize(t.payload, groupOf(t, edition))) + ")");
}

// The game's shortcuts; an error that stops them is kept to be raised once
// every file is written, so that it never leaves the game half patched.
std::exception_ptr makeShortcuts(const Edition& edition, const plat::Path& folder, shell::record::Writer* record,
                                 shell::RunLog& log) {
    try {
        if (shell::makesShortcuts()) {
            shell::makeRecordedShortcuts(edition.shortcutKind, folder / "KESTAL.exe", [&](const plat::Path& link) {
                if (record) record->patchShortcut(link);
            });
            log.line("made the shortcuts");
        }
    } catch (const std::exception&) {
        return std::current_exception();
    }
    return nullptr;
}

}  // namespace

bool holdsGame(const std::string& folder) {
    const plat::Path game = plat::Path(folder) / "Vandry.exe";
    plat::requirePathFits(game);
    return plat::files().fileExists(game);
}

void startPatchInstallation(TForm4& progress) {
    using shell::Msg;
    shell::showMessage(Msg::ChooseGameFolder, Msg::Notice, shell::MsgKind::QuestionNotice);
    auto picked = shell::pickFolder();
    if (!picked) return;  // cancelled: nothing is written
    if (holdsGame(*picked))
        progress.showFor(*picked);
    else
        shell::showMessage(Msg::NoGameFiles, Msg::Warning, shell::MsgKind::Stop);
}

PatchEnd PatchRun::run() {
    shell::RunLog log(shell::kPatchLog, "patch");
    log.line("game folder " + gameFolder_ + ", edition " + (shell::edition() == shell::Edition::Simplified
                                                                 ? "Simplified"
                                                                 : "Traditional"));
    return shell::loggingErrors(log, [&] {
        PatchEnd end = writeAll(log);
        log.line(end.unregistered.empty() ? "outcome: patched"
                                          : "outcome: patched, not in the list of installed programs");
        return end;
    });
}

PatchEnd PatchRun::writeAll(shell::RunLog& log) {
    const Edition edition = currentEdition();
    const plat::Path f(gameFolder_);

    checkTargets(f, edition, bytesToKeep(f) + ownEntryRoom(f, kCluster), log);
    // The folder takes files: its log goes there.
    log.place(f);
    // The record of the game folder, held for the run, so that the patch can
    // be taken away again and the originals put back.
    std::unique_ptr<shell::record::Writer> record;
    std::string unregistered;
    if (recordable(f)) {
        record = std::make_unique<shell::record::Writer>(f, plat::program().ansiCodePage());
        if (record->record().language.empty()) record->language(shell::languageName());
        // The run's log lies in the game folder: it goes with the whole game,
        // and stays when only the patch is taken away, as the story of it.
        log.putOnRecord(*record, f);
        unregistered = addOwnEntry(*record, bytesOf(edition), log);
    }
    write(kTargets[0], edition, f, record.get(), log);
    plat::desktop().processMessages();
    view_.showStep(kLauncherWritten);
    write(kTargets[1], edition, f, record.get(), log);
    write(kTargets[2], edition, f, record.get(), log);
    plat::desktop().processMessages();
    view_.showStep(kReadmeWritten);
    write(kTargets[3], edition, f, record.get(), log);
    plat::desktop().processMessages();
    view_.showStep(kArchiveWritten);
    const std::exception_ptr shortcutError = makeShortcuts(edition, f, record.get(), log);
    write(kTargets[4], edition, f, record.get(), log);
    record.reset();  // the record is whole; the player may uninstall from here on
    plat::desktop().processMessages();
    view_.showStep(kMainArchiveWritten);
    if (shortcutError) std::rethrow_exception(shortcutError);

    showInstalled(face_, unregistered);
    face_.showDocument((f / "readme.txt").text());
    return {unregistered};
}

}  // namespace patch
