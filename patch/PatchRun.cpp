#include "patch/PatchRun.h"

#include "extras/Launchers.h"
#include "extras/Shortcuts.h"
#include "payload/Payload.h"
#include "platform/Platform.h"
#include "shell/Language.h"
#include "shell/Program.h"

namespace patch {

namespace {

std::string folder;  // F: the picker's path as it comes, "X:\" for a drive root

struct Edition {
    const char* group;
    int shortcutKind;
};

Edition currentEdition() {
    if (Form1->ComboBox1->selectedText() == shell::kSimplified) return {"GB_", 2};
    return {"BIG", 3};
}

void showStep() {
    Form4->Timer1->setEnabled(true);
    Form4->Gauge1->setProgress(0);
}

void tick() {
    Form4->Gauge1->setProgress(10);
    Form4->Timer1->setEnabled(false);
    try {
        if (runPatch()) Form4->Close();
    } catch (const std::exception& e) {
        // The window has no close box: once the error is reported, take the
        // user back to the main window.  What was written stays.
        ui::app().showError(e.what());
        Form4->Close();
    }
}

}  // namespace

const std::string& gameFolder() { return folder; }

void connectPatchWindow() {
    Form4->OnShow = showStep;
    Form4->Timer1->OnTimer = tick;
}

void startPatchInstallation() {
    const auto& m = Form1->messages;
    shell::showMessage(m.get(15), m.get(1), shell::MsgKind::QuestionNotice);
    auto picked = extras::pickFolder();
    if (!picked) return;  // cancelled: nothing is written
    folder = *picked;
    if (plat::platform().fileExists(folder + "\\Vandry.exe"))
        Form4->ShowModal();
    else
        shell::showMessage(m.get(16), m.get(8), shell::MsgKind::Stop);
}

bool runPatch() {
    auto& p = plat::platform();
    const Edition edition = currentEdition();
    const std::string& f = folder;
    ui::Gauge& gauge = *Form4->Gauge1;

    payload::extractPayload("KESTAL", edition.group, f + "\\KESTAL.exe");
    p.processMessages();
    gauge.setProgress(30);
    payload::extractPayload("CVandry", edition.group, f + "\\CVandry.exe");
    payload::extractPayload("readme", edition.group, f + "\\readme.txt");
    p.processMessages();
    gauge.setProgress(50);
    payload::extractPayload("game01", edition.group, f + "\\game01.dat");
    p.processMessages();
    gauge.setProgress(85);
    extras::makeShortcuts(edition.shortcutKind, f + "\\KESTAL.exe");
    // The main archive is the same in both editions.
    payload::extractPayload("game00", "GB_", f + "\\GAME00.DAT");
    p.processMessages();
    gauge.setProgress(99);

    const auto& m = Form1->messages;
    shell::showMessage(m.get(17), m.get(1), shell::MsgKind::Information);
    p.winExec("Notepad.exe " + f + "\\readme.txt", plat::sw::Show);
    return true;
}

}  // namespace patch
