// The patch installation: the localised files of one edition written into an
// installed game's folder, with a gauge, shortcuts and the readme.
#pragma once

#include <string>

namespace patch {

// The action of the main window's patch button.
void startPatchInstallation();

// Writes the five files and the shortcuts into the chosen game folder;
// true when it reached its end.  Errors are raised.
bool runPatch();

// The game folder chosen by the last start, as the picker gave it.
const std::string& gameFolder();

// Wires the progress window's show step and timer.
void connectPatchWindow();

}  // namespace patch
