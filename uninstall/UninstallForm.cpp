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
    // A check and a repair of the game's files, with their progress.
    {C(ProgressBar1), "",  {16,  200, 408, 16},    nullptr, -1, nullptr, ui::kHidden},
    {C(Button4),   "",     {16,  236, 130, 25},    nullptr, 2},
    {C(Button5),   "",     {155, 236, 130, 25},    nullptr, 3},
    {C(Button3),   "",     {294, 236, 130, 25},    nullptr, 4,  nullptr, ui::kCancel},
};
#undef C

#define ON(member, event, handler) UI_EVENT(TForm5, member, event, handler)
const ui::EventDef kEvents[] = {
    ON(Button1, OnClick, Button1Click),
    ON(Button2, OnClick, Button2Click),
    ON(Button3, OnClick, Button3Click),
    ON(Button4, OnClick, Button4Click),
    ON(Button5, OnClick, Button5Click),
};
#undef ON

// The caption until the message table's is shown; the close box is Cancel.
const ui::FormDef kWindow{
    "TForm5", "Form5", "卸载《Lunavire》中文版",
    {0, 0, 440, 276}, ui::kSystemMenu, ui::BorderStyle::Single, ui::Position::DesktopCenter,
    {"宋体", ui::kGb2312Charset, -12}, kControls, std::size(kControls), kEvents, std::size(kEvents)};

}  // namespace

class TForm5::Running {
public:
    explicit Running(TForm5& f) : f_(f) {
        f_.running_ = true;
        for (ui::Button* b : f_.choices()) b->setEnabled(false);
    }
    ~Running() { f_.running_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    TForm5& f_;
};

TForm5::TForm5(shell::MessageTable& messages, shell::record::Record record, plat::Path folder, bool damaged,
               uninstall::DiscsFor discs)
    : ui::Form(kWindow),
      messages_(messages),
      record_(std::move(record)),
      folder_(std::move(folder)),
      damaged_(damaged),
      discs_(std::move(discs)) {
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
    Button4->setText(messages_.get(Text::CheckButton));
    Button5->setText(messages_.get(Text::RepairButton));
}

std::vector<ui::Button*> TForm5::choices() { return {Button1, Button2, Button3, Button4, Button5}; }

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

void TForm5::showProgress(std::size_t filesDone, std::size_t files, std::uint64_t bytesDone, std::uint64_t bytes,
                          const std::string& path) {
    constexpr std::uint64_t kMegabyte = 1024 * 1024;
    const std::string head =
        bytes ? shell::formatText(messages_.get(Text::Checking),
                                  {std::to_string(filesDone), std::to_string(files), std::to_string(bytesDone / kMegabyte),
                                   std::to_string((bytes + kMegabyte - 1) / kMegabyte)})
              : shell::formatText(messages_.get(Text::Repairing), {std::to_string(filesDone), std::to_string(files)});
    Label1->setText(head + path);
    const std::uint64_t percent = bytes ? bytesDone * 100 / bytes : files ? filesDone * 100 / files : 100;
    ProgressBar1->setPosition(static_cast<int>(percent));
    plat::desktop().processMessages();
}

// A check, or a repair after its check: the progress while it runs, its
// report at the end; then the choices again.
void TForm5::checkAndTell(bool repairing) {
    {
        Running running(*this);
        ProgressBar1->setPosition(0);
        ProgressBar1->setVisible(true);
        shell::RunLog log(shell::kRepairLog, repairing ? "repair" : "check");
        log.placeInTemp();
        log.line("game folder " + folder_.text());
        try {
            const auto discs = discs_(shell::face(), log);
            const uninstall::Installed game{record_, folder_, damaged_};
            const auto shown = repairing ? uninstall::repairText(uninstall::repair(game, *discs, shell::face(), *this, log), messages_)
                                         : uninstall::checkText(uninstall::verify(game, *discs, *this, log), messages_);
            shell::showMessage(shown.text, messages_.get(shown.warning ? shell::Msg::Warning : shell::Msg::Notice),
                               shown.warning ? shell::MsgKind::Warning : shell::MsgKind::Information);
        } catch (const std::exception& e) {
            log.stoppedBy(e);
            shell::showError(e.what());
        }
    }
    ProgressBar1->setVisible(false);
    Label1->setText(messages_.get(Text::UninstallQuestion));
    for (ui::Button* b : choices()) b->setEnabled(true);
}

void TForm5::Button4Click() {
    if (!running_) checkAndTell(false);
}

void TForm5::Button5Click() {
    if (!running_) checkAndTell(true);
}
