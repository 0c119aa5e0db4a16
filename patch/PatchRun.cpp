#include "patch/PatchRun.h"

#include "extras/FolderPicker.h"
#include "extras/Shortcuts.h"
#include "patch/PatchForm.h"
#include "payload/Payload.h"
#include "platform/Platform.h"
#include "shell/Services.h"

namespace patch {

namespace {

struct Edition {
    const char* group;
    int shortcutKind;
};

Edition currentEdition() {
    if (shell::edition() == shell::Edition::Simplified) return {"GB_", extras::kSimplifiedShortcut};
    return {"BIG", extras::kTraditionalShortcut};
}

}  // namespace

void startPatchInstallation(TForm4& progress) {
    using shell::Msg;
    shell::showMessage(Msg::ChooseGameFolder, Msg::Notice, shell::MsgKind::QuestionNotice);
    auto picked = extras::pickFolder();
    if (!picked) return;  // cancelled: nothing is written
    progress.gameFolder = *picked;
    if (plat::platform().fileExists(progress.gameFolder + "\\Vandry.exe"))
        progress.ShowModal();
    else
        shell::showMessage(Msg::NoGameFiles, Msg::Warning, shell::MsgKind::Stop);
}

bool runPatch(TForm4& progress) {
    auto& p = plat::platform();
    const Edition edition = currentEdition();
    const std::string& f = progress.gameFolder;
    ui::Gauge& gauge = *progress.Gauge1;

    payload::extractPayload("KESTAL", edition.group, f + "\\KESTAL.exe");
    p.processMessages();
    gauge.setProgress(kLauncherWritten);
    payload::extractPayload("CVandry", edition.group, f + "\\CVandry.exe");
    payload::extractPayload("readme", edition.group, f + "\\readme.txt");
    p.processMessages();
    gauge.setProgress(kReadmeWritten);
    payload::extractPayload("game01", edition.group, f + "\\game01.dat");
    p.processMessages();
    gauge.setProgress(kArchiveWritten);
    extras::makeShortcuts(edition.shortcutKind, f + "\\KESTAL.exe");
    // The main archive is the same in both editions.
    payload::extractPayload("game00", "GB_", f + "\\GAME00.DAT");
    p.processMessages();
    gauge.setProgress(kMainArchiveWritten);

    shell::showMessage(shell::Msg::PatchInstalled, shell::Msg::Notice, shell::MsgKind::Information);
    p.winExec(plat::systemTool("Notepad.exe") + " " + f + "\\readme.txt", plat::sw::Show);
    return true;
}

}  // namespace patch
