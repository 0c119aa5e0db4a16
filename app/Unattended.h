// The program started from a command line with /S: the installation, the
// patch and the add-on with no window at all, every question answered by
// its rule (shell/Unattended.h), everything in the log, and an exit code
// for whoever started it.  And the usage, for /? or a bad command line.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "shell/CommandLine.h"
#include "shell/Face.h"

namespace app {

// The usage in a message box in the player's language (in the log alone
// with /S); the exit code Usage.
int showUsage(const shell::CommandLine& line);

// The whole unattended run; the program's exit code.
int runUnattended(const shell::CommandLine& line);

// Where each disc lies for /SOURCE: one folder holding DISC1, DISC2 and
// DISC3, one folder for disc 1 alone, or a folder per disc; empty where
// the CD drives are searched.
std::array<std::string, 3> discFolders(const std::vector<std::string>& sources);

}  // namespace app
