// A game folder that this program did not install (the game's own installer
// put it there, or the player copied it), patched: it gets the uninstaller
// and an entry of its own in Windows' list of installed programs, so that
// the player takes the patch away as any program is taken away.  That
// uninstaller offers the patch alone (shell::record::Record::patchOnly());
// a later disc installation into the folder takes the entry over, since the
// key is the folder's.  A folder without a record (a drive's root, the
// Windows folder) gets no entry either.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Path.h"
#include "shell/Face.h"

namespace shell {
class RunLog;
}
namespace shell::record {
class Writer;
}

namespace patch {

// Bytes the uninstaller's copies take on disk, in whole units of `cluster`,
// in a game folder that is to get its own entry; 0 for any other.  For the
// room check before anything is written.
std::uint64_t ownEntryRoom(const plat::Path& folder, std::uint64_t cluster);

// Called with the folder's record open, before the patch's first file: when
// the record holds no installation of the game by this program, copies the
// uninstaller beside it and registers the folder under the patch's name with
// `bytes` (what the patch writes) as its size, each on the record before it
// is written.  Tells the log.  Returns why such a folder is not in the list
// (a copy that failed, the registry's refusal), empty when it is or needs no
// entry; the patch goes on either way.
std::string addOwnEntry(shell::record::Writer& record, std::uint64_t bytes, shell::RunLog& log);

// The run's last message: the patch is installed, and why the folder is not
// in the list when addOwnEntry() said so.
void showInstalled(shell::Face& face, const std::string& unregistered);

}  // namespace patch
