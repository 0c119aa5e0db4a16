// Folders and links on top of the seam: creating a folder with its missing
// parents, a folder's one spelling, and links that the entries do not show.
#pragma once

#include <string>
#include <vector>

namespace plat {

// Creates every missing folder of path, outermost first.  A trailing
// backslash is ignored.  True when the folder exists at the end; otherwise
// lastError() tells why the last creation failed (183 when a file is in its
// place).
bool createFolders(const std::string& path);

// Like createFolders, and lists each folder it made, outermost first, so
// that a run that ends with nothing written can take them away again.
bool createFolders(const std::string& path, std::vector<std::string>& made);

// The path with each existing name in its long form as the disk spells it
// and the names not yet there as given ("C:\LUNA~CM2\new" is
// "C:\LunavireGames\new"): the one spelling by which a folder is registered
// and compared.
std::string longName(const std::string& path);

// Whether path is a link to a file elsewhere, whatever its entry says (Wine
// lists a Unix symbolic link to a file as a plain file): its final path is
// not its folder's final path and its own name.  What cannot be opened is
// no link.
bool isFileLink(const std::string& path);

}  // namespace plat
