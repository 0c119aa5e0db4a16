// The folder picker: a folder tree of the shell namespace and two buttons.
#pragma once

#include "ui/Components.h"

class TForm3 : public ui::Form {
public:
    TForm3();

    ui::ShellTreeView* ShellTreeView1;
    ui::Button* Button1;
    ui::Button* Button2;
};
