// What an install folder must be before anything is written into it, and
// where each listed file of a disc lands in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "discinstall/DiscFiles.h"

namespace discinstall {

// A typed trailing backslash goes, as the folder trees give none; a drive
// root is "X:".
std::string withoutTrailingBackslash(std::string folder);

// The code of why the folder cannot be an install folder by its name alone:
// an absolute path on a drive that is there, each name one that Windows makes
// as it is spelled.
std::optional<std::uint32_t> folderNameFault(const std::string& folder);

// Where a listed file lands: the install folder, a backslash and what follows
// `prefix` in the source path.
std::string destination(const std::string& folder, const std::string& source, const std::string& prefix);

// The first destination of the listed files that the file calls cannot take
// whole: its own path, its temporary file's, or its folder's.
std::optional<std::string> firstUnfitting(const DiscList& files, const std::string& folder,
                                          const std::string& prefix);

}  // namespace discinstall
