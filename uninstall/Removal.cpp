#include "uninstall/Removal.h"

#include <algorithm>
#include <set>

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/RunLog.h"
#include "shell/Shortcuts.h"
#include "shell/VoiceRecord.h"

namespace uninstall {

namespace {

using shell::record::Record;

// Names a run may leave beside a file it was writing when it was killed.
constexpr unsigned kTemporaryNames = 256;

// The paths, each once (however spelled), in the order given.
struct Once {
    std::vector<plat::Path> paths;
    std::set<std::string> seen;  // plat::Path::key()
    void add(const plat::Path& path) {
        if (seen.insert(path.key()).second) paths.push_back(path);
    }
};

std::string keyText(plat::RootKey root, const std::string& key) {
    return std::string(root == plat::RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + key;
}

// The path of a folder's entry below the root.
std::string entryPath(const plat::Path& folder) {
    return shell::registration::entryKey(plat::RootKey::LocalMachine, shell::registration::keyName(folder)).path;
}

bool contains(const std::vector<plat::Path>& folders, const plat::Path& folder) {
    return std::find(folders.begin(), folders.end(), folder) != folders.end();
}

// Whether the record still names something of the patch: a file or shortcut
// not taken away, or a file whose kept original did not go back.
bool patchLeft(const Record& r) {
    for (const auto& i : r.patchFiles)
        if (!i.undone && (i.ours() || r.activeOriginal(i.path))) return true;
    return std::any_of(r.patchLinks.begin(), r.patchLinks.end(), [](const Record::Item& l) { return !l.undone; });
}

}  // namespace

Removal::Removal(const Record& record, const plat::Path& folder, RemovalView& view, shell::RunLog& log)
    : record_(record), folder_(folder), view_(view), log_(log), former_(findFormerFolders()) {}

void Removal::beginReport() {
    report_ = Report{};
    report_.recordDamaged = damaged_;
    tellIgnored();
}

// ---------------------------------------------------------------- what is where

std::optional<Removal::Found> Removal::locate(const plat::Path& relative, bool* throughLink) {
    if (throughLink) *throughLink = false;
    const std::string& names = relative.text();
    plat::Path at = folder_;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = std::min(text::find(names, '\\', from), names.size());
        plat::FindData entry;
        if (!plat::files().firstMatch(at / names.substr(from, end - from), entry)) return std::nullopt;
        at = at / entry.name;  // as the disk spells it, whatever short name the record used
        const bool file = !(entry.attributes & plat::attr::Directory);
        if ((entry.attributes & plat::attr::ReparsePoint) || (file && plat::isFileLink(at))) {
            if (throughLink) *throughLink = true;
            leaveLink(at);
            return std::nullopt;
        }
        if (end == names.size()) return Found{at, entry.attributes};
        if (!(entry.attributes & plat::attr::Directory)) return std::nullopt;
        from = end + 1;
    }
}

void Removal::leaveLink(const plat::Path& link) {
    if (std::any_of(report_.links.begin(), report_.links.end(), [&](const std::string& l) { return plat::Path(l) == link; }))
        return;
    report_.links.push_back(link.text());
    log_.line("left the link " + link.text() + " as it is: nothing behind it is touched");
}

bool Removal::isSave(const plat::Path& path) const { return path.within(folder_ / "save"); }

std::vector<plat::Path> Removal::findFormerFolders() const {
    std::vector<plat::Path> former;
    auto consider = [&](const plat::Path& folder) {
        if (folder.empty() || folder == folder_ || plat::files().fileExists(shell::record::recordPath(folder))) return;
        if (!contains(former, folder)) former.push_back(folder);
    };
    consider(record_.folder);
    for (const auto& earlier : record_.earlierFolders) consider(earlier);
    return former;
}

// Whether a shortcut's target lies in the game folder, or in one it was moved from.
bool Removal::liesHere(const plat::Path& path) const {
    if (shell::record::plainBelow(path, folder_)) return true;
    return std::any_of(former_.begin(), former_.end(),
                       [&](const plat::Path& former) { return shell::record::plainBelow(path, former).has_value(); });
}

bool Removal::otherInstallationLeft() const {
    for (const auto& [root, location] : shell::registration::otherInstallations(shell::registration::keyName(folder_))) {
        // An entry of an earlier run may spell the folder by its short names.
        const plat::Path folder = plat::longName(location);
        if (folder == folder_ || contains(former_, folder)) continue;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- one file or folder

// Whether nothing can be left: all went, and the record named all there
// was.  A record whose lines did not all read may not name everything, so
// its entry, the record and the uninstaller stay for another run.
bool Removal::settled() const { return report_.complete() && !damaged_; }

bool Removal::failed(const plat::Path& what, plat::SysError error) {
    switch (view_.askAboutFailure(what.text(), error.code())) {
        case plat::Answer::Retry: return false;
        case plat::Answer::Abort: report_.aborted = true; [[fallthrough]];
        case plat::Answer::Ignore:
        case plat::Answer::Ok:  // a box closed by other means
        case plat::Answer::Cancel:
        case plat::Answer::Yes:
        case plat::Answer::No:
            report_.leftOver.push_back(what.text());
            log_.line("left " + what.text() + " (" + shell::errorText(error.code()) + ")");
            return true;
    }
    return true;  // an answer outside the enumeration: as Ignore
}

bool Removal::untilDone(const plat::Path& what, const std::function<Attempt()>& attempt) {
    for (;;) {
        const Attempt a = attempt();
        if (a.kind == Attempt::Done) return true;
        if (a.kind == Attempt::Left || failed(what, a.error)) return false;
    }
}

bool Removal::removeFile(const plat::Path& path, std::uint32_t attributes, bool ours) {
    if (report_.aborted) {
        report_.leftOver.push_back(path.text());
        return false;
    }
    view_.showFile(path.text(), false);
    // A read-only file of ours is still ours to remove; the player's own are asked about.
    if (ours && (attributes & plat::attr::ReadOnly)) {
        const std::uint32_t rest = attributes & ~(plat::attr::ReadOnly | plat::attr::Directory | plat::attr::Normal);
        if (const plat::SysError e = plat::files().setFileAttributes(path, rest ? rest : plat::attr::Normal); e.failed())
            log_.line("could not clear the read-only attribute of " + path.text() + " (" + shell::errorText(e.code()) +
                      ")");
    }
    return untilDone(path, [&] {
        const plat::SysError e = plat::files().deleteFile(path);
        if (e.ok()) {
            log_.line("removed " + path.text());
            return Attempt{Attempt::Done};
        }
        return plat::files().fileExists(path) ? Attempt{Attempt::Failed, e} : Attempt{Attempt::Done};
    });
}

bool Removal::removeRecorded(const plat::Path& relative) {
    const auto found = locate(relative);
    if (!found || (found->attributes & plat::attr::Directory)) return true;
    return removeFile(found->path, found->attributes, true);
}

bool Removal::removeEmptyFolder(const plat::Path& path) {
    if (!plat::files().folderExists(path)) return true;
    if (report_.aborted) return false;
    return untilDone(path, [&] {
        const plat::SysError e = plat::files().removeFolder(path);
        if (e.ok() || !plat::files().folderExists(path)) return Attempt{Attempt::Done};
        // Something of the player's, or a file that stayed.
        return e.code() == plat::err::DirNotEmpty ? Attempt{Attempt::Left} : Attempt{Attempt::Failed, e};
    });
}

// The saved games, when the player says so: never through a link.
void Removal::removeTree(const plat::Path& folder) {
    plat::FindData entry;
    std::vector<plat::FindData> entries;
    if (auto search = plat::files().firstMatch(folder / "*.*", entry)) {
        do {
            if (entry.name != "." && entry.name != "..") entries.push_back(entry);
        } while (search->next(entry));
    }
    for (const auto& e : entries) {
        const plat::Path path = folder / e.name;
        if ((e.attributes & plat::attr::ReparsePoint) ||
            (!(e.attributes & plat::attr::Directory) && plat::isFileLink(path))) {
            leaveLink(path);
        } else if (e.attributes & plat::attr::Directory) {
            removeTree(path);
        } else {
            removeFile(path, e.attributes, false);
        }
    }
    removeEmptyFolder(folder);
}

// The game's shortcuts by their fixed names, each only while it points into this game folder.
void Removal::removeShortcuts(const std::vector<int>& kinds, bool patch) {
    Once links;
    for (int kind : kinds)
        for (const auto& file : shell::shortcutFiles(kind)) links.add(file);
    for (const auto& file : links.paths) {
        if (!plat::files().fileExists(file)) continue;
        std::string target;
        if (plat::shell().shellLinkTarget(file, target).failed() || !liesHere(plat::Path(target))) {
            log_.line("kept the shortcut " + file.text() + ": it points at " +
                      (target.empty() ? "nothing known" : target));
            continue;
        }
        if (removeFile(file, 0, true) && patch) report_.removed.push_back(file.text());
    }
}

// ---------------------------------------------------------------- outside the game folder

void Removal::removeAddOn() {
    if (record_.addOnFiles.empty() && record_.addOnKeys.empty()) return;
    if (otherInstallationLeft()) {
        log_.line("kept the voice add-on: another installation is in the list of programs");
        return;
    }
    for (const auto& a : record_.addOnFiles) {
        plat::FindData entry;
        if (!plat::files().firstMatch(a, entry) || (entry.attributes & plat::attr::Directory)) continue;
        if ((entry.attributes & plat::attr::ReparsePoint) || plat::isFileLink(a)) {
            leaveLink(a);
            continue;
        }
        removeFile(a, entry.attributes, true);
    }
    auto listed = [](const std::vector<Record::Key>& keys, const Record::Key& name) {
        return std::find(keys.begin(), keys.end(), name) != keys.end();
    };
    // The script's names less those that were there before it; a record of
    // the first version told only what the import made.
    auto ours = [&](const Record::Key& name) {
        if (listed(record_.addOnOld, name)) return false;
        return record_.version > 1 || listed(record_.addOnKeys, name);
    };
    std::vector<shell::voice::ScriptKey> names;
    try {
        names = shell::voice::addOnNames();
    } catch (const std::exception& e) {
        // Without the script its keys cannot be told: they stay, and say so.
        log_.line(std::string("left the voice add-on's registry keys: ") + e.what());
        report_.leftOver.push_back("the voice add-on's registry keys");
        return;
    }
    std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return a.key.size() > b.key.size(); });
    const auto gone = [](plat::SysError e) { return e.ok() || e.code() == plat::err::FileNotFound; };
    for (const auto view : shell::voice::kViews)
        for (const auto& k : names) {
            const plat::RegKey key{k.root, view, k.key};
            for (const auto& v : k.values)
                if (ours({k.root, k.key, v, true}) && !gone(plat::registry().deleteValue(key, v)))
                    report_.leftOver.push_back(keyText(k.root, k.key) + " " + v);
            std::vector<std::string> values, subkeys;
            // A key goes only once nothing else lives in it.
            if (!ours({k.root, k.key, "", false}) || plat::registry().valueNames(key, values).failed() ||
                plat::registry().subKeys(key, subkeys).failed() || !values.empty() || !subkeys.empty())
                continue;
            if (!gone(plat::registry().deleteKey(key))) report_.leftOver.push_back(keyText(k.root, k.key));
        }
}

// The entry in Windows' list that names this folder, and those of the
// folders it was moved from; never one a record line names.
void Removal::removeEntries() {
    std::vector<plat::Path> folders = former_;
    folders.insert(folders.begin(), folder_);
    for (const auto& folder : folders) {
        const std::string key = shell::registration::keyName(folder);
        for (const auto root : shell::registration::entriesOf(folder)) {
            const std::string entry = shell::registration::entryKey(root, key).text();
            if (shell::registration::unregister(root, key).ok()) {
                log_.line("removed the entry " + entry);
            } else {
                report_.leftOver.push_back(entry);
            }
        }
    }
}

void Removal::removeOwnFiles(bool gameFolderToo) {
    const plat::Path ownFolder(shell::record::kOwnFolder);
    const auto own = locate(ownFolder);
    if (!own || !(own->attributes & plat::attr::Directory)) return;
    const plat::Path program = ownFolder / shell::record::kProgramName;
    for (const auto& i : record_.files)
        if (i.path.below(ownFolder) && i.path != program) removeRecorded(i.path);
    removeRecorded(ownFolder / shell::record::kSetAsideName);
    removeRecorded(ownFolder / shell::record::kFileName);
    const plat::Path installed = own->path / shell::record::kProgramName;
    if (plat::files().sameFile(plat::Path(plat::program().programPath()), installed)) {
        // The running program cannot go while it runs: it goes with its
        // folders when Windows starts again, in this order.
        if (plat::files().deleteAtRestart(installed).ok()) {
            report_.atRestart.push_back(installed.text());
            plat::files().deleteAtRestart(own->path);
            if (gameFolderToo) plat::files().deleteAtRestart(folder_);
        } else {
            report_.leftOver.push_back(installed.text());
        }
    } else {
        removeRecorded(program);
        removeEmptyFolder(own->path);
    }
    if (gameFolderToo) removeEmptyFolder(folder_);
    const plat::Path shortcuts = shell::shortcutFolder();
    if (!shortcuts.empty()) removeEmptyFolder(shortcuts);
}

// What the record names that it may not: told, never acted on.
void Removal::tellIgnored() {
    for (const auto& i : record_.ignored)
        report_.ignored.push_back(std::to_string(i.line) + ": " + i.text);
    std::vector<std::string> keys;
    for (const auto& folder : {record_.folder, folder_}) keys.push_back(entryPath(folder));
    for (const auto& folder : record_.earlierFolders) keys.push_back(entryPath(folder));
    for (const auto& [root, key] : record_.registrations)
        if (std::none_of(keys.begin(), keys.end(), [&](const std::string& k) { return text::sameRegistryName(k, key); }))
            report_.ignored.push_back(std::string("registered\t") + shell::record::rootName(root) + "\t" + key);
    if (!record_.linkFolder.empty() && record_.linkFolder != shell::shortcutFolder())
        report_.ignored.push_back("links\t" + record_.linkFolder.text());
    for (const auto& i : report_.ignored) log_.line("ignored the record's line " + i);
}

// ---------------------------------------------------------------- the whole game

// What the runs wrote: the patch's files, the game's (the uninstaller's own
// go last, by removeOwnFiles), the originals kept, and what a killed run
// left beside the file it was writing.
std::vector<plat::Path> Removal::filesWritten() const {
    const plat::Path ownFolder(shell::record::kOwnFolder);
    Once files;
    for (const auto& i : record_.patchFiles)
        if (!i.undone && i.ours()) files.add(i.path);
    for (const auto& i : record_.files)
        if (i.ours() && !i.path.below(ownFolder)) files.add(i.path);
    for (const auto& o : record_.originals) files.add(o.kept);
    for (const auto* list : {&record_.files, &record_.patchFiles})
        for (const auto& i : *list) {
            if (i.whole) continue;
            for (unsigned n = 0; n < kTemporaryNames; ++n) files.add(plat::temporaryPath(i.path, n));
        }
    return files.paths;
}

// The saved games only when asked.
void Removal::removeFilesWritten(bool saves) {
    for (const auto& written : filesWritten()) {
        const auto found = locate(written);
        if (!found || (found->attributes & plat::attr::Directory)) continue;
        if (!saves && isSave(found->path)) continue;
        removeFile(found->path, found->attributes, true);
    }
    if (saves) {
        const auto save = locate(plat::Path("save"));
        if (save && (save->attributes & plat::attr::Directory)) removeTree(save->path);
    }
}

// Folders the runs made, the deepest first; one that holds anything stays.
void Removal::removeFoldersMade() {
    std::vector<plat::Path> folders;
    for (const auto& d : record_.folders) folders.push_back(d.path);
    folders.push_back(plat::Path(shell::record::kOwnOriginals));
    std::stable_sort(folders.begin(), folders.end(), [](const plat::Path& a, const plat::Path& b) {
        return a.text().size() > b.text().size();
    });
    for (const auto& d : folders)
        if (const auto found = locate(d); found && (found->attributes & plat::attr::Directory))
            removeEmptyFolder(found->path);
}

// What stays of the player's: the saved games, and the folder with files of their own.
void Removal::tellWhatStays(bool saves) {
    const plat::Path savesFolder = folder_ / "save";
    if (!saves && plat::files().folderExists(savesFolder)) report_.kept.push_back(savesFolder.text());
    const auto ownsNothing = [&](const std::string& name) {
        // The uninstall folder stays only with what goes when Windows starts again.
        return name == "." || name == ".." || plat::Path(name) == plat::Path("save") ||
               (plat::Path(name) == plat::Path(shell::record::kFolderName) && !report_.atRestart.empty());
    };
    plat::FindData entry;
    if (auto search = plat::files().firstMatch(folder_ / "*.*", entry)) {
        bool ownFiles = false;
        do {
            ownFiles = ownFiles || !ownsNothing(entry.name);
        } while (search->next(entry));
        if (ownFiles && report_.complete()) report_.kept.push_back(folder_.text());
    }
}

Report Removal::removeGame(bool saves) {
    beginReport();
    removeFilesWritten(saves);
    removeFoldersMade();
    removeShortcuts({shell::kGameShortcut, shell::kSimplifiedShortcut, shell::kTraditionalShortcut}, false);
    if (report_.complete() && damaged_)
        log_.line("kept the entry, the record and the uninstaller: the record is damaged, so files it no longer "
                  "names may stay");
    if (settled()) removeAddOn();
    // The entry in Windows' list goes before the uninstaller: a kill after it
    // leaves an uninstaller that still finds its record.
    if (settled()) removeEntries();
    if (settled()) removeOwnFiles(true);
    tellWhatStays(saves);
    log_.line(report_.complete() ? "outcome: removed" : "outcome: incomplete, " + std::to_string(report_.leftOver.size()) +
                                                            " left" + (report_.aborted ? ", stopped by the player" : ""));
    return report_;
}

// ---------------------------------------------------------------- the patch alone

// Every file the patch replaced needs its original, or nothing changes.
std::optional<std::vector<Removal::Restore>> Removal::originalsToRestore(const Record& record,
                                                                         const std::vector<Record::Item>& files) {
    std::vector<Restore> originals;
    for (const auto& i : files) {
        if (!i.existedBefore) continue;
        const auto* o = record.activeOriginal(i.path);
        const auto kept = o ? locate(o->kept) : std::nullopt;
        if (!kept || (kept->attributes & plat::attr::Directory)) {
            report_.outcome = Report::NoOriginals;
            log_.line("outcome: the original of " + i.path.text() + " is not there; nothing changed");
            return std::nullopt;
        }
        originals.push_back({i.path, *kept});
    }
    return originals;
}

void Removal::restoreOriginals(const std::vector<Restore>& originals, shell::record::Writer& writer) {
    for (const auto& o : originals) {
        const plat::Path target = folder_ / o.target.text();
        bool link = false;
        const auto there = locate(o.target, &link);
        if (report_.aborted || link) {
            report_.leftOver.push_back(target.text());
            continue;
        }
        const plat::Path path = there ? there->path : target;
        if (there && (there->attributes & plat::attr::ReadOnly))
            plat::files().setFileAttributes(path, plat::attr::Normal);  // the patch's file, ours to replace
        view_.showFile(path.text(), true);
        // The game file is either the patch's, whole, or its original; the
        // kept copy goes only once the record says so, so that a run killed
        // on the way can put it back again.
        const bool putBack = untilDone(path, [&] {
            const auto copied = plat::copyReplacing(o.kept.path, path);
            return copied ? Attempt{Attempt::Failed, copied->error} : Attempt{Attempt::Done};
        });
        if (!putBack) continue;
        writer.restored(o.target);
        report_.restored.push_back(path.text());
        log_.line("put back the original of " + path.text());
        plat::files().deleteFile(o.kept.path);  // one left goes with the whole game
    }
}

// The files the patch added (those it replaced are put back).
void Removal::removePatchFiles(const std::vector<Record::Item>& files, shell::record::Writer& writer) {
    for (const auto& i : files) {
        if (i.existedBefore) continue;
        const auto found = locate(i.path);
        if (found && !(found->attributes & plat::attr::Directory)) {
            if (!removeFile(found->path, found->attributes, true)) continue;
            report_.removed.push_back(found->path.text());
        }
        writer.unpatched(i.path);
    }
}

void Removal::removePatchLinks(const std::vector<Record::Item>& links, shell::record::Writer& writer) {
    if (links.empty()) return;
    removeShortcuts({shell::kSimplifiedShortcut, shell::kTraditionalShortcut}, true);
    for (const auto& l : links) {
        const auto stayed = [&](const std::string& left) { return plat::Path(plat::Path(left).name()) == l.path; };
        if (std::none_of(report_.leftOver.begin(), report_.leftOver.end(), stayed)) writer.unpatched(l.path);
    }
}

Report Removal::removePatch(shell::record::Writer& writer) {
    beginReport();
    const Record& record = writer.record();
    std::vector<Record::Item> files, links;
    for (const auto& i : record.patchFiles)
        if (!i.undone && i.ours()) files.push_back(i);
    for (const auto& i : record.patchLinks)
        if (!i.undone) links.push_back(i);
    if (files.empty() && links.empty()) {
        // A patch of an earlier version left its launcher and no record of it.
        report_.outcome = plat::files().fileExists(folder_ / "KESTAL.exe") ? Report::NoOriginals : Report::NoPatch;
        log_.line(report_.outcome == Report::NoPatch ? "outcome: no patch to remove" : "outcome: no originals kept");
        return report_;
    }
    const auto originals = originalsToRestore(record, files);
    if (!originals) return report_;
    restoreOriginals(*originals, writer);
    removePatchFiles(files, writer);
    removePatchLinks(links, writer);
    if (const auto originalsFolder = locate(plat::Path(shell::record::kOwnOriginals)))
        removeEmptyFolder(originalsFolder->path);
    log_.line(report_.complete() ? "outcome: the patch is removed" : "outcome: incomplete");
    return report_;
}

Report Removal::removeOwnTraces(Report patch) {
    report_ = std::move(patch);
    if (report_.outcome == Report::NoOriginals || !report_.leftOver.empty() || report_.aborted || patchLeft(record_))
        return report_;
    // The patch is gone, whether this removal or an earlier one took it.
    report_.outcome = Report::Done;
    for (const auto& o : record_.originals) removeRecorded(o.kept);
    for (const auto& i : record_.patchFiles)
        if (!i.whole)
            for (unsigned n = 0; n < kTemporaryNames; ++n) removeRecorded(plat::temporaryPath(i.path, n));
    const auto originals = locate(plat::Path(shell::record::kOwnOriginals));
    if (originals && (originals->attributes & plat::attr::Directory)) removeEmptyFolder(originals->path);
    if (settled()) removeAddOn();
    if (settled()) removeEntries();
    if (settled()) removeOwnFiles(false);
    log_.line(report_.complete() ? "outcome: nothing of this program is left beside the game"
                                 : "outcome: incomplete, " + std::to_string(report_.leftOver.size()) + " left");
    return report_;
}

}  // namespace uninstall
