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

std::uint64_t sizeOf(const plat::Path& path) {
    plat::FileStamp stamp;
    return !path.empty() && plat::files().fileStamp(path, stamp).ok() ? stamp.size : 0;
}

// The drive is asked through the nearest folder that exists: the install
// folder is made only once it has room.
plat::Path existingFolderOf(const plat::Path& folder) {
    plat::Path p = folder;
    while (!p.empty() && !plat::files().folderExists(p)) p = p.parent();
    return p.empty() ? folder : p;
}

// What the room check found, before the player is asked.
RoomReport measure(const RoomQuery& q, RunEvents& events) {
    RoomReport room;
    room.disc = q.disc;
    room.drive = text::upperCase(q.installFolder.text().substr(0, 2));
    const plat::Path existing = existingFolderOf(q.installFolder);
    std::uint32_t cluster = 0;
    if (const plat::SysError e = plat::drives().clusterSize(existing, cluster); e.failed()) {
        events.clusterUntold(room.drive, e.code(), kUsualCluster);
        cluster = kUsualCluster;
    }
    room.plan = planDisc(q.disc, q.files, q.installFolder, q.root, cluster, q.cancelled);
    if (q.cancelled()) return room;
    // The uninstaller goes in with disc 1, so disc 1 makes room for it too.
    room.uninstaller = q.disc == 1 ? uninstallerRoom(q.installFolder, cluster) : 0;
    room.bookkeeping = bookkeepingRoom(q, cluster);
    room.needed = room.plan.needed + room.uninstaller + room.bookkeeping;
    const plat::SysError told = plat::drives().freeSpace(existing, room.free);
    room.told = told.ok();
    room.untoldCode = told.code();
    return room;
}

}  // namespace

Outcome checkRoom(const RoomQuery& q, RunEvents& events, shell::Face& face) {
    for (;;) {
        const RoomReport room = measure(q, events);
        if (q.cancelled()) return Outcome::Cancelled;
        events.roomChecked(room);
        if (!room.told || room.free >= room.needed) return Outcome::RoomFound;
        const auto& m = shell::messages();
        const std::string text = shell::formatText(
            m.get(shell::Text::NoRoom), {room.drive, std::to_string(room.free / kMegabyte), std::to_string(q.disc),
                                         std::to_string((room.needed + kMegabyte - 1) / kMegabyte)});
        const plat::Answer a = face.ask(Question::TooLittleRoom, text, m.get(shell::Msg::Warning), q.disc);
        events.answered(Question::TooLittleRoom, q.disc, a);
        if (a != plat::Answer::Retry) return Outcome::GaveUp;
    }
}

std::uint64_t uninstallerRoom(const plat::Path& installFolder, std::uint32_t cluster) {
    std::uint64_t bytes = 0;
    for (const auto& copy : shell::record::uninstallerCopies(installFolder)) {
        plat::FileStamp stamp;
        if (plat::files().fileStamp(copy.first, stamp).ok()) bytes += units(stamp.size, cluster);
    }
    return bytes;
}

// Two record lines for each file and one for each folder it makes, one log
// line for each file.
std::uint64_t bookkeepingRoom(const RoomQuery& q, std::uint32_t cluster) {
    const plat::Path& folder = q.installFolder;
    const std::size_t folderSize = folder.text().size();
    std::uint64_t recordBytes = 0, logBytes = 0, folders = 0;
    std::vector<plat::Path> made;
    for (std::size_t i = 0; i < q.files.count(); ++i) {
        const plat::Path target = destination(folder, q.files[i], q.root);
        recordBytes += 2 * (target.text().size() - folderSize + 24);
        logBytes += (q.files[i].text().size() + target.text().size()) * 3 / 2 + kLogLineWords;
        for (plat::Path dir = target.parent(); dir.below(folder); dir = dir.parent()) {
            if (std::find(made.begin(), made.end(), dir) != made.end()) break;
            made.push_back(dir);
            if (plat::files().folderExists(dir)) continue;
            ++folders;
            recordBytes += dir.text().size() - folderSize + 24;
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
