// The removal that nobody watches (/uninstall /S): the same removal as the
// window's, with the unattended face's rules for its questions and the log
// for its report.
#pragma once

#include <string>

#include "shell/CommandLine.h"
#include "shell/Face.h"
#include "shell/MessageTable.h"
#include "uninstall/GameCheck.h"
#include "uninstall/RemovalRun.h"

namespace uninstall {

// `refused` is why the record is not acted on (empty when it is); the
// program's exit code.
int removeUnattended(const shell::CommandLine& line, const Installed& game, const std::string& refused,
                     const shell::MessageTable& messages);

// The check or the repair that nobody watches (/verify /S, /repair /S): a
// disc the repair needs comes from /SOURCE or a CD drive; the report goes
// to the log; the program's exit code.
int checkUnattended(const shell::CommandLine& line, const Installed& game, const std::string& refused,
                    const shell::MessageTable& messages, const DiscsFor& discs);

// What a removal's report comes to for whoever started it.
shell::ExitCode exitOf(const Report& report);

}  // namespace uninstall
