// The disc installation's record of what it writes, the uninstaller it puts
// beside the record and the game's entry in Windows' list of programs.
#include <algorithm>

#include "base/Error.h"
#include "discinstall/InstallFolder.h"
#include "discinstall/Installation.h"
#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/RunLog.h"
#include "shell/Services.h"

namespace discinstall {

void Installation::makeRecordedFolders(const std::string& folder) {
    // Outermost first, each before it is made; the install folder is the record's own.
    std::vector<std::string> missing;
    for (std::string f = shell::record::normalPath(folder);
         f.size() > installFolder_.size() && !plat::files().folderExists(f); f = text::fileDir(f))
        missing.push_back(f);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) record_->folderMade(*it);
    plat::createFolders(folder);
}

void Installation::announce(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    record_->fileAnnounced(path, plat::files().fileExists(path));
}

void Installation::recordWhole(const std::string& target) {
    record_->fileWhole(shell::record::normalPath(target));
}

// A file found whole in place is the installation's too, so that the
// uninstaller takes it away (a reinstall over a set-aside record, a game
// copied in by hand): put on the record unless it is already.
void Installation::recordInPlace(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    const auto rel = record_->record().relative(path);
    const auto* known = rel ? record_->record().gameFile(*rel) : nullptr;
    if (!known || !known->whole) record_->fileWhole(path);
}

// The uninstaller is this program and its language files, copied beside the
// record before disc 1's files.
std::vector<std::pair<std::string, std::string>> Installation::uninstallerCopies() const {
    const std::string own = plat::program().programPath();
    const std::string folder = shell::record::uninstallFolder(installFolder_);
    std::vector<std::pair<std::string, std::string>> copies = {{own, shell::record::programPath(installFolder_)}};
    for (const std::string& name : shell::findLanguageFiles()) {
        const std::string file = text::folderPart(own) + name + ".ini";
        if (plat::files().fileExists(file)) copies.push_back({file, folder + "\\" + name + ".ini"});
    }
    // The installed uninstaller installing into its own folder copies nothing.
    copies.erase(std::remove_if(copies.begin(), copies.end(), [&](const auto& c) { return plat::files().sameFile(c.first, c.second); }),
                 copies.end());
    return copies;
}

// Each copy stands whole beside the file it replaces until it is moved over it.
std::uint64_t Installation::uninstallerRoom(std::uint32_t cluster) const {
    std::uint64_t bytes = 0;
    for (const auto& copy : uninstallerCopies()) {
        plat::FileStamp stamp;
        if (plat::files().fileStamp(copy.first, stamp)) bytes += (stamp.size + cluster - 1) / cluster * cluster;
    }
    return bytes;
}

namespace {

std::uint64_t units(std::uint64_t bytes, std::uint32_t cluster) { return (bytes + cluster - 1) / cluster * cluster; }

// What a file of `size` bytes that grows by `growth` takes more on the drive.
std::uint64_t grown(std::uint64_t size, std::uint64_t growth, std::uint32_t cluster) {
    return growth ? units(size + growth, cluster) - units(size, cluster) : 0;
}

// A generous guess at a log line's bytes: ANSI text becomes UTF-8, where a
// double-byte character takes three bytes; time, words and size around it.
constexpr std::uint64_t kLogLineWords = 96;

}  // namespace

// Besides the copies, a disc's run writes its record's lines (two for each
// file, one for each folder it makes), its log's lines (one for each file)
// and the folders it makes.
std::uint64_t Installation::runRoom(const std::string& prefix, std::uint32_t cluster) const {
    std::uint64_t recordBytes = 0, logBytes = 0, folders = 0;
    std::vector<std::string> made;
    for (std::size_t i = 0; i < files_.count(); ++i) {
        const std::string target = shell::record::normalPath(destination(installFolder_, files_[i], prefix));
        const std::size_t rel = target.size() - installFolder_.size();
        recordBytes += 2 * (rel + 24);
        logBytes += (files_[i].size() + target.size()) * 3 / 2 + kLogLineWords;
        for (std::string dir = text::fileDir(target); dir.size() > installFolder_.size(); dir = text::fileDir(dir)) {
            if (std::any_of(made.begin(), made.end(), [&](const std::string& m) { return text::upperCase(m) == text::upperCase(dir); }))
                break;
            made.push_back(dir);
            if (plat::files().folderExists(dir)) continue;
            ++folders;
            recordBytes += dir.size() - installFolder_.size() + 24;
        }
    }
    plat::FileStamp record, log;
    const std::uint64_t recordSize = plat::files().fileStamp(shell::record::recordPath(installFolder_), record) ? record.size : 0;
    const std::uint64_t logSize = log_ && plat::files().fileStamp(log_->path(), log) ? log.size : 0;
    // The log keeps its last megabyte: when it is trimmed, the trimmed copy
    // (three quarters of it) stands beside it for a moment.
    const std::uint64_t limit = shell::RunLog::kLimit;
    const std::uint64_t logPeak = logSize + logBytes <= limit ? logSize + logBytes : std::max(logSize, limit) + limit / 4 * 3;
    return grown(recordSize, recordBytes, cluster) + grown(logSize, logPeak - logSize, cluster) + folders * cluster;
}

void Installation::installUninstaller() {
    for (const auto& [from, to] : uninstallerCopies()) {
        announce(to);
        if (plat::copyReplacing(from, to))
            run_.leftOut.push_back(to);
        else
            recordWhole(to);
    }
}

// The game in Windows' list of installed programs; the reason when it is
// not, empty otherwise.
std::string Installation::registerGame() {
    shell::registration::Entry entry{shell::messages().get(shell::Text::GameName), installFolder_,
                                     run_.bytesPlaced};
    const std::string key = shell::registration::keyName(installFolder_);
    try {
        shell::registration::registerInstallation(entry, [&](plat::RootKey root) {
            record_->registered(root, std::string(shell::registration::kUninstallKey) + "\\" + key);
        });
    } catch (const base::Error& e) {
        return e.what();
    }
    return {};
}

}  // namespace discinstall
