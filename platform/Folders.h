// Creating a folder together with its missing parents, on top of the seam's
// one-level createFolder.
#pragma once

#include <string>

namespace plat {

// Creates every missing folder of path, outermost first.  A trailing
// backslash is ignored; results are not reported (a folder that cannot be
// made shows later, when something is written into it).
void createFolders(const std::string& path);

}  // namespace plat
