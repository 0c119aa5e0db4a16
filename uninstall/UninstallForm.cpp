#include "uninstall/UninstallForm.h"

#include "base/Error.h"
#include "platform/Desktop.h"
#include "platform/SystemError.h"
#include "shell/RunLog.h"

namespace {

using shell::Text;

#define C(member) UI_CONTROL(TForm5, member)
const ui::ControlDef kControls[] = {
    // control     parent  left top  width height  content  tab  font     flags
    {C(Label1),    "",     {16,  14, 408,  16}},
    {C(Button1),   "",     {16,  44, 130,  25},    nullptr, 0},
    {C(Label2),    "",     {160, 44, 264,  52},    nullptr, -1, nullptr, ui::kWordWrap},
    {C(Button2),   "",     {16,  108, 130, 25},    nullptr, 1},
    {C(Label3),    "",     {160, 108, 264, 80},    nullptr, -1, nullptr, ui::kWordWrap},
    {C(Button3),   "",     {294, 206, 130, 25},    nullptr, 2},
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

// Remove the saved games too?  Yes, No, or Cancel for nothing at all.
constexpr auto kAskSaves =
    static_cast<shell::MsgKind>(plat::mb::YesNoCancel | plat::mb::IconQuestion | plat::mb::Topmost);

// A report's lists name their first lines and count the rest.
constexpr std::size_t kShown = 20;

void listed(std::string& text, const std::vector<std::string>& paths, const shell::MessageTable& m) {
    const std::size_t shown = std::min(paths.size(), kShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + paths[i];
    if (paths.size() > shown) text += "\r\n" + shell::formatCount(m.get(Text::UninstallMore), paths.size() - shown);
}

void list(std::string& text, const std::string& heading, const std::vector<std::string>& paths,
          const shell::MessageTable& m) {
    if (paths.empty()) return;
    text += "\r\n\r\n" + heading;
    listed(text, paths, m);
}

}  // namespace

namespace uninstall {

ReportText reportText(const Report& r, const shell::MessageTable& m, bool patch) {
    if (r.outcome == Report::NoOriginals) return {m.get(Text::UninstallNoOriginals), true};
    if (r.outcome == Report::NoPatch) return {m.get(Text::UninstallNoPatch), true};
    std::string text;
    if (patch) {
        text = m.get(Text::UninstallPatchDone);
        listed(text, r.restored, m);
        list(text, m.get(Text::UninstallPatchRemoved), r.removed, m);
        list(text, m.get(Text::UninstallLeftOver), r.leftOver, m);
    } else if (r.complete()) {
        text = m.get(Text::UninstallGameDone);
    } else {
        text = m.get(Text::UninstallIncomplete);
        listed(text, r.leftOver, m);
    }
    if (r.recordDamaged) text += "\r\n\r\n" + m.get(Text::UninstallRecordDamaged);
    list(text, m.get(Text::UninstallLinksKept), r.links, m);
    list(text, m.get(Text::UninstallIgnored), r.ignored, m);
    list(text, m.get(Text::UninstallAtRestart), r.atRestart, m);
    list(text, m.get(Text::UninstallKept), r.kept, m);
    const bool warning = !r.leftOver.empty() || r.aborted || r.recordDamaged || !r.links.empty() || !r.ignored.empty();
    return {text, warning};
}

}  // namespace uninstall

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

TForm5::TForm5(shell::MessageTable& messages, shell::record::Record record, std::string folder, bool damaged)
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
    return shell::showMessage(plat::systemText(code) + "\r\n\r\n" + path, messages_.get(shell::Msg::Error),
                              shell::MsgKind::CopyFailed);
}

void TForm5::Button1Click() {
    if (running_) return;
    Running running(*this);
    uninstall::Report report;
    {
        shell::RunLog log(shell::kUninstallLog, "removal of the patch from " + folder_);
        log.placeInTemp();
        report = uninstall::removePatchFrom(folder_, record_.codePage, *this, log, damaged_);
    }
    const auto shown = uninstall::reportText(report, messages_, true);
    shell::showMessage(shown.text, messages_.get(shown.warning ? shell::Msg::Warning : shell::Msg::Notice),
                       shown.warning ? shell::MsgKind::Warning : shell::MsgKind::Information);
    Close();
}

void TForm5::Button2Click() {
    if (running_ || record_.patchOnly()) return;
    const plat::Answer saves =
        shell::showMessage(messages_.get(Text::UninstallSaves), messages_.get(shell::Msg::Notice), kAskSaves);
    if (saves == plat::Answer::Cancel) return;  // nothing removed: the question again
    Running running(*this);
    shell::RunLog log(shell::kUninstallLog, "removal of the game from " + folder_);
    log.placeInTemp();
    uninstall::Removal removal(record_, folder_, *this, log);
    if (damaged_) removal.recordDamaged();
    const auto report = removal.removeGame(saves == plat::Answer::Yes);
    const auto shown = uninstall::reportText(report, messages_, false);
    shell::showMessage(shown.text, messages_.get(shown.warning ? shell::Msg::Warning : shell::Msg::Notice),
                       shown.warning ? shell::MsgKind::Warning : shell::MsgKind::Information);
    Close();
}

// The close box too: as the main window's, it ends the program once the
// running handler has returned, so a removal under way runs to its end.
void TForm5::Button3Click() { Close(); }
