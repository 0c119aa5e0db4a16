#include "app/App.h"

#include <memory>
#include <optional>

#include "app/Unattended.h"

#include "base/InForce.h"
#include "discinstall/Discs.h"
#include "extras/Launchers.h"
#include "extras/VoiceAddOn.h"
#include "patch/PatchRun.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "shell/CommandLine.h"
#include "shell/Face.h"
#include "shell/Language.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "uninstall/Uninstaller.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;

namespace app {

namespace {

// The windows, and the services in force while they exist: the application
// as the back ends' host (until the last window has gone), the main window's
// settings and the picker.  Members go in the reverse order.
struct Windows {
    std::optional<base::InForce<plat::Host>> host;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::optional<shell::MainWindowSettings> settings;
    std::optional<base::InForce<shell::Settings>> settingsInForce;
    std::optional<base::InForce<TForm3>> picker;
};
std::unique_ptr<Windows> windows;

// The main window's buttons hand over to the other windows and subsystems.
void connect() {
    Form1->discInstall = [] {
        Form2->Edit1->setText(Form1->sourceFolder);
        Form2->ShowModal();
        Form2->PageControl1->setActivePageIndex(0);
    };
    Form1->directXSetup = extras::startDirectXSetup;
    Form1->netShowSetup = extras::startNetShowSetup;
    Form1->homePage = extras::openHomePage;
    Form1->voiceAddOn = [] { extras::installVoiceAddOn(shell::face()); };
    Form1->patchInstall = [] { patch::startPatchInstallation(*Form4); };
    windows->picker.emplace(*Form3);
}

}  // namespace

std::string detectLanguage() { return shell::detectLanguage(*Form1->ComboBox1); }

void applyLanguage(const std::string& name) {
    shell::applyLanguage(name, {*Form1->Memo1, Form1->messages, {Form1, Form2, Form3, Form4}});
}

void createForms(const std::function<void(TForm1&)>& beforeCreate, const std::function<void()>& mainCreated) {
    windows = std::make_unique<Windows>();
    windows->form1 = std::make_unique<TForm1>();
    Form1 = windows->form1.get();
    // The application hosts the back ends from the first window on.
    windows->host.emplace(ui::app());
    ui::app().setMainForm(Form1);
    windows->settings.emplace(*Form1);
    windows->settingsInForce.emplace(*windows->settings);
    Form1->findLanguages = shell::findLanguageFiles;
    Form1->detectLanguage = [] { return detectLanguage(); };
    Form1->applyLanguage = [](const std::string& name) { applyLanguage(name); };
    if (beforeCreate) beforeCreate(*Form1);
    plat::program().startupMark("main window's components and notice");
    Form1->FormCreate();
    plat::program().startupMark("main window's creation step (language list)");
    Form1->createWindows();
    plat::program().startupMark("main window's windows and artwork");
    if (mainCreated) mainCreated();

    windows->form2 = std::make_unique<TForm2>();
    Form2 = windows->form2.get();
    Form2->createWindows();
    plat::program().startupMark("disc installation window");
    windows->form3 = std::make_unique<TForm3>();
    Form3 = windows->form3.get();
    Form3->createWindows();
    plat::program().startupMark("folder picker");
    windows->form4 = std::make_unique<TForm4>();
    Form4 = windows->form4.get();
    Form4->createWindows();
    plat::program().startupMark("patch progress window");
    connect();
}

void destroyForms() {
    windows.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    ui::app().reset();
}

int runProgram() {
    const shell::CommandLine line = shell::parseCommandLine(plat::program().commandLine());
    shell::RunLog::echoTo(plat::Path(line.log));
    if (line.usage || !line.fault.empty()) return showUsage(line);
    // Windows' list of installed programs starts the uninstall mode.
    if (line.uninstall) {
        // A check and a repair find the game's discs as the installation does.
        const uninstall::DiscsFor discs = [&line](shell::Face& face, shell::RunLog& log) -> std::unique_ptr<shell::DiscSource> {
            return std::make_unique<discinstall::Discs>(face, discFolders(line.sources),
                                                        [&log](const std::string& text) { log.line(text); });
        };
        return uninstall::runUninstaller(line, discs);
    }
    if (line.silent) return runUnattended(line);
    if (!uninstall::startOnlyCopy(uninstall::Mode::Installer)) return 0;
    plat::program().startupMark("only copy");
    plat::program().comInitialize();
    plat::program().startupMark("COM");
    // The player sees the main window while the hidden ones are made.
    createForms({}, [] { Form1->Show(); });
    ui::app().run();
    destroyForms();
    return 0;
}

}  // namespace app
