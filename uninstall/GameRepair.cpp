// The repair, and what a check and a repair tell at their end.
#include <algorithm>
#include <exception>
#include <optional>

#include "base/Error.h"
#include "payload/Payload.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "shell/Language.h"
#include "shell/PatchFiles.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"
#include "uninstall/GameCheck.h"

namespace uninstall {

namespace {

using shell::record::Digest;
using shell::record::Record;
using shell::Text;

constexpr std::uint64_t kCluster = 64 * 1024;
constexpr std::uint64_t kMegabyte = 1024 * 1024;
// The files a report names; the rest are counted.
constexpr std::size_t kShown = 20;

bool broken(const CheckedFile& f) {
    return f.verdict == Verdict::Damaged || f.verdict == Verdict::Missing || f.verdict == Verdict::Unreadable;
}

// The payload a patched file comes from: the one the record names, else the
// edition of the language the game was installed in.
std::string payloadOf(const Record& r, const CheckedFile& f) {
    if (const auto* p = r.patchFile(f.relative); p && !p->payload.empty()) return p->payload;
    const shell::Edition e = r.language == shell::kSimplified ? shell::Edition::Simplified : shell::Edition::Traditional;
    for (const auto& pf : shell::kPatchFiles)
        if (f.relative == plat::Path(pf.file)) return shell::payloadRef(pf, e);
    throw base::Error("no payload of " + f.relative.text());
}

std::uint64_t sizeToPutBack(const Record& r, const CheckedFile& f) {
    const auto* item = f.patch ? r.patchFile(f.relative) : r.gameFile(f.relative);
    if (item && item->digest) return item->digest->size;
    if (!f.patch) return 0;  // an earlier record's: known once its disc is
    const std::string ref = payloadOf(r, f);
    return payload::payloadSize(ref.substr(ref.find('/') + 1), ref.substr(0, ref.find('/')));
}

// Room for what is put back, each file beside the one it replaces; asked
// again while the player makes room.
bool roomFor(const Installed& game, const std::vector<const CheckedFile*>& files, shell::Face& face,
             shell::RunLog& log) {
    std::uint64_t needed = 0;
    for (const auto* f : files) needed += (sizeToPutBack(game.record, *f) + kCluster - 1) / kCluster * kCluster;
    for (;;) {
        std::uint64_t free = 0;
        const plat::SysError told = plat::drives().freeSpace(game.folder, free);
        log.line("the repair needs " + shell::sizeText(needed) + "; the drive has " +
                 (told.ok() ? shell::sizeText(free) + " free" : "untold free space"));
        if (told.failed() || free >= needed) return true;
        const auto& m = shell::messages();
        const std::string text = shell::formatText(
            m.get(Text::RepairNoRoom), {game.folder.text().substr(0, 2), std::to_string(free / kMegabyte),
                                        std::to_string((needed + kMegabyte - 1) / kMegabyte)});
        if (face.ask(shell::Question::TooLittleRoom, text, m.get(shell::Msg::Warning), 0) != plat::Answer::Retry)
            return false;
    }
}

// A link in the game folder (the file itself, or a folder on its way) leads
// elsewhere: nothing is written through it, and a plain file never takes
// its place.
bool throughLink(const plat::Path& folder, const plat::Path& path) {
    for (plat::Path p = path; p.below(folder); p = p.parent()) {
        plat::FindData entry;
        if (!plat::files().firstMatch(p, entry)) continue;
        if ((entry.attributes & plat::attr::ReparsePoint) ||
            (!(entry.attributes & plat::attr::Directory) && plat::isFileLink(p)))
            return true;
    }
    return false;
}

// A file of ours may have been made read-only; it is replaced all the same.
void writable(const plat::Path& path) {
    plat::FindData found;
    if (plat::files().firstMatch(path, found) && (found.attributes & plat::attr::ReadOnly))
        (void)plat::files().setFileAttributes(path, plat::attr::Normal);
}

void putBackPatched(shell::record::Writer& w, const Installed& game, const CheckedFile& f) {
    const plat::Path path = game.folder / f.relative.text();
    const std::string ref = payloadOf(game.record, f);
    const std::size_t slash = ref.find('/');
    // On the record as the patch's, whole, already: a new line only once it
    // is written again.
    writable(path);
    const std::string name = ref.substr(slash + 1), type = ref.substr(0, slash);
    const std::uint32_t crc = payload::extractPayload(name, type, path);
    w.patchWhole(path, Digest{payload::payloadSize(name, type), crc}, ref);
}

// The CRC-32 of a file as it lies now.
std::optional<Digest> digestOf(const plat::Path& path) {
    plat::File f;
    if (plat::File::openRead(path, f).failed()) return std::nullopt;
    std::vector<char> buffer(64 * 1024);
    Digest d;
    for (;;) {
        std::uint32_t got = 0;
        if (f.read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), got).failed()) return std::nullopt;
        if (got == 0) return d;
        d.crc = payload::crc32(d.crc, buffer.data(), got);
        d.size += got;
    }
}

// A game file from its disc; the reason it is not put back, or empty.
std::string putBackFromDisc(shell::record::Writer& w, const Installed& game, const CheckedFile& f,
                            const plat::Path& source) {
    const plat::Path path = game.folder / f.relative.text();
    std::vector<plat::Path> made;
    for (plat::Path p = path.parent(); p.below(game.folder) && !plat::files().folderExists(p); p = p.parent())
        made.push_back(p);
    for (auto it = made.rbegin(); it != made.rend(); ++it) w.folderMade(*it);
    if (const plat::SysError e = plat::createFolders(path.parent()); e.failed())
        return plat::systemError(e, path.parent().text()).what();
    // On the record as the installation's, whole, already: the copy replaces
    // it in one step, so it is either as it was or the disc's.
    writable(path);
    if (const auto failed = plat::copyReplacing(source, path)) return plat::systemError(failed->error, path.text()).what();
    // The disc's time, as the installation gives its copies.
    plat::FileStamp disc;
    if (plat::files().fileStamp(source, disc).ok()) (void)plat::files().setLastWriteTime(path, disc.lastWrite);
    const auto written = digestOf(path);
    w.fileWhole(path, written);
    const auto* item = game.record.gameFile(f.relative);
    if (written && item && item->digest && *item->digest != *written)
        return "the disc's copy differs from the one installed";
    return {};
}

// Patched files first (their payloads are here), then by disc, so that each
// disc is asked for once.
std::vector<const CheckedFile*> inRepairOrder(const Verification& v, shell::DiscSource& discs) {
    std::vector<const CheckedFile*> files;
    for (const auto& f : v.files)
        if (broken(f)) files.push_back(&f);
    std::stable_sort(files.begin(), files.end(), [&](const CheckedFile* a, const CheckedFile* b) {
        const int da = a->patch ? 0 : discs.discOf(a->relative), db = b->patch ? 0 : discs.discOf(b->relative);
        return da < db;
    });
    return files;
}

void putBackAll(const Installed& game, const std::vector<const CheckedFile*>& files, shell::DiscSource& discs,
                CheckView& view, shell::RunLog& log, RepairReport& r) {
    shell::record::Writer w(game.folder, plat::program().ansiCodePage());
    std::size_t done = 0;
    for (const CheckedFile* f : files) {
        const plat::Path path = game.folder / f->relative.text();
        view.showProgress(done++, files.size(), 0, 0, path.text());
        std::string why;
        try {
            // What a repair or an installation that was killed left beside it goes first.
            for (const plat::Path& stale : plat::removeStaleTemporaries(path)) log.line("removed " + stale.text());
            if (throughLink(game.folder, path)) {
                why = "a link: what it leads to is not touched";
            } else if (f->patch) {
                putBackPatched(w, game, *f);
            } else if (const auto source = discs.fileOnDisc(f->relative)) {
                why = putBackFromDisc(w, game, *f, *source);
            } else {
                r.discMissing = true;
                why = "disc " + std::to_string(discs.discOf(f->relative)) + " was found nowhere";
            }
        } catch (const base::Error& e) {
            why = e.what();
        }
        log.line((why.empty() ? "put back " : "did not put back ") + path.text() + (why.empty() ? "" : ": " + why));
        (why.empty() ? r.repaired : r.notRepaired).push_back(path.text() + (why.empty() ? "" : " (" + why + ")"));
    }
}

// A heading and the list under it, the first kShown named.
void listUnder(std::string& text, const std::string& heading, const std::vector<std::string>& lines,
               const shell::MessageTable& m) {
    if (lines.empty()) return;
    text += (text.empty() ? "" : "\r\n\r\n") + heading;
    for (std::size_t i = 0; i < std::min(lines.size(), kShown); ++i) text += "\r\n" + lines[i];
    if (lines.size() > kShown) text += "\r\n" + shell::formatCount(m.get(Text::UninstallMore), lines.size() - kShown);
}

std::vector<std::string> named(const Verification& v, Verdict which) {
    std::vector<std::string> out;
    for (const auto& f : v.files)
        if (f.verdict == which) out.push_back(f.relative.text());
    return out;
}

}  // namespace

RepairReport repair(const Installed& game, shell::DiscSource& discs, shell::Face& face, CheckView& view,
                    shell::RunLog& log) {
    RepairReport r;
    r.checked = verify(game, discs, view, log);
    for (const auto& f : r.checked.files)
        if (f.verdict == Verdict::Unchecked) {
            r.discMissing = true;
            r.notRepaired.push_back((game.folder / f.relative.text()).text() + " (its disc was found nowhere)");
        }
    const auto files = inRepairOrder(r.checked, discs);
    if (files.empty()) return r;
    if (!roomFor(game, files, face, log)) {
        r.noRoom = true;
        for (const auto* f : files) r.notRepaired.push_back((game.folder / f->relative.text()).text());
        return r;
    }
    putBackAll(game, files, discs, view, log, r);
    return r;
}

shell::ExitCode exitOf(const Verification& v) {
    if (v.count(Verdict::Damaged) || v.count(Verdict::Missing) || v.count(Verdict::Unreadable))
        return shell::ExitCode::Damaged;
    return v.count(Verdict::Unchecked) ? shell::ExitCode::DiscMissing : shell::ExitCode::Done;
}

shell::ExitCode exitOf(const RepairReport& r) {
    if (r.noRoom) return shell::ExitCode::NoRoom;
    if (r.discMissing) return shell::ExitCode::DiscMissing;
    return r.notRepaired.empty() ? shell::ExitCode::Done : shell::ExitCode::FilesLeftOut;
}

ReportText checkText(const Verification& v, const shell::MessageTable& m) {
    if (v.intact()) return {shell::formatCount(m.get(Text::AllIntact), v.files.size()), false};
    std::string text;
    listUnder(text, m.get(Text::FilesDamaged), named(v, Verdict::Damaged), m);
    listUnder(text, m.get(Text::FilesMissing), named(v, Verdict::Missing), m);
    listUnder(text, m.get(Text::FilesUnreadable), named(v, Verdict::Unreadable), m);
    listUnder(text, m.get(Text::FilesUnchecked), named(v, Verdict::Unchecked), m);
    return {text + "\r\n\r\n" + m.get(Text::RepairHint), true};
}

ReportText repairText(const RepairReport& r, const shell::MessageTable& m) {
    std::string text;
    if (r.repaired.empty() && r.notRepaired.empty())
        return {shell::formatCount(m.get(Text::AllIntact), r.checked.files.size()), false};
    listUnder(text, m.get(Text::FilesRepaired), r.repaired, m);
    listUnder(text, m.get(Text::NotRepaired), r.notRepaired, m);
    return {text, !r.complete()};
}

}  // namespace uninstall
