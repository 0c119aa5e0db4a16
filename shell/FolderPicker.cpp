#include "shell/FolderPicker.h"

#include "base/InForce.h"

#include "platform/SystemError.h"

namespace {

#define C(member) UI_CONTROL(TForm3, member)
// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // control            parent  left top  width height  content (tab, font, flags)
    {C(ShellTreeView1),   "",     {9,   4,   286,  233},   nullptr},
    {C(Button1),          "",     {48,  256, 75,   25},    "确定", -1, nullptr, ui::kDefault | ui::kGroup},
    {C(Button2),          "",     {184, 256, 75,   25},    "取消", -1, nullptr, ui::kCancel},
};
#undef C

const ui::EventDef kEvents[] = {
    UI_EVENT(TForm3, ShellTreeView1, OnChange, ShellTreeView1Change),
    UI_EVENT(TForm3, Button1, OnClick, Button1Click),
    UI_EVENT(TForm3, Button2, OnClick, Button2Click),
    UI_FORM_EVENT(TForm3, OnShow, FormShow),
};

const ui::FormDef kWindow{
    "TForm3", "Form3", "查找路径",
    {0, 0, 312, 320}, ui::kOuterSize | ui::kSystemMenu, ui::BorderStyle::Sizeable, ui::Position::ScreenCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

}  // namespace

TForm3::TForm3() : ui::Form(kWindow) {
    buildControls();
    bindEvents();
}

void TForm3::FormShow() { ShellTreeView1Change(); }

// As the system's folder browser: OK only for a folder with a place on disk,
// never for nothing or for My Computer, whose empty path would name the root
// of whatever drive is current.
void TForm3::ShellTreeView1Change() { Button1->setEnabled(!ShellTreeView1->path().empty()); }

void TForm3::Button1Click() { setModalResult(ui::mrOk); }
void TForm3::Button2Click() { setModalResult(ui::mrCancel); }

namespace shell {

std::optional<std::string> showPicker() {
    TForm3* current = base::InForce<TForm3>::current();
    if (!current || current->ShowModal() != ui::mrOk) return std::nullopt;
    std::string folder = current->ShellTreeView1->path();
    plat::requirePathFits(plat::Path(folder));
    return folder;
}

}  // namespace shell
