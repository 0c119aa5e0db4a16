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

std::string nameOf(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None: return "no icon";
        case BoxIcon::Stop: return "the stop icon";
        case BoxIcon::Question: return "the question icon";
        case BoxIcon::Exclamation: return "the exclamation icon";
        case BoxIcon::Information: return "the information icon";
        case BoxIcon::Unknown: return "an unknown icon";
    }
    return "?";
}

namespace {

BOOL CALLBACK collectChild(HWND w, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
    return TRUE;
}

// The icon drawn as a static icon control draws it, over `background`.
Pixels drawn(LPCSTR systemIcon, int width, int height, COLORREF background) {
    Pixels out;
    out.width = width;
    out.height = height;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, systemIcon), width, height, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.colours.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

BoxIcon iconShown(HWND box) {
    std::vector<HWND> children;
    EnumChildWindows(box, &collectChild, reinterpret_cast<LPARAM>(&children));
    HWND icon = nullptr;
    for (HWND w : children)
        if (classOf(w) == "Static" && IsWindowVisible(w) && (GetWindowLongA(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = w;
    if (!icon) return BoxIcon::None;
    const Pixels shown = capture(icon);
    const struct {
        LPCSTR id;
        BoxIcon icon;
    } candidates[] = {{IDI_HAND, BoxIcon::Stop},
                      {IDI_QUESTION, BoxIcon::Question},
                      {IDI_EXCLAMATION, BoxIcon::Exclamation},
                      {IDI_ASTERISK, BoxIcon::Information}};
    BoxIcon best = BoxIcon::Unknown;
    std::size_t bestSame = 0;
    for (const auto& c : candidates) {
        const Pixels expected = drawn(c.id, shown.width, shown.height, shown.at(0, 0));
        std::size_t same = 0;
        for (std::size_t i = 0; i < shown.colours.size(); ++i) same += shown.colours[i] == expected.colours[i];
        if (same > bestSame) {
            bestSame = same;
            best = c.icon;
        }
    }
    // Most of an icon's square is its picture: a close match is this icon.
    return bestSame * 10 >= shown.colours.size() * 9 ? best : BoxIcon::Unknown;
}

}  // namespace

BoxIcon boxIcon(HWND box) {
    // A box that has just come up may not have painted its icon yet, nor
    // the display shown it: wait until the screen shows one of the icons.
    BoxIcon icon = BoxIcon::Unknown;
    waitUntil(kActionTimeout, [&] { return (icon = iconShown(box)) != BoxIcon::Unknown; });
    return icon;
}

}  // namespace robot
