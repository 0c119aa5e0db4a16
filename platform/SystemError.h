// Errors of system calls as the error box shows them: the system's own text
// for the code, and the file or folder it concerns on a second line.
#pragma once

#include <cstdint>
#include <string>

#include "base/Error.h"
#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// The system's text for code without its line break; "System error N" when
// the system has none.
std::string systemText(std::uint32_t code);

// The system's text for code, then subject on a line of its own when there
// is one.
base::Error systemError(std::uint32_t code, const std::string& subject);
base::Error systemError(SysError e, const std::string& subject);

// Raises the system's "file name too long" with the path, unless the ANSI
// file calls take the path whole: nothing is ever done with a path cut short.
void requirePathFits(const Path& path);

}  // namespace plat
