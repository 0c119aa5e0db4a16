// Creating a folder together with its missing parents, on top of the seam's
// one-level createFolder.
#pragma once

#include <string>

namespace plat {

// Creates every missing folder of path, outermost first.  A trailing
// backslash is ignored.  True when the folder exists at the end; otherwise
// lastError() tells why the last creation failed (183 when a file is in its
// place).
bool createFolders(const std::string& path);

}  // namespace plat
