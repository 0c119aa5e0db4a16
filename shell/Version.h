// The program's version: shown in every run's log and, read by the build,
// in the executable's version resource.
#pragma once

namespace shell {

constexpr char kProgramVersion[] = "1.0.0.0";

}  // namespace shell
