#include "discinstall/DiscRun.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>

#include "discinstall/DiscForm.h"
#include "shell/FolderPicker.h"
#include "shell/Shortcuts.h"
#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Platform.h"
#include "shell/Services.h"
#include "platform/SystemError.h"

namespace discinstall {

namespace {

using shell::Msg;
using shell::MsgKind;

// How a step of the run ended.
enum class Outcome {
    Done,
    Cancelled,  // the player cancelled the run: back to the main window
    GaveUp,     // the player gave up: the program ends
    Refused,    // the install folder cannot take the disc: said, back to the main window
};

constexpr int kDiscs = 3;
// The left-out files a warning names; the rest are counted.
constexpr std::size_t kLeftOutShown = 20;
// CreateDirectory leaves room in MAX_PATH for a file name of 8.3
// characters: a folder may be no longer than the path limit less these.
constexpr std::size_t kFolderNameRoom = 12;

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

// Message 13 with the system's reason under it.
void refuseFolder(std::uint32_t code, const std::string& subject) {
    const auto& m = shell::messages();
    shell::showMessage(m.get(Msg::BadInstallFolder) + "\r\n\r\n" + plat::systemError(code, subject).what(),
                       m.get(Msg::Notice), MsgKind::Stop);
}

// ---------------------------------------------------------------- the install folder

// A typed trailing backslash goes, as the folder trees give none; a drive
// root is "X:".
std::string withoutTrailingBackslash(std::string folder) {
    while (folder.size() > 2 && text::endsWith(folder, '\\')) folder.pop_back();
    return folder;
}

bool isDeviceName(const std::string& name) {
    // A device keeps its name whatever extension follows it.
    std::string base = text::upperCase(name.substr(0, std::min(text::find(name, '.'), name.size())));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Whether Windows can make a folder of this name as it is spelled: it
// refuses some characters and device names, and drops trailing full stops
// and blanks, which would make a folder other than the one named.
bool nameWindowsCanMake(const std::string& name) {
    if (name.empty() || isDeviceName(name)) return false;
    for (std::size_t i = 0; i < name.size(); i += text::charLength(name, i)) {
        if (text::charLength(name, i) > 1) continue;
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::string("<>:\"/|?*").find(static_cast<char>(c)) != std::string::npos) return false;
    }
    return !text::endsWith(name, '.') && !text::endsWith(name, ' ');
}

// The code of why the folder cannot be an install folder by its name alone:
// an absolute path on a drive that is there, each name one Windows makes.
std::optional<std::uint32_t> folderNameFault(const std::string& folder) {
    const bool absolute = folder.size() >= 2 && folder[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(folder[0])) &&
                          (folder.size() == 2 || folder[2] == '\\');
    if (!absolute) return plat::err::InvalidName;
    if (!plat::platform().folderExists(folder.substr(0, 2) + "\\")) return plat::err::PathNotFound;
    std::size_t start = 3;
    while (start < folder.size()) {
        std::size_t end = std::min(text::find(folder, '\\', start), folder.size());
        if (!nameWindowsCanMake(folder.substr(start, end - start))) return plat::err::InvalidName;
        start = end + 1;
    }
    return std::nullopt;
}

// Where each listed file lands: the install folder, a backslash and what
// follows `prefix` in the source path.
std::string destination(const std::string& folder, const std::string& source, const std::string& prefix) {
    return folder + "\\" + source.substr(std::min(prefix.size(), source.size()));
}

// The first destination of the listed files that the file calls cannot take
// whole: its own path, its temporary file's, or its folder's.
std::optional<std::string> firstUnfitting(const TForm2& w, const std::string& folder, const std::string& prefix) {
    auto& p = plat::platform();
    for (const std::string& source : w.discFiles.paths) {
        const std::string target = destination(folder, source, prefix);
        if (!p.pathFits(target) || !p.pathFits(plat::temporaryPath(target)) ||
            !p.pathFits(text::fileDir(target) + std::string(kFolderNameRoom, 'x')))
            return target;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- one file

// A copy that cannot start or stops on an error: the player decides, as
// Windows asks about a file it cannot copy.
plat::Answer askAboutFailure(TForm2& w, const std::string& source, const std::string& target) {
    std::string reason = text::withoutLineBreak(w.run.failure);
    if (reason.empty()) reason = plat::systemText(w.run.failureCode);
    const auto& m = shell::messages();
    return shell::showMessage(reason + "\r\n\r\n" + source + "\r\n" + target, m.get(Msg::Error),
                              MsgKind::CopyFailed);
}

void noteFailure(TForm2& w, std::uint32_t code) {
    w.run.copyFailed = true;
    w.run.failureCode = code;
    w.run.failure = plat::platform().errorText(code);
}

// The copy's temporary file goes whatever ends the copy, unless it has
// become the destination.
class Temporary {
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

// One copy of source into a new temporary file beside target, waiting until
// it has finished, failed or been cancelled; a whole copy then replaces
// target in one step.  Whatever else happens, target stays as it was.
Outcome copyOnce(TForm2& w, const std::string& source, const std::string& target) {
    auto& p = plat::platform();
    w.finishFlag = 0;
    w.run.copyFailed = false;
    const auto temporary = plat::unusedTemporaryPath(target);
    if (!temporary) {
        noteFailure(w, plat::err::FileExists);
        return Outcome::Done;
    }
    w.KqFileCopy1->setExistingFile(source);
    w.KqFileCopy1->setNewFile(*temporary);
    Temporary partial(*w.KqFileCopy1, *temporary);
    w.KqFileCopy1->Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (w.finishFlag != 1 && !w.run.copyFailed && !w.run.cancelRequested) p.handleMessage();
    if (w.finishFlag == 1) {
        if (p.moveReplacing(*temporary, target))
            partial.keep();
        else
            noteFailure(w, p.lastError());
        return Outcome::Done;
    }
    if (w.run.cancelRequested) {
        // A copy that failed has ended already; the player is not asked about it.
        if (!w.run.copyFailed) w.KqFileCopy1->Cancel();
        return Outcome::Cancelled;
    }
    return Outcome::Done;
}

// Puts source's file at target, asking the player about each failure;
// placed tells whether target then holds the disc's file (or the player's
// own, which is kept).
Outcome installFile(TForm2& w, const std::string& source, const std::string& target, bool playersOwn,
                    bool& placed) {
    auto& p = plat::platform();
    placed = false;
    // Saved games are the player's; and a disc that is its own install
    // folder has its files in place already.
    if (p.fileExists(target) && (playersOwn || p.sameFile(source, target))) {
        placed = true;
        return Outcome::Done;
    }
    plat::createFolders(text::folderPart(target));
    for (;;) {
        Outcome o = copyOnce(w, source, target);
        if (o != Outcome::Done) return o;
        if (!w.run.copyFailed) {
            placed = true;
            return Outcome::Done;
        }
        const plat::Answer a = askAboutFailure(w, source, target);
        if (a == plat::Answer::Abort) return Outcome::GaveUp;
        if (a == plat::Answer::Ignore) return Outcome::Done;
    }
}

// The game keeps its saved games below its save folder, which disc 1 fills.
bool underSaveFolder(const std::string& rest) {
    return rest.size() > 5 && text::upperCase(rest.substr(0, 5)) == "SAVE\\";
}

// Copies every file of the disc list.
Outcome copyDiscList(TForm2& w, const std::string& prefix) {
    const std::size_t count = w.discFiles.count();
    w.run.discDone = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (w.run.cancelRequested) return Outcome::Cancelled;
        const std::string source = w.discFiles[i];
        w.Label1->setText(source);
        const std::string target = destination(w.installFolder, source, prefix);
        w.Label2->setText(target);
        const bool playersOwn = w.run.disc == 1 && underSaveFolder(target.substr(w.installFolder.size() + 1));
        bool placed = false;
        Outcome o = installFile(w, source, target, playersOwn, placed);
        if (o != Outcome::Done) return o;
        if (placed) {
            ++w.run.placed;
            w.run.discDone += w.discFiles.sizes[i];
        } else {
            w.run.leftOut.push_back(target);
        }
        showOverallProgress(w, 0);
    }
    return Outcome::Done;
}

// ---------------------------------------------------------------- discs

bool cancelled(const TForm2& w) { return w.run.cancelRequested; }

// The disc is found below the run source folder, or the player points at it.
bool locateDisc(TForm2& w, int kind) {
    for (;;) {
        if (checkDisc(w.runSource + "\\", kind)) return true;
        if (shell::showMessage(Msg::LocateFiles, Msg::Error, MsgKind::AskLocate) != plat::Answer::Ok) {
            giveUp();
            return false;
        }
        // A picker closed without a choice asks again, the folder unchanged;
        // so does a folder the file calls cannot take.
        try {
            if (auto picked = shell::pickFolder()) w.runSource = text::cutDriveRoot(*picked);
        } catch (const std::exception& e) {
            ui::app().showError(e.what());
        }
    }
}

bool askForDisc(TForm2& w, int kind, Msg text) {
    if (shell::showMessage(text, Msg::ChangeDisc, MsgKind::RetryDisc) == plat::Answer::Cancel) {
        giveUp();
        return false;
    }
    return locateDisc(w, kind);
}

// Lists (from disc 2 on) and copies one disc; false when the run ends here.
bool copyDisc(TForm2& w, int kind, const std::string& prefix) {
    Outcome o = Outcome::Done;
    if (kind > 1) {
        w.run.disc = kind;
        buildDiscList(kind, w.runSource, w.discFiles, [&w] { return cancelled(w); });
        if (cancelled(w)) {
            o = Outcome::Cancelled;
        } else if (auto unfitting = firstUnfitting(w, w.installFolder, prefix)) {
            refuseFolder(plat::err::FileNameTooLong, *unfitting);
            o = Outcome::Refused;
        }
    }
    if (o == Outcome::Done) o = copyDiscList(w, prefix);
    if (o == Outcome::Done) setOverall(w, kind * 100 / kDiscs);  // files skipped on the way included
    if (o == Outcome::Cancelled) {
        // Back to the main window; what was copied stays.
        shell::showMessage(Msg::InstallIncomplete, Msg::Warning, MsgKind::Warning);
        w.Close();
    } else if (o == Outcome::Refused) {
        w.Close();
    } else if (o == Outcome::GaveUp) {
        giveUp();
    }
    return o == Outcome::Done;
}

// The end of a run that went through all three discs.
void finishRun(TForm2& w) {
    if (w.run.placed > 0) shell::makeShortcuts(shell::kGameShortcut, w.installFolder + "\\Vandry.EXE");
    const auto& m = shell::messages();
    if (w.run.leftOut.empty()) {
        shell::showMessage(Msg::InstallComplete, Msg::Notice, MsgKind::Plain);
    } else {
        std::string text = m.get(shell::Text::FilesLeftOut);
        const std::size_t shown = std::min(w.run.leftOut.size(), kLeftOutShown);
        for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + w.run.leftOut[i];
        if (w.run.leftOut.size() > shown)
            text += "\r\n" + shell::formatCount(m.get(shell::Text::MoreFilesLeftOut), w.run.leftOut.size() - shown);
        shell::showMessage(text, m.get(Msg::Warning), MsgKind::Warning);
    }
    w.Close();
}

void runInstallation(TForm2& w) {
    for (ui::ProgressBar* bar : {w.ProgressBar1, w.ProgressBar2, w.ProgressBar3}) bar->setPosition(0);
    if (!copyDisc(w, 1, w.runSource + "\\game\\")) return;
    if (!askForDisc(w, 2, Msg::InsertDisc2)) return;
    // Discs 2 and 3 keep the separator before the rest: the file system
    // reads the doubled one as one.
    if (!copyDisc(w, 2, w.runSource)) return;
    if (!askForDisc(w, 3, Msg::InsertDisc3)) return;
    if (!copyDisc(w, 3, w.runSource)) return;
    finishRun(w);
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
    if (w.run.active) return;
    Active active(w);
    auto& p = plat::platform();
    w.finishFlag = 0;
    w.runSource = w.Edit1->text();
    if (!checkDisc(w.runSource + "\\", 1)) {
        shell::showMessage(Msg::DiscNotFound, Msg::Error, MsgKind::Stop);
        return;
    }
    // Nothing is written before the folder is known to take every file of
    // disc 1: the list comes first.
    const std::string typed = w.Edit2->text();
    const std::string folder = withoutTrailingBackslash(typed);
    if (auto fault = folderNameFault(folder)) return refuseFolder(*fault, typed);
    w.run.disc = 1;
    const std::string prefix = w.runSource + "\\game\\";
    buildDiscList(1, w.runSource, w.discFiles, [&w] { return cancelled(w); });
    if (cancelled(w)) return;  // the window is closing, and nothing was written
    if (auto unfitting = firstUnfitting(w, folder, prefix)) return refuseFolder(plat::err::FileNameTooLong, *unfitting);
    p.createFolder(folder);  // the last level only; an existing folder is fine
    if (!p.folderExists(folder)) {
        shell::showMessage(Msg::BadInstallFolder, Msg::Notice, MsgKind::Stop);
        return;
    }
    if (auto failed = plat::probeFolderOf(folder + "\\game00.dat")) return refuseFolder(failed->code, folder);
    w.installFolder = folder;
    w.PageControl1->setActivePageIndex(1);
    runInstallation(w);
}

}  // namespace discinstall
