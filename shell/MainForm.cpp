#include "shell/MainForm.h"

#include "shell/Paths.h"

namespace {

using ui::Kind;

// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // name        kind               parent  left top  width height  content
    {"Image1",    Kind::Image,       "",     {3,   7,   250,  350},   nullptr},
    {"Memo1",     Kind::Memo,        "",     {264, 8,   289,  233},   nullptr},
    {"Button1",   Kind::Button,      "",     {273, 271, 120,  25},    "从源光盘安装游戏"},
    {"Button2",   Kind::Button,      "",     {426, 271, 120,  25},    "安装 directx 8.0"},
    {"Button3",   Kind::Button,      "",     {273, 303, 120,  25},    "汉化补丁安装"},
    {"Button4",   Kind::Button,      "",     {426, 303, 120,  25},    "声音认识XP安装"},
    {"Button5",   Kind::Button,      "",     {273, 335, 120,  25},    "访问Vorel主页"},
    {"Button6",   Kind::Button,      "",     {426, 335, 120,  25},    "安装NETSHOW"},
    {"ComboBox1", Kind::ComboBox,    "",     {272, 244, 273,  24},    nullptr},
};

const char kCaption[] = "Lunavire 中文安装程序&汉化补丁 简繁双语版 《Lunavire》中文化委员会制作";

// Shown until the first language is applied.
const char kInitialNotice[] =
    "《Lunavire》中文版安装说明\r\n"
    "\r\n"
    "本程序可从三张原版光盘安装游戏，并安装简体或繁体中文汉化补丁。\r\n"
    "请先安装游戏，再安装汉化补丁；声音认识补丁为游戏语音功能所需。\r\n"
    "游戏运行需要 DirectX 8.0 与 NetShow，可从光盘安装。\r\n";

ui::Font ownFont(int height) {
    ui::Font f;
    f.name = "MS Sans Serif";
    f.charset = ui::kDefaultCharset;
    f.height = -height;
    return f;
}

}  // namespace

std::string sourceFolderOf(const std::string& programPath) {
    return shell::cutDriveRoot(shell::extractFileDir(programPath));
}

TForm1::TForm1() : ui::Form("TForm1", "Form1") {
    clientWidth = 557;
    clientHeight = 372;
    borderStyle = ui::BorderStyle::Single;
    position = ui::Position::DesktopCenter;
    setFont({"宋体", ui::kGb2312Charset, -12});
    setText(kCaption);
    build(kControls, std::size(kControls));
    tabOrder = {"Memo1", "ComboBox1", "Button1", "Button2", "Button3", "Button4", "Button5", "Button6"};

    Image1 = &get<ui::Image>("Image1");
    Memo1 = &get<ui::Memo>("Memo1");
    Button1 = &get<ui::Button>("Button1");
    Button2 = &get<ui::Button>("Button2");
    Button3 = &get<ui::Button>("Button3");
    Button4 = &get<ui::Button>("Button4");
    Button5 = &get<ui::Button>("Button5");
    Button6 = &get<ui::Button>("Button6");
    ComboBox1 = &get<ui::ComboBox>("ComboBox1");
    Timer1 = &addTimer("Timer1", 1000, true);

    Image1->bitmapResource = "ARTWORK";
    Memo1->loadText(kInitialNotice);
    Button6->setOwnFont(ownFont(11));
    ComboBox1->setOwnFont(ownFont(13));

    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { if (directXSetup) directXSetup(); };
    Button3->OnClick = [this] { if (patchInstall) patchInstall(); };
    Button4->OnClick = [this] { if (voiceAddOn) voiceAddOn(); };
    Button5->OnClick = [this] { if (homePage) homePage(); };
    Button6->OnClick = [this] { if (netShowSetup) netShowSetup(); };
    ComboBox1->OnChange = [this] { ComboBox1Change(); };
    Timer1->OnTimer = [this] { Timer1Timer(); };
}

void TForm1::FormCreate() {
    messages = shell::MessageTable();
    if (findLanguages)
        for (const auto& name : findLanguages()) ComboBox1->addItem(name);
    sourceFolder = sourceFolderOf(plat::platform().programPath());
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
    if (applyLanguage) applyLanguage(ComboBox1->selectedText());
}

void TForm1::Button1Click() {
    if (discInstall) discInstall();
}
