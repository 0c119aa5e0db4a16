// What a window looks like on screen, as pixels, for checks of what the user
// sees that no window message reports (a bar drawn by the program itself).
#pragma once

#include <windows.h>

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

}  // namespace robot
