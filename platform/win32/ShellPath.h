// Names and paths of shell items in the ANSI code page.
#pragma once

#include <string>

#include "platform/win32/Win32.h"

namespace w32 {

// How a name in UTF-16 becomes ANSI bytes.
enum class Spelling {
    Exact,    // a path that is read: a character the code page cannot spell refuses the whole name
    BestFit,  // a name that is only shown: the code page's nearest character, or its default one
};

// The name that the shell gave for item (a STRRET of GetDisplayNameOf), in
// the ANSI code page.  False when an Exact name has a character that the code
// page cannot spell; out then shows the default character in its place.
bool shellName(STRRET& name, const ITEMIDLIST* item, Spelling spelling, std::string& out);

// The item's whole path in the ANSI code page ("X:\" for a drive root);
// empty for an item that is no file-system folder.  Read in UTF-16, so no
// buffer of MAX_PATH bytes cuts it short; a path that the code page cannot
// spell raises base::Error.
std::string fileSystemPath(const ITEMIDLIST* pidl);

}  // namespace w32
