// The three game discs: how each is recognised below a folder, and the list
// of files that the installation copies from it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Path.h"

namespace discinstall {

// The files of one disc in the order they are copied: full source paths,
// not sorted, duplicates kept.  One list serves the whole program; every
// build clears it first.
struct DiscList {
    std::vector<plat::Path> paths;
    // Each file's size as the listing found it (0 for a missing file), and
    // their sum: the measure of the disc's progress.
    std::vector<std::uint64_t> sizes;
    std::uint64_t bytes = 0;

    std::size_t count() const { return paths.size(); }
    const plat::Path& operator[](std::size_t i) const { return paths[i]; }
    void clear();
    void append(const plat::Path& path, std::uint64_t size);
};

// Asked after each time a walk lets the windows breathe: true ends the walk
// at once, leaving the list as far as it got.
using StopWalk = std::function<bool()>;

// Whether the folder holds disc 1, 2 or 3: its marker files and folders,
// tested in order; false for any other number.
bool checkDisc(const plat::Path& folder, int disc);

// Where the disc is: `first` (a folder without a trailing backslash) when
// it holds the disc, else the root ("X:") of the first CD drive, in letter
// order, that does; a mounted disc image is a CD drive too.  nullopt when
// none holds it.
std::optional<std::string> findDisc(int disc, const std::string& first);
// The CD drives alone, but the drive `except` ("X:", or empty).
std::optional<std::string> findDiscInDrives(int disc, const std::string& except = {});

// Appends every file below the folder, depth first in the file system's
// order, hidden and system files included; windows stay responsive
// meanwhile.  A folder that cannot be listed adds nothing.  False when stop
// ended it.
bool walkFolder(const plat::Path& folder, DiscList& list, const StopWalk& stop = {});

// Clears the list and fills it with the disc's files below the source
// folder.  True for the discs 1 to 3.
bool buildDiscList(int disc, const plat::Path& source, DiscList& list, const StopWalk& stop = {});

// The folder of a disc whose files go straight into the install folder:
// disc 1's "game" folder, the root of the others.
plat::Path discRoot(int disc, const plat::Path& source);

// The disc that holds a file of the install folder (relative to it), by
// what each disc's list takes: disc 2 its archive, disc 3 the music, disc 1
// the rest.
int discOf(const plat::Path& relative);

}  // namespace discinstall
