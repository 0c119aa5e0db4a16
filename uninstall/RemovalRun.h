// The two removals, each with its log, as the uninstall window's buttons and
// an unattended removal start them; and the report's text at the end.
#pragma once

#include <string>

#include "shell/Face.h"
#include "shell/InstallRecord.h"
#include "shell/MessageTable.h"
#include "uninstall/Removal.h"

namespace uninstall {

// The record, read and checked already, of the game in `folder` (where it
// lies now); `damaged` when some of its lines did not read.
struct Installed {
    const shell::record::Record& record;
    const plat::Path& folder;
    bool damaged = false;
};

// The patch alone, the originals put back; the record stays open meanwhile,
// each step added as it is done.  On a folder that holds our patch only
// (Record::patchOnly()), then Removal::removeOwnTraces() once it is closed.
Report removePatchFrom(const Installed& game, RemovalView& view);
// The whole game, the saved games only with `saves`.
Report removeGameFrom(const Installed& game, bool saves, RemovalView& view);

// What the report at the end says, and whether it is a warning.
struct ReportText {
    std::string text;
    bool warning;
};
ReportText reportText(const Report& report, const shell::MessageTable& m, bool patch);

// The report as a message box (or, unattended, in the log).
void tellReport(shell::Face& face, const Report& report, const shell::MessageTable& m, bool patch);

// A file that cannot go: Retry, Ignore or Abort, asked through the face.
plat::Answer askAboutFailure(shell::Face& face, const std::string& path, std::uint32_t code,
                             const shell::MessageTable& m);

}  // namespace uninstall
