// The drives slice: which drives there are, their kind, free room and
// allocation unit.
#include <algorithm>
#include <iterator>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {


plat::SysError Win32Platform::clusterSize(const plat::Path& folder, std::uint32_t& bytes) {
    // The volume's own root: a folder may be a volume mounted below a drive.
    char root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameA(folder.text().c_str(), root, MAX_PATH)) return lastFailure();
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return lastFailure();
    bytes = sectorsPerCluster * bytesPerSector;
    return plat::kOk;
}

std::uint32_t Win32Platform::logicalDrives() { return GetLogicalDrives(); }

plat::DriveType Win32Platform::driveType(char letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    return static_cast<plat::DriveType>(GetDriveTypeA(root));
}

plat::SysError Win32Platform::freeSpace(const plat::Path& folder, std::uint64_t& bytes) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(folder.text().c_str(), &available, nullptr, nullptr)) return lastFailure();
    bytes = available.QuadPart;
    return plat::kOk;
}

}  // namespace w32
