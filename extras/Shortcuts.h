// Start-menu shortcuts in the folder Lunavire of the user's Programs folder.
#pragma once

#include <string>

namespace extras {

// Kinds: 1 the game (Lunavire.lnk), 2 the Simplified launcher and 3 the
// Traditional launcher (Lunavire中文版.lnk in GBK or Big5 bytes, each made
// after a readme shortcut beside it), 4 the readme (readme.lnk).  Other kinds
// make nothing.  Raises ui::Error when the shell-link object cannot be made.
void makeShortcuts(int kind, const std::string& target);

}  // namespace extras
