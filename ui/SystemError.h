// Errors of system calls as the error box shows them: the system's own text
// for the code, and the file or folder it concerns on a second line.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Components.h"

namespace ui {

// The system's text for code (its line break dropped), then subject on a
// line of its own when there is one.
Error systemError(std::uint32_t code, const std::string& subject);

// Raises the system's "file name too long" with the path, unless the ANSI
// file calls take the path whole: nothing is ever done with a path cut short.
void requirePathFits(const std::string& path);

}  // namespace ui
