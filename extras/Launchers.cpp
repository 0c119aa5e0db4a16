#include "extras/Launchers.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/Services.h"

namespace extras {

const char* const kHomePage = "http://www.example.org/lunavire/";

bool askForSourceFolder() {
    auto folder = shell::pickFolder();
    if (!folder) return false;
    shell::setSourceFolder(text::cutDriveRoot(*folder));
    return true;
}

namespace {
// A setup that cannot start says why, in the error box.
void start(const std::string& path) {
    if (const plat::SysError e = plat::shell().winExec(path, plat::sw::ShowNoActivate); e.failed())
        throw plat::systemError(e, path);
}
}  // namespace

void startSetup(const std::string& relativePath) {
    std::string path = shell::sourceFolder() + relativePath;
    if (plat::files().fileExists(plat::Path(path))) return start(path);
    if (!askForSourceFolder()) return;
    path = shell::sourceFolder() + relativePath;
    plat::requirePathFits(plat::Path(path));
    if (plat::files().fileExists(plat::Path(path))) return start(path);
    using shell::Msg;
    const auto& m = shell::messages();
    shell::showMessage(m.get(Msg::DiscNotFound) + "\r\n" + m.get(Msg::UseGenuineCopy), m.get(Msg::Notice),
                       shell::MsgKind::QuestionNotice);
}

void startDirectXSetup() { startSetup("\\directx\\dxsetup.exe"); }
void startNetShowSetup() { startSetup("\\netshow\\nsplay.exe"); }

void openHomePage() { plat::shell().shellOpen(kHomePage, plat::sw::Show); }

}  // namespace extras
