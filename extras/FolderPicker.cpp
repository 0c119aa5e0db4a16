#include "extras/FolderPicker.h"

namespace {

using ui::Kind;

// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // name             kind                 parent  left top  width height  content
    {"ShellTreeView1", Kind::ShellTreeView, "",     {9,   4,   286,  233},   nullptr},
    {"Button1",        Kind::Button,        "",     {48,  256, 75,   25},    "确定"},
    {"Button2",        Kind::Button,        "",     {184, 256, 75,   25},    "取消"},
};

}  // namespace

TForm3::TForm3() : ui::Form("TForm3", "Form3") {
    setBounds({0, 0, 312, 320});
    outerSize = true;
    borderStyle = ui::BorderStyle::Sizeable;
    position = ui::Position::ScreenCenter;
    setFont({"宋体", ui::kGb2312Charset, -12});
    setText("查找路径");
    build(kControls, std::size(kControls));

    ShellTreeView1 = &get<ui::ShellTreeView>("ShellTreeView1");
    Button1 = &get<ui::Button>("Button1");
    Button2 = &get<ui::Button>("Button2");
}
