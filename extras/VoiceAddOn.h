// The voice-recognition add-on: its two installers and its registry script
// go to the root of drive C, run, and are removed once they are done.
#pragma once

#include <cstdint>

#include "base/Error.h"

namespace extras {

// The add-on refused before anything is written: a link in the place of one
// of its files, which it would replace and then remove.
class Refused : public base::Error {
public:
    using base::Error::Error;
};

// The action of the main window's voice add-on button.  Asks first; raises
// Refused, or the extraction's error when a file cannot be written.  True when the
// add-on is installed and on the records; false when the player said no, it
// is not installed, or the records do not know of it.
bool installVoiceAddOn();

// How long each waiting loop sleeps between two tries while nothing happens
// (the windows answer at once all the same).
constexpr std::uint32_t kVoiceRetryMs = 100;

}  // namespace extras
