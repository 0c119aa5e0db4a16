#include "discinstall/FileInstall.h"

#include <utility>

#include "discinstall/FileCopy.h"
#include "discinstall/RunRecord.h"
#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/SystemError.h"

namespace discinstall {

namespace {

// The copy's temporary file goes whatever ends the copy, unless it has
// become the destination.
class Temporary {
public:
    Temporary(TKqFileCopy& copy, plat::Path path) : copy_(copy), path_(std::move(path)) {}
    ~Temporary() {
        if (path_.empty()) return;
        copy_.Stop();  // a failure may leave both files open with no worker
        plat::files().deleteFile(path_);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    void keep() { path_ = plat::Path(); }

private:
    TKqFileCopy& copy_;
    plat::Path path_;
};

FileResult systemFailure(FileAction action, plat::SysError error) {
    FileResult r;
    r.kind = FileResult::Kind::Failed;
    r.action = action;
    r.code = error.code();
    r.text = plat::program().errorText(error.code());
    return r;
}

}  // namespace

std::string failureReason(const FileResult& failed) {
    std::string reason = text::withoutLineBreak(failed.text);
    return reason.empty() ? plat::systemText(failed.code) : reason;
}

FileInstaller::FileInstaller(TKqFileCopy& copy, std::function<bool()> cancelled)
    : copy_(copy), cancelled_(std::move(cancelled)) {}

void FileInstaller::copyFailed(const std::string& text, std::uint32_t code) {
    copyFailed_ = true;
    failure_ = text;
    failureCode_ = code;
}

FileResult FileInstaller::install(const plat::Path& source, const plat::Path& target, bool playersOwn,
                                  RunRecord& record, RunEvents& events) {
    // What a run that was killed or switched off left beside it goes first.
    for (const plat::Path& gone : plat::removeStaleTemporaries(target)) events.staleRemoved(gone.text());
    FileResult result;
    result.action = actionFor(source, target, playersOwn);
    switch (result.action) {
        case FileAction::PlayersOwn:
        case FileAction::Itself:
            events.fileInstalled(source.text(), target.text(), result);
            return result;
        case FileAction::Whole:
            result.kind = FileResult::Kind::SkippedWhole;
            events.fileInstalled(source.text(), target.text(), result);
            record.inPlace(target);
            return result;
        case FileAction::Copy:
        case FileAction::Replace:
            break;
    }
    record.makeFolders(target.parent());
    record.announce(target);
    return copyAgain(source, target, result.action, record, events);
}

FileResult FileInstaller::copyAgain(const plat::Path& source, const plat::Path& target, FileAction action,
                                    RunRecord& record, RunEvents& events) {
    FileResult result = copyOnce(source, target, action, events);
    if (result.kind == FileResult::Kind::Failed) return result;
    events.fileInstalled(source.text(), target.text(), result);
    if (result.kind == FileResult::Kind::Placed) record.whole(target, result.digest);
    return result;
}

// One copy of source into a new temporary file beside target, waiting until
// it has finished, failed or been cancelled; a whole copy then replaces
// target in one step.  Whatever else happens, target stays as it was.
FileResult FileInstaller::copyOnce(const plat::Path& source, const plat::Path& target, FileAction action,
                                   RunEvents& events) {
    copyFinished_ = false;
    copyFailed_ = false;
    const auto temporary = plat::unusedTemporaryPath(target);
    if (!temporary) return systemFailure(action, plat::SysError(plat::err::FileExists));
    // The copy carries the disc's time, so that a later run knows it whole.
    plat::FileStamp disc;
    const plat::SysError stamped = plat::files().fileStamp(source, disc);
    copy_.setExistingFile(source.text());
    copy_.setNewFile(temporary->text());
    Temporary partial(copy_, *temporary);
    copy_.Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (!copyFinished_ && !copyFailed_ && !cancelled_()) plat::desktop().handleMessage();
    FileResult result;
    result.action = action;
    if (copyFinished_) {
        // The code of the call that failed: the disc's stamp, or the copy's.
        const plat::SysError stamp = stamped.failed() ? stamped : plat::files().setLastWriteTime(*temporary, disc.lastWrite);
        if (stamp.failed()) events.stampNotKept(source.text(), stamp.code());
        if (const plat::SysError moved = plat::files().moveReplacing(*temporary, target); moved.failed())
            return systemFailure(action, moved);
        partial.keep();
        plat::FileStamp copied;
        result.size = plat::files().fileStamp(target, copied).ok() ? copied.size : 0;
        if (const auto crc = copy_.Crc32()) result.digest = shell::record::Digest{copy_.BreakPoint(), *crc};
        return result;
    }
    if (cancelled_()) {
        // A copy that failed has ended already; the player is not asked about it.
        if (!copyFailed_) copy_.Cancel();
        result.kind = FileResult::Kind::Cancelled;
        return result;
    }
    result.kind = FileResult::Kind::Failed;
    result.code = failureCode_;
    result.text = failure_;
    return result;
}

}  // namespace discinstall
