// The keyboard of a window, as Windows gives it to a dialog box: Tab and
// Shift+Tab through the window's tab order, the arrow keys within a group,
// Enter on the focused button or else the default one, Esc on the cancel
// button.  Worked out here from the window's controls, so that the real back
// end and the simulation act alike; each back end knows where its focus is
// and moves it.
#pragma once

#include <vector>

#include "ui/Component.h"

namespace ui {

class Button;
class Form;

enum class Key { Tab, Enter, Escape, Space, Left, Right, Up, Down };

// What a key does.
struct KeyEffect {
    enum class What {
        Pass,     // the focused control's own key: a caret, a list, a tree, Space on a button
        Nothing,  // the window's key, and it does nothing now
        Focus,    // the focus goes to `target`
        Press,    // `target`, an enabled button, is pressed
    };
    What what = What::Nothing;
    Control* target = nullptr;
};

// Whether the focus may be on the control now: shown and enabled, and so is
// everything it lies in, the window included.
bool canFocus(const Control& c);
// The controls that can take the focus now, in the window's tab order
// (creation order where the window names none).
std::vector<Control*> tabStops(const Form& form);
// The first default button that is shown in a part of the window that takes
// input, enabled or not: a disabled one is still drawn as the default, and
// Enter then does nothing.  nullptr where the window shows none.
Button* defaultButton(const Form& form);
// The button drawn as the default one: the focused button, else the
// window's default button.
Button* drawnDefault(const Form& form, const Control* focus);
// What `key` does in the window while `focus` has the focus (nullptr, or a
// control that cannot have it: none of the window's controls has).
KeyEffect keyEffect(const Form& form, const Control* focus, Key key, bool shift);

}  // namespace ui
