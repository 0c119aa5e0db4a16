#include "shell/Shortcuts.h"

#include "platform/AnsiText.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"

namespace shell {

namespace {

const char kFolder[] = "Lunavire";

// The file name of each kind's shortcut in the Start-menu folder.
const char* linkName(int kind) {
    switch (kind) {
        case kGameShortcut: return "Lunavire.lnk";
        case kSimplifiedShortcut: return "Lunavire中文版.lnk";
        // Big5 bytes of 中文版: the file is compiled to GBK.
        case kTraditionalShortcut: return "Lunavire\xA4\xA4\xA4\xE5\xAA\xA9.lnk";
        case kReadmeShortcut: return "readme.lnk";
        default: return nullptr;  // kinds are numbers callers pass: any other makes nothing
    }
}

void makeOne(int kind, const plat::Path& target) {
    auto link = plat::shell().createShellLink();
    link->setPath(target.text());
    link->setWorkingDirectory(text::folderPart(target.text()));
    const plat::Path folder = shortcutFolder();
    // Without a Programs folder there is nowhere sensible to put it.
    if (folder.empty()) return;
    if (const plat::SysError e = plat::createFolders(folder); e.failed()) throw plat::systemError(e, folder.text());
    const plat::Path file = folder / linkName(kind);
    if (const plat::SysError e = link->save(file); e.failed()) throw plat::systemError(e, file.text());
}

}  // namespace

void makeShortcuts(int kind, const plat::Path& target) {
    if (!linkName(kind)) return;
    if (kind == kSimplifiedShortcut || kind == kTraditionalShortcut)
        makeShortcuts(kReadmeShortcut, target.parent() / "readme.txt");
    makeOne(kind, target);
}

void makeRecordedShortcuts(int kind, const plat::Path& target,
                           const std::function<void(const plat::Path& linkFile)>& record) {
    for (const plat::Path& link : shortcutFiles(kind)) record(link);
    makeShortcuts(kind, target);
}

plat::Path shortcutFolder() {
    const plat::Path programs(plat::shell().programsFolder());
    return programs.empty() ? programs : programs / kFolder;
}

std::vector<plat::Path> shortcutFiles(int kind) {
    const plat::Path folder = shortcutFolder();
    std::vector<plat::Path> files;
    if (folder.empty() || !linkName(kind)) return files;
    if (kind == kSimplifiedShortcut || kind == kTraditionalShortcut) files.push_back(folder / linkName(kReadmeShortcut));
    files.push_back(folder / linkName(kind));
    return files;
}

}  // namespace shell
