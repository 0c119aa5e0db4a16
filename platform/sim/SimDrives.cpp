// File times, drive kinds, the temporary folder, the clock and the version:
// what resuming an installation, finding a disc in any drive and a run's log
// ask of the system.
#include <stdexcept>
#include <string>

#include "platform/sim/SimImpl.h"

namespace sim {

using detail::setLastError;

namespace {

bool succeeded(std::uint32_t e) {
    if (e) setLastError(e);
    return !e;
}

detail::Drive& existingDrive(detail::FileSystem& fs, char letter) {
    detail::Drive* d = fs.drive(letter);
    if (!d) throw std::logic_error(std::string("no drive ") + letter);
    return *d;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

// ---------------------------------------------------------------- test side

void SimPlatform::setDriveType(char letter, plat::DriveType type) { existingDrive(d_->fs, letter).type = type; }

void SimPlatform::setClusterSize(char letter, std::uint32_t bytes) {
    if (bytes == 0) throw std::logic_error("an allocation unit holds at least one byte");
    existingDrive(d_->fs, letter).cluster = bytes;
}

std::uint64_t SimPlatform::fileTime(const std::string& path) const {
    const detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) throw std::logic_error("no file " + path);
    return n->lastWrite;
}

void SimPlatform::setFileTime(const std::string& path, std::uint64_t lastWrite) {
    detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) throw std::logic_error("no file " + path);
    n->lastWrite = lastWrite;
}

// ---------------------------------------------------------------- seam

bool SimPlatform::fileStamp(const std::string& path, plat::FileStamp& out) {
    return succeeded(d_->fs.stampOf(path, out));
}

bool SimPlatform::setLastWriteTime(const std::string& path, std::uint64_t lastWrite) {
    return succeeded(d_->fs.setLastWrite(path, lastWrite));
}

bool SimPlatform::clusterSize(const std::string& folder, std::uint32_t& bytes) {
    return succeeded(d_->fs.clusterOf(folder, bytes));
}

std::uint32_t SimPlatform::logicalDrives() { return d_->fs.driveMask(); }

plat::DriveType SimPlatform::driveType(char letter) { return d_->fs.typeOf(letter); }

plat::LocalTime SimPlatform::localTime() {
    const std::uint64_t seconds = d_->now / 1000;
    // Days since 2026-01-01 to a civil date (Howard Hinnant's algorithm,
    // counted from 0000-03-01).
    const long long days = static_cast<long long>(seconds / 86400) + 739922;  // 2026-01-01 from 0000-03-01
    const long long era = days / 146097, doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    const int inDay = static_cast<int>(seconds % 86400);
    return {year, month, day, inDay / 3600, inDay / 60 % 60, inDay % 60};
}

plat::WindowsVersion SimPlatform::windowsVersion() { return d_->version; }

namespace {

std::string utf8Of(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace

std::string SimPlatform::ansiToUtf8(const std::string& ansi) { return utf8Of(d_->cp->toUnicode(ansi)); }

std::string SimPlatform::nameKey(const std::string& text) { return utf8Of(detail::fileNameKey(*d_->cp, text)); }

}  // namespace sim
