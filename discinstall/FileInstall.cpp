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

FileResult systemFailure(FileAction action, std::uint32_t code) {
    FileResult r;
    r.kind = FileResult::Kind::Failed;
    r.action = action;
    r.code = code;
    r.text = plat::program().errorText(code);
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

FileResult FileInstaller::install(const std::string& source, const std::string& target, bool playersOwn,
                                  RunRecord& record, RunEvents& events) {
    // What a run that was killed or switched off left beside it goes first.
    for (const std::string& gone : plat::removeStaleTemporaries(target)) events.staleRemoved(gone);
    FileResult result;
    result.action = actionFor(source, target, playersOwn);
    switch (result.action) {
        case FileAction::PlayersOwn:
        case FileAction::Itself:
            events.fileInstalled(source, target, result);
            return result;
        case FileAction::Whole:
            result.kind = FileResult::Kind::SkippedWhole;
            events.fileInstalled(source, target, result);
            record.inPlace(target);
            return result;
        case FileAction::Copy:
        case FileAction::Replace:
            break;
    }
    record.makeFolders(text::fileDir(target));
    record.announce(target);
    return copyAgain(source, target, result.action, record, events);
}

FileResult FileInstaller::copyAgain(const std::string& source, const std::string& target, FileAction action,
                                    RunRecord& record, RunEvents& events) {
    FileResult result = copyOnce(source, target, action, events);
    if (result.kind == FileResult::Kind::Failed) return result;
    events.fileInstalled(source, target, result);
    if (result.kind == FileResult::Kind::Placed) record.whole(target);
    return result;
}

// One copy of source into a new temporary file beside target, waiting until
// it has finished, failed or been cancelled; a whole copy then replaces
// target in one step.  Whatever else happens, target stays as it was.
FileResult FileInstaller::copyOnce(const std::string& source, const std::string& target, FileAction action,
                                   RunEvents& events) {
    copyFinished_ = false;
    copyFailed_ = false;
    const auto temporary = plat::unusedTemporaryPath(target);
    if (!temporary) return systemFailure(action, plat::err::FileExists);
    // The copy carries the disc's time, so that a later run knows it whole.
    plat::FileStamp disc;
    const bool stamped = plat::files().fileStamp(source, disc);
    copy_.setExistingFile(source);
    copy_.setNewFile(*temporary);
    Temporary partial(copy_, *temporary);
    copy_.Start();
    // Blocks between steps: the worker's hand-over wakes it.
    while (!copyFinished_ && !copyFailed_ && !cancelled_()) plat::desktop().handleMessage();
    FileResult result;
    result.action = action;
    if (copyFinished_) {
        if (!stamped || !plat::files().setLastWriteTime(*temporary, disc.lastWrite))
            events.stampNotKept(source, plat::program().lastError());
        if (!plat::files().moveReplacing(*temporary, target)) return systemFailure(action, plat::program().lastError());
        partial.keep();
        plat::FileStamp copied;
        result.size = plat::files().fileStamp(target, copied) ? copied.size : 0;
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
