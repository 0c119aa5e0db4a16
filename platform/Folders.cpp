#include "platform/Folders.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Path.h"

namespace plat {

bool createFolders(const std::string& path, std::vector<std::string>& made) {
    std::string dir = path;
    while (dir.size() > 3 && text::endsWith(dir, '\\')) dir.pop_back();
    if (dir.empty() || files().folderExists(dir)) return true;
    std::string parent = text::fileDir(dir);
    // A parent that cannot be made shows as the child's failure.
    if (!parent.empty() && parent != dir) createFolders(parent, made);
    if (!files().createFolder(dir)) return false;
    made.push_back(dir);
    return true;
}

bool createFolders(const std::string& path) {
    std::vector<std::string> made;
    return createFolders(path, made);
}

namespace {

// The names of a path, its root ("C:\\") first.
std::vector<std::string> namesOf(Path p) {
    std::vector<std::string> names;
    for (; !p.parent().empty(); p = p.parent()) names.insert(names.begin(), p.name());
    names.insert(names.begin(), p.text());
    return names;
}

// The given spelling of each name, but where the disk knows it by another
// (a short name's long one): case stays as the player typed it.
Path respelled(const Path& given, const Path& onDisk) {
    const std::vector<std::string> mine = namesOf(given), theirs = namesOf(onDisk);
    if (mine.size() != theirs.size()) return onDisk;
    Path out(mine[0]);
    for (std::size_t i = 1; i < mine.size(); ++i)
        out = out / (Path(mine[i]) == Path(theirs[i]) ? mine[i] : theirs[i]);
    return out;
}

}  // namespace

std::string longName(const std::string& path) {
    std::vector<std::string> rest;
    for (Path p(path); !p.empty(); p = p.parent()) {
        std::string spelled;
        if (files().longPath(p.text(), spelled)) {
            Path out = respelled(p, Path(spelled));
            for (auto it = rest.rbegin(); it != rest.rend(); ++it) out = out / *it;
            return out.text();
        }
        rest.push_back(p.name());
    }
    return path;
}

bool isFileLink(const std::string& path) {
    const Path p(path);
    std::string file, folder;
    FindData entry;
    if (p.parent().empty() || !files().finalPath(path, file) || !files().finalPath(p.parent().text(), folder) ||
        !files().findFirst(path, entry))
        return false;
    return Path(file) != Path(folder) / entry.name;
}

}  // namespace plat
