#include "discinstall/InstallFolder.h"

#include <algorithm>
#include <cctype>

#include "platform/AnsiText.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"

namespace discinstall {

namespace {

// CreateDirectory leaves room in MAX_PATH for a file name of 8.3
// characters: a folder may be no longer than the path limit less these.
constexpr std::size_t kFolderNameRoom = 12;

bool isDeviceName(const std::string& name) {
    // A device keeps its name whatever extension follows it.
    std::string base = text::upperCase(name.substr(0, std::min(text::find(name, '.'), name.size())));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Whether Windows can make a folder of this name as it is spelled: it
// refuses some characters and device names, and drops trailing full stops
// and blanks, which would make a folder other than the one named.
bool nameWindowsCanMake(const std::string& name) { return text::plainName(name) && !isDeviceName(name); }

}  // namespace

std::string withoutTrailingBackslash(std::string folder) {
    while (folder.size() > 2 && text::endsWith(folder, '\\')) folder.pop_back();
    return folder;
}

std::optional<std::uint32_t> folderNameFault(const std::string& folder) {
    const bool absolute = folder.size() >= 2 && folder[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(folder[0])) &&
                          (folder.size() == 2 || folder[2] == '\\');
    if (!absolute) return plat::err::InvalidName;
    if (!plat::files().folderExists(plat::Path(folder.substr(0, 2) + "\\"))) return plat::err::PathNotFound;
    std::size_t start = 3;
    while (start < folder.size()) {
        std::size_t end = std::min(text::find(folder, '\\', start), folder.size());
        if (!nameWindowsCanMake(folder.substr(start, end - start))) return plat::err::InvalidName;
        start = end + 1;
    }
    return std::nullopt;
}

plat::Path destination(const plat::Path& folder, const plat::Path& source, const plat::Path& root) {
    return folder / source.relativeTo(root).value_or(source.name());
}

std::optional<plat::Path> firstUnfitting(const DiscList& files, const plat::Path& folder, const plat::Path& root) {
    for (const plat::Path& source : files.paths) {
        const plat::Path target = destination(folder, source, root);
        if (!plat::files().pathFits(target) || !plat::files().pathFits(plat::temporaryPath(target)) ||
            !plat::files().pathFits(plat::Path(target.parent().text() + std::string(kFolderNameRoom, 'x'))))
            return target;
    }
    return std::nullopt;
}

}  // namespace discinstall
