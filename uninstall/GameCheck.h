// Checking an installed game by its record, and putting back what is
// damaged or missing.  Every file the disc installation and the patch wrote
// is read, but the saved games, the logs and the uninstaller's own files: a
// file whose record line has its digest is compared with it; a file of an
// earlier record, which has none, with its disc byte for byte, a patched
// file with the patch's payloads.  The check changes nothing.  The repair
// puts back only what the check found damaged or missing: game files from
// their discs (asked for only when needed), patched files from the payloads
// that the uninstaller carries in the edition that was applied, each as the
// installation writes one (a temporary name, then one move), each on the
// record again with what it now holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "shell/DiscSource.h"
#include "shell/Face.h"
#include "shell/MessageTable.h"
#include "uninstall/RemovalRun.h"

namespace uninstall {

// Makes the discs a check or a repair finds (and asks for) through the face,
// telling the log what it finds; given by the program, which knows the
// discs.
using DiscsFor = std::function<std::unique_ptr<shell::DiscSource>(shell::Face& face, shell::RunLog& log)>;

enum class Verdict {
    Intact,
    Damaged,     // its content differs from what was written
    Missing,
    Unreadable,  // it cannot be read (code says why): in use, refused
    Unchecked,   // an earlier record's file whose disc was found nowhere
};
const char* nameOf(Verdict v);

struct CheckedFile {
    plat::Path relative;  // below the game folder
    bool patch = false;   // one of the patch's files, else a disc's
    Verdict verdict = Verdict::Intact;
    std::uint32_t code = 0;  // why it cannot be read
};

struct Verification {
    std::vector<CheckedFile> files;
    std::size_t count(Verdict v) const;
    // Every file is intact.
    bool intact() const { return count(Verdict::Intact) == files.size(); }
};

// How far a check or a repair has come, for the window (or the log).
class CheckView {
public:
    virtual ~CheckView() = default;
    virtual void showProgress(std::size_t filesDone, std::size_t files, std::uint64_t bytesDone,
                              std::uint64_t bytes, const std::string& path) = 0;
};

Verification verify(const Installed& game, shell::DiscSource& discs, CheckView& view, shell::RunLog& log);

struct RepairReport {
    Verification checked;                  // what the check found first
    std::vector<std::string> repaired;     // the files put back
    std::vector<std::string> notRepaired;  // found damaged, missing or unreadable, and not put back: with why
    bool discMissing = false;              // a disc that was needed was found nowhere
    bool noRoom = false;                   // the player gave up for want of room: nothing was written
    bool complete() const { return notRepaired.empty() && !discMissing && !noRoom; }
};

RepairReport repair(const Installed& game, shell::DiscSource& discs, shell::Face& face, CheckView& view,
                    shell::RunLog& log);

// The exit codes of an unattended check and repair.
shell::ExitCode exitOf(const Verification& v);
shell::ExitCode exitOf(const RepairReport& r);

// What the player is told at the end, and whether it is a warning.
ReportText checkText(const Verification& v, const shell::MessageTable& m);
ReportText repairText(const RepairReport& r, const shell::MessageTable& m);

}  // namespace uninstall
