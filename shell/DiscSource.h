// The game's discs, for what puts a file of an installed game back or
// compares it with its disc: which disc holds a file of the install folder,
// and where that file lies on it, the disc found as the installation finds
// its discs.  Made by the disc installation; used by the uninstall mode.
#pragma once

#include <optional>

#include "platform/Path.h"

namespace shell {

class DiscSource {
public:
    virtual ~DiscSource() = default;
    // The disc (1 to 3) that holds the install folder's file `relative`.
    virtual int discOf(const plat::Path& relative) const = 0;
    // The file on its disc, the disc found first (where it was last, the
    // folder given for it, the CD drives, then the player asked); nullopt
    // when it is found nowhere and the player gives up, or nobody is there
    // to ask.
    virtual std::optional<plat::Path> fileOnDisc(const plat::Path& relative) = 0;
};

}  // namespace shell
