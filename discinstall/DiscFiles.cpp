#include "discinstall/DiscFiles.h"

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Path.h"

namespace discinstall {

namespace {

struct Marker {
    const char* path;
    bool folder;
};

// The files named on a disc outside its walked folders are appended as they
// are, found or not: a missing one shows when its copy fails.  Its size is
// looked up only for the progress measure.
void appendNamed(const plat::Path& path, DiscList& list) {
    plat::FindData d;
    const bool found = plat::files().firstMatch(path, d) && !(d.attributes & plat::attr::Directory);
    list.append(path, found ? d.sizeLow : 0);
}

}  // namespace

void DiscList::clear() {
    paths.clear();
    sizes.clear();
    bytes = 0;
}

void DiscList::append(const plat::Path& path, std::uint64_t size) {
    paths.push_back(path);
    sizes.push_back(size);
    bytes += size;
}

bool checkDisc(const plat::Path& folder, int disc) {
    static const Marker disc1[] = {{"game\\game00.dat", false}, {"game\\game01.dat", false},
                                   {"game\\game02.dat", false}, {"game\\VRecog", true},
                                   {"game\\Movie", true}};
    static const Marker disc2[] = {{"game03.dat", false}};
    static const Marker disc3[] = {{"music", true}};
    const Marker* first = nullptr;
    std::size_t count = 0;
    switch (disc) {
        case 1: first = disc1, count = std::size(disc1); break;
        case 2: first = disc2, count = std::size(disc2); break;
        case 3: first = disc3, count = std::size(disc3); break;
        default: return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const plat::Path path = folder / first[i].path;
        if (!(first[i].folder ? plat::files().folderExists(path) : plat::files().fileExists(path))) return false;
    }
    return true;
}

std::optional<std::string> findDisc(int disc, const std::string& first) {
    if (checkDisc(plat::Path(first), disc)) return first;
    return findDiscInDrives(disc, first);
}

std::optional<std::string> findDiscInDrives(int disc, const std::string& except) {
    const std::uint32_t drives = plat::drives().logicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(drives >> (letter - 'A') & 1) || plat::drives().driveType(letter) != plat::DriveType::CdRom) continue;
        const std::string root = std::string(1, letter) + ":";
        if (plat::Path(root) == plat::Path(except)) continue;  // looked at first
        if (checkDisc(plat::Path(root), disc)) return root;
    }
    return std::nullopt;
}

bool walkFolder(const plat::Path& folder, DiscList& list, const StopWalk& stop) {
    plat::FindData entry;
    auto search = plat::files().firstMatch(folder / "*.*", entry);
    if (!search) return true;
    auto take = [&] {
        if (entry.name == "." || entry.name == "..") return true;
        if (entry.attributes & plat::attr::Directory)
            return walkFolder(folder / entry.name, list, stop);  // depth first, in place
        list.append(folder / entry.name, entry.sizeLow);
        return true;
    };
    if (!take()) return false;
    // Every later entry lets the windows breathe, whatever it is.
    while (search->next(entry)) {
        if (!take()) return false;
        plat::desktop().processMessages();
        if (stop && stop()) return false;
    }
    return true;
}

bool buildDiscList(int disc, const plat::Path& source, DiscList& list, const StopWalk& stop) {
    switch (disc) {
        case 1:
            list.clear();
            for (const char* folder : {"game\\VRecog", "game\\movie", "game\\save"})
                if (!walkFolder(source / folder, list, stop)) return true;
            for (const char* name : {"game00.dat", "game01.dat", "game02.dat", "vandry.exe"})
                appendNamed(source / "game" / name, list);
            return true;
        case 2:
            list.clear();
            appendNamed(source / "game03.dat", list);
            return true;
        case 3:
            list.clear();
            walkFolder(source / "music", list, stop);
            return true;
        default:
            return false;
    }
}

int discOf(const plat::Path& relative) {
    if (relative == plat::Path("game03.dat")) return 2;
    if (relative.within(plat::Path("music"))) return 3;
    return 1;
}

plat::Path discRoot(int disc, const plat::Path& source) {
    const plat::Path folder(source.text() + "\\");  // "X:" is the drive's root
    return disc == 1 ? folder / "game" : folder;
}

}  // namespace discinstall
