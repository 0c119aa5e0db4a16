#include "platform/Folders.h"

#include "platform/Files.h"

namespace plat {

SysError createFolders(const Path& path, std::vector<Path>* made) {
    if (path.empty() || files().folderExists(path)) return kOk;
    const Path parent = path.parent();
    // A parent that cannot be made shows as the child's failure.
    if (!parent.empty()) createFolders(parent, made);
    const SysError e = files().createFolder(path);
    if (e.ok() && made) made->push_back(path);
    return e;
}

namespace {

// The names of a path, its root ("C:\") first.
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

Path longName(const Path& path) {
    std::vector<std::string> rest;
    for (Path p = path; !p.empty(); p = p.parent()) {
        Path spelled;
        if (files().longPath(p, spelled).ok()) {
            Path out = respelled(p, spelled);
            for (auto it = rest.rbegin(); it != rest.rend(); ++it) out = out / *it;
            return out;
        }
        rest.push_back(p.name());
    }
    return path;
}

bool isFileLink(const Path& path) {
    Path file, folder;
    FindData entry;
    if (path.parent().empty() || files().finalPath(path, file).failed() ||
        files().finalPath(path.parent(), folder).failed() || !files().firstMatch(path, entry))
        return false;
    return file != folder / entry.name;
}

}  // namespace plat
