#pragma once

#include <cstdint>
#include <string>

#include "platform/sim/CodePage.h"

namespace sim::detail {

// The system's message text for a code, as Wine's FormatMessageA gives it in
// the locale of the code page (936 zh_CN, 950 zh_TW, 1252 English); empty
// for codes the simulation does not know.
std::string errorText(const CodePage& cp, std::uint32_t code);

}  // namespace sim::detail
