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
void refuseFolder(shell::Face& face, std::uint32_t code, const std::string& subject) {
    const auto& m = shell::messages();
    face.show(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + plat::systemError(code, subject).what(),
              m.get(Msg::Notice), MsgKind::Stop);
}

// A copy that cannot start or stops on an error: the player decides, as
// Windows asks about a file it cannot copy.
plat::Answer askAboutFailure(shell::Face& face, const FileResult& failed, const plat::Path& source,
                             const plat::Path& target) {
    const auto& m = shell::messages();
    return face.ask(shell::Question::CopyFailed,
                    failureReason(failed) + "\r\n\r\n" + source.text() + "\r\n" + target.text(), m.get(Msg::Error), 0);
}

// The run's last message: success, or what was left out, why the game is
// not registered and why it has no shortcut.
void showReport(shell::Face& face, const std::vector<plat::Path>& leftOut, const std::string& unregistered,
                const std::string& noShortcut) {
    if (leftOut.empty() && unregistered.empty() && noShortcut.empty()) {
        face.show(Msg::InstallComplete, Msg::Notice, MsgKind::Plain);
        return;
    }
    const auto& m = shell::messages();
    std::string text = leftOut.empty() ? m.get(Msg::InstallComplete) : m.get(shell::Text::FilesLeftOut);
    const std::size_t shown = std::min(leftOut.size(), kLeftOutShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + leftOut[i].text();
    if (leftOut.size() > shown)
        text += "\r\n" + shell::formatCount(m.get(shell::Text::MoreFilesLeftOut), leftOut.size() - shown);
    if (!unregistered.empty()) text += "\r\n\r\n" + m.get(shell::Text::NotRegistered) + "\r\n" + unregistered;
    if (!noShortcut.empty()) text += "\r\n\r\n" + m.get(shell::Text::ShortcutNotMade) + "\r\n" + noShortcut;
    face.show(text, m.get(Msg::Warning), MsgKind::Warning);
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

Installation::Installation(TKqFileCopy& copy, InstallationView& view, shell::Face& face)
    : view_(view), face_(face), installer_(copy, [this] { return cancelled(); }) {}

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

// Puts one listed file in place, asking the player about each failure.
Installation::FileEnd Installation::installListed(const plat::Path& source, const plat::Path& target,
                                                  bool playersOwn) {
    FileResult result = installer_.install(source, target, playersOwn, record_, *events_);
    for (;;) {
        switch (result.kind) {
            case FileResult::Kind::Placed:
            case FileResult::Kind::SkippedWhole: return FileEnd::Placed;
            case FileResult::Kind::Cancelled: return FileEnd::Cancelled;
            case FileResult::Kind::Failed: break;
        }
        const plat::Answer a = askAboutFailure(face_, result, source, target);
        events_->fileFailed(source.text(), target.text(), result, a);
        if (a == plat::Answer::Abort) return FileEnd::GaveUp;
        if (a == plat::Answer::Ignore) return FileEnd::LeftOut;
        result = installer_.copyAgain(source, target, result.action, record_, *events_);
    }
}

// Copies every file of the disc list.
Outcome Installation::copyDiscList(const plat::Path& root) {
    run_.discDone = 0;
    for (std::size_t i = 0; i < files_.count(); ++i) {
        if (cancelled()) return Outcome::Cancelled;
        const plat::Path& source = files_[i];
        const plat::Path target = destination(installFolder_, source, root);
        view_.showFile(source.text(), target.text());
        const FileEnd end =
            installListed(source, target, isPlayersOwn(run_.disc, target.relativeTo(installFolder_).value_or("")));
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
Installation::Stop Installation::locateDisc(int disc) {
    for (;;) {
        if (auto found = findDisc(disc, runSource_.text())) {
            events_->discFound(disc, *found, plat::Path(*found) == runSource_);
            runSource_ = plat::Path(*found);
            return std::nullopt;
        }
        events_->discMissing(disc, runSource_.text());
        const plat::Answer a = face_.ask(Question::LocateDisc, Msg::LocateFiles, Msg::Error, disc);
        events_->answered(Question::LocateDisc, disc, a);
        if (a != plat::Answer::Ok) return endEarly(Outcome::GaveUp, Question::LocateDisc);
        pickDiscFolder();
    }
}

// A picker closed without a choice asks again, the folder unchanged; so
// does a folder the file calls cannot take.
void Installation::pickDiscFolder() {
    try {
        if (auto picked = face_.pickFolder()) {
            runSource_ = plat::Path(text::cutDriveRoot(*picked));
            events_->folderChosen(runSource_.text());
        }
    } catch (const std::exception& e) {
        events_->folderUnusable(e.what());
        face_.showError(e.what());
    }
}

Installation::Stop Installation::askForDisc(int disc) {
    const Msg text = disc == 2 ? Msg::InsertDisc2 : Msg::InsertDisc3;
    const plat::Answer a = face_.ask(Question::DiscWanted, text, Msg::ChangeDisc, disc);
    events_->answered(Question::DiscWanted, disc, a);
    if (a == plat::Answer::Cancel) return endEarly(Outcome::GaveUp, Question::DiscWanted);
    return locateDisc(disc);
}

// Lists disc 2 or 3; every destination must fit the file calls.
Installation::Stop Installation::listDisc(int disc, const plat::Path& root) {
    run_.disc = disc;
    buildDiscList(disc, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) return endEarly(Outcome::Cancelled);
    if (auto unfitting = firstUnfitting(files_, installFolder_, root)) {
        RunEnd end = refuse(Refusal::PathTooLong, unfitting->text(), 0);
        refuseFolder(face_, plat::err::FileNameTooLong, unfitting->text());
        view_.closeWindow();
        return end;
    }
    return std::nullopt;
}

// Lists (from disc 2 on) and copies one disc.
Installation::Stop Installation::copyDisc(int disc) {
    const plat::Path root = discRoot(disc, runSource_);
    // Disc 1 was listed, and its room found, by the start's checks.
    if (disc != 1) {
        if (Stop stop = listDisc(disc, root)) return stop;
        const RoomQuery room{disc, files_, installFolder_, root, events_->log().path(),
                             [this] { return cancelled(); }};
        const Outcome o = checkRoom(room, *events_, face_);
        if (o != Outcome::RoomFound) return endEarly(o, Question::TooLittleRoom);
    } else {
        // The uninstaller first, so that even a run cut short can be taken away.
        for (const plat::Path& failed : record_.installUninstaller()) run_.leftOut.push_back(failed);
    }
    const Outcome o = copyDiscList(root);
    if (o != Outcome::Copied) return endEarly(o, Question::CopyFailed);
    setOverall(disc * 100 / kDiscs);  // files skipped on the way included
    return std::nullopt;
}

RunEnd Installation::ending(RunEnd::Kind kind) const {
    RunEnd end;
    end.kind = kind;
    end.wrote = run_.wrote;
    return end;
}

RunEnd Installation::refuse(Refusal why, const std::string& subject, std::uint32_t code) {
    RunEnd end = ending(RunEnd::Kind::Refused);
    end.refusal = why;
    end.why = refusalText(why, subject, code);
    events_->refused(why, subject, code);
    return end;
}

// A run cut short: cancelled (back to the main window, what was copied
// stays), or given up at a question (the program ends).  `at` is the
// question that gave up, when it is one.
RunEnd Installation::endEarly(Outcome outcome, std::optional<Question> at) {
    events_->ended(outcome);
    switch (outcome) {
        case Outcome::Cancelled:
            face_.show(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
            view_.closeWindow();
            return ending(RunEnd::Kind::Cancelled);
        case Outcome::GaveUp: {
            face_.show(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
            shell::closeMainWindow();
            RunEnd end = ending(RunEnd::Kind::GaveUp);
            end.gaveUpAt = at;
            return end;
        }
        case Outcome::Listed:
        case Outcome::RoomFound:
        case Outcome::Copied:
        case Outcome::Refused:
            break;  // no end of their own: refusals end through refuse()
    }
    throw std::logic_error("a run cannot end early with a step's success");
}

RunEnd Installation::finish() {
    // The game goes into the list of programs whatever becomes of its shortcut.
    std::string noShortcut, unregistered;
    if (run_.placed > 0 && shell::makesShortcuts()) {
        try {
            record_.makeGameShortcut();
        } catch (const std::exception& e) {
            noShortcut = e.what();
            events_->shortcutFailed(noShortcut);
        }
    }
    try {
        record_.registerGame(run_.bytesPlaced);
    } catch (const base::Error& e) {
        unregistered = e.what();
    }
    RunEnd end = ending(RunEnd::Kind::Finished);
    end.leftOut = run_.leftOut.size();
    end.registered = unregistered.empty();
    end.shortcutMissing = !noShortcut.empty();
    std::vector<std::string> leftOut;
    for (const plat::Path& p : run_.leftOut) leftOut.push_back(p.text());
    events_->finished(run_.placed, leftOut, unregistered);
    showReport(face_, run_.leftOut, unregistered, noShortcut);
    view_.closeWindow();
    return end;
}

RunEnd Installation::runDiscs() {
    view_.clearProgress();
    if (Stop stop = copyDisc(1)) return *stop;
    for (int disc : {2, 3}) {
        if (Stop stop = askForDisc(disc)) return *stop;
        if (Stop stop = copyDisc(disc)) return *stop;
    }
    return finish();
}

// ---------------------------------------------------------------- the start

RunEnd Installation::start(const std::string& source, const std::string& typedFolder) {
    if (run_.active) return RunEnd{};
    Active active(run_);
    // Whatever ends the run, its log is written (where the run left it).
    struct EndOfLog {
        std::unique_ptr<RunLogger>& events;
        ~EndOfLog() { events.reset(); }
    } endOfLog{events_};
    events_ = std::make_unique<RunLogger>();
    events_->started(source, typedFolder);
    runSource_ = plat::Path(source);
    try {
        return run(typedFolder);
    } catch (const std::exception& e) {
        // The action ends on it as any other; what was written stays.
        events_->log().stoppedBy(e);
        face_.showError(e.what());
        RunEnd end = ending(RunEnd::Kind::Failed);
        end.why = e.what();
        return end;
    }
}

RunEnd Installation::run(const std::string& typedFolder) {
    if (Stop stop = checkFolder(typedFolder)) return *stop;
    // Closed when the run ends, however it ends: the patch and the uninstaller open it next.
    struct Close {
        RunRecord& record;
        ~Close() { record.close(); }
    } close{record_};
    view_.showProgressPage();
    return runDiscs();
}

// Nothing is written before the folder is known to take every file of
// disc 1 and to have room for them: the list comes first.
Installation::Stop Installation::checkFolder(const std::string& typedFolder) {
    if (!checkDisc(runSource_, 1)) {
        RunEnd end = refuse(Refusal::DiscMissing, runSource_.text(), 0);
        face_.show(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return end;
    }
    plat::Path folder;
    if (Stop stop = checkName(typedFolder, folder)) return stop;
    if (Stop stop = listDisc1(folder)) return stop;
    // Nothing goes into the folder, not even its log, before it has room.
    if (Stop stop = roomForDisc1(folder)) return stop;
    if (Stop stop = makeFolder(folder)) return stop;
    if (auto failed = plat::probeFolderOf(folder / "game00.dat")) {
        RunEnd end = refuse(Refusal::FolderTakesNoFile, folder.text(), failed->error.code());
        refuseFolder(face_, failed->error.code(), folder.text());
        takeBackFolders();
        return end;
    }
    Stop stop = openRecord(folder);
    if (stop) takeBackFolders();
    return stop;
}

// The folder's name, and where it lies: one spelling of it (its long
// names), by which it is registered and compared.
Installation::Stop Installation::checkName(const std::string& typedFolder, plat::Path& folder) {
    const std::string typed = withoutTrailingBackslash(typedFolder);
    if (auto fault = folderNameFault(typed)) {
        RunEnd end = refuse(Refusal::FolderName, typed, *fault);
        refuseFolder(face_, *fault, typedFolder);
        return end;
    }
    folder = plat::longName(plat::Path(typed));
    // The uninstaller would never empty a drive's root or the Windows folder.
    if (shell::record::unsafeFolder(folder, plat::Path(plat::shell().windowsFolder()))) {
        RunEnd end = refuse(Refusal::UnsafeFolder, folder.text(), 0);
        const auto& m = shell::messages();
        face_.show(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + m.get(shell::Text::UnsafeInstallFolder) +
                               "\r\n" + typedFolder,
                           m.get(Msg::Notice), MsgKind::Stop);
        return end;
    }
    return std::nullopt;
}

Installation::Stop Installation::listDisc1(const plat::Path& folder) {
    run_.disc = 1;
    buildDiscList(1, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) {
        events_->listingCancelled();
        return ending(RunEnd::Kind::Cancelled);  // the window is closing, and nothing was written
    }
    if (auto unfitting = firstUnfitting(files_, folder, discRoot(1, runSource_))) {
        RunEnd end = refuse(Refusal::PathTooLong, unfitting->text(), 0);
        refuseFolder(face_, plat::err::FileNameTooLong, unfitting->text());
        return end;
    }
    return std::nullopt;
}

Installation::Stop Installation::roomForDisc1(const plat::Path& folder) {
    const plat::Path root = discRoot(1, runSource_);
    const RoomQuery room{1, files_, folder, root, events_->log().path(), [this] { return cancelled(); }};
    const Outcome o = checkRoom(room, *events_, face_);
    if (o == Outcome::RoomFound) return std::nullopt;
    return endEarly(o, Question::TooLittleRoom);
}

Installation::Stop Installation::makeFolder(const plat::Path& folder) {
    std::vector<plat::Path> made;
    plat::SysError e;
    if (makesParents_) {
        e = plat::createFolders(folder, &made);
    } else {
        e = plat::files().createFolder(folder);  // the last level only; an existing folder is fine
        if (e.ok()) made.push_back(folder);
    }
    for (const auto& f : made) events_->folderMade(f.text());
    run_.made.insert(run_.made.end(), made.begin(), made.end());
    if (plat::files().folderExists(folder)) return std::nullopt;
    RunEnd end = refuse(Refusal::FolderNotMade, folder.text(), e.code());
    face_.show(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
    takeBackFolders();
    return end;
}

void Installation::takeBackFolders() {
    for (auto it = run_.made.rbegin(); it != run_.made.rend(); ++it)
        events_->folderTakenBack(it->text(), plat::files().removeFolder(*it).ok());
    run_.made.clear();
}

// The record goes first, so that the uninstaller knows every file written.
Installation::Stop Installation::openRecord(const plat::Path& folder) {
    installFolder_ = folder;
    try {
        record_.open(folder);
    } catch (const base::Error& e) {
        RunEnd end = refuse(Refusal::RecordUnwritable, e.what(), 0);
        const auto& m = shell::messages();
        face_.show(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + e.what(), m.get(Msg::Notice), MsgKind::Stop);
        return end;
    }
    run_.wrote = true;
    run_.made.clear();  // the folders are the record's now
    // The run's log lies in the folder too: it goes with the whole game.
    events_->log().place(folder);
    events_->log().putOnRecord(record_.writer(), folder);
    return std::nullopt;
}

}  // namespace discinstall
