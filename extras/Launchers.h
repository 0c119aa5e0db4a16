// The programs the main window starts: the DirectX and NetShow setups from
// the disc and the makers' home page.
#pragma once

#include <string>

namespace extras {

// The makers' home page.
extern const char* const kHomePage;

// Picks a folder and makes it the main window's source folder ("X:\" cut to
// "X:").  False, and nothing changed, when the user cancelled.
bool askForSourceFolder();

// Starts source folder + relative path when it exists; otherwise asks for the
// source folder once and tries again, telling the user when it is still missing.
void startSetup(const std::string& relativePath);
void startDirectXSetup();
void startNetShowSetup();
void openHomePage();

}  // namespace extras
