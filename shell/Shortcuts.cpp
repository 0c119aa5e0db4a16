#include "shell/Shortcuts.h"

#include "platform/AnsiText.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"

namespace shell {

namespace {

const char kFolder[] = "\\Lunavire";

// The file name of each kind's shortcut, appended to the Programs folder.
const char* linkName(int kind) {
    switch (kind) {
        case kGameShortcut: return "\\Lunavire\\Lunavire.lnk";
        case kSimplifiedShortcut: return "\\Lunavire\\Lunavire中文版.lnk";
        // Big5 bytes of 中文版: the file is compiled to GBK.
        case kTraditionalShortcut: return "\\Lunavire\\Lunavire\xA4\xA4\xA4\xE5\xAA\xA9.lnk";
        case kReadmeShortcut: return "\\Lunavire\\readme.lnk";
        default: return nullptr;
    }
}

void makeOne(int kind, const std::string& target) {
    auto link = plat::shell().createShellLink();
    link->setPath(target);
    link->setWorkingDirectory(text::folderPart(target));
    std::string programs = plat::shell().programsFolder();
    // Without a Programs folder there is nowhere sensible to put it.
    if (programs.empty()) return;
    if (!plat::createFolders(programs + kFolder)) throw plat::systemError(plat::program().lastError(), programs + kFolder);
    const std::string file = programs + linkName(kind);
    if (!link->save(file)) throw plat::systemError(plat::program().lastError(), file);
}

}  // namespace

void makeShortcuts(int kind, const std::string& target) {
    if (!linkName(kind)) return;
    if (kind == kSimplifiedShortcut || kind == kTraditionalShortcut)
        makeShortcuts(kReadmeShortcut, text::folderPart(target) + "readme.txt");
    makeOne(kind, target);
}

void makeRecordedShortcuts(int kind, const std::string& target,
                           const std::function<void(const std::string& linkFile)>& record) {
    for (const std::string& link : shortcutFiles(kind)) record(link);
    makeShortcuts(kind, target);
}

std::string shortcutFolder() {
    const std::string programs = plat::shell().programsFolder();
    return programs.empty() ? programs : programs + kFolder;
}

std::vector<std::string> shortcutFiles(int kind) {
    const std::string programs = plat::shell().programsFolder();
    std::vector<std::string> files;
    if (programs.empty() || !linkName(kind)) return files;
    if (kind == kSimplifiedShortcut || kind == kTraditionalShortcut) files.push_back(programs + linkName(kReadmeShortcut));
    files.push_back(programs + linkName(kind));
    return files;
}

}  // namespace shell
