// The disc installation window: a settings page (source and install folders,
// with a hidden folder panel) and a progress page.
#pragma once

#include "ui/Components.h"

class TForm2 : public ui::Form {
public:
    TForm2();

    ui::PageControl* PageControl1;
    ui::TabSheet* TabSheet1;
    ui::GroupBox* GroupBox3;
    ui::Button* Button1;
    ui::Button* Button2;
    ui::GroupBox* GroupBox2;
    ui::Button* Button5;
    ui::Edit* Edit2;
    ui::GroupBox* GroupBox1;
    ui::Edit* Edit1;
    ui::Button* Button4;
    ui::Panel* Panel1;
    ui::PageControl* PageControl2;
    ui::TabSheet* TabSheet3;
    ui::ShellTreeView* ShellTreeView1;
    ui::Button* Button8;
    ui::Button* Button9;
    ui::TabSheet* TabSheet4;
    ui::ShellTreeView* ShellTreeView2;
    ui::Button* Button6;
    ui::Button* Button7;
    ui::TabSheet* TabSheet2;
    ui::GroupBox* GroupBox4;
    ui::Label* Label1;
    ui::ProgressBar* ProgressBar1;
    ui::GroupBox* GroupBox5;
    ui::Label* Label2;
    ui::ProgressBar* ProgressBar2;
    ui::GroupBox* GroupBox6;
    ui::ProgressBar* ProgressBar3;
    ui::Button* Button3;
};
