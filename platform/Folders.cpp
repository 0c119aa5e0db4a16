#include "platform/Folders.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"

namespace plat {

bool createFolders(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 3 && text::endsWith(dir, '\\')) dir.pop_back();
    if (dir.empty() || files().folderExists(dir)) return true;
    std::string parent = text::fileDir(dir);
    // A parent that cannot be made shows as the child's failure.
    if (!parent.empty() && parent != dir) createFolders(parent);
    return files().createFolder(dir);
}

}  // namespace plat
