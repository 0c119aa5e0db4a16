// The patch progress window: a gauge, and a timer that starts the run.
#pragma once

#include <string>

#include "ui/Components.h"

class TForm4 : public ui::Form {
public:
    TForm4();

    ui::Gauge* Gauge1 = nullptr;
    ui::Timer* Timer1 = nullptr;

    // The game folder chosen for this showing, as the picker gave it.
    std::string gameFolder;

    void FormShow();
    void Timer1Timer();
};
