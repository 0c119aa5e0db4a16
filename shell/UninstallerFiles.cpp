#include "shell/UninstallerFiles.h"

#include <algorithm>

#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "shell/InstallRecord.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"

namespace shell::record {

std::vector<std::pair<plat::Path, plat::Path>> uninstallerCopies(const plat::Path& installFolder) {
    const plat::Path own(plat::program().programPath());
    const plat::Path folder = uninstallFolder(installFolder);
    std::vector<std::pair<plat::Path, plat::Path>> copies = {{own, programPath(installFolder)}};
    for (const std::string& name : findLanguageFiles()) {
        const plat::Path file = own.parent() / (name + ".ini");
        if (plat::files().fileExists(file)) copies.push_back({file, folder / (name + ".ini")});
    }
    // The installed uninstaller installing into its own folder copies nothing.
    copies.erase(std::remove_if(copies.begin(), copies.end(),
                                [&](const auto& c) { return plat::files().sameFile(c.first, c.second); }),
                 copies.end());
    return copies;
}

std::vector<NotCopied> copyUninstaller(Writer& record) {
    std::vector<NotCopied> failed;
    for (const auto& [from, to] : uninstallerCopies(record.installFolder())) {
        record.fileAnnounced(to, plat::files().fileExists(to));
        if (const auto copy = plat::copyReplacing(from, to))
            failed.push_back({to, copy->error});
        else
            record.fileWhole(to);
    }
    return failed;
}

}  // namespace shell::record
