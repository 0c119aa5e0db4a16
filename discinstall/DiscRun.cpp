#include "discinstall/DiscRun.h"

#include <algorithm>

#include "discinstall/DiscForm.h"
#include "extras/FolderPicker.h"
#include "extras/Shortcuts.h"
#include "platform/AnsiText.h"
#include "platform/Folders.h"
#include "platform/Platform.h"
#include "shell/Services.h"

namespace discinstall {

namespace {

using shell::Msg;
using shell::MsgKind;

// How a step of the run ended.
enum class Outcome {
    Done,
    Cancelled,  // the player cancelled the run: back to the main window
    GaveUp,     // the player gave up: the program ends
};

constexpr int kDiscs = 3;

// Marks the run active for its scope, whatever ends it.
class Active {
public:
    explicit Active(TForm2& w) : w_(w) {
        w_.run = TForm2::Run{};
        w_.run.active = true;
    }
    ~Active() { w_.run.active = false; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

private:
    TForm2& w_;
};

void setOverall(TForm2& w, int percent) {
    w.run.overall = std::max(w.run.overall, std::min(percent, 100));
    w.ProgressBar3->setPosition(w.run.overall);
}

void giveUp() {
    shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
    shell::closeMainWindow();
}

// A copy that cannot start or stops on an error: the player decides, as
// Windows asks about a file it cannot copy.
plat::Answer askAboutFailure(TForm2& w) {
    std::string reason = w.run.failure;
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
        reason.pop_back();
    if (reason.empty()) reason = "(" + std::to_string(w.run.failureCode) + ")";
    const auto& m = shell::messages();
    return shell::showMessage(reason + "\r\n\r\n" + w.KqFileCopy1->ExistingFile() + "\r\n" + w.KqFileCopy1->NewFile(),
                              m.get(Msg::Error), MsgKind::CopyFailed);
}

void noteFailure(TForm2& w) {
    auto& p = plat::platform();
    std::uint32_t code = p.lastError();
    w.run.copyFailed = true;
    w.run.failureCode = code;
    w.run.failure = p.errorText(code);
}

// One copy of the current file, waiting until it has finished, failed or
// been cancelled.
Outcome copyOnce(TForm2& w) {
    auto& p = plat::platform();
    w.finishFlag = 0;
    w.run.copyFailed = false;
    const std::string& target = w.KqFileCopy1->NewFile();
    // An earlier installation's file is replaced.
    if (p.fileExists(target) && !p.deleteFile(target)) {
        noteFailure(w);
        return Outcome::Done;
    }
    w.KqFileCopy1->Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (w.finishFlag != 1 && !w.run.copyFailed && !w.run.cancelRequested) p.handleMessage();
    if (w.finishFlag == 1) return Outcome::Done;
    if (w.run.cancelRequested) {
        w.KqFileCopy1->Cancel();  // the partial file goes
        return Outcome::Cancelled;
    }
    // A failure may leave both files open with no worker.
    w.KqFileCopy1->Stop();
    return Outcome::Done;
}

// Copies every file of the disc list; each destination is the install
// folder, a backslash and what follows `prefix` in the source path.
Outcome copyDiscList(TForm2& w, const std::string& prefix) {
    auto& p = plat::platform();
    const std::size_t count = w.discFiles.count();
    w.run.discDone = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (w.run.cancelRequested) return Outcome::Cancelled;
        const std::string source = w.discFiles[i];
        w.KqFileCopy1->setExistingFile(source);
        w.Label1->setText(source);
        const std::string target = w.installFolder + "\\" + source.substr(std::min(prefix.size(), source.size()));
        w.KqFileCopy1->setNewFile(target);
        w.Label2->setText(target);
        plat::createFolders(text::folderPart(target));
        for (;;) {
            Outcome o = copyOnce(w);
            if (o != Outcome::Done) return o;
            if (!w.run.copyFailed) break;
            plat::Answer a = askAboutFailure(w);
            if (a == plat::Answer::Abort) return Outcome::GaveUp;
            p.deleteFile(target);  // what was written of it
            if (a == plat::Answer::Ignore) break;
        }
        w.run.discDone += w.KqFileCopy1->BreakPoint();
        showOverallProgress(w, 0);
    }
    return Outcome::Done;
}

// The disc is found below the run source folder, or the player points at it.
bool locateDisc(TForm2& w, int kind) {
    for (;;) {
        if (checkDisc(w.runSource + "\\", kind)) return true;
        if (shell::showMessage(Msg::LocateFiles, Msg::Error, MsgKind::AskLocate) != plat::Answer::Ok) {
            shell::closeMainWindow();
            return false;
        }
        // A picker closed without a choice asks again, the folder unchanged.
        if (auto picked = extras::pickFolder()) w.runSource = text::cutDriveRoot(*picked);
    }
}

bool askForDisc(TForm2& w, int kind, Msg text) {
    if (shell::showMessage(text, Msg::ChangeDisc, MsgKind::RetryDisc) == plat::Answer::Cancel) {
        giveUp();
        return false;
    }
    return locateDisc(w, kind);
}

// Lists and copies one disc; false when the run ends here.
bool copyDisc(TForm2& w, int kind, const std::string& prefix) {
    w.run.disc = kind;
    buildDiscList(kind, w.runSource, w.discFiles);
    Outcome o = copyDiscList(w, prefix);
    if (o == Outcome::Done) setOverall(w, kind * 100 / kDiscs);  // files skipped on the way included
    if (o == Outcome::Cancelled) {
        // Back to the main window; what was copied stays.
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        w.Close();
    } else if (o == Outcome::GaveUp) {
        giveUp();
    }
    return o == Outcome::Done;
}

}  // namespace

void showOverallProgress(TForm2& w, std::uint32_t transferred) {
    if (w.run.disc < 1) return;
    const std::uint64_t bytes = w.discFiles.bytes;
    const std::uint64_t done = std::min<std::uint64_t>(w.run.discDone + transferred, bytes);
    const std::uint64_t share = bytes ? done * 100 / bytes : 100;
    setOverall(w, static_cast<int>(((w.run.disc - 1) * 100 + share) / kDiscs));
}

void startInstallation(TForm2& w) {
    auto& p = plat::platform();
    w.finishFlag = 0;
    w.runSource = w.Edit1->text();
    if (!checkDisc(w.runSource + "\\", 1)) {
        shell::showMessage(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return;
    }
    const std::string folder = w.Edit2->text();
    p.createFolder(folder);  // the last level only; an existing folder is fine
    if (!p.folderExists(folder)) {
        shell::showMessage(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
        return;
    }
    w.installFolder = folder;
    w.PageControl1->setActivePageIndex(1);
    runInstallation(w);
}

void runInstallation(TForm2& w) {
    Active active(w);
    for (ui::ProgressBar* bar : {w.ProgressBar1, w.ProgressBar2, w.ProgressBar3}) bar->setPosition(0);
    if (!copyDisc(w, 1, w.runSource + "\\game\\")) return;
    if (!askForDisc(w, 2, Msg::InsertDisc2)) return;
    // Discs 2 and 3 keep the separator before the rest: the file system
    // reads the doubled one as one.
    if (!copyDisc(w, 2, w.runSource)) return;
    if (!askForDisc(w, 3, Msg::InsertDisc3)) return;
    if (!copyDisc(w, 3, w.runSource)) return;
    w.run.active = false;
    extras::makeShortcuts(extras::kGameShortcut, w.installFolder + "\\Vandry.EXE");
    shell::showMessage(Msg::InstallComplete, Msg::Notice, MsgKind::Plain);
    w.Close();
}

}  // namespace discinstall
