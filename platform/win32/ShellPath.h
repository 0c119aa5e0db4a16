// The file-system path of a shell item, read whole.
#pragma once

#include <string>

#include "platform/win32/Win32.h"

namespace w32 {

// The item's whole path in the ANSI code page ("X:\" for a drive root);
// empty for an item that is no file-system folder.  Read in UTF-16, so no
// buffer of MAX_PATH bytes cuts it short; a path that the code page cannot
// spell raises ui::Error.
std::string fileSystemPath(const ITEMIDLIST* pidl);

}  // namespace w32
