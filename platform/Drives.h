// The seam's drives slice: which drives there are, of what kind, and the
// room on them.
#pragma once

#include <cstdint>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// GetDriveType's answers.
enum class DriveType { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

class Drives {
public:
    virtual ~Drives() = default;

    // The drives that exist: bit n for the letter 'A' + n (GetLogicalDrives).
    virtual std::uint32_t logicalDrives() = 0;
    // The kind of the drive of that letter; a mounted disc image is a CD-ROM.
    virtual DriveType driveType(char letter) = 0;
    // Bytes that this user may still write on the drive that holds folder;
    // fails when the system cannot tell.
    virtual SysError freeSpace(const Path& folder, std::uint64_t& bytes) = 0;
    // The bytes of one allocation unit (cluster) of the drive that holds
    // folder: the least that a file of one byte takes there.
    virtual SysError clusterSize(const Path& folder, std::uint32_t& bytes) = 0;
};

// The drives slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Drives& drives();

}  // namespace plat
