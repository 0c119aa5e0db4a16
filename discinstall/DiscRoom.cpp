#include "discinstall/DiscRoom.h"

#include <algorithm>
#include <vector>

#include "discinstall/InstallFolder.h"
#include "discinstall/RunRecord.h"
#include "platform/AnsiText.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "shell/InstallRecord.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/UninstallerFiles.h"

namespace discinstall {

namespace {

// A guess at the allocation unit of a drive that does not tell its own:
// NTFS's usual one.
constexpr std::uint32_t kUsualCluster = 4096;
constexpr std::uint64_t kMegabyte = 1024 * 1024;

std::uint64_t units(std::uint64_t bytes, std::uint32_t cluster) { return (bytes + cluster - 1) / cluster * cluster; }

// What a file of `size` bytes that grows by `growth` takes more on the drive.
std::uint64_t grown(std::uint64_t size, std::uint64_t growth, std::uint32_t cluster) {
    return growth ? units(size + growth, cluster) - units(size, cluster) : 0;
}

// A generous guess at a log line's bytes: ANSI text becomes UTF-8, where a
// double-byte character takes three bytes; time, words and size around it.
constexpr std::uint64_t kLogLineWords = 96;

std::uint64_t sizeOf(const std::string& path) {
    plat::FileStamp stamp;
    return !path.empty() && plat::files().fileStamp(path, stamp) ? stamp.size : 0;
}

// The drive is asked through the nearest folder that exists: the install
// folder is made only once it has room.
std::string existingFolderOf(const std::string& folder) {
    plat::Path p(folder);
    while (!p.empty() && !plat::files().folderExists(p.text())) p = p.parent();
    return p.empty() ? folder : p.text();
}

// What the room check found, before the player is asked.
RoomReport measure(const RoomQuery& q, RunEvents& events) {
    RoomReport room;
    room.disc = q.disc;
    room.drive = text::upperCase(q.installFolder.substr(0, 2));
    const std::string existing = existingFolderOf(q.installFolder);
    std::uint32_t cluster = 0;
    if (!plat::drives().clusterSize(existing, cluster)) {
        events.clusterUntold(room.drive, plat::program().lastError(), kUsualCluster);
        cluster = kUsualCluster;
    }
    room.plan = planDisc(q.disc, q.files, q.installFolder, q.prefix, cluster, q.cancelled);
    if (q.cancelled()) return room;
    // The uninstaller goes in with disc 1, so disc 1 makes room for it too.
    room.uninstaller = q.disc == 1 ? uninstallerRoom(q.installFolder, cluster) : 0;
    room.bookkeeping = bookkeepingRoom(q, cluster);
    room.needed = room.plan.needed + room.uninstaller + room.bookkeeping;
    room.told = plat::drives().freeSpace(existing, room.free);
    if (!room.told) room.untoldCode = plat::program().lastError();
    return room;
}

}  // namespace

Outcome checkRoom(const RoomQuery& q, RunEvents& events) {
    for (;;) {
        const RoomReport room = measure(q, events);
        if (q.cancelled()) return Outcome::Cancelled;
        events.roomChecked(room);
        if (!room.told || room.free >= room.needed) return Outcome::RoomFound;
        const auto& m = shell::messages();
        const std::string text = shell::formatText(
            m.get(shell::Text::NoRoom), {room.drive, std::to_string(room.free / kMegabyte), std::to_string(q.disc),
                                         std::to_string((room.needed + kMegabyte - 1) / kMegabyte)});
        const plat::Answer a =
            shell::ask(Question::TooLittleRoom, text, m.get(shell::Msg::Warning), shell::MsgKind::NoRoom, q.disc);
        events.answered(Question::TooLittleRoom, q.disc, a);
        if (a != plat::Answer::Retry) return Outcome::GaveUp;
    }
}

std::uint64_t uninstallerRoom(const std::string& installFolder, std::uint32_t cluster) {
    std::uint64_t bytes = 0;
    for (const auto& copy : shell::record::uninstallerCopies(installFolder)) {
        plat::FileStamp stamp;
        if (plat::files().fileStamp(copy.first, stamp)) bytes += units(stamp.size, cluster);
    }
    return bytes;
}

// Two record lines for each file and one for each folder it makes, one log
// line for each file.
std::uint64_t bookkeepingRoom(const RoomQuery& q, std::uint32_t cluster) {
    const std::string& folder = q.installFolder;
    std::uint64_t recordBytes = 0, logBytes = 0, folders = 0;
    std::vector<std::string> made;
    for (std::size_t i = 0; i < q.files.count(); ++i) {
        const std::string target = shell::record::normalPath(destination(folder, q.files[i], q.prefix));
        recordBytes += 2 * (target.size() - folder.size() + 24);
        logBytes += (q.files[i].size() + target.size()) * 3 / 2 + kLogLineWords;
        for (std::string dir = text::fileDir(target); dir.size() > folder.size(); dir = text::fileDir(dir)) {
            if (std::any_of(made.begin(), made.end(),
                            [&](const std::string& m) { return text::upperCase(m) == text::upperCase(dir); }))
                break;
            made.push_back(dir);
            if (plat::files().folderExists(dir)) continue;
            ++folders;
            recordBytes += dir.size() - folder.size() + 24;
        }
    }
    const std::uint64_t recordSize = sizeOf(shell::record::recordPath(folder));
    const std::uint64_t logSize = sizeOf(q.logPath);
    // The log keeps its last megabyte: when it is trimmed, the trimmed copy
    // (three quarters of it) stands beside it for a moment.
    const std::uint64_t limit = shell::RunLog::kLimit;
    const std::uint64_t logPeak =
        logSize + logBytes <= limit ? logSize + logBytes : std::max(logSize, limit) + limit / 4 * 3;
    return grown(recordSize, recordBytes, cluster) + grown(logSize, logPeak - logSize, cluster) + folders * cluster;
}

}  // namespace discinstall
