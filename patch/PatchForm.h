// The patch progress window: a gauge, and a timer that starts the run.
#pragma once

#include <string>

#include "patch/PatchRun.h"
#include "ui/Components.h"

class TForm4 : public ui::Form, private patch::PatchView {
public:
    TForm4();

    ui::Gauge* Gauge1 = nullptr;
    ui::Timer* Timer1 = nullptr;

    // Shows the window modally for a run into the game folder, as the picker
    // gave it.
    void showFor(const std::string& gameFolder);

    void FormShow();
    void Timer1Timer();

private:
    void showStep(patch::Step step) override;

    patch::PatchRun run_{*this, shell::face()};
};
