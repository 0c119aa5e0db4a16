// Places, sizes and fonts of the component model, at 96 dots per inch
// unless a window says otherwise.
#pragma once

#include <string>

namespace ui {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

constexpr int kDefaultCharset = 1;   // DEFAULT_CHARSET
constexpr int kGb2312Charset = 134;  // GB2312_CHARSET
constexpr int kPixelsPerInch = 96;

struct Font {
    std::string name = "MS Sans Serif";
    int charset = kDefaultCharset;  // low 8 bits of what was set
    int height = -11;               // pixels; negative: character height
    int size() const;               // points, from the height
    void setSize(int points);
    bool operator==(const Font& o) const {
        return name == o.name && charset == o.charset && height == o.height;
    }
};

// a * b / c rounded half away from zero, as Windows' MulDiv.
int mulDiv(int a, int b, int c);

}  // namespace ui
