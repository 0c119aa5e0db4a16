// The program's uninstall mode: started with the switch /uninstall, it asks
// what to remove instead of showing the main window.
//
//   Uninstall.exe /uninstall           the installed uninstaller, as Windows'
//                                      list starts it: it starts a copy of
//                                      itself in the temporary folder (so that
//                                      it can remove itself) and ends
//   Uninstall.exe /uninstall "FOLDER"  asks about the installation in FOLDER
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace uninstall {

// The arguments of a command line after the program's own path, as Windows
// programs split them: blanks separate, double quotes group (a path is
// taken as it is, backslashes and double-byte characters included).
std::vector<std::string> arguments(const std::string& commandLine);

// The folder the uninstall mode was asked for: empty for the installed
// uninstaller's own; nullopt when the command line has no uninstall switch.
std::optional<std::string> uninstallRequest(const std::string& commandLine);

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

// The whole uninstall mode; the program's exit code.
int runUninstaller(const std::string& folder);

}  // namespace uninstall
