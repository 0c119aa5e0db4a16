#include "uninstall/Removal.h"

#include <algorithm>
#include <set>

#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/VoiceRecord.h"

namespace uninstall {

namespace {

using shell::record::Record;

// Names a run may leave beside a file it was writing when it was killed.
constexpr unsigned kTemporaryNames = 256;

// A file the record names that a run wrote, or announced and found no file
// of that name before it: ours either way.
bool written(const Record::Item& i) { return i.whole || !i.existedBefore; }

// The files, each once, in the order given.
void addOnce(std::vector<std::string>& files, std::set<std::string>& seen, const std::string& path) {
    if (seen.insert(text::upperCase(path)).second) files.push_back(path);
}

}  // namespace

Removal::Removal(const Record& record, RemovalView& view) : record_(record), view_(view) {}

bool Removal::otherInstallationLeft() const {
    for (const auto& [root, folder] : shell::registration::otherInstallations(
             shell::registration::keyName(record_.folder)))
        if (text::upperCase(folder) != text::upperCase(record_.folder)) return true;
    return false;
}

bool Removal::isSave(const std::string& path) const {
    return shell::record::below(path, record_.folder + "\\save");
}

bool Removal::remove(const std::string& path) {
    auto& p = plat::platform();
    if (!p.fileExists(path)) return true;
    if (report_.aborted) {
        report_.leftOver.push_back(path);
        return false;
    }
    view_.showFile(path, false);
    for (;;) {
        if (p.deleteFile(path) || !p.fileExists(path)) return true;
        switch (view_.askAboutFailure(path, p.lastError())) {
            case plat::Answer::Retry: continue;
            case plat::Answer::Abort: report_.aborted = true; [[fallthrough]];
            default: report_.leftOver.push_back(path); return false;
        }
    }
}

bool Removal::removeEmptyFolder(const std::string& path) {
    auto& p = plat::platform();
    if (!p.folderExists(path)) return true;
    if (report_.aborted) return false;
    for (;;) {
        if (p.removeFolder(path) || !p.folderExists(path)) return true;
        const std::uint32_t code = p.lastError();
        if (code == plat::err::DirNotEmpty) return false;  // something of the player's, or a file that stayed
        switch (view_.askAboutFailure(path, code)) {
            case plat::Answer::Retry: continue;
            case plat::Answer::Abort: report_.aborted = true; [[fallthrough]];
            default: report_.leftOver.push_back(path); return false;
        }
    }
}

void Removal::removeTree(const std::string& folder) {
    auto& p = plat::platform();
    plat::FindData entry;
    std::vector<std::string> files, folders;
    if (auto search = p.findFirst(folder + "\\*.*", entry)) {
        do {
            if (entry.name == "." || entry.name == "..") continue;
            (entry.attributes & plat::attr::Directory ? folders : files).push_back(folder + "\\" + entry.name);
        } while (search->next(entry));
    }
    for (const auto& f : files) remove(f);
    for (const auto& f : folders) removeTree(f);
    removeEmptyFolder(folder);
}

Report Removal::removeGame(bool saves) {
    auto& p = plat::platform();
    report_ = Report{};
    const std::string& folder = record_.folder;
    const std::string own = shell::record::uninstallFolder(folder);

    // What the runs wrote: the patch's files, the game's (the saved games
    // only when asked; the uninstaller's own last), the originals kept, the
    // shortcuts, the add-on's files left in C:, and what a killed run left
    // beside the file it was writing.
    std::vector<std::string> files;
    std::set<std::string> seen;
    for (const auto& i : record_.patchFiles)
        if (!i.undone && written(i)) addOnce(files, seen, i.path);
    for (const auto& i : record_.files)
        if (written(i) && !shell::record::below(i.path, own) && (saves || !isSave(i.path))) addOnce(files, seen, i.path);
    for (const auto& o : record_.originals) addOnce(files, seen, o.kept);
    for (const auto* links : {&record_.links, &record_.patchLinks})
        for (const auto& i : *links)
            if (!i.undone) addOnce(files, seen, i.path);
    for (const auto& a : record_.addOnFiles) addOnce(files, seen, a);
    for (const auto* list : {&record_.files, &record_.patchFiles})
        for (const auto& i : *list) {
            if (i.whole || (isSave(i.path) && !saves)) continue;
            for (unsigned n = 0; n < kTemporaryNames; ++n) {
                const std::string t = plat::temporaryPath(i.path, n);
                if (p.fileExists(t)) addOnce(files, seen, t);
            }
        }
    for (const auto& f : files) remove(f);
    if (saves) removeTree(folder + "\\save");

    // Folders the runs made, the deepest first; one that holds anything stays.
    std::vector<std::string> folders;
    for (const auto& d : record_.folders) folders.push_back(d.path);
    folders.push_back(shell::record::originalsFolder(folder));
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& d : folders) removeEmptyFolder(d);

    // The add-on's keys and values that its import made, values before keys,
    // the deepest key first; kept while another installation may use them.
    if (report_.complete() && !record_.addOnKeys.empty() && !otherInstallationLeft()) {
        auto keys = record_.addOnKeys;
        std::stable_sort(keys.begin(), keys.end(), [](const Record::Key& a, const Record::Key& b) {
            return !a.value.empty() > !b.value.empty() || (a.value.empty() && b.value.empty() && a.key.size() > b.key.size());
        });
        for (const auto& k : keys) {
            const bool gone = k.value.empty() ? p.registryDeleteKey(k.root, shell::voice::kView, k.key)
                                              : p.registryDeleteValue(k.root, shell::voice::kView, k.key, k.value);
            if (!gone && p.lastError() != plat::err::FileNotFound)
                report_.leftOver.push_back(std::string(shell::record::rootName(k.root)) + "\\" + k.key +
                                           (k.value.empty() ? "" : " " + k.value));
        }
    }
    if (report_.complete()) {
        // The entry in Windows' list goes first: a kill after it leaves an
        // uninstaller that still finds its record.
        for (const auto& [root, key] : record_.registrations)
            if (!p.registryDeleteKey(root, shell::registration::kView, key) && p.lastError() != plat::err::FileNotFound)
                report_.leftOver.push_back(std::string(root == plat::RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE\\"
                                                                                            : "HKEY_CURRENT_USER\\") +
                                           key);
    }
    if (report_.complete()) {
        for (const auto& i : record_.files)
            if (shell::record::below(i.path, own) && text::upperCase(i.path) !=
                                                         text::upperCase(shell::record::programPath(folder)))
                remove(i.path);
        remove(own + "\\Uninstall.old");
        remove(shell::record::recordPath(folder));
        const std::string program = shell::record::programPath(folder);
        if (p.sameFile(p.programPath(), program)) {
            // The running program cannot go while it runs: it goes with its
            // folders when Windows starts again, in this order.
            if (p.deleteAtRestart(program)) {
                report_.atRestart.push_back(program);
                p.deleteAtRestart(own);
                p.deleteAtRestart(folder);
            } else {
                report_.leftOver.push_back(program);
            }
        } else {
            remove(program);
            removeEmptyFolder(own);
        }
        removeEmptyFolder(folder);
        if (!record_.linkFolder.empty()) removeEmptyFolder(record_.linkFolder);
    }

    // What stays of the player's: the saved games, and the folder with files of their own.
    if (!saves && p.folderExists(folder + "\\save")) report_.kept.push_back(folder + "\\save");
    plat::FindData entry;
    if (auto search = p.findFirst(folder + "\\*.*", entry)) {
        bool ownFiles = false;
        do {
            const std::string name = text::upperCase(entry.name);
            ownFiles = ownFiles || (name != "." && name != ".." && name != "SAVE" &&
                                      !(name == text::upperCase(shell::record::kFolderName) && !report_.atRestart.empty()));
        } while (search->next(entry));
        if (ownFiles && report_.complete()) report_.kept.push_back(folder);
    }
    return report_;
}

Report Removal::removePatch(shell::record::Writer& writer) {
    auto& p = plat::platform();
    report_ = Report{};
    const Record& r = writer.record();
    const std::string& folder = r.folder;

    std::vector<Record::Item> files, links;
    for (const auto& i : r.patchFiles)
        if (!i.undone && written(i)) files.push_back(i);
    for (const auto& i : r.patchLinks)
        if (!i.undone) links.push_back(i);
    if (files.empty() && links.empty()) {
        // A patch of an earlier version left its launcher and no record of it.
        report_.outcome = p.fileExists(folder + "\\KESTAL.exe") ? Report::NoOriginals : Report::NoPatch;
        return report_;
    }
    // Every file the patch replaced needs its original, or nothing changes.
    std::vector<Record::Original> originals;
    for (const auto& i : files) {
        if (!i.existedBefore) continue;
        const auto* o = r.activeOriginal(i.path);
        if (!o || !p.fileExists(o->kept)) {
            report_.outcome = Report::NoOriginals;
            return report_;
        }
        originals.push_back(*o);
    }

    for (const auto& o : originals) {
        if (report_.aborted) {
            report_.leftOver.push_back(o.target);
            continue;
        }
        view_.showFile(o.target, true);
        for (;;) {
            // The game file is either the patch's, whole, or its original;
            // the kept copy goes only once the record says so, so that a run
            // killed on the way can put it back again.
            const auto failed = plat::copyReplacing(o.kept, o.target);
            if (!failed) {
                writer.add({"restored", o.target});
                report_.restored.push_back(o.target);
                p.deleteFile(o.kept);  // one left goes with the whole game
                break;
            }
            const plat::Answer a = view_.askAboutFailure(o.target, failed->code);
            if (a == plat::Answer::Retry) continue;
            if (a == plat::Answer::Abort) report_.aborted = true;
            report_.leftOver.push_back(o.target);
            break;
        }
    }
    for (const auto* list : {&files, &links})
        for (const auto& i : *list) {
            if (list == &files && i.existedBefore) continue;  // put back above
            const bool there = p.fileExists(i.path);
            if (!remove(i.path)) continue;
            writer.add({"unpatched", i.path});
            if (there) report_.removed.push_back(i.path);
        }
    removeEmptyFolder(shell::record::originalsFolder(folder));
    return report_;
}

}  // namespace uninstall
