// Windows of our own classes: containers (group box, panel, page control,
// tab sheet), the percentage gauge and the stretched picture.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>

#include "platform/win32/Peers.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

constexpr const char* kContainerClass = "LunavireContainer";
constexpr const char* kGaugeClass = "LunavireGauge";
constexpr const char* kPictureClass = "LunavirePicture";

HBRUSH faceBrush() { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)); }

class OwnDrawnPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    void textChanged() override {
        ControlPeer::textChanged();
        InvalidateRect(hwnd(), nullptr, TRUE);
    }
    void fontChanged() override {
        ControlPeer::fontChanged();
        InvalidateRect(hwnd(), nullptr, TRUE);
    }

protected:
    void create(const char* cls, DWORD exStyle, DWORD style) {
        const ui::Rect& r = control_.bounds();
        createOwn(cls, exStyle, childStyle() | style, control_.text(), r.left, r.top, r.width, r.height,
                  parentWindow());
        finishCreate();
    }
    std::string caption() const { return control_.text(); }
};

// A window that holds other controls.  Group boxes and panels draw their
// frame and caption; page controls and sheets are plain.  Children's
// notifications reach their peers through the window procedure.
class ContainerPeer final : public OwnDrawnPeer {
public:
    enum class Look { Plain, Group, Panel };
    ContainerPeer(Win32Platform& p, ui::Control& c, Look look) : OwnDrawnPeer(p, c), look_(look) {
        create(kContainerClass, WS_EX_CONTROLPARENT, WS_CLIPCHILDREN);
    }
    void pageChanged() override {
        // The sheets' visibility follows the page through the model.
    }

private:
    void onPaint(HDC dc) override {
        if (look_ == Look::Group) paintGroup(dc);
        if (look_ == Look::Panel) paintPanel(dc);
    }
    void paintGroup(HDC dc) {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        Selected font(dc, font_);
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        RECT frame = rc;
        frame.top = tm.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        std::string text = caption();
        if (text.empty()) return;
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd()) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        TextOutA(dc, 8, 0, text.c_str(), static_cast<int>(text.size()));
    }
    void paintPanel(HDC dc) {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
        std::string text = caption();
        if (text.empty()) return;
        Selected font(dc, font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    Look look_;
};

// The percentages a gauge has painted, each change once, for robots: a
// step that the screen shows only for a moment is still on record.  Holds
// the last kKept changes; the count goes on from the gauge's creation.
class PaintRecord {
public:
    void painted(int percent) {
        if (count_ > 0 && kept_[(count_ - 1) % kKept] == percent) return;
        kept_[count_ % kKept] = static_cast<signed char>(percent);
        ++count_;
    }
    // The answer to kGaugePaintedMessage: for index (WPARAM)-1 the number of
    // changes painted; else the percentage of change `index`, -1 when none
    // has been painted yet, -2 when it is no longer kept.
    LRESULT answer(WPARAM index) const {
        if (index == static_cast<WPARAM>(-1)) return static_cast<LRESULT>(count_);
        if (index >= count_) return -1;
        if (count_ - index > kKept) return -2;
        return kept_[index % kKept];
    }

private:
    static constexpr std::size_t kKept = 64;
    std::array<signed char, kKept> kept_{};
    std::size_t count_ = 0;
};

// A horizontal bar, black on white with a one-pixel border, and its
// percentage centred, drawn inverted: black over the empty part, white over
// the filled part.
class GaugePeer final : public OwnDrawnPeer {
public:
    GaugePeer(Win32Platform& p, ui::Gauge& g) : OwnDrawnPeer(p, g), gauge_(g) {
        create(kGaugeClass, 0, 0);
        showPercent();
    }
    ~GaugePeer() override { RemovePropA(hwnd(), kGaugeProperty); }
    void textChanged() override {}
    void positionChanged() override {
        showPercent();
        // The copy loop does not let WM_PAINT through often enough: paint now.
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

private:
    void showPercent() {
        SetPropA(hwnd(), kGaugeProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(gauge_.percentDone())));
    }
    bool onRegisteredMessage(UINT msg, WPARAM w, LPARAM, LRESULT& result) override {
        static const UINT painted = RegisterWindowMessageA(kGaugePaintedMessage);
        if (msg != painted) return false;
        result = record_.answer(w);
        return true;
    }
    bool onEraseBackground(HDC) override { return true; }
    void onPaint(HDC dc) override {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        int w = rc.right, h = rc.bottom;
        if (w <= 0 || h <= 0) return;
        // Drawn off screen, so the bar does not flicker at every step.
        MemoryDc mem(CreateCompatibleDC(dc));
        Bitmap bitmap(CreateCompatibleBitmap(dc, w, h));
        Selected bitmapIn(mem.get(), bitmap.get());
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        FillRect(mem.get(), &rc, white);
        FrameRect(mem.get(), &rc, black);
        RECT inner{1, 1, std::max(1, w - 1), std::max(1, h - 1)};
        RECT filled = inner;
        filled.right = inner.left + gaugeFillWidth(inner.right - inner.left, gauge_.percentDone());
        FillRect(mem.get(), &filled, black);

        char text[16];
        int n = std::snprintf(text, sizeof text, "%d%%", gauge_.percentDone());
        Selected fontIn(mem.get(), font_);
        SetBkMode(mem.get(), TRANSPARENT);
        {
            SavedDc saved(mem.get());
            IntersectClipRect(mem.get(), filled.right, inner.top, inner.right, inner.bottom);
            SetTextColor(mem.get(), RGB(0, 0, 0));
            DrawTextA(mem.get(), text, n, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        {
            SavedDc saved(mem.get());
            IntersectClipRect(mem.get(), filled.left, filled.top, filled.right, filled.bottom);
            SetTextColor(mem.get(), RGB(255, 255, 255));
            DrawTextA(mem.get(), text, n, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        BitBlt(dc, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
        record_.painted(gauge_.percentDone());
    }
    ui::Gauge& gauge_;
    PaintRecord record_;
};

// A BITMAP resource of the program, as large as fits, proportions kept.
class PicturePeer final : public OwnDrawnPeer {
public:
    PicturePeer(Win32Platform& p, ui::Image& i) : OwnDrawnPeer(p, i), image_(i) { create(kPictureClass, 0, 0); }
    void textChanged() override {}

private:
    void onPaint(HDC dc) override {
        // The resource name is a plain field of the image: look it up when
        // painting, and again only when it changed.
        if (loadedName_ != image_.bitmapResource) {
            loadedName_ = image_.bitmapResource;
            bitmap_.reset(loadedName_.empty()
                              ? nullptr
                              : static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), loadedName_.c_str(),
                                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        }
        if (!bitmap_) return;
        BITMAP info{};
        GetObjectA(bitmap_.get(), sizeof info, &info);
        RECT rc;
        GetClientRect(hwnd(), &rc);
        RECT to = fitPicture(info.bmWidth, info.bmHeight, rc.right, rc.bottom);
        MemoryDc mem(CreateCompatibleDC(dc));
        Selected bitmapIn(mem.get(), bitmap_.get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, mem.get(), 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
    }
    ui::Image& image_;
    std::string loadedName_;
    Bitmap bitmap_;
};

void registerClasses() {
    static bool done = false;
    if (done) return;
    // Containers repaint whole on resize: their frames sit at the edges.
    Window::registerClass(kContainerClass, CS_HREDRAW | CS_VREDRAW, faceBrush());
    Window::registerClass(kGaugeClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    Window::registerClass(kPictureClass, CS_HREDRAW | CS_VREDRAW, faceBrush());
    done = true;
}

}  // namespace

int gaugeFillWidth(int innerWidth, int percent) {
    if (innerWidth <= 0) return 0;
    return innerWidth * std::clamp(percent, 0, 100) / 100;
}

RECT fitPicture(int w, int h, int boxW, int boxH) {
    if (w <= 0 || h <= 0 || boxW <= 0 || boxH <= 0) return RECT{0, 0, 0, 0};
    // Compare w/h with boxW/boxH without rounding.
    long long wide = static_cast<long long>(w) * boxH, tall = static_cast<long long>(h) * boxW;
    if (wide >= tall) return RECT{0, 0, boxW, static_cast<LONG>(static_cast<long long>(h) * boxW / w)};
    return RECT{0, 0, static_cast<LONG>(static_cast<long long>(w) * boxH / h), boxH};
}

std::unique_ptr<plat::ControlPeer> makeOwnDrawnPeer(Win32Platform& p, ui::Control& c) {
    registerClasses();
    using Look = ContainerPeer::Look;
    switch (c.kind()) {
        case ui::Kind::GroupBox: return std::make_unique<ContainerPeer>(p, c, Look::Group);
        case ui::Kind::Panel: return std::make_unique<ContainerPeer>(p, c, Look::Panel);
        case ui::Kind::PageControl:
        case ui::Kind::TabSheet: return std::make_unique<ContainerPeer>(p, c, Look::Plain);
        case ui::Kind::Gauge: return std::make_unique<GaugePeer>(p, static_cast<ui::Gauge&>(c));
        case ui::Kind::Image: return std::make_unique<PicturePeer>(p, static_cast<ui::Image&>(c));
        case ui::Kind::Form:  // the system's own controls, or no window at all
        case ui::Kind::Button:
        case ui::Kind::Edit:
        case ui::Kind::Label:
        case ui::Kind::Memo:
        case ui::Kind::ComboBox:
        case ui::Kind::ProgressBar:
        case ui::Kind::ShellTreeView:
        case ui::Kind::Timer:
        case ui::Kind::Component: break;
    }
    return nullptr;
}

}  // namespace w32
