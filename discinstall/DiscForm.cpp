#include "discinstall/DiscForm.h"

#include "platform/AnsiText.h"
#include "platform/SystemError.h"
#include "shell/Services.h"

namespace {

#define C(member) UI_CONTROL(TForm2, member)
// Compiled to GBK bytes.
const ui::ControlDef kControls[] = {
    // control            parent          left top  width height  content (tab, font, flags)
    {C(PageControl1),     "",             {0,   0,   368,  281},   nullptr},
    {C(TabSheet1),        "PageControl1", {},                      nullptr},
    {C(GroupBox3),        "TabSheet1",    {0,   206, 360,  65},    ""},
    {C(Button1),          "GroupBox3",    {48,  24,  75,   25},    "开始安装", -1, nullptr, ui::kDefault | ui::kGroup},
    {C(Button2),          "GroupBox3",    {232, 24,  75,   25},    "取消安装", -1, nullptr, ui::kCancel},
    {C(GroupBox2),        "TabSheet1",    {0,   105, 360,  101},   "安装到文件夹"},
    {C(Button5),          "GroupBox2",    {288, 46,  57,   25},    "浏览", -1, nullptr, ui::kGroup},
    {C(Edit2),            "GroupBox2",    {16,  48,  265,  20},    "c:\\Lunavire"},
    {C(GroupBox1),        "TabSheet1",    {0,   0,   360,  105},   "原版光盘位置"},
    {C(Edit1),            "GroupBox1",    {16,  48,  265,  20},    "", -1, nullptr, ui::kGroup},
    {C(Button4),          "GroupBox1",    {288, 46,  57,   25},    "浏览"},
    // The folder panel opens over the settings page.
    {C(Panel1),           "TabSheet1",    {56,  32,  241,  185},   nullptr, -1, nullptr, ui::kHidden},
    {C(PageControl2),     "Panel1",       {1,   1,   239,  183},   nullptr},
    {C(TabSheet3),        "PageControl2", {},                      nullptr},
    {C(ShellTreeView1),   "TabSheet3",    {-1,  0,   233,  137},   nullptr, -1, nullptr, ui::kGroup},
    {C(Button8),          "TabSheet3",    {32,  142, 75,   25},    "确定", -1, nullptr, ui::kDefault},
    {C(Button9),          "TabSheet3",    {128, 142, 75,   25},    "取消", -1, nullptr, ui::kCancel},
    {C(TabSheet4),        "PageControl2", {},                      nullptr},
    {C(ShellTreeView2),   "TabSheet4",    {-1,  1,   233,  137},   nullptr, -1, nullptr, ui::kGroup},
    {C(Button6),          "TabSheet4",    {32,  142, 75,   25},    "确定", -1, nullptr, ui::kDefault},
    {C(Button7),          "TabSheet4",    {128, 142, 75,   25},    "取消", -1, nullptr, ui::kCancel},
    {C(TabSheet2),        "PageControl1", {},                      nullptr},
    {C(GroupBox4),        "TabSheet2",    {0,   0,   360,  81},    "当前文件读取进度"},
    {C(Label1),           "GroupBox4",    {24,  24,  313,  13},    "源文件名"},
    {C(ProgressBar1),     "GroupBox4",    {16,  48,  321,  18},    nullptr},
    {C(GroupBox5),        "TabSheet2",    {0,   81,  360,  71},    "当前文件写入进度"},
    {C(Label2),           "GroupBox5",    {24,  24,  305,  13},    "目标文件名"},
    {C(ProgressBar2),     "GroupBox5",    {16,  40,  321,  18},    nullptr},
    {C(GroupBox6),        "TabSheet2",    {0,   152, 360,  119},   "完整进度"},
    {C(ProgressBar3),     "GroupBox6",    {16,  24,  321,  33},    nullptr},
    // Not the cancel button: a copy under way stops for a click only, never for a stray Esc.
    {C(Button3),          "GroupBox6",    {144, 64,  75,   25},    "取消安装", -1, nullptr, ui::kGroup},
};
#undef C

#define ON(member, event, handler) UI_EVENT(TForm2, member, event, handler)
const ui::EventDef kEvents[] = {
    ON(Button1, OnClick, Button1Click),
    ON(Button2, OnClick, Button2Click),
    ON(Button3, OnClick, Button3Click),
    ON(Button4, OnClick, Button4Click),
    ON(Button5, OnClick, Button5Click),
    ON(Button6, OnClick, Button6Click),
    ON(Button7, OnClick, Button7Click),
    ON(Button8, OnClick, Button8Click),
    ON(Button9, OnClick, Button9Click),
    ON(ShellTreeView1, OnChange, ShellTreeView1Change),
    ON(ShellTreeView2, OnChange, ShellTreeView2Change),
    ON(KqFileCopy1, OnCopyProgress, KqFileCopy1CopyProgress),
    ON(KqFileCopy1, OnFinish, KqFileCopy1Finish),
    ON(KqFileCopy1, OnError, KqFileCopy1Error),
    UI_FORM_EVENT(TForm2, OnHide, FormHide),
    UI_FORM_EVENT(TForm2, OnClose, FormHide),
    UI_FORM_EVENT(TForm2, OnCloseQuery, FormCloseQuery),
};
#undef ON

const ui::FormDef kWindow{
    "TForm2", "Form2", "Lunavire安装程序 FOR XP 《Lunavire》中文化委员会制作",
    {0, 0, 368, 281}, ui::kSystemMenu, ui::BorderStyle::Single, ui::Position::MainFormCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

}  // namespace

TForm2::TForm2() : ui::Form(kWindow) {
    buildControls();
    KqFileCopy1 = &add<TKqFileCopy>(this, "KqFileCopy1");
    discinstall::InstallationView& view = *this;
    installation_ = std::make_unique<discinstall::Installation>(*KqFileCopy1, view, shell::face());
    bindEvents();
}

void TForm2::FormHide() {
    enableSettings(true);
    Panel1->setVisible(false);
}

bool TForm2::FormCloseQuery() {
    // Closing during the run cancels it; the window goes once the run has
    // stopped the current copy and returned.
    installation_->cancel();
    return true;
}

// Each tree's OK takes a folder with a place on disk only, as the picker's.
void TForm2::ShellTreeView1Change() { Button8->setEnabled(!ShellTreeView1->path().empty()); }
void TForm2::ShellTreeView2Change() { Button6->setEnabled(!ShellTreeView2->path().empty()); }

void TForm2::openFolderPanel(int page) {
    ShellTreeView1Change();
    ShellTreeView2Change();
    PageControl2->setActivePageIndex(page);
    Panel1->setVisible(true);
    enableSettings(false);
}

void TForm2::closeFolderPanel() {
    Panel1->setVisible(false);
    enableSettings(true);
}

void TForm2::enableSettings(bool enabled) {
    for (ui::GroupBox* box : {GroupBox1, GroupBox2, GroupBox3}) box->setEnabled(enabled);
}

// The settings page's buttons do nothing while a run is under way: its
// page is only hidden, and a click posted by another program, or queued
// before the run began, still reaches them.
void TForm2::Button1Click() {
    installation_->start(Edit1->text(), Edit2->text());
}
void TForm2::Button2Click() { Close(); }
void TForm2::Button3Click() { Close(); }
void TForm2::Button4Click() {
    if (!installation_->active()) openFolderPanel(0);
}
void TForm2::Button5Click() {
    if (!installation_->active()) openFolderPanel(1);
}

// A folder too long for the file calls is refused with the panel still open.
void TForm2::Button8Click() {
    if (installation_->active()) return;
    const std::string source = text::cutDriveRoot(ShellTreeView1->path());
    plat::requirePathFits(plat::Path(source));
    Edit1->setText(source);
    closeFolderPanel();
}

void TForm2::Button6Click() {
    if (installation_->active()) return;
    const std::string install =
        text::cutDriveRoot(ShellTreeView2->path()) + shell::messages().get(shell::Msg::InstallFolderName);
    plat::requirePathFits(plat::Path(install));
    Edit2->setText(install);
    closeFolderPanel();
}

void TForm2::Button7Click() {
    if (!installation_->active()) closeFolderPanel();
}
void TForm2::Button9Click() {
    if (!installation_->active()) closeFolderPanel();
}

void TForm2::KqFileCopy1CopyProgress(ui::Component*, std::uint32_t, std::uint32_t TotalBytesTransferred,
                                     std::uint8_t Rate) {
    // The reading bar runs ten points ahead, full from 90 on.
    ProgressBar1->setPosition(Rate + 10);
    ProgressBar2->setPosition(Rate);
    installation_->copyProgressed(TotalBytesTransferred);
}

void TForm2::KqFileCopy1Finish(ui::Component*) { installation_->copyFinished(); }

void TForm2::KqFileCopy1Error(ui::Component*, const std::string& Msg, std::uint32_t Code) {
    installation_->copyFailed(Msg, Code);
}

// ---------------------------------------------------------------- the run's view

void TForm2::showProgressPage() { PageControl1->setActivePageIndex(1); }

void TForm2::clearProgress() {
    for (ui::ProgressBar* bar : {ProgressBar1, ProgressBar2, ProgressBar3}) bar->setPosition(0);
}

void TForm2::showFile(const std::string& source, const std::string& target) {
    Label1->setText(source);
    Label2->setText(target);
}

void TForm2::showOverallProgress(int percent) { ProgressBar3->setPosition(percent); }

void TForm2::closeWindow() { Close(); }
