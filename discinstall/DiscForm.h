// The disc installation window: a settings page (source and install folders,
// with a hidden folder panel) and a progress page.
#pragma once

#include "ui/Components.h"

class TForm2 : public ui::Form {
public:
    TForm2();

    ui::PageControl* PageControl1 = nullptr;
    ui::TabSheet* TabSheet1 = nullptr;
    ui::GroupBox* GroupBox3 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    ui::GroupBox* GroupBox2 = nullptr;
    ui::Button* Button5 = nullptr;
    ui::Edit* Edit2 = nullptr;
    ui::GroupBox* GroupBox1 = nullptr;
    ui::Edit* Edit1 = nullptr;
    ui::Button* Button4 = nullptr;
    ui::Panel* Panel1 = nullptr;
    ui::PageControl* PageControl2 = nullptr;
    ui::TabSheet* TabSheet3 = nullptr;
    ui::ShellTreeView* ShellTreeView1 = nullptr;
    ui::Button* Button8 = nullptr;
    ui::Button* Button9 = nullptr;
    ui::TabSheet* TabSheet4 = nullptr;
    ui::ShellTreeView* ShellTreeView2 = nullptr;
    ui::Button* Button6 = nullptr;
    ui::Button* Button7 = nullptr;
    ui::TabSheet* TabSheet2 = nullptr;
    ui::GroupBox* GroupBox4 = nullptr;
    ui::Label* Label1 = nullptr;
    ui::ProgressBar* ProgressBar1 = nullptr;
    ui::GroupBox* GroupBox5 = nullptr;
    ui::Label* Label2 = nullptr;
    ui::ProgressBar* ProgressBar2 = nullptr;
    ui::GroupBox* GroupBox6 = nullptr;
    ui::ProgressBar* ProgressBar3 = nullptr;
    ui::Button* Button3 = nullptr;
};
