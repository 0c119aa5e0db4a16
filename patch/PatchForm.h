// The patch progress window: a gauge, and a timer that starts the run.
#pragma once

#include "ui/Components.h"

class TForm4 : public ui::Form {
public:
    TForm4();

    ui::Gauge* Gauge1;
    ui::Timer* Timer1;
};
