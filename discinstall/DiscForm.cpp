#include "discinstall/DiscForm.h"

namespace {

using ui::Kind;

// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // name             kind                 parent          left top  width height  content
    {"PageControl1",   Kind::PageControl,   "",             {0,   0,   368,  281},   nullptr},
    {"TabSheet1",      Kind::TabSheet,      "PageControl1", {},                      nullptr},
    {"GroupBox3",      Kind::GroupBox,      "TabSheet1",    {0,   206, 360,  65},    ""},
    {"Button1",        Kind::Button,        "GroupBox3",    {48,  24,  75,   25},    "开始安装"},
    {"Button2",        Kind::Button,        "GroupBox3",    {232, 24,  75,   25},    "取消安装"},
    {"GroupBox2",      Kind::GroupBox,      "TabSheet1",    {0,   105, 360,  101},   "安装到文件夹"},
    {"Button5",        Kind::Button,        "GroupBox2",    {288, 46,  57,   25},    "浏览"},
    {"Edit2",          Kind::Edit,          "GroupBox2",    {16,  48,  265,  20},    "c:\\Lunavire"},
    {"GroupBox1",      Kind::GroupBox,      "TabSheet1",    {0,   0,   360,  105},   "原版光盘位置"},
    {"Edit1",          Kind::Edit,          "GroupBox1",    {16,  48,  265,  20},    ""},
    {"Button4",        Kind::Button,        "GroupBox1",    {288, 46,  57,   25},    "浏览"},
    {"Panel1",         Kind::Panel,         "TabSheet1",    {56,  32,  241,  185},   nullptr},
    {"PageControl2",   Kind::PageControl,   "Panel1",       {1,   1,   239,  183},   nullptr},
    {"TabSheet3",      Kind::TabSheet,      "PageControl2", {},                      nullptr},
    {"ShellTreeView1", Kind::ShellTreeView, "TabSheet3",    {-1,  0,   233,  137},   nullptr},
    {"Button8",        Kind::Button,        "TabSheet3",    {32,  142, 75,   25},    "确定"},
    {"Button9",        Kind::Button,        "TabSheet3",    {128, 142, 75,   25},    "取消"},
    {"TabSheet4",      Kind::TabSheet,      "PageControl2", {},                      nullptr},
    {"ShellTreeView2", Kind::ShellTreeView, "TabSheet4",    {-1,  1,   233,  137},   nullptr},
    {"Button6",        Kind::Button,        "TabSheet4",    {32,  142, 75,   25},    "确定"},
    {"Button7",        Kind::Button,        "TabSheet4",    {128, 142, 75,   25},    "取消"},
    {"TabSheet2",      Kind::TabSheet,      "PageControl1", {},                      nullptr},
    {"GroupBox4",      Kind::GroupBox,      "TabSheet2",    {0,   0,   360,  81},    "当前文件读取进度"},
    {"Label1",         Kind::Label,         "GroupBox4",    {24,  24,  313,  13},    "源文件名"},
    {"ProgressBar1",   Kind::ProgressBar,   "GroupBox4",    {16,  48,  321,  18},    nullptr},
    {"GroupBox5",      Kind::GroupBox,      "TabSheet2",    {0,   81,  360,  71},    "当前文件写入进度"},
    {"Label2",         Kind::Label,         "GroupBox5",    {24,  24,  305,  13},    "目标文件名"},
    {"ProgressBar2",   Kind::ProgressBar,   "GroupBox5",    {16,  40,  321,  18},    nullptr},
    {"GroupBox6",      Kind::GroupBox,      "TabSheet2",    {0,   152, 360,  119},   "完整进度"},
    {"ProgressBar3",   Kind::ProgressBar,   "GroupBox6",    {16,  24,  321,  33},    nullptr},
    {"Button3",        Kind::Button,        "GroupBox6",    {144, 64,  75,   25},    "取消安装"},
};

}  // namespace

TForm2::TForm2() : ui::Form("TForm2", "Form2") {
    clientWidth = 368;
    clientHeight = 281;
    borderStyle = ui::BorderStyle::Single;
    systemMenu = true;
    position = ui::Position::MainFormCenter;
    setFont({"宋体", ui::kGb2312Charset, -12});
    setText("Lunavire安装程序 FOR XP 《Lunavire》中文化委员会制作");
    build(kControls, std::size(kControls));

    PageControl1 = &get<ui::PageControl>("PageControl1");
    TabSheet1 = &get<ui::TabSheet>("TabSheet1");
    GroupBox3 = &get<ui::GroupBox>("GroupBox3");
    Button1 = &get<ui::Button>("Button1");
    Button2 = &get<ui::Button>("Button2");
    GroupBox2 = &get<ui::GroupBox>("GroupBox2");
    Button5 = &get<ui::Button>("Button5");
    Edit2 = &get<ui::Edit>("Edit2");
    GroupBox1 = &get<ui::GroupBox>("GroupBox1");
    Edit1 = &get<ui::Edit>("Edit1");
    Button4 = &get<ui::Button>("Button4");
    Panel1 = &get<ui::Panel>("Panel1");
    PageControl2 = &get<ui::PageControl>("PageControl2");
    TabSheet3 = &get<ui::TabSheet>("TabSheet3");
    ShellTreeView1 = &get<ui::ShellTreeView>("ShellTreeView1");
    Button8 = &get<ui::Button>("Button8");
    Button9 = &get<ui::Button>("Button9");
    TabSheet4 = &get<ui::TabSheet>("TabSheet4");
    ShellTreeView2 = &get<ui::ShellTreeView>("ShellTreeView2");
    Button6 = &get<ui::Button>("Button6");
    Button7 = &get<ui::Button>("Button7");
    TabSheet2 = &get<ui::TabSheet>("TabSheet2");
    GroupBox4 = &get<ui::GroupBox>("GroupBox4");
    Label1 = &get<ui::Label>("Label1");
    ProgressBar1 = &get<ui::ProgressBar>("ProgressBar1");
    GroupBox5 = &get<ui::GroupBox>("GroupBox5");
    Label2 = &get<ui::Label>("Label2");
    ProgressBar2 = &get<ui::ProgressBar>("ProgressBar2");
    GroupBox6 = &get<ui::GroupBox>("GroupBox6");
    ProgressBar3 = &get<ui::ProgressBar>("ProgressBar3");
    Button3 = &get<ui::Button>("Button3");

    Panel1->setVisible(false);  // the folder panel opens over the settings page

    // Both cancel buttons close the window, as its close box does.
    Button2->OnClick = [this] { Close(); };
    Button3->OnClick = [this] { Close(); };
}
