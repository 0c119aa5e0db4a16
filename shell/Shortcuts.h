// Start-menu shortcuts in the folder Lunavire of the user's Programs folder.
#pragma once

#include <functional>
#include <vector>

#include "platform/Path.h"

namespace shell {

// The kinds of shortcut, as callers name them.
enum ShortcutKind : int {
    kGameShortcut = 1,         // Lunavire.lnk, to the installed game
    kSimplifiedShortcut = 2,   // Lunavire中文版.lnk in GBK bytes, after a readme shortcut
    kTraditionalShortcut = 3,  // Lunavire中文版.lnk in Big5 bytes, after a readme shortcut
    kReadmeShortcut = 4,       // readme.lnk
};

// Makes the shortcut of a kind to target; other kinds make nothing.  The
// launcher kinds first make a readme shortcut to the readme.txt beside the
// target.  Raises base::Error when the shell-link object cannot be made, or a
// shortcut's folder or file cannot be written (with the system's reason).
void makeShortcuts(int kind, const plat::Path& target);

// Makes a kind's shortcuts as makeShortcuts does, each of their files handed
// to `record` first, all before any is written, so that a run's record names
// every shortcut it may leave behind.
void makeRecordedShortcuts(int kind, const plat::Path& target,
                           const std::function<void(const plat::Path& linkFile)>& record);

// The Start-menu folder of the shortcuts, and the files that makeShortcuts
// writes for a kind, in the order it writes them; empty when the Programs
// folder cannot be located.
plat::Path shortcutFolder();
std::vector<plat::Path> shortcutFiles(int kind);

}  // namespace shell
