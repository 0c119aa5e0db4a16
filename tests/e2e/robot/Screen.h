// What a window looks like on screen, as pixels, for checks of what the user
// sees that no window message reports (a bar drawn by the program itself).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace robot {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colours;  // rows top to bottom

    COLORREF at(int x, int y) const {
        return colours[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// The screen in the window's rectangle (frame included).
Pixels capture(HWND window);

// The system icons that a message box may show.
enum class BoxIcon { None, Stop, Question, Exclamation, Information, Unknown };
std::string nameOf(BoxIcon icon);
// The icon that a message box shows, told from the pixels of its icon
// against the system's icons drawn here, once the screen shows one of them
// (Unknown when none matches within kActionTimeout).  The box must not be
// covered.
BoxIcon boxIcon(HWND box);

}  // namespace robot
