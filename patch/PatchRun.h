// The patch installation: the localised files of one edition written into an
// installed game's folder, with a gauge, shortcuts and the readme.
#pragma once

class TForm4;

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

// The action of the main window's patch button: asks for the game folder and
// shows the progress window, whose timer runs the patch.
void startPatchInstallation(TForm4& progress);

// Writes the five files and the shortcuts into the window's game folder;
// true when it reached its end.  Errors are raised.
bool runPatch(TForm4& progress);

}  // namespace patch
