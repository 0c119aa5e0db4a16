#include "discinstall/RunLogger.h"

namespace discinstall {

std::string refusalText(Refusal why, const std::string& subject, std::uint32_t code) {
    switch (why) {
        case Refusal::DiscMissing: return "disc 1 is not below " + subject;
        case Refusal::FolderName: return "the install folder's name: " + shell::errorText(code);
        case Refusal::UnsafeFolder: return "a drive's root or the Windows folder: " + subject;
        case Refusal::PathTooLong: return "a path too long for the file calls: " + subject;
        case Refusal::FolderNotMade: return "the install folder cannot be made (" + shell::errorText(code) + ")";
        case Refusal::FolderTakesNoFile: return "the install folder takes no file (" + shell::errorText(code) + ")";
        case Refusal::RecordUnwritable: return "the uninstall record cannot be written (" + subject + ")";
    }
    return subject;
}

namespace {

std::string questionText(Question question, int disc) {
    switch (question) {
        case Question::DiscWanted: return "asked for disc " + std::to_string(disc);
        case Question::LocateDisc: return "asked to locate the disc's files";
        case Question::TooLittleRoom: return "too little room for disc " + std::to_string(disc);
        case Question::CopyFailed:  // told with the file
        case Question::RemovalFailed:
        case Question::RemoveSaves:
        case Question::ConfirmVoiceAddOn: break;  // the other runs'
    }
    return "asked";
}

std::string freeSpaceText(const RoomReport& room) {
    return room.told ? shell::sizeText(room.free) + " free"
                     : "untold free space (" + shell::errorText(room.untoldCode) + ")";
}

}  // namespace

RunLogger::RunLogger() : log_(shell::kInstallLog, "disc installation") {}

void RunLogger::started(const std::string& source, const std::string& typedFolder) {
    log_.line("source folder " + source + ", install folder " + typedFolder);
}

void RunLogger::refused(Refusal why, const std::string& subject, std::uint32_t code) {
    log_.line("outcome: refused, " + refusalText(why, subject, code));
}

void RunLogger::folderMade(const std::string& folder) { log_.line("made the folder " + folder); }

void RunLogger::folderTakenBack(const std::string& folder, bool gone) {
    log_.line(gone ? "took away the folder " + folder + ", which this run made and wrote nothing into"
                   : "left the folder " + folder + ", which this run made: it is not empty");
}

void RunLogger::listingCancelled() { log_.line("outcome: cancelled while disc 1 was listed; nothing was written"); }

void RunLogger::discFound(int disc, const std::string& where, bool belowSource) {
    log_.line("disc " + std::to_string(disc) + " found " + (belowSource ? "below " : "in ") + where);
}

void RunLogger::discMissing(int disc, const std::string& source) {
    log_.line("disc " + std::to_string(disc) + " is neither below " + source + " nor in a CD drive");
}

void RunLogger::folderChosen(const std::string& folder) { log_.line("the player chose " + folder); }

void RunLogger::folderUnusable(const std::string& reason) {
    log_.line("the folder chosen cannot be used: " + reason);
}

void RunLogger::answered(Question question, int disc, plat::Answer answer) {
    log_.line(questionText(question, disc) + ": answer " + plat::nameOf(answer));
}

void RunLogger::clusterUntold(const std::string& drive, std::uint32_t code, std::uint32_t takenAs) {
    log_.line("the allocation unit of " + drive + " is not told (" + shell::errorText(code) + "): taken as " +
              std::to_string(takenAs) + " bytes");
}

void RunLogger::roomChecked(const RoomReport& room) {
    const DiscPlan& plan = room.plan;
    log_.line("disc " + std::to_string(room.disc) + ": " + std::to_string(plan.files) + " files, " +
              shell::sizeText(plan.bytes) + "; " + std::to_string(plan.inPlace) + " in place, " +
              std::to_string(plan.files - plan.inPlace) + " to copy (" + shell::sizeText(plan.toCopy) +
              "), needing " + shell::sizeText(room.needed) +
              (room.uninstaller ? " with the uninstaller's " + shell::sizeText(room.uninstaller) : "") +
              " and the record's, the log's and the folders' " + shell::sizeText(room.bookkeeping) + " on " +
              room.drive + ", which has " + freeSpaceText(room));
}

void RunLogger::staleRemoved(const std::string& path) {
    log_.line("removed " + path + ", left by a run that was stopped");
}

void RunLogger::stampNotKept(const std::string& source, std::uint32_t code) {
    log_.line("the copy of " + source + " keeps its own time (" + shell::errorText(code) +
              "): a later run copies it again");
}

void RunLogger::fileInstalled(const std::string& source, const std::string& target, const FileResult& result) {
    using Kind = FileResult::Kind;
    if (result.kind == Kind::Cancelled) return log_.line("cancelled during the copy of " + source);
    if (result.kind == Kind::SkippedWhole) return log_.line("skipped " + target + ": already whole");
    if (result.action == FileAction::PlayersOwn) return log_.line("kept the player's own " + target);
    if (result.action == FileAction::Itself) return log_.line("in place: " + target + " is " + source);
    log_.line(std::string(result.action == FileAction::Replace ? "replaced " : "copied ") + source + " -> " + target +
              " (" + shell::sizeText(result.size) + ")");
}

void RunLogger::fileFailed(const std::string& source, const std::string& target, const FileResult& result,
                           plat::Answer answer) {
    log_.line("failed " + source + " -> " + target + ": error " + std::to_string(result.code) + ": " +
              failureReason(result) + "; answer " + plat::nameOf(answer));
}

void RunLogger::ended(Outcome outcome) {
    switch (outcome) {
        case Outcome::Cancelled: return log_.line("outcome: cancelled; what was copied stays");
        case Outcome::Refused: return log_.line("outcome: refused");
        case Outcome::GaveUp: return log_.line("outcome: the player gave up; the program ends");
        case Outcome::Listed:
        case Outcome::RoomFound:
        case Outcome::Copied:
            break;  // not an end
    }
}

void RunLogger::shortcutFailed(const std::string& reason) {
    log_.line("the Start-menu shortcut was not made: " + reason);
}

void RunLogger::finished(std::size_t placed, const std::vector<std::string>& leftOut,
                         const std::string& unregistered) {
    if (leftOut.empty()) {
        log_.line("outcome: complete, " + std::to_string(placed) + " files in place");
    } else {
        std::string list;
        for (const std::string& f : leftOut) list += "\r\n" + f;
        log_.line("outcome: incomplete, " + std::to_string(placed) + " files in place, " +
                  std::to_string(leftOut.size()) + " left out:" + list);
    }
    if (!unregistered.empty()) log_.line("not registered with the list of installed programs: " + unregistered);
}

}  // namespace discinstall
