// The program's command line.  Switches are case-insensitive, start with
// "/" or "-" and take a value after "=", quoted or not:
//
//   Setup.exe /S [/DIR=folder] [/SOURCE=folder | /SOURCE=a;b;c]
//             [/PATCH=simplified|traditional] [/VOICE] [/NOSHORTCUTS] [/LOG=file]
//   Setup.exe /?
//   Uninstall.exe /uninstall ["folder"] [/S [/PATCHONLY] [/REMOVESAVES]] [/LOG=file]
//   Uninstall.exe /verify ["folder"] [/S [/SOURCE=folder | /SOURCE=a;b;c]] [/LOG=file]
//   Uninstall.exe /repair ["folder"] [/S [/SOURCE=folder | /SOURCE=a;b;c]] [/LOG=file]
//
// Without switches the program shows its windows as it always has.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/Services.h"

namespace shell {

// The arguments after the program's own path, as Windows programs split
// them: blanks separate, double quotes group (a path is taken as it is,
// backslashes and double-byte characters included).
std::vector<std::string> arguments(const std::string& commandLine);

struct CommandLine {
    // The uninstaller's modes: /uninstall, and the check or the repair of
    // the installed game (/verify, /repair).
    bool uninstall = false;
    enum class Check { None, Verify, Repair } check = Check::None;
    std::string uninstallFolder;  // empty: the installed uninstaller's own
    bool silent = false;          // /S
    std::optional<std::string> dir;
    std::vector<std::string> sources;  // /SOURCE, one folder or one per disc
    std::optional<Edition> patch;
    bool voice = false;
    bool noShortcuts = false;
    bool patchOnly = false;
    bool removeSaves = false;
    std::string log;
    bool usage = false;  // /?, /H or /HELP
    // The argument that cannot be read, and why; empty when all can.
    std::string fault;
    // A path that holds a character the code page cannot hold (which reaches
    // the program as "?"), and why it is refused; empty when none does.
    std::string unholdable;
};

CommandLine parseCommandLine(const std::string& commandLine);

}  // namespace shell
