// What a run does with each listed file of a disc, found before the disc's
// first copy: whether the install folder holds it whole already (left from
// an earlier run that stopped), is the player's own, or needs a copy; and
// how much room those copies take on the install folder's drive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "discinstall/DiscFiles.h"
#include "platform/Files.h"

namespace discinstall {

// Two stamps of one file's bytes: the same size, and last-write times within
// the two seconds to which FAT keeps them (a copy carries its source's time).
bool sameStamp(const plat::FileStamp& a, const plat::FileStamp& b);

enum class FileAction {
    Copy,        // no file at the destination yet
    Replace,     // a file there that is not the disc's
    Whole,       // the disc's file is there whole: not touched at all
    PlayersOwn,  // a saved game of the player's: kept
    Itself,      // the destination is the source (a disc that is its own install folder)
};

// What the run does with one file.  `playersOwn` tells whether a file at
// the destination would be the player's.
FileAction actionFor(const plat::Path& source, const plat::Path& target, bool playersOwn);

// The game keeps its saved games below its save folder, which disc 1 fills:
// `rest` is the destination below the install folder.
bool isPlayersOwn(int disc, const std::string& rest);

struct DiscPlan {
    std::size_t files = 0, inPlace = 0;  // listed; whole, kept or the source itself
    std::uint64_t bytes = 0, toCopy = 0;  // of the listed files; of those to copy
    // The most the copies take on the drive beyond what it holds now, at
    // any moment: each new file in whole allocation units while the old one
    // it replaces still stands.
    std::uint64_t needed = 0;
};

// Looks at every destination of the list (pumping messages now and then);
// stops early, with what it found so far, when stop() says so.
DiscPlan planDisc(int disc, const DiscList& files, const plat::Path& folder, const plat::Path& root,
                  std::uint32_t cluster, const StopWalk& stop = {});

}  // namespace discinstall
