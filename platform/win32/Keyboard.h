// Keyboard navigation between a form's controls: Tab and Shift+Tab move the
// focus in the form's tab order, Enter presses the focused button.
#pragma once

#include "platform/win32/Win32.h"

namespace w32 {

// True when the message was a navigation key and has been handled.
bool handleNavigationKey(const MSG& m);

}  // namespace w32
