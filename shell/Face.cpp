#include "shell/Face.h"

#include "base/InForce.h"
#include "platform/Shell.h"
#include "shell/FolderPicker.h"
#include "shell/Services.h"
#include "ui/Application.h"

namespace shell {

namespace {

// The player at the screen: message boxes owned by the application, the
// folder picker, Notepad.
class Windows : public Face {
public:
    using Face::ask;
    using Face::show;
    plat::Answer show(const std::string& text, const std::string& caption, MsgKind kind) override {
        return ui::app().messageBox(text, caption, static_cast<std::uint32_t>(kind));
    }
    plat::Answer ask(Question q, const std::string& text, const std::string& caption, int) override {
        return ui::app().messageBox(text, caption, boxStyleOf(q));
    }
    std::optional<std::string> pickFolder() override { return showPicker(); }
    void showDocument(const std::string& path) override {
        plat::shell().winExec(plat::systemTool("Notepad.exe") + " " + path, plat::sw::Show);
    }
    void showError(const std::string& text) override { ui::app().showError(text); }
    bool attended() const override { return true; }
};

Windows windows;

}  // namespace

const char* nameOf(Question q) {
    switch (q) {
        case Question::DiscWanted: return "insert the next disc";
        case Question::LocateDisc: return "locate the disc's files";
        case Question::TooLittleRoom: return "too little room";
        case Question::CopyFailed: return "a file cannot be copied";
        case Question::RemovalFailed: return "a file cannot be removed";
        case Question::RemoveSaves: return "remove the saved games too";
        case Question::ConfirmVoiceAddOn: return "install the voice add-on";
    }
    return "a question";
}

std::uint32_t boxStyleOf(Question q) {
    using namespace plat::mb;
    switch (q) {
        case Question::DiscWanted: return RetryCancel | IconQuestion | Topmost;         // 0x40025
        case Question::LocateDisc: return OkCancel | IconStop | Topmost;                // 0x40011
        case Question::TooLittleRoom: return RetryCancel | IconExclamation | Topmost;   // 0x40035
        case Question::CopyFailed:                                                      // as Windows asks
        case Question::RemovalFailed: return AbortRetryIgnore | IconStop | Topmost;     // 0x40012
        case Question::RemoveSaves: return YesNoCancel | IconQuestion | Topmost;        // 0x40023
        case Question::ConfirmVoiceAddOn: return OkCancel | IconQuestion | Topmost;     // 0x40021
    }
    return Ok | IconQuestion | Topmost;
}

const char* meaningOf(ExitCode code) {
    switch (code) {
        case ExitCode::Done: return "done";
        case ExitCode::Refused: return "refused input";
        case ExitCode::DiscMissing: return "a disc is missing";
        case ExitCode::NoRoom: return "too little room";
        case ExitCode::FilesLeftOut: return "files left out: not complete";
        case ExitCode::Cancelled: return "cancelled";
        case ExitCode::AlreadyRunning: return "another copy of the program is running";
        case ExitCode::Usage: return "usage shown";
        case ExitCode::Damaged: return "files damaged or missing";
    }
    return "unknown";
}

Face& face() {
    Face* f = base::InForce<Face>::current();
    return f ? *f : windows;
}

plat::Answer Face::show(Msg text, Msg caption, MsgKind kind) {
    const MessageTable& m = messages();
    return show(m.get(text), m.get(caption), kind);
}

plat::Answer Face::ask(Question q, Msg text, Msg caption, int disc) {
    const MessageTable& m = messages();
    return ask(q, m.get(text), m.get(caption), disc);
}

plat::Answer showMessage(const std::string& text, const std::string& caption, MsgKind kind) {
    return face().show(text, caption, kind);
}

plat::Answer showMessage(Msg text, Msg caption, MsgKind kind) { return face().show(text, caption, kind); }

plat::Answer ask(Question q, const std::string& text, const std::string& caption, int disc) {
    return face().ask(q, text, caption, disc);
}

plat::Answer ask(Question q, Msg text, Msg caption, int disc) { return face().ask(q, text, caption, disc); }

std::optional<std::string> pickFolder() { return face().pickFolder(); }

void showError(const std::string& text) { face().showError(text); }

}  // namespace shell
