#include "extras/Launchers.h"

#include "platform/Platform.h"
#include "shell/Paths.h"
#include "shell/Program.h"

namespace extras {

const char* const kHomePage = "http://www.example.org/lunavire/";

void connectFolderPicker() {
    Form3->Button1->OnClick = [] { Form3->setModalResult(ui::mrOk); };
    Form3->Button2->OnClick = [] { Form3->setModalResult(ui::mrCancel); };
}

std::optional<std::string> pickFolder() {
    if (Form3->ShowModal() != ui::mrOk) return std::nullopt;
    return Form3->ShellTreeView1->path();
}

bool askForSourceFolder() {
    auto folder = pickFolder();
    if (!folder) return false;
    Form1->sourceFolder = shell::cutDriveRoot(*folder);
    return true;
}

void startSetup(const std::string& relativePath) {
    auto& p = plat::platform();
    std::string path = Form1->sourceFolder + relativePath;
    if (p.fileExists(path)) return p.winExec(path, plat::sw::ShowNoActivate);
    if (!askForSourceFolder()) return;
    path = Form1->sourceFolder + relativePath;
    if (p.fileExists(path)) return p.winExec(path, plat::sw::ShowNoActivate);
    const auto& m = Form1->messages;
    shell::showMessage(m.get(3) + "\r\n" + m.get(4), m.get(1), shell::MsgKind::QuestionNotice);
}

void startDirectXSetup() { startSetup("\\directx\\dxsetup.exe"); }
void startNetShowSetup() { startSetup("\\netshow\\nsplay.exe"); }

void openHomePage() { plat::platform().shellOpen(kHomePage, plat::sw::Show); }

}  // namespace extras
