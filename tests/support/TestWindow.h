// A window with one control of each kind, for the Win32 peers' tests and the
// peer smoke program.
#pragma once

#include <cstddef>

#include "ui/Components.h"

namespace testwin {

// The controls in creation order.  Button1 and Edit1 lie in GroupBox1,
// Button2 on the first of two pages, Button3 in Panel1, which (made after
// GroupBox1) overlaps GroupBox1's lower right corner; Image1 is a 100 x 100
// box.
extern const ui::ControlDef kControls[];
extern const std::size_t kControlCount;

// The form's font name, 宋体 in GBK bytes as the installer's windows name it.
extern const char kFontName[];

// Builds `form` as the test window: a 400 x 300 client area, the font above
// at 12 pixels, every control, and the picture from the BITMAP resource
// named `bitmap`.  The windows are not made yet.
void build(ui::Form& form, const char* bitmap);

}  // namespace testwin
