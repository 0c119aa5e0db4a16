// The program's uninstall mode: started with the switch /uninstall, it asks
// what to remove instead of showing the main window.
//
//   Uninstall.exe /uninstall           the installed uninstaller, as Windows'
//                                      list starts it: it starts a copy of
//                                      itself in the temporary folder (so that
//                                      it can remove itself) and ends
//   Uninstall.exe /uninstall "FOLDER"  asks about the installation in FOLDER
//   ... /S [/PATCHONLY] [/REMOVESAVES]  removes without a window or a question
//                                      (the installed uninstaller then does
//                                      the work itself and goes at restart)
#pragma once

#include <string>
#include <vector>

#include "shell/CommandLine.h"
#include "uninstall/GameCheck.h"

namespace uninstall {

// Removes the temporary copies that earlier uninstallers left (Windows
// removes them only at its next start, and Wine never); one still running
// stays.
void cleanTemporaryCopies();

// The program's two modes: the installer's main window, or the uninstaller's.
enum class Mode { Installer, Uninstaller };

// How the program starts in either mode, once it knows which: one copy at
// a time, and none of one mode while the other runs, since two would spoil
// each other's work on the same folders and the same files in the root of
// drive C (the running copy comes to the front, and this one ends: false);
// then the temporary copies that earlier uninstallers left go.
bool startOnlyCopy(Mode mode);

// The whole uninstall mode (/uninstall, /verify, /repair); the program's
// exit code.  `discs` finds the game's discs for a check and a repair.
int runUninstaller(const shell::CommandLine& line, const DiscsFor& discs);

}  // namespace uninstall
