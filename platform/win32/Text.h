// Text between the ANSI code page, UTF-16 and UTF-8.
#pragma once

#include <string>

#include "platform/win32/Win32.h"

namespace w32 {

// The bytes of codePage as UTF-16; empty for empty text.  Bytes that do not
// decode become the code page's default character.
std::wstring wide(UINT codePage, const std::string& s);
// UTF-16 as bytes of codePage.
std::string narrow(UINT codePage, const std::wstring& w);
// UTF-16 as bytes of the ANSI code page, a character the code page cannot
// hold as "?" (which no file name may hold), never as a look-alike that
// Windows' best fit would choose ("¢" is not "￠").
std::string narrowExact(const std::wstring& w);

}  // namespace w32
