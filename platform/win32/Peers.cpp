// The common part of every peer, the standard controls, and the factory.
#include "platform/win32/Peers.h"

#include <stdexcept>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

// ---------------------------------------------------------------- ControlPeer

HWND ControlPeer::windowOf(const ui::Control& c) {
    auto* w = dynamic_cast<Window*>(c.peer());
    return w ? w->hwnd() : nullptr;
}

DWORD ControlPeer::childStyle() const {
    return WS_CHILD | WS_CLIPSIBLINGS | (control_.visible() ? WS_VISIBLE : 0);
}

HWND ControlPeer::parentWindow() const {
    ui::Control* parent = control_.parent();
    HWND h = parent ? windowOf(*parent) : nullptr;
    if (!h) throw std::logic_error(control_.name() + ": its parent has no window yet");
    return h;
}

void ControlPeer::finishCreate() {
    setComponentName(control_.name());
    // Later controls lie above earlier ones, as a form designer stacks them
    // (a new child window would otherwise go to the bottom).
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    fontChanged();
    if (!control_.enabled()) enabledChanged();
}

void ControlPeer::placeWindow() {
    const ui::Rect& r = control_.bounds();
    MoveWindow(hwnd(), r.left, r.top, r.width, r.height, TRUE);
}

void ControlPeer::textChanged() { SetWindowTextA(hwnd(), control_.text().c_str()); }
void ControlPeer::boundsChanged() { placeWindow(); }
void ControlPeer::visibleChanged() { ShowWindow(hwnd(), control_.visible() ? SW_SHOWNA : SW_HIDE); }
void ControlPeer::enabledChanged() { EnableWindow(hwnd(), control_.enabled()); }

void ControlPeer::fontChanged() {
    font_ = platform_.font(control_.font());
    send(WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

namespace {

int nextControlId() {
    static int id = 100;
    return id++;
}

class StandardPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;

protected:
    // Makes the standard control at the control's bounds.
    void createChild(const char* cls, DWORD exStyle, DWORD style, const std::string& text, int extraHeight = 0) {
        const ui::Rect& r = control_.bounds();
        createStandard(cls, exStyle, childStyle() | style, text, r.left, r.top, r.width, r.height + extraHeight,
                       parentWindow(), nextControlId());
        finishCreate();
    }
};

class ButtonPeer final : public StandardPeer {
public:
    ButtonPeer(Win32Platform& p, ui::Button& b) : StandardPeer(p, b), button_(b) {
        createChild("BUTTON", 0, BS_PUSHBUTTON | WS_TABSTOP, b.text());
    }
    void onCommand(UINT code) override {
        if (code == BN_CLICKED) button_.click();
    }

private:
    ui::Button& button_;
};

class EditPeer final : public StandardPeer {
public:
    EditPeer(Win32Platform& p, ui::Edit& e) : StandardPeer(p, e), edit_(e) {
        createChild("EDIT", WS_EX_CLIENTEDGE, ES_AUTOHSCROLL | WS_TABSTOP, e.text());
    }
    void textChanged() override {
        if (windowText() != edit_.text()) StandardPeer::textChanged();
    }
    void onCommand(UINT code) override {
        if (code == EN_CHANGE) edit_.userEdited(windowText());
    }

private:
    // Read in UTF-16: a character the code page cannot hold is "?" (which no
    // name may hold), never the look-alike of Windows' best fit.
    std::string windowText() const {
        int n = GetWindowTextLengthW(hwnd());
        std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
        n = GetWindowTextW(hwnd(), &s[0], n + 1);
        s.resize(static_cast<std::size_t>(n));
        return narrowExact(s);
    }
    ui::Edit& edit_;
};

class LabelPeer final : public StandardPeer {
public:
    LabelPeer(Win32Platform& p, ui::Label& l) : StandardPeer(p, l) {
        // Fixed size, one line unless it wraps; file paths are shown as they are, "&" included.
        createChild("STATIC", 0, (l.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOPREFIX, l.text());
    }
};

// Multi-line text of raw ANSI bytes, read-only, on grey.
class MemoPeer final : public StandardPeer {
public:
    MemoPeer(Win32Platform& p, ui::Memo& m) : StandardPeer(p, m), memo_(m) {
        // Filled once its font is set: an edit control lays its text out
        // anew for every font, and laying a Chinese notice out in the system
        // font it starts with costs more than in its own.
        createChild("EDIT", WS_EX_CLIENTEDGE,
                    ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP |
                        (m.verticalScrollBar ? WS_VSCROLL : 0),
                    "");
        const std::string text = content();
        if (!text.empty()) SetWindowTextA(hwnd(), text.c_str());
    }
    void textChanged() override { SetWindowTextA(hwnd(), memo_.text().c_str()); }
    void itemsChanged() override { SetWindowTextA(hwnd(), memo_.joined().c_str()); }
    HBRUSH onControlColour(HDC dc) override {
        int colour = memo_.greyBackground ? COLOR_BTNFACE : COLOR_WINDOW;
        SetBkColor(dc, GetSysColor(colour));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return GetSysColorBrush(colour);
    }

private:
    std::string content() const { return memo_.lines().empty() ? memo_.text() : memo_.joined(); }
    ui::Memo& memo_;
};

// A drop-down list, selection only.
class ComboBoxPeer final : public StandardPeer {
public:
    ComboBoxPeer(Win32Platform& p, ui::ComboBox& c) : StandardPeer(p, c), combo_(c) {
        createChild("COMBOBOX", 0, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, "", kDropDownHeight);
        itemsChanged();
    }
    void textChanged() override {}
    void itemsChanged() override {
        send(CB_RESETCONTENT);
        for (const auto& item : combo_.items()) send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        itemIndexChanged();
    }
    void itemIndexChanged() override { send(CB_SETCURSEL, static_cast<WPARAM>(combo_.itemIndex())); }
    void onCommand(UINT code) override {
        if (code == CBN_SELCHANGE) combo_.userSelected(static_cast<int>(send(CB_GETCURSEL)));
    }

private:
    // The window reaches below the field by the height of the open list.
    static constexpr int kDropDownHeight = 200;
    void placeWindow() override {
        const ui::Rect& r = control_.bounds();
        MoveWindow(hwnd(), r.left, r.top, r.width, r.height + kDropDownHeight, TRUE);
    }
    ui::ComboBox& combo_;
};

// Under Wine a progress bar repaints at once whenever its position is set,
// a few milliseconds each: a copy that moves two bars per step would spend
// most of its time painting.  The bar follows at once after a quiet spell;
// changes that come quicker than the eye sees are shown together a moment
// later.
class ProgressBarPeer final : public StandardPeer {
public:
    ProgressBarPeer(Win32Platform& p, ui::ProgressBar& b) : StandardPeer(p, b), bar_(b) {
        createChild(PROGRESS_CLASSA, 0, 0, "");
        send(PBM_SETRANGE32, static_cast<WPARAM>(b.min()), b.max());
        show();
    }
    ~ProgressBarPeer() override {
        if (pending_) platform_.killTimer(pending_);
    }
    void textChanged() override {}
    void positionChanged() override {
        if (pending_) return;  // the timer shows the latest position
        if (GetTickCount() - shownAt_ >= kRepaintMs) return show();
        pending_ = platform_.setTimer(kRepaintMs, [this] {
            platform_.killTimer(pending_);
            pending_ = 0;
            show();
        });
    }

private:
    static constexpr DWORD kRepaintMs = 30;
    void show() {
        shownAt_ = GetTickCount();
        send(PBM_SETPOS, static_cast<WPARAM>(bar_.position()));
    }
    ui::ProgressBar& bar_;
    DWORD shownAt_ = 0;
    plat::Desktop::TimerId pending_ = 0;
};

}  // namespace

std::unique_ptr<plat::ControlPeer> makeControlPeer(Win32Platform& p, ui::Control& c) {
    switch (c.kind()) {
        case ui::Kind::Form: return makeFormPeer(p, static_cast<ui::Form&>(c));
        case ui::Kind::Button: return std::make_unique<ButtonPeer>(p, static_cast<ui::Button&>(c));
        case ui::Kind::Edit: return std::make_unique<EditPeer>(p, static_cast<ui::Edit&>(c));
        case ui::Kind::Label: return std::make_unique<LabelPeer>(p, static_cast<ui::Label&>(c));
        case ui::Kind::Memo: return std::make_unique<MemoPeer>(p, static_cast<ui::Memo&>(c));
        case ui::Kind::ComboBox: return std::make_unique<ComboBoxPeer>(p, static_cast<ui::ComboBox&>(c));
        case ui::Kind::ProgressBar:
            return std::make_unique<ProgressBarPeer>(p, static_cast<ui::ProgressBar&>(c));
        case ui::Kind::ShellTreeView: return makeShellTreePeer(p, static_cast<ui::ShellTreeView&>(c));
        case ui::Kind::GroupBox:
        case ui::Kind::Panel:
        case ui::Kind::PageControl:
        case ui::Kind::TabSheet:
        case ui::Kind::Gauge:
        case ui::Kind::Image: return makeOwnDrawnPeer(p, c);
        case ui::Kind::Timer:
        case ui::Kind::Component: break;
    }
    throw std::logic_error(c.name() + ": no window for this kind");
}

std::unique_ptr<plat::ControlPeer> Win32Platform::createPeer(ui::Control& control) {
    return makeControlPeer(*this, control);
}

HFONT Win32Platform::font(const ui::Font& f) {
    auto key = std::make_tuple(f.name, f.charset, f.height);
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
        HFONT h = CreateFontA(f.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<BYTE>(f.charset),
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
        it = fonts_.emplace(key, Font(h)).first;
    }
    return it->second.get();
}

}  // namespace w32
