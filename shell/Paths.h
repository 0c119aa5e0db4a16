// Path helpers for ANSI byte strings.  They step over double-byte characters
// of the ANSI code page, whose second byte may be 0x5C, the backslash.
#pragma once

#include <string>

namespace shell {

// Index of the last backslash or colon outside double-byte characters, or npos.
std::size_t lastDelimiter(const std::string& path);
// Everything up to and including the last backslash or colon ("" when none).
std::string extractFilePath(const std::string& path);
// The folder of a path without its trailing backslash, except that a drive
// root keeps it ("D:\Setup.exe" -> "D:\", "D:\inst\Setup.exe" -> "D:\inst").
std::string extractFileDir(const std::string& path);
// A drive root "X:\" (exactly three characters) loses its backslash.
std::string cutDriveRoot(const std::string& folder);
// ASCII letters upper-cased, double-byte characters left alone.
std::string ansiUpperCase(const std::string& s);

}  // namespace shell
