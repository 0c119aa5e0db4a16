#include "discinstall/Installation.h"

#include <algorithm>
#include <exception>

#include "base/Error.h"
#include "discinstall/DiscPlan.h"
#include "discinstall/DiscRoom.h"
#include "discinstall/InstallFolder.h"
#include "discinstall/RunLogger.h"
#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/FolderPicker.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"
#include "shell/Services.h"

namespace discinstall {

namespace {

using shell::Msg;
using shell::MsgKind;

constexpr int kDiscs = 3;
// The left-out files a warning names; the rest are counted.
constexpr std::size_t kLeftOutShown = 20;

// Message 13 with the system's reason under it.
void refuseFolder(std::uint32_t code, const std::string& subject) {
    const auto& m = shell::messages();
    shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + plat::systemError(code, subject).what(),
                       m.get(Msg::Notice), MsgKind::Stop);
}

// A copy that cannot start or stops on an error: the player decides, as
// Windows asks about a file it cannot copy.
plat::Answer askAboutFailure(const FileResult& failed, const std::string& source, const std::string& target) {
    const auto& m = shell::messages();
    return shell::ask(shell::Question::CopyFailed, failureReason(failed) + "\r\n\r\n" + source + "\r\n" + target,
                      m.get(Msg::Error), MsgKind::CopyFailed);
}

// The run's last message: success, or what was left out, why the game is
// not registered and why it has no shortcut.
void showReport(const std::vector<std::string>& leftOut, const std::string& unregistered,
                const std::string& noShortcut) {
    if (leftOut.empty() && unregistered.empty() && noShortcut.empty()) {
        shell::showMessage(Msg::InstallComplete, Msg::Notice, MsgKind::Plain);
        return;
    }
    const auto& m = shell::messages();
    std::string text = leftOut.empty() ? m.get(Msg::InstallComplete) : m.get(shell::Text::FilesLeftOut);
    const std::size_t shown = std::min(leftOut.size(), kLeftOutShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + leftOut[i];
    if (leftOut.size() > shown)
        text += "\r\n" + shell::formatCount(m.get(shell::Text::MoreFilesLeftOut), leftOut.size() - shown);
    if (!unregistered.empty()) text += "\r\n\r\n" + m.get(shell::Text::NotRegistered) + "\r\n" + unregistered;
    if (!noShortcut.empty()) text += "\r\n\r\n" + m.get(shell::Text::ShortcutNotMade) + "\r\n" + noShortcut;
    shell::showMessage(text, m.get(Msg::Warning), MsgKind::Warning);
}

}  // namespace

// Marks the run active for its scope, whatever ends it.
class Installation::Active {
public:
    explicit Active(Run& run) : run_(run) {
        run_ = Run{};
        run_.active = true;
    }
    ~Active() { run_.active = false; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

private:
    Run& run_;
};

Installation::Installation(TKqFileCopy& copy, InstallationView& view)
    : view_(view), installer_(copy, [this] { return cancelled(); }) {}

Installation::~Installation() = default;

// ---------------------------------------------------------------- the copy component's events

void Installation::cancel() {
    if (run_.active) run_.cancelRequested = true;
}

void Installation::copyProgressed(std::uint32_t transferred) { showOverall(transferred); }

void Installation::copyFinished() { installer_.copyFinished(); }

void Installation::copyFailed(const std::string& text, std::uint32_t code) { installer_.copyFailed(text, code); }

// ---------------------------------------------------------------- progress

void Installation::setOverall(int percent) {
    run_.overall = std::max(run_.overall, std::min(percent, 100));
    view_.showOverallProgress(run_.overall);
}

// Each disc fills a third, in proportion to the bytes of its files in place;
// the bar never goes back.
void Installation::showOverall(std::uint32_t transferred) {
    if (run_.disc < 1) return;
    const std::uint64_t bytes = files_.bytes;
    const std::uint64_t done = std::min<std::uint64_t>(run_.discDone + transferred, bytes);
    const std::uint64_t share = bytes ? done * 100 / bytes : 100;
    setOverall(static_cast<int>(((run_.disc - 1) * 100 + share) / kDiscs));
}

// ---------------------------------------------------------------- the files of a disc

std::string Installation::discPrefix(int disc) const {
    return disc == 1 ? runSource_ + "\\game\\" : runSource_ + "\\";
}

std::string Installation::targetOf(const std::string& source, const std::string& prefix) const {
    return (plat::Path(installFolder_) / source.substr(prefix.size())).text();
}

// Puts one listed file in place, asking the player about each failure.
Installation::FileEnd Installation::installListed(const std::string& source, const std::string& target,
                                                  bool playersOwn) {
    FileResult result = installer_.install(source, target, playersOwn, record_, *events_);
    for (;;) {
        switch (result.kind) {
            case FileResult::Kind::Placed:
            case FileResult::Kind::SkippedWhole: return FileEnd::Placed;
            case FileResult::Kind::Cancelled: return FileEnd::Cancelled;
            case FileResult::Kind::Failed: break;
        }
        const plat::Answer a = askAboutFailure(result, source, target);
        events_->fileFailed(source, target, result, a);
        if (a == plat::Answer::Abort) return FileEnd::GaveUp;
        if (a == plat::Answer::Ignore) return FileEnd::LeftOut;
        result = installer_.copyAgain(source, target, result.action, record_, *events_);
    }
}

// Copies every file of the disc list.
Outcome Installation::copyDiscList(const std::string& prefix) {
    run_.discDone = 0;
    for (std::size_t i = 0; i < files_.count(); ++i) {
        if (cancelled()) return Outcome::Cancelled;
        const std::string source = files_[i];
        const std::string target = targetOf(source, prefix);
        view_.showFile(source, target);
        const FileEnd end = installListed(source, target, isPlayersOwn(run_.disc, source.substr(prefix.size())));
        if (end == FileEnd::Cancelled) return Outcome::Cancelled;
        if (end == FileEnd::GaveUp) return Outcome::GaveUp;
        // Files found whole pass quickly: the windows stay alive meanwhile.
        plat::desktop().processMessages();
        if (end == FileEnd::Placed) {
            ++run_.placed;
            run_.discDone += files_.sizes[i];
            run_.bytesPlaced += files_.sizes[i];
        } else {
            run_.leftOut.push_back(target);
        }
        showOverall(0);
    }
    return Outcome::Copied;
}

// ---------------------------------------------------------------- discs

// The disc is found below the run source folder or in a CD drive, or the
// player points at it.
bool Installation::locateDisc(int disc) {
    for (;;) {
        if (auto found = findDisc(disc, runSource_)) {
            events_->discFound(disc, *found, *found == runSource_);
            runSource_ = *found;
            return true;
        }
        events_->discMissing(disc, runSource_);
        const plat::Answer a = shell::ask(Question::LocateDisc, Msg::LocateFiles, Msg::Error, MsgKind::AskLocate, disc);
        events_->answered(Question::LocateDisc, disc, a);
        if (a != plat::Answer::Ok) {
            endEarly(Outcome::GaveUp);
            return false;
        }
        pickDiscFolder();
    }
}

// A picker closed without a choice asks again, the folder unchanged; so
// does a folder the file calls cannot take.
void Installation::pickDiscFolder() {
    try {
        if (auto picked = shell::pickFolder()) {
            runSource_ = text::cutDriveRoot(*picked);
            events_->folderChosen(runSource_);
        }
    } catch (const std::exception& e) {
        events_->folderUnusable(e.what());
        shell::showError(e.what());
    }
}

bool Installation::askForDisc(int disc) {
    const Msg text = disc == 2 ? Msg::InsertDisc2 : Msg::InsertDisc3;
    const plat::Answer a = shell::ask(Question::DiscWanted, text, Msg::ChangeDisc, MsgKind::RetryDisc, disc);
    events_->answered(Question::DiscWanted, disc, a);
    if (a == plat::Answer::Cancel) {
        endEarly(Outcome::GaveUp);
        return false;
    }
    return locateDisc(disc);
}

// Lists disc 2 or 3; every destination must fit the file calls.
Outcome Installation::listDisc(int disc, const std::string& prefix) {
    run_.disc = disc;
    buildDiscList(disc, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) return Outcome::Cancelled;
    if (auto unfitting = firstUnfitting(files_, installFolder_, prefix)) {
        end_.refusal = Refusal::PathTooLong;
        events_->pathTooLong(*unfitting);
        refuseFolder(plat::err::FileNameTooLong, *unfitting);
        return Outcome::Refused;
    }
    return Outcome::Listed;
}

// Lists (from disc 2 on) and copies one disc; false when the run ends here.
bool Installation::copyDisc(int disc) {
    const std::string prefix = discPrefix(disc);
    // Disc 1 was listed by the start's checks.
    // Disc 1 was listed, and its room found, by the start's checks.
    Outcome o = disc == 1 ? Outcome::RoomFound : listDisc(disc, prefix);
    if (o == Outcome::Listed) {
        const RoomQuery room{disc, files_, installFolder_, prefix, events_->log().path(),
                             [this] { return cancelled(); }};
        o = checkRoom(room, *events_);
    }
    if (o == Outcome::RoomFound) {
        // The uninstaller first, so that even a run cut short can be taken away.
        if (disc == 1)
            for (const std::string& failed : record_.installUninstaller()) run_.leftOut.push_back(failed);
        o = copyDiscList(prefix);
    }
    if (o != Outcome::Copied) {
        endEarly(o);
        return false;
    }
    setOverall(disc * 100 / kDiscs);  // files skipped on the way included
    return true;
}

void Installation::refuse(Refusal why, const std::string& subject, std::uint32_t code) {
    end_.kind = RunEnd::Kind::Refused;
    end_.refusal = why;
    end_.why = refusalText(why, subject, code);
    events_->refused(why, subject, code);
}

void Installation::endEarly(Outcome outcome) {
    if (outcome == Outcome::Cancelled) end_.kind = RunEnd::Kind::Cancelled;
    if (outcome == Outcome::GaveUp) end_.kind = RunEnd::Kind::GaveUp;
    if (outcome == Outcome::Refused) end_.kind = RunEnd::Kind::Refused;
    events_->ended(outcome);
    if (outcome == Outcome::Cancelled) {
        // Back to the main window; what was copied stays.
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        view_.closeWindow();
    } else if (outcome == Outcome::Refused) {
        view_.closeWindow();
    } else if (outcome == Outcome::GaveUp) {
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        shell::closeMainWindow();
    }
}

void Installation::finish() {
    // The game goes into the list of programs whatever becomes of its shortcut.
    std::string noShortcut;
    if (run_.placed > 0 && shell::makesShortcuts()) {
        try {
            record_.makeGameShortcut();
        } catch (const std::exception& e) {
            noShortcut = e.what();
            events_->shortcutFailed(noShortcut);
        }
    }
    const std::string unregistered = record_.registerGame(run_.bytesPlaced);
    end_.kind = RunEnd::Kind::Finished;
    end_.leftOut = run_.leftOut.size();
    end_.registered = unregistered.empty();
    end_.shortcutMissing = !noShortcut.empty();
    events_->finished(run_.placed, run_.leftOut, unregistered);
    showReport(run_.leftOut, unregistered, noShortcut);
    view_.closeWindow();
}

void Installation::runDiscs() {
    view_.clearProgress();
    if (!copyDisc(1)) return;
    if (!askForDisc(2) || !copyDisc(2)) return;
    if (!askForDisc(3) || !copyDisc(3)) return;
    finish();
}

// ---------------------------------------------------------------- the start

void Installation::start(const std::string& source, const std::string& typedFolder) {
    if (run_.active) return;
    Active active(run_);
    end_ = RunEnd{};
    // Whatever ends the run, its log is written (where the run left it).
    struct EndOfLog {
        std::unique_ptr<RunLogger>& events;
        ~EndOfLog() { events.reset(); }
    } endOfLog{events_};
    events_ = std::make_unique<RunLogger>();
    events_->started(source, typedFolder);
    shell::loggingErrors(events_->log(), [&] {
        runSource_ = source;
        if (!checkFolder(typedFolder)) return;
        // Closed when the run ends, however it ends: the patch and the uninstaller open it next.
        struct Close {
            RunRecord& record;
            ~Close() { record.close(); }
        } close{record_};
        view_.showProgressPage();
        runDiscs();
    });
}

// Nothing is written before the folder is known to take every file of
// disc 1: the list comes first.
bool Installation::checkFolder(const std::string& typedFolder) {
    if (!checkDisc(runSource_ + "\\", 1)) {
        refuse(Refusal::DiscMissing, runSource_, 0);
        shell::showMessage(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return false;
    }
    const std::string typed = withoutTrailingBackslash(typedFolder);
    if (auto fault = folderNameFault(typed)) {
        refuse(Refusal::FolderName, typed, *fault);
        refuseFolder(*fault, typedFolder);
        return false;
    }
    // One spelling of the folder (its long names), by which it is registered and compared.
    const std::string folder = plat::longName(typed);
    // The uninstaller would never empty a drive's root or the Windows folder.
    if (shell::record::unsafeFolder(folder, plat::shell().windowsFolder())) {
        refuse(Refusal::UnsafeFolder, folder, 0);
        const auto& m = shell::messages();
        shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + m.get(shell::Text::UnsafeInstallFolder) +
                               "\r\n" + typedFolder,
                           m.get(Msg::Notice), MsgKind::Stop);
        return false;
    }
    run_.disc = 1;
    buildDiscList(1, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) {
        end_.kind = RunEnd::Kind::Cancelled;
        events_->listingCancelled();
        return false;  // the window is closing, and nothing was written
    }
    if (auto unfitting = firstUnfitting(files_, folder, discPrefix(1))) {
        refuse(Refusal::PathTooLong, *unfitting, 0);
        refuseFolder(plat::err::FileNameTooLong, *unfitting);
        return false;
    }
    // Nothing goes into the folder, not even its log, before it has room.
    if (!roomForDisc1(folder) || !makeFolder(folder)) return false;
    if (auto failed = plat::probeFolderOf(folder + "\\game00.dat")) {
        refuse(Refusal::FolderTakesNoFile, folder, failed->code);
        refuseFolder(failed->code, folder);
        takeBackFolders();
        return false;
    }
    if (openRecord(folder)) return true;
    takeBackFolders();
    return false;
}

bool Installation::roomForDisc1(const std::string& folder) {
    const std::string prefix = discPrefix(1);
    const RoomQuery room{1, files_, folder, prefix, events_->log().path(), [this] { return cancelled(); }};
    const Outcome o = checkRoom(room, *events_);
    if (o == Outcome::RoomFound) return true;
    endEarly(o);
    return false;
}

bool Installation::makeFolder(const std::string& folder) {
    std::vector<std::string> made;
    bool ok = true;
    if (makesParents_) {
        ok = plat::createFolders(folder, made);
    } else if (plat::files().createFolder(folder)) {  // the last level only; an existing folder is fine
        made.push_back(folder);
    }
    const std::uint32_t code = plat::program().lastError();
    for (const auto& f : made) events_->folderMade(f);
    made_.insert(made_.end(), made.begin(), made.end());
    if (ok && plat::files().folderExists(folder)) return true;
    refuse(Refusal::FolderNotMade, folder, code);
    shell::showMessage(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
    takeBackFolders();
    return false;
}

void Installation::takeBackFolders() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        events_->folderTakenBack(*it, plat::files().removeFolder(*it));
    made_.clear();
}

// The record goes first, so that the uninstaller knows every file written.
bool Installation::openRecord(const std::string& folder) {
    installFolder_ = folder;
    try {
        record_.open(folder);
        end_.wrote = true;
        made_.clear();  // the folders are the record's now
        // The run's log lies in the folder too: it goes with the whole game.
        events_->log().place(folder);
        events_->log().putOnRecord(record_.writer(), folder);
    } catch (const base::Error& e) {
        refuse(Refusal::RecordUnwritable, e.what(), 0);
        const auto& m = shell::messages();
        shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + e.what(), m.get(Msg::Notice), MsgKind::Stop);
        return false;
    }
    return true;
}

}  // namespace discinstall
