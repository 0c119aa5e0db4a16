#include "patch/PatchEntry.h"

#include "base/Error.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/UninstallerFiles.h"

namespace patch {

namespace {

// The folder in the list, the registration on the record before the first value.
std::string registerFolder(shell::record::Writer& record, std::uint64_t bytes, shell::RunLog& log) {
    const shell::registration::Entry entry{shell::messages().get(shell::Text::PatchName), record.installFolder(), bytes};
    try {
        const plat::RegKey key = shell::registration::registerInstallation(
            entry, [&](const plat::RegKey& k) { record.registered(k); });
        log.line("in the list of installed programs as " + key.text());
    } catch (const base::Error& e) {
        log.line(std::string("not in the list of installed programs: ") + e.what());
        return e.what();
    }
    return {};
}

}  // namespace

std::uint64_t ownEntryRoom(const plat::Path& folder, std::uint64_t cluster) {
    if (shell::record::unsafeFolder(folder, plat::Path(plat::shell().windowsFolder()))) return 0;
    const auto known = shell::record::load(folder);
    if (known.record && !known.record->patchOnly()) return 0;
    std::uint64_t bytes = 0;
    for (const auto& copy : shell::record::uninstallerCopies(folder)) {
        plat::FileStamp stamp;
        if (plat::files().fileStamp(copy.first, stamp).ok()) bytes += (stamp.size + cluster - 1) / cluster * cluster;
    }
    return bytes;
}

std::string addOwnEntry(shell::record::Writer& record, std::uint64_t bytes, shell::RunLog& log) {
    // A game this program installed keeps its own entry, as it is.
    if (!record.record().patchOnly()) return {};
    std::string failures;
    for (const auto& failed : shell::record::copyUninstaller(record)) {
        const std::string reason = plat::systemError(failed.error, failed.path.text()).what();
        log.line("could not copy the uninstaller: " + reason);
        failures += (failures.empty() ? "" : "\r\n") + reason;
    }
    // An entry whose uninstaller is not whole would offer what it cannot do.
    if (!failures.empty()) {
        log.line("not in the list of installed programs: the uninstaller is not whole");
        return failures;
    }
    log.line("copied the uninstaller to " + shell::record::programPath(record.installFolder()).text());
    return registerFolder(record, bytes, log);
}

void showInstalled(shell::Face& face, const std::string& unregistered) {
    if (unregistered.empty()) {
        face.show(shell::Msg::PatchInstalled, shell::Msg::Notice, shell::MsgKind::Information);
        return;
    }
    const auto& m = shell::messages();
    face.show(m.get(shell::Msg::PatchInstalled) + "\r\n\r\n" + m.get(shell::Text::PatchNotRegistered) + "\r\n" +
                  unregistered,
              m.get(shell::Msg::Warning), shell::MsgKind::Warning);
}

}  // namespace patch
