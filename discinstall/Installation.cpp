#include "discinstall/Installation.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "discinstall/FileCopy.h"
#include "discinstall/InstallFolder.h"
#include "base/Error.h"
#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Platform.h"
#include "platform/SystemError.h"
#include "shell/FolderPicker.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
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

void giveUp() {
    shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
    shell::closeMainWindow();
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

// The game keeps its saved games below its save folder, which disc 1 fills.
bool underSaveFolder(const std::string& rest) {
    return rest.size() > 5 && text::upperCase(rest.substr(0, 5)) == "SAVE\\";
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
        plat::platform().deleteFile(path_);
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
    run_.failure = plat::platform().errorText(code);
}

// One copy of source into a new temporary file beside target, waiting until
// it has finished, failed or been cancelled; a whole copy then replaces
// target in one step.  Whatever else happens, target stays as it was.
Installation::Outcome Installation::copyOnce(const std::string& source, const std::string& target) {
    auto& p = plat::platform();
    finishFlag_ = 0;
    run_.copyFailed = false;
    const auto temporary = plat::unusedTemporaryPath(target);
    if (!temporary) {
        noteFailure(plat::err::FileExists);
        return Outcome::Done;
    }
    copy_.setExistingFile(source);
    copy_.setNewFile(*temporary);
    Temporary partial(copy_, *temporary);
    copy_.Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (finishFlag_ != 1 && !run_.copyFailed && !run_.cancelRequested) p.handleMessage();
    if (finishFlag_ == 1) {
        if (p.moveReplacing(*temporary, target))
            partial.keep();
        else
            noteFailure(p.lastError());
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
    auto& p = plat::platform();
    placed = false;
    // Saved games are the player's; and a disc that is its own install
    // folder has its files in place already.
    if (p.fileExists(target) && (playersOwn || p.sameFile(source, target))) {
        placed = true;
        return Outcome::Done;
    }
    makeRecordedFolders(text::fileDir(target));
    announce(target);
    for (;;) {
        Outcome o = copyOnce(source, target);
        if (o != Outcome::Done) return o;
        if (!run_.copyFailed) {
            recordWhole(target);
            placed = true;
            return Outcome::Done;
        }
        const plat::Answer a = askAboutFailure(run_.failure, run_.failureCode, source, target);
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
        const bool playersOwn = run_.disc == 1 && underSaveFolder(target.substr(installFolder_.size() + 1));
        bool placed = false;
        Outcome o = installFile(source, target, playersOwn, placed);
        if (o != Outcome::Done) return o;
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

// The disc is found below the run source folder, or the player points at it.
bool Installation::locateDisc(int kind) {
    for (;;) {
        if (checkDisc(runSource_ + "\\", kind)) return true;
        if (shell::showMessage(Msg::LocateFiles, Msg::Error, MsgKind::AskLocate) != plat::Answer::Ok) {
            giveUp();
            return false;
        }
        // A picker closed without a choice asks again, the folder unchanged;
        // so does a folder the file calls cannot take.
        try {
            if (auto picked = shell::pickFolder()) runSource_ = text::cutDriveRoot(*picked);
        } catch (const std::exception& e) {
            ui::app().showError(e.what());
        }
    }
}

bool Installation::askForDisc(int kind) {
    const Msg text = kind == 2 ? Msg::InsertDisc2 : Msg::InsertDisc3;
    if (shell::showMessage(text, Msg::ChangeDisc, MsgKind::RetryDisc) == plat::Answer::Cancel) {
        giveUp();
        return false;
    }
    return locateDisc(kind);
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
            refuseFolder(plat::err::FileNameTooLong, *unfitting);
            o = Outcome::Refused;
        }
    }
    if (o == Outcome::Done) o = copyDiscList(prefix);
    if (o == Outcome::Done) setOverall(kind * 100 / kDiscs);  // files skipped on the way included
    if (o == Outcome::Cancelled) {
        // Back to the main window; what was copied stays.
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        view_.closeWindow();
    } else if (o == Outcome::Refused) {
        view_.closeWindow();
    } else if (o == Outcome::GaveUp) {
        giveUp();
    }
    return o == Outcome::Done;
}

// The end of a run that went through all three discs.
void Installation::finish() {
    if (run_.placed > 0) {
        record_->add({"links", shell::shortcutFolder()});
        for (const auto& link : shell::shortcutFiles(shell::kGameShortcut)) record_->add({"link", link});
        shell::makeShortcuts(shell::kGameShortcut, installFolder_ + "\\Vandry.EXE");
    }
    const std::string unregistered = registerGame();
    const auto& m = shell::messages();
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

// ---------------------------------------------------------------- the record and the registration

void Installation::makeRecordedFolders(const std::string& folder) {
    auto& p = plat::platform();
    // Outermost first, each before it is made; the install folder is the record's own.
    std::vector<std::string> missing;
    for (std::string f = shell::record::normalPath(folder);
         f.size() > installFolder_.size() && !p.folderExists(f); f = text::fileDir(f))
        missing.push_back(f);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) record_->add({"dir", *it});
    plat::createFolders(folder);
}

void Installation::announce(const std::string& target) {
    const std::string path = shell::record::normalPath(target);
    record_->add({"file?", path, plat::platform().fileExists(path) ? "old" : "new"});
}

void Installation::recordWhole(const std::string& target) {
    record_->add({"file", shell::record::normalPath(target)});
}

// The uninstaller is this program and its language files, copied beside the
// record before the discs, so that even a run cut short can be taken away.
void Installation::installUninstaller() {
    auto& p = plat::platform();
    const std::string own = p.programPath();
    const std::string folder = shell::record::uninstallFolder(installFolder_);
    std::vector<std::pair<std::string, std::string>> copies = {{own, shell::record::programPath(installFolder_)}};
    for (const std::string& name : shell::findLanguageFiles()) {
        const std::string file = text::folderPart(own) + name + ".ini";
        if (p.fileExists(file)) copies.push_back({file, folder + "\\" + name + ".ini"});
    }
    for (const auto& [from, to] : copies) {
        if (p.sameFile(from, to)) continue;  // the installed uninstaller installing into its own folder
        announce(to);
        if (plat::copyReplacing(from, to))
            run_.leftOut.push_back(to);
        else
            recordWhole(to);
    }
}

// The game in Windows' list of installed programs; the reason when it is
// not, empty otherwise.
std::string Installation::registerGame() {
    shell::registration::Entry entry{shell::messages().get(shell::Text::GameName), installFolder_,
                                     run_.bytesPlaced};
    const std::string key = shell::registration::keyName(installFolder_);
    try {
        shell::registration::registerInstallation(entry, [&](plat::RootKey root) {
            record_->add({"registered", shell::record::rootName(root),
                          std::string(shell::registration::kUninstallKey) + "\\" + key});
        });
    } catch (const base::Error& e) {
        return e.what();
    }
    return {};
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
    auto& p = plat::platform();
    finishFlag_ = 0;
    runSource_ = source;
    if (!checkDisc(runSource_ + "\\", 1)) {
        shell::showMessage(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return;
    }
    // Nothing is written before the folder is known to take every file of
    // disc 1: the list comes first.
    const std::string folder = withoutTrailingBackslash(typedFolder);
    if (auto fault = folderNameFault(folder)) return refuseFolder(*fault, typedFolder);
    run_.disc = 1;
    const std::string prefix = runSource_ + "\\game\\";
    buildDiscList(1, runSource_, files_, [this] { return cancelled(); });
    if (cancelled()) return;  // the window is closing, and nothing was written
    if (auto unfitting = firstUnfitting(files_, folder, prefix))
        return refuseFolder(plat::err::FileNameTooLong, *unfitting);
    p.createFolder(folder);  // the last level only; an existing folder is fine
    if (!p.folderExists(folder)) {
        shell::showMessage(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
        return;
    }
    if (auto failed = plat::probeFolderOf(folder + "\\game00.dat")) return refuseFolder(failed->code, folder);
    installFolder_ = folder;
    // The record goes first, so that the uninstaller knows every file written.
    try {
        record_ = std::make_unique<shell::record::Writer>(folder, p.ansiCodePage());
        record_->language(shell::languageName());
    } catch (const base::Error& e) {
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
    installUninstaller();
    runDiscs();
}

}  // namespace discinstall
