#include "shell/Unattended.h"

#include "shell/RunLog.h"

namespace shell {

// The rules.  Nobody can put in a disc or make room, so those end the run
// (the run's end says with what); a file that cannot be copied ends it too
// (an installation with holes is worse than none), while a file that cannot
// be removed is left and told, so that the rest of the removal still happens.
plat::Answer UnattendedFace::rule(Question q, int disc) const {
    using plat::Answer;
    switch (q) {
        case Question::DiscWanted: return Answer::Retry;  // look in the source, then the CD drives
        case Question::LocateDisc: {
            const bool planned = disc >= 1 && disc <= 3 && !choices_.discFolders[disc - 1].empty() &&
                                 !offered_[disc - 1];
            return planned ? Answer::Ok : Answer::Cancel;
        }
        case Question::TooLittleRoom: return Answer::Cancel;
        case Question::CopyFailed: return Answer::Abort;
        case Question::RemovalFailed: return Answer::Ignore;
        case Question::RemoveSaves: return choices_.removeSaves ? Answer::Yes : Answer::No;
        case Question::ConfirmVoiceAddOn: return Answer::Ok;
    }
    return Answer::Cancel;
}

plat::Answer UnattendedFace::show(const std::string& text, const std::string& caption, MsgKind) {
    note("told (" + caption + "): " + text);
    return plat::Answer::Ok;
}

plat::Answer UnattendedFace::ask(Question q, const std::string& text, const std::string& caption, int disc) {
    const plat::Answer a = rule(q, disc);
    note("asked (" + caption + ", " + nameOf(q) + "): " + text + "\r\nanswered " + plat::nameOf(a) +
         " by the unattended rule");
    locating_ = q == Question::LocateDisc && a == plat::Answer::Ok ? disc : 0;
    return a;
}

std::optional<std::string> UnattendedFace::pickFolder() {
    if (locating_ < 1 || locating_ > 3) return std::nullopt;
    const int disc = locating_;
    locating_ = 0;
    offered_[disc - 1] = true;
    note("disc " + std::to_string(disc) + " is to be in " + choices_.discFolders[disc - 1]);
    return choices_.discFolders[disc - 1];
}

void UnattendedFace::showDocument(const std::string& path) { note("the readme is " + path); }

void UnattendedFace::showError(const std::string& text) { note("error: " + text); }

int UnattendedFace::exitWith(ExitCode code, const std::string& why) {
    const bool told = code != ExitCode::Done && !why.empty();
    note("exit code " + std::to_string(static_cast<int>(code)) + " (" + meaningOf(code) + (told ? ": " + why : "") +
         ")");
    return static_cast<int>(code);
}

void UnattendedFace::note(const std::string& line) {
    if (RunLog* log = RunLog::current()) {
        log->line(line);
        return;
    }
    RunLog own(kUnattendedLog, "unattended run");
    own.line(line);
}

}  // namespace shell
