#include "patch/PatchForm.h"

namespace {

using ui::Kind;

const ui::ControlDef kControls[] = {
    // name     kind         parent  left top width height  content
    {"Gauge1", Kind::Gauge, "",     {16,  18, 289,  28},    nullptr},
};

}  // namespace

TForm4::TForm4() : ui::Form("TForm4", "Form4") {
    clientWidth = 323;
    clientHeight = 67;
    borderStyle = ui::BorderStyle::Single;
    systemMenu = false;  // no border icons at all
    position = ui::Position::MainFormCenter;
    setFont({"宋体", ui::kGb2312Charset, -12});
    setText("《Lunavire》汉化补丁安装");
    build(kControls, std::size(kControls));

    Gauge1 = &get<ui::Gauge>("Gauge1");
    Timer1 = &addTimer("Timer1", 300, false);
}
