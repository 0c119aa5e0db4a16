// One listed file put in its place in the install folder: what an earlier
// run left beside it removed, a file found whole left alone, otherwise a
// copy into a temporary file beside it that carries the disc's time and
// then replaces it in one step.  The destination is never left half
// written, whatever ends the copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "discinstall/RunEvents.h"
#include "platform/Path.h"

class TKqFileCopy;

namespace discinstall {

class RunRecord;

class FileInstaller {
public:
    // `cancelled` tells whether the player has cancelled the run.
    FileInstaller(TKqFileCopy& copy, std::function<bool()> cancelled);

    // The first attempt at a file: reports to `events` what it finds and
    // did (all but a failure, which the caller tells with the player's
    // answer) and puts the file on `record` as it goes.
    FileResult install(const plat::Path& source, const plat::Path& target, bool playersOwn, RunRecord& record,
                       RunEvents& events);
    // The copy alone, again, after a failure the player chose to retry.
    FileResult copyAgain(const plat::Path& source, const plat::Path& target, FileAction action, RunRecord& record,
                         RunEvents& events);

    // The copy component's events, as the window receives them.
    void copyFinished() { copyFinished_ = true; }
    void copyFailed(const std::string& text, std::uint32_t code);

private:
    FileResult copyOnce(const plat::Path& source, const plat::Path& target, FileAction action, RunEvents& events);

    TKqFileCopy& copy_;
    std::function<bool()> cancelled_;
    // The copy under way: finished by the copy component, or failed.
    bool copyFinished_ = false;
    bool copyFailed_ = false;
    std::string failure_;
    std::uint32_t failureCode_ = 0;
};

}  // namespace discinstall
