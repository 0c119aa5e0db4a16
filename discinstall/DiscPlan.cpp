#include "discinstall/DiscPlan.h"

#include <algorithm>

#include "discinstall/InstallFolder.h"
#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Files.h"

namespace discinstall {

namespace {

constexpr std::uint64_t kFatPrecision = 2 * plat::kFileTimeSecond;
// Destinations looked at between two pumps of the windows.
constexpr std::size_t kFilesPerPump = 32;

std::int64_t onDisk(std::uint64_t bytes, std::uint32_t cluster) {
    const std::uint64_t unit = cluster ? cluster : 1;
    return static_cast<std::int64_t>((bytes + unit - 1) / unit * unit);
}

}  // namespace

bool sameStamp(const plat::FileStamp& a, const plat::FileStamp& b) {
    const std::uint64_t apart = a.lastWrite > b.lastWrite ? a.lastWrite - b.lastWrite : b.lastWrite - a.lastWrite;
    return a.size == b.size && apart <= kFatPrecision;
}

FileAction actionFor(const plat::Path& source, const plat::Path& target, bool playersOwn) {
    plat::FileStamp there;
    if (plat::files().fileStamp(target, there).failed()) return FileAction::Copy;
    if (playersOwn) return FileAction::PlayersOwn;
    if (plat::files().sameFile(source, target)) return FileAction::Itself;
    plat::FileStamp disc;
    if (plat::files().fileStamp(source, disc).ok() && sameStamp(disc, there)) return FileAction::Whole;
    return FileAction::Replace;
}

bool isPlayersOwn(int disc, const std::string& rest) {
    return disc == 1 && rest.size() > 5 && text::upperCase(rest.substr(0, 5)) == "SAVE\\";
}

DiscPlan planDisc(int disc, const DiscList& files, const plat::Path& folder, const plat::Path& root,
                  std::uint32_t cluster, const StopWalk& stop) {
    DiscPlan plan;
    std::int64_t grown = 0, peak = 0;  // grown: by the copies before
    for (std::size_t i = 0; i < files.count(); ++i) {
        if (i % kFilesPerPump == kFilesPerPump - 1) {
            plat::desktop().processMessages();
            if (stop && stop()) break;
        }
        const plat::Path target = destination(folder, files[i], root);
        const FileAction action =
            actionFor(files[i], target, isPlayersOwn(disc, target.relativeTo(folder).value_or("")));
        ++plan.files;
        plan.bytes += files.sizes[i];
        if (action != FileAction::Copy && action != FileAction::Replace) {
            ++plan.inPlace;
            continue;
        }
        plan.toCopy += files.sizes[i];
        plat::FileStamp old;
        const std::int64_t oldOnDisk =
            action == FileAction::Replace && plat::files().fileStamp(target, old).ok() ? onDisk(old.size, cluster) : 0;
        const std::int64_t newOnDisk = onDisk(files.sizes[i], cluster);
        peak = std::max(peak, grown + newOnDisk);
        grown += newOnDisk - oldOnDisk;
    }
    plan.needed = static_cast<std::uint64_t>(peak);
    return plan;
}

}  // namespace discinstall
