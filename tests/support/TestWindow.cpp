// Compiled with GBK as the execution character set, so that the captions
// below are the bytes the installer's own windows hold.
#include "tests/support/TestWindow.h"

namespace testwin {

using ui::Kind;

const ui::ControlDef kControls[] = {
    {"GroupBox1", Kind::GroupBox, "", {8, 8, 200, 90}, "原版光盘位置"},
    {"Button1", Kind::Button, "GroupBox1", {10, 20, 120, 25}, "从源光盘安装游戏"},
    {"Edit1", Kind::Edit, "GroupBox1", {10, 55, 150, 20}, "c:\\Lunavire"},
    {"Label1", Kind::Label, "", {8, 100, 200, 13}, "中文安装程序&汉化补丁"},
    {"Memo1", Kind::Memo, "", {220, 8, 170, 90}, nullptr},
    {"ComboBox1", Kind::ComboBox, "", {220, 104, 170, 24}, nullptr},
    {"ProgressBar1", Kind::ProgressBar, "", {8, 120, 200, 18}, nullptr},
    {"Gauge1", Kind::Gauge, "", {8, 144, 200, 28}, nullptr},
    {"PageControl1", Kind::PageControl, "", {220, 134, 170, 60}, nullptr},
    {"TabSheet1", Kind::TabSheet, "PageControl1", {}, nullptr},
    {"Button2", Kind::Button, "TabSheet1", {4, 4, 80, 25}, "确定"},
    {"TabSheet2", Kind::TabSheet, "PageControl1", {}, nullptr},
    {"Panel1", Kind::Panel, "", {150, 60, 120, 50}, nullptr},
    {"Button3", Kind::Button, "Panel1", {4, 4, 80, 25}, "取消"},
    {"Image1", Kind::Image, "", {8, 180, 100, 100}, nullptr},
    {"ShellTreeView1", Kind::ShellTreeView, "", {120, 200, 270, 90}, nullptr},
};
const std::size_t kControlCount = sizeof kControls / sizeof kControls[0];

const char kFontName[] = "宋体";

void build(ui::Form& form, const char* bitmap) {
    form.clientWidth = 400;
    form.clientHeight = 300;
    form.setText("Lunavire 控件一览");
    ui::Font font;
    font.name = kFontName;
    font.charset = ui::kGb2312Charset;
    font.height = -12;
    form.setFont(font);
    form.build(kControls, kControlCount);
    form.get<ui::Image>("Image1").bitmapResource = bitmap;
}

}  // namespace testwin
