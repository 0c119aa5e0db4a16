// The simulated drives: the test's side (drives, media, capacity, order,
// kinds, allocation units) and the drives slice.
#include <stdexcept>
#include <string>

#include "platform/sim/SimImpl.h"

namespace sim {

namespace {

detail::Drive& existingDrive(detail::FileSystem& fs, char letter) {
    detail::Drive* d = fs.drive(letter);
    if (!d) throw std::logic_error(std::string("no drive ") + letter);
    return *d;
}


}  // namespace

// ---------------------------------------------------------------- test side

void SimPlatform::setDriveType(char letter, plat::DriveType type) { existingDrive(d_->fs, letter).type = type; }

void SimPlatform::setClusterSize(char letter, std::uint32_t bytes) {
    if (bytes == 0) throw std::logic_error("an allocation unit holds at least one byte");
    existingDrive(d_->fs, letter).cluster = bytes;
}

// ---------------------------------------------------------------- seam

plat::SysError SimPlatform::clusterSize(const plat::Path& folder, std::uint32_t& bytes) {
    return plat::SysError(d_->fs.clusterOf(folder.text(), bytes));
}

std::uint32_t SimPlatform::logicalDrives() { return d_->fs.driveMask(); }

plat::DriveType SimPlatform::driveType(char letter) { return d_->fs.typeOf(letter); }


void SimPlatform::setSortedOrder(char letter, bool sorted) {
    detail::Drive& d = existingDrive(d_->fs, letter);
    if (d.root->children.size()) throw std::logic_error("choose the directory order before the drive has entries");
    d.order = sorted ? detail::DirectoryOrder::Sorted : detail::DirectoryOrder::Creation;
}

void SimPlatform::setDriveCapacity(char letter, std::uint64_t bytes) { existingDrive(d_->fs, letter).capacity = bytes; }

void SimPlatform::setCurrentDrive(char letter) { d_->fs.setCurrentDrive(letter); }

void SimPlatform::setReadOnlyMedia(char letter, bool readOnly) { existingDrive(d_->fs, letter).readOnly = readOnly; }

void SimPlatform::addDrive(char letter, bool readOnlyMedia) { d_->fs.addDrive(letter, readOnlyMedia); }

plat::SysError SimPlatform::freeSpace(const plat::Path& folder, std::uint64_t& bytes) {
    return plat::SysError(d_->fs.freeSpace(folder.text(), bytes));
}

}  // namespace sim
