// The patch's five files and the payloads they come from, in the order the
// patch writes them: what the patch installs, and what a check of a patched
// game compares its files with.
#pragma once

#include <string>

#include "shell/Services.h"

namespace shell {

struct PatchFile {
    const char* payload;  // its name; the type is the edition's group
    bool shared;          // the main archive comes from GB_ in both editions
    const char* file;     // in the game folder
};

inline constexpr PatchFile kPatchFiles[] = {
    {"KESTAL", false, "KESTAL.exe"},  {"CVandry", false, "CVandry.exe"}, {"readme", false, "readme.txt"},
    {"game01", false, "game01.dat"},  {"game00", true, "GAME00.DAT"},
};

// The payloads' type of an edition: "GB_" for the Simplified, "BIG" for the
// Traditional.
inline const char* editionGroup(Edition e) { return e == Edition::Simplified ? "GB_" : "BIG"; }
inline const char* groupOf(const PatchFile& f, Edition e) { return f.shared ? "GB_" : editionGroup(e); }

// "TYPE/NAME", as the record names a patched file's payload.
inline std::string payloadRef(const PatchFile& f, Edition e) { return std::string(groupOf(f, e)) + "/" + f.payload; }

}  // namespace shell
