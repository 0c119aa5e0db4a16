#include "shell/MainForm.h"

#include "payload/Payload.h"
#include "platform/AnsiText.h"
#include "platform/Program.h"

namespace {

// Button6 and ComboBox1 keep fonts of their own, which language files pass by.
const ui::Font kSansSerif11{"MS Sans Serif", ui::kDefaultCharset, -11};
const ui::Font kSansSerif13{"MS Sans Serif", ui::kDefaultCharset, -13};

#define C(member) UI_CONTROL(TForm1, member)
// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // control       parent  left top  width height  content               tab font  flags
    {C(Image1),      "",     {3,   7,   250,  350},   nullptr},
    {C(Memo1),       "",     {264, 8,   289,  233},   nullptr,              0},
    // The six actions are one group of the arrow keys.  None is the default, and Esc does nothing: this
    // window is the program, which a stray Esc (one held down past a box) must not end.
    {C(Button1),     "",     {273, 271, 120,  25},    "从源光盘安装游戏",   2, nullptr,   ui::kGroup},
    {C(Button2),     "",     {426, 271, 120,  25},    "安装 directx 8.0",   3},
    {C(Button3),     "",     {273, 303, 120,  25},    "汉化补丁安装",       4},
    {C(Button4),     "",     {426, 303, 120,  25},    "声音认识XP安装",     5},
    {C(Button5),     "",     {273, 335, 120,  25},    "访问Vorel主页",      6},
    {C(Button6),     "",     {426, 335, 120,  25},    "安装NETSHOW",        7, &kSansSerif11},
    {C(ComboBox1),   "",     {272, 244, 273,  24},    nullptr,              1, &kSansSerif13},
};
#undef C

#define ON(member, event, handler) UI_EVENT(TForm1, member, event, handler)
const ui::EventDef kEvents[] = {
    ON(Button1, OnClick, Button1Click),
    ON(Button2, OnClick, Button2Click),
    ON(Button3, OnClick, Button3Click),
    ON(Button4, OnClick, Button4Click),
    ON(Button5, OnClick, Button5Click),
    ON(Button6, OnClick, Button6Click),
    ON(ComboBox1, OnChange, ComboBox1Change),
    ON(Timer1, OnTimer, Timer1Timer),
};
#undef ON

// The built-in caption lacks the "由" of the language files' default title:
// a window shows this one only until the first language is applied.  A
// minimise box for a long installation; no maximise box, the layout is fixed.
const ui::FormDef kWindow{
    "TForm1", "Form1", "Lunavire 中文安装程序&汉化补丁 简繁双语版 《Lunavire》中文化委员会制作",
    {0, 0, 557, 372}, ui::kSystemMenu | ui::kMinimizeBox, ui::BorderStyle::Single, ui::Position::DesktopCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

void run(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace

std::string sourceFolderOf(const std::string& programPath) {
    return text::cutDriveRoot(text::fileDir(programPath));
}

TForm1::TForm1() : ui::Form(kWindow) {
    buildControls();
    Timer1 = &addTimer("Timer1", 1000, true);

    Image1->bitmapResource = "ARTWORK";
    // The Simplified notice until a language is applied; a program without
    // that payload starts with the box empty.
    try {
        Memo1->loadText(payload::payloadBytes("lince1", "txt"));
    } catch (const std::exception&) {
    }
    bindEvents();
}

void TForm1::FormCreate() {
    messages = shell::MessageTable();
    if (findLanguages)
        for (const auto& name : findLanguages()) ComboBox1->addItem(name);
    sourceFolder = sourceFolderOf(plat::program().programPath());
}

void TForm1::Timer1Timer() {
    Timer1->setEnabled(false);
    try {
        std::string language = detectLanguage ? detectLanguage() : std::string();
        if (applyLanguage) applyLanguage(language);
    } catch (const std::exception&) {
        // Quietly try the whole start-up step again a second later.
        Timer1->setEnabled(true);
    }
}

void TForm1::ComboBox1Change() {
    // The player's choice stands: the start-up language must not come back.
    Timer1->setEnabled(false);
    if (applyLanguage) applyLanguage(ComboBox1->selectedText());
}

void TForm1::Button1Click() { run(discInstall); }
void TForm1::Button2Click() { run(directXSetup); }
void TForm1::Button3Click() { run(patchInstall); }
void TForm1::Button4Click() { run(voiceAddOn); }
void TForm1::Button5Click() { run(homePage); }
void TForm1::Button6Click() { run(netShowSetup); }
