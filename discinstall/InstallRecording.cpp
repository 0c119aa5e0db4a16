// The disc installation's record of what it writes, the uninstaller it puts
// beside the record and the game's entry in Windows' list of programs.
#include <algorithm>

#include "base/Error.h"
#include "discinstall/Installation.h"
#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Platform.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/Services.h"

namespace discinstall {

void Installation::makeRecordedFolders(const std::string& folder) {
    auto& p = plat::platform();
    // Outermost first, each before it is made; the install folder is the record's own.
    std::vector<std::string> missing;
    for (std::string f = shell::record::normalPath(folder);
         f.size() > installFolder_.size() && !p.folderExists(f); f = text::fileDir(f))
        missing.push_back(f);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) record_->add({"dir", *it});
    plat::createFolders(folder);
}

void Installation::announce(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    record_->add({"file?", path, plat::platform().fileExists(path) ? "old" : "new"});
}

void Installation::recordWhole(const std::string& target) {
    record_->add({"file", shell::record::normalPath(target)});
}

// The uninstaller is this program and its language files, copied beside the
// record before disc 1's files.
std::vector<std::pair<std::string, std::string>> Installation::uninstallerCopies() const {
    auto& p = plat::platform();
    const std::string own = p.programPath();
    const std::string folder = shell::record::uninstallFolder(installFolder_);
    std::vector<std::pair<std::string, std::string>> copies = {{own, shell::record::programPath(installFolder_)}};
    for (const std::string& name : shell::findLanguageFiles()) {
        const std::string file = text::folderPart(own) + name + ".ini";
        if (p.fileExists(file)) copies.push_back({file, folder + "\\" + name + ".ini"});
    }
    // The installed uninstaller installing into its own folder copies nothing.
    copies.erase(std::remove_if(copies.begin(), copies.end(), [&](const auto& c) { return p.sameFile(c.first, c.second); }),
                 copies.end());
    return copies;
}

// Each copy stands whole beside the file it replaces until it is moved over it.
std::uint64_t Installation::uninstallerRoom(std::uint32_t cluster) const {
    std::uint64_t bytes = 0;
    for (const auto& copy : uninstallerCopies()) {
        plat::FileStamp stamp;
        if (plat::platform().fileStamp(copy.first, stamp)) bytes += (stamp.size + cluster - 1) / cluster * cluster;
    }
    return bytes;
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
            record_->add({"registered", shell::record::rootName(root),
                          std::string(shell::registration::kUninstallKey) + "\\" + key});
        });
    } catch (const base::Error& e) {
        return e.what();
    }
    return {};
}

}  // namespace discinstall
