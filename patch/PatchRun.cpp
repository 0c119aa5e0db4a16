#include "patch/PatchRun.h"

#include <algorithm>
#include <exception>

#include "patch/PatchForm.h"
#include "payload/Payload.h"
#include "platform/FileReplace.h"
#include "platform/Platform.h"
#include "platform/SystemError.h"
#include "shell/FolderPicker.h"
#include "shell/Services.h"
#include "shell/Shortcuts.h"

namespace patch {

namespace {

struct Edition {
    const char* group;
    int shortcutKind;
};

Edition currentEdition() {
    if (shell::edition() == shell::Edition::Simplified) return {"GB_", shell::kSimplifiedShortcut};
    return {"BIG", shell::kTraditionalShortcut};
}

// The five files, in the order they are written.
struct Target {
    const char* payload;
    bool shared;  // the main archive comes from GB_ in both editions
    const char* file;
};
const Target kTargets[] = {
    {"KESTAL", false, "\\KESTAL.exe"},  {"CVandry", false, "\\CVandry.exe"}, {"readme", false, "\\readme.txt"},
    {"game01", false, "\\game01.dat"},  {"game00", true, "\\GAME00.DAT"},
};

const char* groupOf(const Target& t, const Edition& e) { return t.shared ? "GB_" : e.group; }

// A new file may take up to this much more than its size on disk: the
// largest cluster Windows formats by default.
constexpr std::uint64_t kCluster = 64 * 1024;

std::uint64_t onDisk(std::uint64_t bytes) { return (bytes + kCluster - 1) / kCluster * kCluster; }

// What can be known before anything is written, so that a failure that can
// be foreseen changes nothing: every path fits the file calls, the payloads
// are there, no target is a folder, read-only or held open by another
// program, the folder takes a new file, and the disk has room for each new
// file while the old one still stands.
void checkTargets(const std::string& folder, const Edition& edition) {
    auto& p = plat::platform();
    std::int64_t peak = 0, grown = 0;  // grown: by the files already replaced
    for (const Target& t : kTargets) {
        const std::string path = folder + t.file;
        plat::requirePathFits(path);
        plat::requirePathFits(plat::temporaryPath(path));
        const auto size = static_cast<std::int64_t>(onDisk(payload::payloadSize(t.payload, groupOf(t, edition))));
        std::int64_t old = 0;
        plat::FindData found;
        if (p.findFirst(path, found)) {
            if (found.attributes & (plat::attr::Directory | plat::attr::ReadOnly))
                throw plat::systemError(plat::err::AccessDenied, path);
            plat::FileHandle h = p.openWrite(path);
            if (h == plat::kNoFile) throw plat::systemError(p.lastError(), path);
            p.closeFile(h);
            old = found.sizeLow;
        }
        peak = std::max(peak, grown + size);
        grown += size - old;
    }
    if (auto failed = plat::probeFolderOf(folder + kTargets[0].file)) throw plat::systemError(failed->code, folder);
    std::uint64_t free = 0;
    // A disk that cannot tell is left to the writes, which replace each file whole.
    if (p.freeSpace(folder, free) && free < static_cast<std::uint64_t>(peak))
        throw plat::systemError(plat::err::DiskFull, folder);
}

void write(const Target& t, const Edition& edition, const std::string& folder) {
    payload::extractPayload(t.payload, groupOf(t, edition), folder + t.file);
}

}  // namespace

void startPatchInstallation(TForm4& progress) {
    using shell::Msg;
    shell::showMessage(Msg::ChooseGameFolder, Msg::Notice, shell::MsgKind::QuestionNotice);
    auto picked = shell::pickFolder();
    if (!picked) return;  // cancelled: nothing is written
    const std::string game = *picked + "\\Vandry.exe";
    plat::requirePathFits(game);
    if (plat::platform().fileExists(game))
        progress.showFor(*picked);
    else
        shell::showMessage(Msg::NoGameFiles, Msg::Warning, shell::MsgKind::Stop);
}

bool PatchRun::run() {
    auto& p = plat::platform();
    const Edition edition = currentEdition();
    const std::string& f = gameFolder_;

    checkTargets(f, edition);
    write(kTargets[0], edition, f);
    p.processMessages();
    view_.showStep(kLauncherWritten);
    write(kTargets[1], edition, f);
    write(kTargets[2], edition, f);
    p.processMessages();
    view_.showStep(kReadmeWritten);
    write(kTargets[3], edition, f);
    p.processMessages();
    view_.showStep(kArchiveWritten);
    // A shortcut that cannot be made is reported once the main archive is
    // in place too, so that it never leaves the game half patched.
    std::exception_ptr shortcutError;
    try {
        shell::makeShortcuts(edition.shortcutKind, f + "\\KESTAL.exe");
    } catch (const std::exception&) {
        shortcutError = std::current_exception();
    }
    write(kTargets[4], edition, f);
    p.processMessages();
    view_.showStep(kMainArchiveWritten);
    if (shortcutError) std::rethrow_exception(shortcutError);

    shell::showMessage(shell::Msg::PatchInstalled, shell::Msg::Notice, shell::MsgKind::Information);
    p.winExec(plat::systemTool("Notepad.exe") + " " + f + "\\readme.txt", plat::sw::Show);
    return true;
}

}  // namespace patch
