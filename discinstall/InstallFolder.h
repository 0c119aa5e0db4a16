// What an install folder must be before anything is written into it, and
// where each listed file of a disc lands in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "discinstall/DiscFiles.h"
#include "platform/Path.h"

namespace discinstall {

// A typed trailing backslash goes, as the folder trees give none; a drive
// root is "X:".
std::string withoutTrailingBackslash(std::string folder);

// The code of why the folder cannot be an install folder by its name alone:
// an absolute path on a drive that is there, each name one that Windows makes
// as it is spelled.
std::optional<std::uint32_t> folderNameFault(const std::string& folder);

// Where a listed file lands: the install folder, a backslash and what follows
// the disc's `root` in the source path.
plat::Path destination(const plat::Path& folder, const plat::Path& source, const plat::Path& root);

// The first destination of the listed files that the file calls cannot take
// whole: its own path, its temporary file's, or its folder's.
std::optional<plat::Path> firstUnfitting(const DiscList& files, const plat::Path& folder, const plat::Path& root);

}  // namespace discinstall
