// GetPrivateProfileStringA's reading rules, as Wine applies them, over the
// bytes of an INI file.
#pragma once

#include <string>

#include "platform/sim/CodePage.h"

namespace sim::detail {

// The value of key in section of the file, or the default; at most 2047
// bytes (a 2048-byte buffer), a double-byte character never split.
std::string profileLookup(const CodePage& cp, const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);

// What the caller gets when the file cannot be read: the default with its
// trailing blanks and enclosing quotes removed.
std::string profileDefault(const CodePage& cp, const std::string& def);

}  // namespace sim::detail
