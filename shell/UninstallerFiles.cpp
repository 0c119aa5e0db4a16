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

std::vector<std::pair<std::string, std::string>> uninstallerCopies(const std::string& installFolder) {
    const std::string own = plat::program().programPath();
    const std::string folder = uninstallFolder(installFolder);
    std::vector<std::pair<std::string, std::string>> copies = {{own, programPath(installFolder)}};
    for (const std::string& name : findLanguageFiles()) {
        const std::string file = text::folderPart(own) + name + ".ini";
        if (plat::files().fileExists(file)) copies.push_back({file, folder + "\\" + name + ".ini"});
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
        const std::string path = normalPath(to);
        record.fileAnnounced(path, plat::files().fileExists(path));
        if (const auto copy = plat::copyReplacing(from, path))
            failed.push_back({path, copy->code});
        else
            record.fileWhole(path);
    }
    return failed;
}

}  // namespace shell::record
