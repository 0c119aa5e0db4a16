// Byte strings in the system's ANSI code page, which may be a double-byte
// one (936, 950): a lead byte takes the next byte with it, and that second
// byte may be 0x5C, the backslash, or an ASCII letter.  Everything that looks
// for a path's last separator, its last character or upper-cases a name goes
// through these, so that it never splits a double-byte character.
//
// Lead bytes are those of the platform in force.
#pragma once

#include <cstddef>
#include <string>

namespace text {

// Bytes of the character that starts at i: 2 for a lead byte followed by
// another byte, else 1.
std::size_t charLength(const std::string& s, std::size_t i);

// Start of the last character, or npos for an empty string.
std::size_t lastCharStart(const std::string& s);

// Whether the last character is a single-byte c (a trail byte 0x5C is not a
// backslash).
bool endsWith(const std::string& s, char c);

// Index of the last backslash or colon, or npos.
std::size_t lastDelimiter(const std::string& path);

// The folder part: up to and including the last backslash or colon ("" when
// there is none).
std::string folderPart(const std::string& path);

// The folder of a path without its trailing backslash, except that a drive
// root keeps it ("D:\Setup.exe" -> "D:\", "D:\inst\Setup.exe" -> "D:\inst").
std::string fileDir(const std::string& path);

// The name after the folder part.
std::string fileName(const std::string& path);

// The path without the extension of its name (from the last full stop of
// the name on); a name without a full stop stays whole.
std::string withoutExtension(const std::string& path);

// Index of the first single-byte c at or after from, or npos.
std::size_t find(const std::string& s, char c, std::size_t from = 0);

// A drive root "X:\" (exactly three bytes) loses its backslash.
std::string cutDriveRoot(const std::string& folder);

// ASCII letters upper-cased (or lower-cased); double-byte characters stay
// as they are.
std::string upperCase(const std::string& s);
std::string lowerCase(const std::string& s);

// Whether a and b are one name to the registry: ASCII letters folded,
// double-byte characters kept as they are, which is how it compares key and
// value names.  Paths are compared as plat::Path compares them.
bool sameRegistryName(const std::string& a, const std::string& b);

// Whether Windows takes a file or folder name as it is spelled: not empty,
// not ending in a full stop or blank (which it would drop), and none of the
// single-byte characters it refuses (<>:"/|?* and control bytes).  Device
// names (CON, LPT1 ...) are the caller's to refuse.
bool plainName(const std::string& name);

// The text without the line break and blanks that the system's message texts
// end with.  (No trail byte is a CR, LF or blank.)
std::string withoutLineBreak(std::string s);

}  // namespace text
