#include "uninstall/UnattendedRemoval.h"

#include "base/InForce.h"
#include "platform/Program.h"
#include "shell/RunLog.h"
#include "shell/Unattended.h"

namespace uninstall {

namespace {

// The removal's own log names each file; a failure is asked through the face.
class Logged : public RemovalView {
public:
    Logged(shell::Face& face, const shell::MessageTable& m) : face_(face), m_(m) {}
    void showFile(const std::string&, bool) override {}
    plat::Answer askAboutFailure(const std::string& path, std::uint32_t code) override {
        return uninstall::askAboutFailure(face_, path, code, m_);
    }

private:
    shell::Face& face_;
    const shell::MessageTable& m_;
};

}  // namespace

namespace {

std::string whyNot(const Report& report) {
    switch (report.outcome) {
        case Report::NoOriginals: return "the patch kept no originals to put back";
        case Report::NoPatch: return "there is no patch to remove";
        case Report::Done: break;
    }
    if (report.aborted) return "stopped";
    if (!report.leftOver.empty()) return std::to_string(report.leftOver.size()) + " left";
    if (report.recordDamaged) return "the record is damaged: files it no longer names may stay";
    return {};
}

}  // namespace

shell::ExitCode exitOf(const Report& report) {
    if (report.outcome != Report::Done) return shell::ExitCode::Refused;  // nothing to take away
    // A record that did not wholly read may not name all the game's files.
    if (!report.leftOver.empty() || report.aborted || report.recordDamaged) return shell::ExitCode::FilesLeftOut;
    return shell::ExitCode::Done;
}

namespace {

// Nobody watches the progress: the log has each file that is not intact.
class Unwatched : public CheckView {
public:
    void showProgress(std::size_t, std::size_t, std::uint64_t, std::uint64_t, const std::string&) override {}
};

}  // namespace

int checkUnattended(const shell::CommandLine& line, const Installed& game, const std::string& refused,
                    const shell::MessageTable& messages, const DiscsFor& discs) {
    shell::UnattendedFace face({false, {}});
    const base::InForce<shell::Face> inForce(face);
    const bool repairing = line.check == shell::CommandLine::Check::Repair;
    shell::RunLog log(shell::kUnattendedLog, repairing ? "unattended repair" : "unattended check");
    log.placeInTemp();
    log.line("command line: " + plat::program().commandLine() + "\r\ngame folder " + game.folder.text());
    if (!refused.empty()) {
        face.show(refused, messages.get(shell::Msg::Error), shell::MsgKind::Stop);
        return face.exitWith(shell::ExitCode::Refused, refused);
    }
    Unwatched view;
    const auto source = discs(face, log);
    try {
        if (!repairing) {
            const Verification v = verify(game, *source, view, log);
            face.show(checkText(v, messages).text, messages.get(shell::Msg::Notice), shell::MsgKind::Information);
            return face.exitWith(exitOf(v), v.intact() ? "" : "files are damaged, missing or unreadable");
        }
        const RepairReport r = repair(game, *source, face, view, log);
        face.show(repairText(r, messages).text, messages.get(shell::Msg::Notice), shell::MsgKind::Information);
        return face.exitWith(exitOf(r), r.complete() ? "" : std::to_string(r.notRepaired.size()) + " files are not put back");
    } catch (const std::exception& e) {
        log.stoppedBy(e);
        return face.exitWith(shell::ExitCode::FilesLeftOut, e.what());
    }
}

int removeUnattended(const shell::CommandLine& line, const Installed& game, const std::string& refused,
                     const shell::MessageTable& messages) {
    // The Start-menu shortcuts are read as shell links, through COM; the
    // window's removal has it from its window.
    plat::program().comInitialize();
    shell::UnattendedFace face({line.removeSaves, {}});
    const base::InForce<shell::Face> inForce(face);
    shell::RunLog log(shell::kUnattendedLog, "unattended removal");
    log.placeInTemp();
    log.line("command line: " + plat::program().commandLine());
    if (!refused.empty()) {
        face.show(refused, messages.get(shell::Msg::Error), shell::MsgKind::Stop);
        return face.exitWith(shell::ExitCode::Refused, refused);
    }
    Logged view(face, messages);
    // A game the player installed otherwise is theirs: only the patch goes.
    const bool patch = line.patchOnly || game.record.patchOnly();
    Report report;
    try {
        if (patch) {
            report = removePatchFrom(game, view);
        } else {
            const bool saves = face.ask(shell::Question::RemoveSaves, messages.get(shell::Text::UninstallSaves),
                                        messages.get(shell::Msg::Notice), 0) == plat::Answer::Yes;
            report = removeGameFrom(game, saves, view);
        }
    } catch (const std::exception& e) {
        // The removal's log has its outcome; what it had done stays done.
        return face.exitWith(shell::ExitCode::FilesLeftOut, e.what());
    }
    tellReport(face, report, messages, patch);
    return face.exitWith(exitOf(report), whyNot(report));
}

}  // namespace uninstall
