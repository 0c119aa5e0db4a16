#include "platform/Folders.h"

#include "platform/AnsiText.h"
#include "platform/Platform.h"

namespace plat {

void createFolders(const std::string& path) {
    auto& p = platform();
    std::string dir = path;
    while (dir.size() > 3 && text::endsWith(dir, '\\')) dir.pop_back();
    if (dir.empty() || p.folderExists(dir)) return;
    std::string parent = text::fileDir(dir);
    if (!parent.empty() && parent != dir) createFolders(parent);
    p.createFolder(dir);
}

}  // namespace plat
