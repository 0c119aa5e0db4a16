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

void RunRecord::open(const plat::Path& installFolder) {
    folder_ = installFolder;
    writer_ = std::make_unique<shell::record::Writer>(installFolder, plat::program().ansiCodePage());
    writer_->language(shell::languageName());
}

void RunRecord::close() { writer_.reset(); }

void RunRecord::makeFolders(const plat::Path& folder) {
    // The install folder is the record's own; a folder that cannot be made
    // shows as its file's failure.
    std::vector<plat::Path> missing;
    for (plat::Path f = folder; f.below(folder_) && !plat::files().folderExists(f); f = f.parent())
        missing.push_back(f);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) writer_->folderMade(*it);
    plat::createFolders(folder);
}

void RunRecord::announce(const plat::Path& target) { writer_->fileAnnounced(target, plat::files().fileExists(target)); }

void RunRecord::whole(const plat::Path& target, const std::optional<shell::record::Digest>& digest) {
    writer_->fileWhole(target, digest);
}

void RunRecord::inPlace(const plat::Path& target) {
    const auto rel = writer_->record().relative(target);
    const auto* known = rel ? writer_->record().gameFile(*rel) : nullptr;
    if (!known || !known->whole) writer_->fileWhole(target);
}

std::vector<plat::Path> RunRecord::installUninstaller() {
    std::vector<plat::Path> failed;
    for (const auto& notCopied : shell::record::copyUninstaller(*writer_)) failed.push_back(notCopied.path);
    return failed;
}

void RunRecord::makeGameShortcut() {
    shell::makeRecordedShortcuts(shell::kGameShortcut, folder_ / "Vandry.EXE",
                                 [this](const plat::Path& link) { writer_->shortcut(link); });
}

void RunRecord::registerGame(std::uint64_t bytes) {
    const shell::registration::Entry entry{shell::messages().get(shell::Text::GameName), folder_, bytes};
    shell::registration::registerInstallation(entry, [&](const plat::RegKey& key) { writer_->registered(key); });
}

}  // namespace discinstall
