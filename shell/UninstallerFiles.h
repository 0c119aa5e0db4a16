// The uninstaller in a game folder: this program and its language files,
// copied beside the record, where the folder's entry in Windows' list of
// installed programs starts it.  The disc installation puts it in with disc
// 1's files, the patch into a game folder that this program did not install.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace shell::record {

class Writer;

// The copies to make: from, to.  None when the program is the installed
// uninstaller itself.
std::vector<std::pair<plat::Path, plat::Path>> uninstallerCopies(const plat::Path& installFolder);

// A copy that could not be made: its destination and why.
struct NotCopied {
    plat::Path path;
    plat::SysError error;
};

// Makes the copies into the record's folder, each on the record before it is
// written and again once it is whole; the copies that failed.  Raises
// base::Error when the record cannot take a line.
std::vector<NotCopied> copyUninstaller(Writer& record);

}  // namespace shell::record
