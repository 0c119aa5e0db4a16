#include "shell/Unattended.h"

#include <stdexcept>

#include "shell/RunLog.h"

namespace shell {

namespace {

bool okOnly(MsgKind kind) { return (static_cast<std::uint32_t>(kind) & 0xF) == plat::mb::Ok; }

}  // namespace

// The rules.  Nobody can put in a disc or make room, so those end the run
// with their own exit codes; a file that cannot be copied ends it too (an
// installation with holes is worse than none), while a file that cannot be
// removed is left and told, so that the rest of the removal still happens.
Rule UnattendedFace::rule(Question q, int disc) const {
    using plat::Answer;
    switch (q) {
        case Question::DiscWanted: return {Answer::Retry, std::nullopt};  // look in the source, then the CD drives
        case Question::LocateDisc: {
            const bool planned = disc >= 1 && disc <= 3 && !choices_.discFolders[disc - 1].empty() &&
                                 !offered_[disc - 1];
            if (planned) return {Answer::Ok, std::nullopt};
            return {Answer::Cancel, ExitCode::DiscMissing};
        }
        case Question::TooLittleRoom: return {Answer::Cancel, ExitCode::NoRoom};
        case Question::CopyFailed: return {Answer::Abort, ExitCode::FilesLeftOut};
        case Question::RemovalFailed: return {Answer::Ignore, std::nullopt};
        case Question::RemoveSaves: return {choices_.removeSaves ? Answer::Yes : Answer::No, std::nullopt};
        case Question::ConfirmVoiceAddOn: return {Answer::Ok, std::nullopt};
    }
    return {Answer::Cancel, ExitCode::Cancelled};
}

plat::Answer UnattendedFace::show(const std::string& text, const std::string& caption, MsgKind kind) {
    if (!okOnly(kind)) throw std::logic_error("a question without a rule: " + text);
    note("told (" + caption + "): " + text);
    return plat::Answer::Ok;
}

plat::Answer UnattendedFace::ask(Question q, const std::string& text, const std::string& caption, MsgKind,
                                 int disc) {
    const Rule r = rule(q, disc);
    note("asked (" + caption + ", " + nameOf(q) + "): " + text + "\r\nanswered " + plat::nameOf(r.answer) +
         " by the unattended rule");
    if (r.endsWith && !endedBy_) endedBy_ = r.endsWith;
    locating_ = q == Question::LocateDisc && r.answer == plat::Answer::Ok ? disc : 0;
    return r.answer;
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
