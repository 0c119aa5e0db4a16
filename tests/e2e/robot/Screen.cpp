#include "tests/e2e/robot/Screen.h"

#include <string>

#include "tests/e2e/robot/Robot.h"

namespace robot {

Pixels capture(HWND window) {
    RECT r{};
    if (!GetWindowRect(window, &r)) throw Failure("GetWindowRect failed for a " + classOf(window) + " window");
    Pixels out;
    out.width = r.right - r.left;
    out.height = r.bottom - r.top;
    if (out.width <= 0 || out.height <= 0) throw Failure("a " + classOf(window) + " window has an empty rectangle");

    HDC screen = GetDC(nullptr);
    if (!screen) throw Failure("GetDC(NULL) failed");
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, out.width, out.height);
    bool copied = false;
    std::vector<DWORD> bits(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, out.width, out.height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != FALSE;
        SelectObject(memory, old);
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = out.width;
        info.biHeight = -out.height;  // top-down
        info.biPlanes = 1;
        info.biBitCount = 32;
        info.biCompression = BI_RGB;
        copied = copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(out.height), bits.data(),
                                     reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == out.height;
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw Failure("cannot copy the screen (error " + std::to_string(GetLastError()) + ")");

    out.colours.reserve(bits.size());
    // 0x00RRGGBB in the DIB, 0x00BBGGRR in a COLORREF.
    for (DWORD b : bits) out.colours.push_back(RGB((b >> 16) & 0xFF, (b >> 8) & 0xFF, b & 0xFF));
    return out;
}

}  // namespace robot
