// The voice-recognition add-on: its two installers and its registry script
// go to the root of drive C, run, and are removed once they are done.
#pragma once

#include <cstdint>

#include "base/Error.h"
#include "shell/Face.h"

namespace extras {

// The add-on refused before anything is written: a link in the place of one
// of its files, which it would replace and then remove.
class Refused : public base::Error {
public:
    using base::Error::Error;
};

// How the add-on's run ended.
enum class AddOnEnd {
    Declined,     // the player said no: nothing was written
    Installed,    // installed, and on the records of the installations
    NotInstalled, // a program could not start, or the import failed (told)
    NotRecorded,  // installed, but a record could not take it (told)
};

// The action of the main window's voice add-on button.  Asks first; raises
// Refused, or the extraction's error when a file cannot be written.
AddOnEnd installVoiceAddOn(shell::Face& face);

// How long each waiting loop sleeps between two tries while nothing happens
// (the windows answer at once all the same).
constexpr std::uint32_t kVoiceRetryMs = 100;

}  // namespace extras
