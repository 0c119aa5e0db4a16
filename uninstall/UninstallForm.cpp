#include "uninstall/UninstallForm.h"

#include "base/Error.h"
#include "platform/Desktop.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"

namespace {

using shell::Text;

#define C(member) UI_CONTROL(TForm5, member)
const ui::ControlDef kControls[] = {
    // control     parent  left top  width height  content  tab  font     flags
    {C(Label1),    "",     {16,  14, 408,  16}},
    // Two choices of what to remove and no default one between them.
    {C(Button1),   "",     {16,  44, 130,  25},    nullptr, 0},
    {C(Label2),    "",     {160, 44, 264,  52},    nullptr, -1, nullptr, ui::kWordWrap},
    {C(Button2),   "",     {16,  108, 130, 25},    nullptr, 1},
    {C(Label3),    "",     {160, 108, 264, 80},    nullptr, -1, nullptr, ui::kWordWrap},
    {C(Button3),   "",     {294, 206, 130, 25},    nullptr, 2,  nullptr, ui::kCancel},
};
#undef C

#define ON(member, event, handler) UI_EVENT(TForm5, member, event, handler)
const ui::EventDef kEvents[] = {
    ON(Button1, OnClick, Button1Click),
    ON(Button2, OnClick, Button2Click),
    ON(Button3, OnClick, Button3Click),
};
#undef ON

// The caption until the message table's is shown; the close box is Cancel.
const ui::FormDef kWindow{
    "TForm5", "Form5", "卸载《Lunavire》中文版",
    {0, 0, 440, 246}, ui::kSystemMenu, ui::BorderStyle::Single, ui::Position::DesktopCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

}  // namespace

class TForm5::Running {
public:
    explicit Running(TForm5& f) : f_(f) {
        f_.running_ = true;
        for (ui::Button* b : {f_.Button1, f_.Button2, f_.Button3}) b->setEnabled(false);
    }
    ~Running() { f_.running_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    TForm5& f_;
};

TForm5::TForm5(shell::MessageTable& messages, shell::record::Record record, plat::Path folder, bool damaged)
    : ui::Form(kWindow), messages_(messages), record_(std::move(record)), folder_(std::move(folder)), damaged_(damaged) {
    buildControls();
    bindEvents();
    // A game the player installed otherwise is theirs: only the patch is ours to take away.
    if (record_.patchOnly()) {
        Button2->setVisible(false);
        Label3->setVisible(false);
    }
}

void TForm5::showTexts() {
    setText(messages_.get(Text::UninstallTitle));
    Label1->setText(messages_.get(Text::UninstallQuestion));
    Button1->setText(messages_.get(Text::UninstallPatchButton));
    Label2->setText(messages_.get(Text::UninstallPatchText));
    Button2->setText(messages_.get(Text::UninstallGameButton));
    Label3->setText(messages_.get(Text::UninstallGameText));
    Button3->setText(messages_.get(Text::UninstallCancel));
}

void TForm5::showFile(const std::string& path, bool restoring) {
    Label1->setText(messages_.get(restoring ? Text::UninstallRestoring : Text::UninstallRemoving) + path);
    plat::desktop().processMessages();
}

plat::Answer TForm5::askAboutFailure(const std::string& path, std::uint32_t code) {
    return uninstall::askAboutFailure(shell::face(), path, code, messages_);
}

// A removal that an error stopped is told, and the window goes: its log
// has the outcome, and what was done stays done.
void TForm5::removeAndTell(const std::function<uninstall::Report()>& removal, bool patch) {
    Running running(*this);
    try {
        uninstall::tellReport(shell::face(), removal(), messages_, patch);
    } catch (const std::exception& e) {
        shell::showError(e.what());
    }
    Close();
}

void TForm5::Button1Click() {
    if (running_) return;
    removeAndTell([&] { return uninstall::removePatchFrom({record_, folder_, damaged_}, *this); }, true);
}

void TForm5::Button2Click() {
    if (running_ || record_.patchOnly()) return;
    const plat::Answer saves =
        shell::ask(shell::Question::RemoveSaves, messages_.get(Text::UninstallSaves), messages_.get(shell::Msg::Notice));
    if (saves == plat::Answer::Cancel) return;  // nothing removed: the question again
    removeAndTell([&] { return uninstall::removeGameFrom({record_, folder_, damaged_}, saves == plat::Answer::Yes, *this); },
                  false);
}

// The close box too: as the main window's, it ends the program once the
// running handler has returned, so a removal under way runs to its end.
void TForm5::Button3Click() { Close(); }
