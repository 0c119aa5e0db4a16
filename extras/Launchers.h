// The folder picker's use, and the programs the main window starts: the
// DirectX and NetShow setups from the disc and the makers' home page.
#pragma once

#include <optional>
#include <string>

namespace extras {

// The makers' home page.
extern const char* const kHomePage;

// Shows the folder picker modally.  OK gives the selected folder's path ("" when
// nothing is selected, "X:\" for a drive root); Cancel or the close box give
// no choice.
std::optional<std::string> pickFolder();

// Picks a folder and makes it the main window's source folder ("X:\" cut to
// "X:").  False, and nothing changed, when the user cancelled.
bool askForSourceFolder();

// Starts source folder + relative path when it exists; otherwise asks for the
// source folder once and tries again, telling the user when it is still missing.
void startSetup(const std::string& relativePath);
void startDirectXSetup();
void startNetShowSetup();
void openHomePage();

// Wires the folder picker's buttons.
void connectFolderPicker();

}  // namespace extras
