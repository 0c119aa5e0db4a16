// Folders and links on top of the seam: creating a folder with its missing
// parents, a folder's one spelling, and links that the entries do not show.
#pragma once

#include <vector>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// Creates every missing folder of path, outermost first, and lists those it
// made in `made` when given (so that a run that ends with nothing written
// can take them away again).  Succeeds when the folder exists at the end;
// otherwise the error of the last creation (183 when a file is in its place).
SysError createFolders(const Path& path, std::vector<Path>* made = nullptr);

// The path with each existing name in its long form as the disk spells it
// and the names not yet there as given ("C:\LUNA~CM2\new" is
// "C:\LunavireGames\new"): the one spelling by which a folder is registered
// and compared.
Path longName(const Path& path);

// Whether path is a link to a file elsewhere, whatever its entry says (Wine
// lists a Unix symbolic link to a file as a plain file): its final path is
// not its folder's final path and its own name.  What cannot be opened is
// no link.
bool isFileLink(const Path& path);

}  // namespace plat
