// How the runs meet the player: a message box for each notice and question,
// the folder picker, the readme in Notepad and the application's error box;
// or, in an unattended run, the log and one rule for each question.  The
// runs say what they tell and ask; the face in force decides how.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Desktop.h"
#include "shell/MessageTable.h"

namespace shell {

// The questions the runs ask the player.
enum class Question {
    DiscWanted,         // insert disc 2 or 3: Retry, Cancel
    LocateDisc,         // point at the disc's files yourself?  OK, Cancel
    TooLittleRoom,      // retry once there is room: Retry, Cancel
    CopyFailed,         // a file that cannot be copied: Abort, Retry, Ignore
    RemovalFailed,      // a file that cannot be removed: Abort, Retry, Ignore
    RemoveSaves,        // the saved games too?  Yes, No, Cancel
    ConfirmVoiceAddOn,  // install the add-on?  OK, Cancel
};
const char* nameOf(Question q);
// The style of the message box that asks it, with exactly its buttons.
std::uint32_t boxStyleOf(Question q);

// The program's exit code, for whoever started it.
enum class ExitCode : int {
    Done = 0,
    Refused = 1,         // the command line's values, the folder or the record refused
    DiscMissing = 2,
    NoRoom = 3,
    FilesLeftOut = 4,    // a copy or a removal failed: the run is not complete
    Cancelled = 5,
    AlreadyRunning = 6,  // another copy of the program runs
    Usage = 7,           // the usage was shown
    Damaged = 8,         // a check found a file of the game damaged, missing or unreadable
};
const char* meaningOf(ExitCode code);

class Face {
public:
    virtual ~Face() = default;
    // A notice: a message box with OK alone.
    virtual plat::Answer show(const std::string& text, const std::string& caption, MsgKind kind) = 0;
    // A question of the runs, in its box (boxStyleOf); `disc` for the disc questions.
    virtual plat::Answer ask(Question q, const std::string& text, const std::string& caption, int disc) = 0;
    // The folder the player points at after LocateDisc's OK; nullopt for none.
    virtual std::optional<std::string> pickFolder() = 0;
    // The readme the patch leaves.
    virtual void showDocument(const std::string& path) = 0;
    // An error that ends what the player asked for.
    virtual void showError(const std::string& text) = 0;
    // Whether someone is there to see and answer.
    virtual bool attended() const = 0;

    // The same with entries of the message table in force.
    plat::Answer show(Msg text, Msg caption, MsgKind kind);
    plat::Answer ask(Question q, Msg text, Msg caption, int disc = 0);
};

// The face in force: message boxes and windows, unless an unattended run
// put its own (base::InForce<shell::Face>).  A run is given the face it
// meets the player through; the windows' handlers and the services below
// use the one in force.
Face& face();

// Through the face in force: a message box that is no question, modal and
// owned by the application (its text and caption as given, or entries of
// the message table); a question of the runs; the folder the player points
// at (the picker, or an unattended run's planned folder); an error that ends
// what the player asked for.
plat::Answer showMessage(const std::string& text, const std::string& caption, MsgKind kind);
plat::Answer showMessage(Msg text, Msg caption, MsgKind kind);
plat::Answer ask(Question q, const std::string& text, const std::string& caption, int disc = 0);
plat::Answer ask(Question q, Msg text, Msg caption, int disc = 0);
std::optional<std::string> pickFolder();
void showError(const std::string& text);

}  // namespace shell
