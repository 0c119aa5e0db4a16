// GetPrivateProfileStringA's reading rules, as Wine applies them, over the
// bytes of an INI file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sim/CodePage.h"

namespace sim::detail {

// The value of key in section of the file, or the default; at most 2047
// bytes (a 2048-byte buffer).  error becomes 0, or 122 when the value had to
// be cut short to fit in bytes.
std::string profileLookup(const CodePage& cp, const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def, std::uint32_t& error);

// What the caller gets when the file cannot be read: the default with its
// trailing blanks and enclosing quotes removed.
std::string profileDefault(const CodePage& cp, const std::string& def, std::uint32_t& error);

}  // namespace sim::detail
