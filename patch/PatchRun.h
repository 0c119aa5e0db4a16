// The patch installation: the localised files of one edition written into an
// installed game's folder, with a gauge, shortcuts and the readme.  The run
// owns its game folder; its window shows the gauge through PatchView.
#pragma once

#include <string>

#include "base/Error.h"
#include "shell/Face.h"

class TForm4;

namespace shell {
class RunLog;
}

namespace patch {

// The gauge's fixed steps.
enum Step : int {
    kShown = 0,
    kStarted = 10,
    kLauncherWritten = 30,
    kReadmeWritten = 50,
    kArchiveWritten = 85,
    kMainArchiveWritten = 99,  // the gauge never shows 100
};

// What the run shows, implemented by its window.
class PatchView {
public:
    virtual ~PatchView() = default;
    virtual void showStep(Step step) = 0;
};

// A patch refused before anything is written: a path too long, a target
// that is a folder, read-only, held open or a link, a folder that takes no
// file, too little room (code 112).  Nothing has changed.
class Refused : public base::Error {
public:
    using base::Error::Error;
};

// A run that reached its end; `unregistered` tells why a game this program
// did not install is not in Windows' list, empty when it is (or needs not be).
struct PatchEnd {
    std::string unregistered;
};

class PatchRun {
public:
    // The run meets the player through `face`: its notices and the readme.
    PatchRun(PatchView& view, shell::Face& face) : view_(view), face_(face) {}

    // The game folder chosen for the coming run, as the picker gave it.
    const std::string& gameFolder() const { return gameFolder_; }
    void setGameFolder(const std::string& folder) { gameFolder_ = folder; }

    // Writes the five files and the shortcuts into the game folder.  Errors
    // are raised: Refused before anything is written, any other after.
    PatchEnd run();

private:
    PatchEnd writeAll(shell::RunLog& log);

    PatchView& view_;
    shell::Face& face_;
    std::string gameFolder_;
};

// Whether the folder holds the game to patch (its Vandry.exe).  A path too
// long for the file calls raises base::Error.
bool holdsGame(const std::string& folder);

// The action of the main window's patch button: asks for the game folder and
// shows the progress window, whose timer runs the patch.
void startPatchInstallation(TForm4& progress);

}  // namespace patch
