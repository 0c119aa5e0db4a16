#include "discinstall/Installation.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "base/Error.h"
#include "discinstall/DiscPlan.h"
#include "discinstall/FileCopy.h"
#include "discinstall/InstallFolder.h"
#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/FolderPicker.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/Shortcuts.h"
#include "ui/Application.h"

namespace discinstall {

namespace {

using shell::Msg;
using shell::MsgKind;

constexpr int kDiscs = 3;
// The left-out files a warning names; the rest are counted.
constexpr std::size_t kLeftOutShown = 20;

// A guess at the allocation unit of a drive that does not tell its own:
// NTFS's usual one.
constexpr std::uint32_t kUsualCluster = 4096;
constexpr std::uint64_t kMegabyte = 1024 * 1024;

const char* answerName(plat::Answer a) {
    switch (a) {
        case plat::Answer::Ok: return "OK";
        case plat::Answer::Cancel: return "Cancel";
        case plat::Answer::Abort: return "Abort";
        case plat::Answer::Retry: return "Retry";
        case plat::Answer::Ignore: return "Ignore";
        case plat::Answer::Yes: return "Yes";
        case plat::Answer::No: return "No";
    }
    return "?";
}

// A failure as the log keeps it: the code and the system's text on one line.
std::string failureText(const std::string& failure, std::uint32_t code) {
    std::string reason = text::withoutLineBreak(failure);
    if (reason.empty()) reason = plat::systemText(code);
    return "error " + std::to_string(code) + ": " + reason;
}

// Message 13 with the system's reason under it.
void refuseFolder(std::uint32_t code, const std::string& subject) {
    const auto& m = shell::messages();
    shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + plat::systemError(code, subject).what(),
                       m.get(Msg::Notice), MsgKind::Stop);
}

// A copy that cannot start or stops on an error: the player decides, as
// Windows asks about a file it cannot copy.
plat::Answer askAboutFailure(const std::string& failure, std::uint32_t code, const std::string& source,
                             const std::string& target) {
    std::string reason = text::withoutLineBreak(failure);
    if (reason.empty()) reason = plat::systemText(code);
    const auto& m = shell::messages();
    return shell::showMessage(reason + "\r\n\r\n" + source + "\r\n" + target, m.get(Msg::Error),
                              MsgKind::CopyFailed);
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

// The copy's temporary file goes whatever ends the copy, unless it has
// become the destination.
class Installation::Temporary {
public:
    Temporary(TKqFileCopy& copy, std::string path) : copy_(copy), path_(std::move(path)) {}
    ~Temporary() {
        if (path_.empty()) return;
        copy_.Stop();  // a failure may leave both files open with no worker
        plat::files().deleteFile(path_);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    void keep() { path_.clear(); }

private:
    TKqFileCopy& copy_;
    std::string path_;
};

Installation::Installation(TKqFileCopy& copy, InstallationView& view) : copy_(copy), view_(view) {}

Installation::~Installation() = default;

void Installation::note(const std::string& line) {
    if (log_) log_->line(line);
}

void Installation::giveUp() {
    note("outcome: the player gave up; the program ends");
    shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
    shell::closeMainWindow();
}

// ---------------------------------------------------------------- the copy component's events

void Installation::cancel() {
    if (run_.active) run_.cancelRequested = true;
}

void Installation::copyProgressed(std::uint32_t transferred) { showOverall(transferred); }

void Installation::copyFinished() { finishFlag_ = 1; }

void Installation::copyFailed(const std::string& text, std::uint32_t code) {
    run_.copyFailed = true;
    run_.failure = text;
    run_.failureCode = code;
}

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

// ---------------------------------------------------------------- one file

void Installation::noteFailure(std::uint32_t code) {
    run_.copyFailed = true;
    run_.failureCode = code;
    run_.failure = plat::program().errorText(code);
}

// One copy of source into a new temporary file beside target, waiting until
// it has finished, failed or been cancelled; a whole copy then replaces
// target in one step.  Whatever else happens, target stays as it was.
Installation::Outcome Installation::copyOnce(const std::string& source, const std::string& target) {
    finishFlag_ = 0;
    run_.copyFailed = false;
    const auto temporary = plat::unusedTemporaryPath(target);
    if (!temporary) {
        noteFailure(plat::err::FileExists);
        return Outcome::Done;
    }
    // The copy carries the disc's time, so that a later run knows it whole.
    plat::FileStamp disc;
    const bool stamped = plat::files().fileStamp(source, disc);
    copy_.setExistingFile(source);
    copy_.setNewFile(*temporary);
    Temporary partial(copy_, *temporary);
    copy_.Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (finishFlag_ != 1 && !run_.copyFailed && !run_.cancelRequested) plat::desktop().handleMessage();
    if (finishFlag_ == 1) {
        if (!stamped || !plat::files().setLastWriteTime(*temporary, disc.lastWrite))
            note("the copy of " + source + " keeps its own time (" + shell::errorText(plat::program().lastError()) +
                 "): a later run copies it again");
        if (plat::files().moveReplacing(*temporary, target))
            partial.keep();
        else
            noteFailure(plat::program().lastError());
        return Outcome::Done;
    }
    if (run_.cancelRequested) {
        // A copy that failed has ended already; the player is not asked about it.
        if (!run_.copyFailed) copy_.Cancel();
        return Outcome::Cancelled;
    }
    return Outcome::Done;
}

// Puts source's file at target, asking the player about each failure;
// placed tells whether target then holds the disc's file (or the player's
// own, which is kept).
Installation::Outcome Installation::installFile(const std::string& source, const std::string& target,
                                                bool playersOwn, bool& placed) {
    placed = false;
    // Discs 2 and 3 join their files to the folder with a doubled separator,
    // which the log shows single.
    const std::string doubled = installFolder_ + "\\\\";
    auto shown = [&](const std::string& path) {
        return path.compare(0, doubled.size(), doubled) == 0 ? installFolder_ + path.substr(installFolder_.size() + 1)
                                                              : path;
    };
    // What a run that was killed or switched off left beside it goes first.
    for (const std::string& gone : plat::removeStaleTemporaries(target))
        note("removed " + shown(gone) + ", left by a run that was stopped");
    const FileAction action = actionFor(source, target, playersOwn);
    switch (action) {
        case FileAction::PlayersOwn:
            note("kept the player's own " + shown(target));
            placed = true;
            return Outcome::Done;
        case FileAction::Itself:
            note("in place: " + shown(target) + " is " + source);
            placed = true;
            return Outcome::Done;
        case FileAction::Whole:
            note("skipped " + shown(target) + ": already whole");
            recordInPlace(target);
            placed = true;
            return Outcome::Done;
        case FileAction::Copy:
        case FileAction::Replace:
            break;
    }
    makeRecordedFolders(text::fileDir(target));
    announce(target);
    for (;;) {
        Outcome o = copyOnce(source, target);
        if (o == Outcome::Cancelled) note("cancelled during the copy of " + source);
        if (o != Outcome::Done) return o;
        if (!run_.copyFailed) {
            plat::FileStamp copied;
            note(std::string(action == FileAction::Replace ? "replaced " : "copied ") + source + " -> " + shown(target) +
                 " (" + shell::sizeText(plat::files().fileStamp(target, copied) ? copied.size : 0) + ")");
            recordWhole(target);
            placed = true;
            return Outcome::Done;
        }
        const plat::Answer a = askAboutFailure(run_.failure, run_.failureCode, source, target);
        note("failed " + source + " -> " + shown(target) + ": " + failureText(run_.failure, run_.failureCode) +
             "; answer " + answerName(a));
        if (a == plat::Answer::Abort) return Outcome::GaveUp;
        if (a == plat::Answer::Ignore) return Outcome::Done;
    }
}

// Copies every file of the disc list.
Installation::Outcome Installation::copyDiscList(const std::string& prefix) {
    const std::size_t count = files_.count();
    run_.discDone = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (cancelled()) return Outcome::Cancelled;
        const std::string source = files_[i];
        const std::string target = destination(installFolder_, source, prefix);
        view_.showFile(source, target);
        const bool playersOwn = isPlayersOwn(run_.disc, target.substr(installFolder_.size() + 1));
        bool placed = false;
        Outcome o = installFile(source, target, playersOwn, placed);
        if (o != Outcome::Done) return o;
        // Files found whole pass quickly: the windows stay alive meanwhile.
        plat::desktop().processMessages();
        if (placed) {
            ++run_.placed;
            run_.discDone += files_.sizes[i];
            run_.bytesPlaced += files_.sizes[i];
        } else {
            run_.leftOut.push_back(target);
        }
        showOverall(0);
    }
    return Outcome::Done;
}

// ---------------------------------------------------------------- discs

// The disc is found below the run source folder or in a CD drive, or the
// player points at it.
bool Installation::locateDisc(int kind) {
    for (;;) {
        if (auto found = findDisc(kind, runSource_)) {
            note("disc " + std::to_string(kind) + " found " + (*found == runSource_ ? "below " : "in ") + *found);
            runSource_ = *found;
            return true;
        }
        note("disc " + std::to_string(kind) + " is neither below " + runSource_ + " nor in a CD drive");
        const plat::Answer a = shell::showMessage(Msg::LocateFiles, Msg::Error, MsgKind::AskLocate);
        note(std::string("asked to locate the disc's files: answer ") + answerName(a));
        if (a != plat::Answer::Ok) {
            giveUp();
            return false;
        }
        // A picker closed without a choice asks again, the folder unchanged;
        // so does a folder the file calls cannot take.
        try {
            if (auto picked = shell::pickFolder()) {
                runSource_ = text::cutDriveRoot(*picked);
                note("the player chose " + runSource_);
            }
        } catch (const std::exception& e) {
            note(std::string("the folder chosen cannot be used: ") + e.what());
            ui::app().showError(e.what());
        }
    }
}

bool Installation::askForDisc(int kind) {
    const Msg text = kind == 2 ? Msg::InsertDisc2 : Msg::InsertDisc3;
    const plat::Answer a = shell::showMessage(text, Msg::ChangeDisc, MsgKind::RetryDisc);
    note("asked for disc " + std::to_string(kind) + ": answer " + answerName(a));
    if (a == plat::Answer::Cancel) {
        giveUp();
        return false;
    }
    return locateDisc(kind);
}

// The room the disc's copies need, asked for again until the drive has it
// or the player gives up.  A drive that cannot tell is left to the copies,
// which replace each file whole.
Installation::Outcome Installation::checkRoom(int kind, const std::string& prefix) {
    const std::string drive = text::upperCase(installFolder_.substr(0, 2));
    for (;;) {
        std::uint32_t cluster = 0;
        if (!plat::drives().clusterSize(installFolder_, cluster)) {
            note("the allocation unit of " + drive + " is not told (" + shell::errorText(plat::program().lastError()) +
                 "): taken as 4096 bytes");
            cluster = kUsualCluster;
        }
        const DiscPlan plan = planDisc(kind, files_, installFolder_, prefix, cluster, [this] { return cancelled(); });
        if (cancelled()) return Outcome::Cancelled;
        // The uninstaller goes in with disc 1, so disc 1 makes room for it too.
        const std::uint64_t uninstaller = kind == 1 ? uninstallerRoom(cluster) : 0;
        const std::uint64_t bookkeeping = runRoom(prefix, cluster);
        const std::uint64_t needed = plan.needed + uninstaller + bookkeeping;
        std::uint64_t free = 0;
        const bool told = plat::drives().freeSpace(installFolder_, free);
        note("disc " + std::to_string(kind) + ": " + std::to_string(plan.files) + " files, " +
             shell::sizeText(plan.bytes) + "; " + std::to_string(plan.inPlace) + " in place, " +
             std::to_string(plan.files - plan.inPlace) + " to copy (" + shell::sizeText(plan.toCopy) + "), needing " +
             shell::sizeText(needed) + (uninstaller ? " with the uninstaller's " + shell::sizeText(uninstaller) : "") +
             " and the record's, the log's and the folders' " + shell::sizeText(bookkeeping) +
             " on " + drive + ", which has " +
             (told ? shell::sizeText(free) + " free" : "untold free space (" + shell::errorText(plat::program().lastError()) + ")"));
        if (!told || free >= needed) return Outcome::Done;
        const auto& m = shell::messages();
        const std::string text = shell::formatText(
            m.get(shell::Text::NoRoom), {drive, std::to_string(free / kMegabyte), std::to_string(kind),
                                         std::to_string((needed + kMegabyte - 1) / kMegabyte)});
        const plat::Answer a = shell::showMessage(text, m.get(Msg::Warning), MsgKind::NoRoom);
        note(std::string("too little room for disc ") + std::to_string(kind) + ": answer " + answerName(a));
        if (a != plat::Answer::Retry) return Outcome::GaveUp;
    }
}

// Lists (from disc 2 on) and copies one disc; false when the run ends here.
bool Installation::copyDisc(int kind, const std::string& prefix) {
    Outcome o = Outcome::Done;
    if (kind > 1) {
        run_.disc = kind;
        buildDiscList(kind, runSource_, files_, [this] { return cancelled(); });
        if (cancelled()) {
            o = Outcome::Cancelled;
        } else if (auto unfitting = firstUnfitting(files_, installFolder_, prefix)) {
            note("a path too long for the file calls: " + *unfitting);
            refuseFolder(plat::err::FileNameTooLong, *unfitting);
            o = Outcome::Refused;
        }
    }
    if (o == Outcome::Done) o = checkRoom(kind, prefix);
    // The uninstaller first, so that even a run cut short can be taken away.
    if (o == Outcome::Done && kind == 1) installUninstaller();
    if (o == Outcome::Done) o = copyDiscList(prefix);
    if (o == Outcome::Done) setOverall(kind * 100 / kDiscs);  // files skipped on the way included
    if (o == Outcome::Cancelled) {
        // Back to the main window; what was copied stays.
        note("outcome: cancelled; what was copied stays");
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        view_.closeWindow();
    } else if (o == Outcome::Refused) {
        note("outcome: refused");
        view_.closeWindow();
    } else if (o == Outcome::GaveUp) {
        giveUp();
    }
    return o == Outcome::Done;
}

// The end of a run that went through all three discs.
void Installation::finish() {
    if (run_.placed > 0) {
        for (const auto& link : shell::shortcutFiles(shell::kGameShortcut)) record_->shortcut(link);
        shell::makeShortcuts(shell::kGameShortcut, installFolder_ + "\\Vandry.EXE");
    }
    const std::string unregistered = registerGame();
    const auto& m = shell::messages();
    if (run_.leftOut.empty()) note("outcome: complete, " + std::to_string(run_.placed) + " files in place");
    else {
        std::string list;
        for (const std::string& f : run_.leftOut) list += "\r\n" + f;
        note("outcome: incomplete, " + std::to_string(run_.placed) + " files in place, " +
             std::to_string(run_.leftOut.size()) + " left out:" + list);
    }
    if (!unregistered.empty()) note("not registered with the list of installed programs: " + unregistered);
    if (run_.leftOut.empty() && unregistered.empty()) {
        shell::showMessage(Msg::InstallComplete, Msg::Notice, MsgKind::Plain);
    } else {
        std::string text = run_.leftOut.empty() ? m.get(Msg::InstallComplete) : m.get(shell::Text::FilesLeftOut);
        const std::size_t shown = std::min(run_.leftOut.size(), kLeftOutShown);
        for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + run_.leftOut[i];
        if (run_.leftOut.size() > shown)
            text += "\r\n" + shell::formatCount(m.get(shell::Text::MoreFilesLeftOut), run_.leftOut.size() - shown);
        if (!unregistered.empty()) text += "\r\n\r\n" + m.get(shell::Text::NotRegistered) + "\r\n" + unregistered;
        shell::showMessage(text, m.get(Msg::Warning), MsgKind::Warning);
    }
    view_.closeWindow();
}

void Installation::runDiscs() {
    view_.clearProgress();
    if (!copyDisc(1, runSource_ + "\\game\\")) return;
    if (!askForDisc(2)) return;
    // Discs 2 and 3 keep the separator before the rest: the file system
    // reads the doubled one as one.
    if (!copyDisc(2, runSource_)) return;
    if (!askForDisc(3)) return;
    if (!copyDisc(3, runSource_)) return;
    finish();
}

// ---------------------------------------------------------------- the start

void Installation::start(const std::string& source, const std::string& typedFolder) {
    if (run_.active) return;
    Active active(run_);
    // Whatever ends the run, its log is written (where the run left it).
    struct EndOfLog {
        std::unique_ptr<shell::RunLog>& log;
        ~EndOfLog() { log.reset(); }
    } endOfLog{log_};
    log_ = std::make_unique<shell::RunLog>(shell::kInstallLog, "disc installation");
    note("source folder " + source + ", install folder " + typedFolder);
    try {
        startChecked(source, typedFolder);
    } catch (const std::exception& e) {
        log_->stoppedBy(e);
        throw;
    }
}

void Installation::startChecked(const std::string& source, const std::string& typedFolder) {
    finishFlag_ = 0;
    runSource_ = source;
    if (!checkDisc(runSource_ + "\\", 1)) {
        note("outcome: refused, disc 1 is not below " + runSource_);
        shell::showMessage(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return;
    }
    // Nothing is written before the folder is known to take every file of
    // disc 1: the list comes first.
    const std::string folder = withoutTrailingBackslash(typedFolder);
    if (auto fault = folderNameFault(folder)) {
        note("outcome: refused, the install folder's name: " + shell::errorText(*fault));
        return refuseFolder(*fault, typedFolder);
    }
    // The uninstaller would never empty a drive's root or the Windows folder.
    if (shell::record::unsafeFolder(folder, plat::shell().windowsFolder())) {
        note("outcome: refused, a drive's root or the Windows folder: " + folder);
        const auto& m = shell::messages();
        shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + m.get(shell::Text::UnsafeInstallFolder) +
                               "\r\n" + typedFolder,
                           m.get(Msg::Notice), MsgKind::Stop);
        return;
    }
    run_.disc = 1;
    const std::string prefix = runSource_ + "\\game\\";
    buildDiscList(1, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) {
        note("outcome: cancelled while disc 1 was listed; nothing was written");
        return;  // the window is closing, and nothing was written
    }
    if (auto unfitting = firstUnfitting(files_, folder, prefix)) {
        note("outcome: refused, a path too long for the file calls: " + *unfitting);
        return refuseFolder(plat::err::FileNameTooLong, *unfitting);
    }
    plat::files().createFolder(folder);  // the last level only; an existing folder is fine
    if (!plat::files().folderExists(folder)) {
        note("outcome: refused, the install folder cannot be made (" + shell::errorText(plat::program().lastError()) + ")");
        shell::showMessage(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
        return;
    }
    if (auto failed = plat::probeFolderOf(folder + "\\game00.dat")) {
        note("outcome: refused, the install folder takes no file (" + shell::errorText(failed->code) + ")");
        return refuseFolder(failed->code, folder);
    }
    installFolder_ = folder;
    log_->place(folder);
    // The record goes first, so that the uninstaller knows every file written.
    try {
        record_ = std::make_unique<shell::record::Writer>(folder, plat::program().ansiCodePage());
        record_->language(shell::languageName());
        // The run's log lies in the folder too: it goes with the whole game.
        if (log_->path() == folder + "\\" + shell::kInstallLog.inFolder) {
            announce(log_->path());
            recordWhole(log_->path());
        }
    } catch (const base::Error& e) {
        note(std::string("outcome: refused, the uninstall record cannot be written (") + e.what() + ")");
        const auto& m = shell::messages();
        shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + e.what(), m.get(Msg::Notice), MsgKind::Stop);
        return;
    }
    // Closed when the run ends, however it ends: the patch and the uninstaller open it next.
    struct Close {
        std::unique_ptr<shell::record::Writer>& record;
        ~Close() { record.reset(); }
    } close{record_};
    view_.showProgressPage();
    runDiscs();
}

}  // namespace discinstall
