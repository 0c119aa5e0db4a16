#include "discinstall/RunRecord.h"

#include "base/Error.h"
#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/Services.h"
#include "shell/Shortcuts.h"
#include "shell/UninstallerFiles.h"

namespace discinstall {

RunRecord::RunRecord() = default;
RunRecord::~RunRecord() = default;

void RunRecord::open(const std::string& installFolder) {
    folder_ = installFolder;
    writer_ = std::make_unique<shell::record::Writer>(installFolder, plat::program().ansiCodePage());
    writer_->language(shell::languageName());
}

void RunRecord::close() { writer_.reset(); }

void RunRecord::makeFolders(const std::string& folder) {
    // The install folder is the record's own.
    std::vector<std::string> missing;
    for (std::string f = shell::record::normalPath(folder);
         f.size() > folder_.size() && !plat::files().folderExists(f); f = text::fileDir(f))
        missing.push_back(f);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) writer_->folderMade(*it);
    plat::createFolders(folder);
}

void RunRecord::announce(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    writer_->fileAnnounced(path, plat::files().fileExists(path));
}

void RunRecord::whole(const std::string& target) { writer_->fileWhole(shell::record::normalPath(target)); }

void RunRecord::inPlace(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    const auto rel = writer_->record().relative(path);
    const auto* known = rel ? writer_->record().gameFile(*rel) : nullptr;
    if (!known || !known->whole) writer_->fileWhole(path);
}

std::vector<std::string> RunRecord::installUninstaller() {
    std::vector<std::string> failed;
    for (const auto& notCopied : shell::record::copyUninstaller(*writer_)) failed.push_back(notCopied.path);
    return failed;
}

void RunRecord::makeGameShortcut() {
    shell::makeRecordedShortcuts(shell::kGameShortcut, folder_ + "\\Vandry.EXE",
                                 [this](const std::string& link) { writer_->shortcut(link); });
}

std::string RunRecord::registerGame(std::uint64_t bytes) {
    shell::registration::Entry entry{shell::messages().get(shell::Text::GameName), folder_, bytes};
    const std::string key = shell::registration::keyName(folder_);
    try {
        shell::registration::registerInstallation(entry, [&](plat::RootKey root) {
            writer_->registered(root, std::string(shell::registration::kUninstallKey) + "\\" + key);
        });
    } catch (const base::Error& e) {
        return e.what();
    }
    return {};
}

}  // namespace discinstall
