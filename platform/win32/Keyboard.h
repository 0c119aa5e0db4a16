// The keyboard of the program's windows, as a dialog box has it
// (ui/Keyboard.h says what each key does): Tab and Shift+Tab, the arrow keys
// within a group, Enter, Esc; the default button drawn as such; the focus on
// the first control of the tab order when a window shows, and back on the
// control that had it when a window is activated again.
#pragma once

#include "platform/win32/Win32.h"

namespace ui {
class Form;
}  // namespace ui

namespace w32 {

// True when the message was a key of the window's and has been handled; false
// leaves it to the focused control.
bool handleNavigationKey(const MSG& m);
// Called after each message the loop handles, and before a modal window or a
// box takes the focus away: follows where the focus went (a click, a window
// activated, a control hidden) with the default button's look, and gives a
// window that was activated its focused control back.
void followFocus();
// The window has just been shown: its first control of the tab order gets
// the focus.
void focusFirstControl(const ui::Form& form);

}  // namespace w32
