// The game in Windows' list of installed programs: one entry per install
// folder under the uninstall key of the machine, in the view a 32-bit
// program gets on 64-bit Windows, or of the current user where the machine's
// is refused.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Path.h"
#include "platform/Registry.h"

namespace shell::registration {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr plat::RegView kView = plat::RegView::Wow32;

// Windows' list under a root, and an entry's key in it.
plat::RegKey listKey(plat::RootKey root);
plat::RegKey entryKey(plat::RootKey root, const std::string& keyName);

// The entry's key below the uninstall key: "LunavireChinese-" and the
// CRC-32 of the folder's upper-cased path in hexadecimal, so that a
// reinstall into a folder finds its entry and another folder has its own.
std::string keyName(const plat::Path& installFolder);

// The command that starts the folder's uninstaller.
std::string uninstallCommand(const plat::Path& installFolder);

// The publisher and version of the program, as its version resource says.
extern const char* const kPublisher;
extern const char* const kVersion;

struct Entry {
    std::string displayName;
    plat::Path installFolder;
    std::uint64_t bytes = 0;  // what the installation copied
};

// Writes the folder's entry (replacing one it had), in the machine's key or,
// where that is refused, the current user's.  `writing` is told the key
// before the first value goes there, so that it can be recorded first.
// Raises base::Error with the reason when neither takes it; returns the
// key written.
plat::RegKey registerInstallation(const Entry& entry, const std::function<void(const plat::RegKey&)>& writing);

// Our entries in both roots but the one of `exceptKey`: (root, install folder).
std::vector<std::pair<plat::RootKey, plat::Path>> otherInstallations(const std::string& exceptKey);

// The roots under which the folder's own entry lies: its key, whose
// InstallLocation names the folder (an entry of that key naming another
// folder is not its own).
std::vector<plat::RootKey> entriesOf(const plat::Path& installFolder);

// Removes an entry; succeeds when it is gone (or never was).
plat::SysError unregister(plat::RootKey root, const std::string& keyName);

}  // namespace shell::registration
