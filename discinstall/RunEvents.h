// What a disc run tells as it goes, in the order it happens.  The run's log
// is written from these events alone (RunLogger), so the steps of the run
// say what happened and leave the wording to one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discinstall/DiscPlan.h"
#include "platform/Desktop.h"
#include "shell/Face.h"
#include "shell/InstallRecord.h"

namespace discinstall {

// How a step of the run ended.
enum class Outcome {
    Listed,     // the disc's files are listed and every destination fits the file calls
    RoomFound,  // the install folder's drive has room for the disc, or cannot tell
    Copied,     // every listed file is in place, or left out as the player chose
    Cancelled,  // the player cancelled the run: back to the main window
    GaveUp,     // the player gave up: the program ends
    Refused,    // the install folder cannot take the disc: said, back to the main window
};

// Why a run stopped before it wrote anything.
enum class Refusal {
    DiscMissing,        // subject: the source folder without disc 1
    FolderName,         // code: why the name cannot be a folder's
    UnsafeFolder,       // subject: a drive's root or the Windows folder
    PathTooLong,        // subject: the first destination the file calls cannot take
    FolderNotMade,      // code
    FolderTakesNoFile,  // code
    RecordUnwritable,   // subject: the record's error
};

// The questions the run asks the player (DiscWanted, LocateDisc,
// TooLittleRoom; a failed copy's is told with the file).
using shell::Question;

// How a whole run ended, for whoever started it.
struct RunEnd {
    enum class Kind {
        NotRun,     // a run was under way already
        Refused,    // refusal says why; nothing of the disc was written
        Cancelled,  // the player cancelled (or Windows asked the program to end)
        GaveUp,     // the player gave up at the question gaveUpAt
        Failed,     // an error ended it: why
        Finished,   // through all three discs
    } kind = Kind::NotRun;
    std::optional<Refusal> refusal;    // when refused
    std::optional<Question> gaveUpAt;  // when given up: DiscWanted, LocateDisc, TooLittleRoom or CopyFailed
    std::string why;                   // when refused or failed: the reason, as the log words it
    bool wrote = false;                // the install folder took the record, and maybe more
    std::size_t leftOut = 0;           // when finished: destinations without their file
    bool registered = false;           // when finished: in the list of programs
    bool shortcutMissing = false;      // when finished: the Start-menu shortcut could not be made
};

// A refusal's reason on one line, as the log and an unattended run's exit tell it.
std::string refusalText(Refusal why, const std::string& subject, std::uint32_t code);

// What one file's installation came to.
struct FileResult {
    enum class Kind {
        Placed,        // the destination holds the disc's file (or the player's own)
        SkippedWhole,  // the disc's file was there whole already: not touched
        Failed,        // the copy failed: code and text tell why
        Cancelled,     // the player cancelled during the copy
    };
    Kind kind = Kind::Placed;
    FileAction action = FileAction::Copy;  // what the install folder held
    std::uint64_t size = 0;                // a copy's size in place
    std::optional<shell::record::Digest> digest;  // a copy's content, as its bytes passed
    std::uint32_t code = 0;                // a failure's system code
    std::string text;                      // and its text as the copy reported it (may be empty)
};

// A failure's reason on one line: the copy's own text, else the system's.
std::string failureReason(const FileResult& failed);

// A disc's room as the check found it.
struct RoomReport {
    int disc = 0;
    DiscPlan plan;
    std::uint64_t needed = 0;       // everything below
    std::uint64_t uninstaller = 0;  // disc 1 only
    std::uint64_t bookkeeping = 0;  // the record's, the log's and the folders'
    std::string drive;              // "C:"
    bool told = false;              // whether the drive told its free space
    std::uint64_t free = 0;
    std::uint32_t untoldCode = 0;   // why it did not
};

class RunEvents {
public:
    virtual ~RunEvents() = default;

    virtual void started(const std::string& source, const std::string& typedFolder) = 0;
    virtual void refused(Refusal why, const std::string& subject, std::uint32_t code) = 0;
    // Folders made for the install folder (its missing parents, then itself),
    // and those taken away again by a run that wrote nothing into them.
    virtual void folderMade(const std::string& folder) = 0;
    virtual void folderTakenBack(const std::string& folder, bool gone) = 0;
    // Disc 1's list was cancelled before anything was written.
    virtual void listingCancelled() = 0;

    virtual void discFound(int disc, const std::string& where, bool belowSource) = 0;
    virtual void discMissing(int disc, const std::string& source) = 0;
    virtual void folderChosen(const std::string& folder) = 0;
    virtual void folderUnusable(const std::string& reason) = 0;
    virtual void answered(Question question, int disc, plat::Answer answer) = 0;

    virtual void clusterUntold(const std::string& drive, std::uint32_t code, std::uint32_t takenAs) = 0;
    virtual void roomChecked(const RoomReport& room) = 0;

    virtual void staleRemoved(const std::string& path) = 0;
    virtual void stampNotKept(const std::string& source, std::uint32_t code) = 0;
    // Every end of a file but a failure, which is told with the player's answer.
    virtual void fileInstalled(const std::string& source, const std::string& target, const FileResult& result) = 0;
    virtual void fileFailed(const std::string& source, const std::string& target, const FileResult& result,
                            plat::Answer answer) = 0;

    // The run ends early: Cancelled, Refused or GaveUp.
    virtual void ended(Outcome outcome) = 0;
    // The game's Start-menu shortcut could not be made, and why.
    virtual void shortcutFailed(const std::string& reason) = 0;
    // The run went through all three discs; `unregistered` is why the game
    // is not in the list of programs, empty when it is.
    virtual void finished(std::size_t placed, const std::vector<std::string>& leftOut,
                          const std::string& unregistered) = 0;
};

}  // namespace discinstall
