// Replacing a file whole.  The new content goes into a temporary file beside
// the target, which then moves over the target in one step: whatever fails,
// the target is either the file it was or the whole new one, never a part.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// Where a replacement stopped, and the failing call's error.
struct ReplaceFailure {
    enum Step { Fit, Create, Write, Move } step;
    SysError error;
};

// The n-th temporary name for target: beside it, its name with the extension
// ".~" and two hexadecimal digits, so that it is no longer than the target
// (with its usual three-letter extension) and tells whose it is.
Path temporaryPath(const Path& target, unsigned n = 0);

// The first temporary name for target that names neither a file nor a
// folder yet; nullopt when every one is taken.
std::optional<Path> unusedTemporaryPath(const Path& target);

// Removes the temporary files of target that an interrupted run left beside
// it (killed, or switched off, before it could remove them); one that cannot
// be removed stays.  Returns the paths removed.
std::vector<Path> removeStaleTemporaries(const Path& target);

// Writes size bytes of data to target, creating it or replacing it.  On
// failure the temporary file is gone again and the target untouched.
std::optional<ReplaceFailure> replaceFile(const Path& target, const void* data, std::uint32_t size);

// Whether a file can be created beside target: a temporary one is made and
// removed again.
std::optional<ReplaceFailure> probeFolderOf(const Path& target);

// Copies the file from onto target the same way: a copy beside target that
// then moves over it, so target is either what it was or the whole copy.
std::optional<ReplaceFailure> copyReplacing(const Path& from, const Path& target);

}  // namespace plat
