// Before a disc's first copy: room on the install folder's drive for what
// the disc still needs, asked for again until the drive has it or the
// player gives up.
#pragma once

#include <cstdint>
#include <string>

#include "discinstall/DiscFiles.h"
#include "discinstall/RunEvents.h"
#include "platform/Path.h"

namespace discinstall {

struct RoomQuery {
    int disc = 0;
    const DiscList& files;
    const plat::Path& installFolder;
    const plat::Path& root;  // the disc's folder whose files go into the install folder
    const plat::Path& logPath;  // where the run's log lies now (empty while held)
    StopWalk cancelled;
};

// RoomFound (also when the drive cannot tell: the copies replace each file
// whole), GaveUp or Cancelled.
Outcome checkRoom(const RoomQuery& query, RunEvents& events, shell::Face& face);

// What the uninstaller's copies take, each whole beside the file it replaces.
std::uint64_t uninstallerRoom(const plat::Path& installFolder, std::uint32_t cluster);
// What a disc's run writes besides the copies: its record's lines, its log's
// lines and the folders it makes, in whole allocation units.
std::uint64_t bookkeepingRoom(const RoomQuery& query, std::uint32_t cluster);

}  // namespace discinstall
