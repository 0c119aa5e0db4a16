// The disc installation: disc 1, then disc 2 and disc 3 as the player
// inserts or locates them, each file copied by the window's copy component
// while the run waits with the windows alive; then the game's shortcut.
#pragma once

#include <cstdint>

class TForm2;

namespace discinstall {

// The start button: checks the disc and the install folder, then runs on
// the progress page.  Does nothing while a run is under way.
void startInstallation(TForm2& window);

// ProgressBar3 for the current file at `transferred` bytes: each disc fills
// a third, in proportion to the bytes of its files in place; it never goes
// back.
void showOverallProgress(TForm2& window, std::uint32_t transferred);

}  // namespace discinstall
