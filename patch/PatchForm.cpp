#include "patch/PatchForm.h"

#include "patch/PatchRun.h"
#include "shell/Face.h"

namespace {

const ui::ControlDef kControls[] = {
    // control                     parent  left top width height
    {UI_CONTROL(TForm4, Gauge1),   "",     {16,  18, 289,  28}},
};

const ui::EventDef kEvents[] = {
    UI_FORM_EVENT(TForm4, OnShow, FormShow),
    UI_EVENT(TForm4, Timer1, OnTimer, Timer1Timer),
};

// No border icons at all: the window closes itself when the run is over.
const ui::FormDef kWindow{
    "TForm4", "Form4", "《Lunavire》汉化补丁安装",
    {0, 0, 323, 67}, ui::kNoBorderIcons, ui::BorderStyle::Single, ui::Position::MainFormCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

}  // namespace

TForm4::TForm4() : ui::Form(kWindow) {
    buildControls();
    Timer1 = &addTimer("Timer1", 300, false);
    bindEvents();
}

void TForm4::showFor(const std::string& gameFolder) {
    run_.setGameFolder(gameFolder);
    ShowModal();
}

void TForm4::FormShow() {
    Timer1->setEnabled(true);
    Gauge1->setProgress(patch::kShown);
}

void TForm4::Timer1Timer() {
    Gauge1->setProgress(patch::kStarted);
    Timer1->setEnabled(false);
    try {
        run_.run();
        Close();
    } catch (const std::exception& e) {
        // The window has no close box: once the error is reported, take the
        // user back to the main window.  What was written stays.
        shell::showError(e.what());
        Close();
    }
}

void TForm4::showStep(patch::Step step) { Gauge1->setProgress(step); }
