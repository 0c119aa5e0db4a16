#include "platform/win32/Keyboard.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win32/Peers.h"
#include "ui/Components.h"
#include "ui/Keyboard.h"

namespace w32 {

namespace {

ControlPeer* peerOf(HWND h) { return dynamic_cast<ControlPeer*>(Window::fromHandle(h)); }

ui::Form* formOf(HWND h) {
    auto* peer = h ? peerOf(GetAncestor(h, GA_ROOT)) : nullptr;
    return peer ? dynamic_cast<ui::Form*>(&peer->control()) : nullptr;
}

// The control of a window inside one of our forms: its own, or that of the
// nearest window of ours it lies in (the edit field of a combo box).
ui::Control* controlOf(HWND h) {
    const HWND root = h ? GetAncestor(h, GA_ROOT) : nullptr;
    for (; h; h = h == root ? nullptr : GetParent(h))
        if (auto* peer = peerOf(h)) return &peer->control();
    return nullptr;
}

std::optional<ui::Key> keyOf(WPARAM vk) {
    switch (vk) {
        case VK_TAB: return ui::Key::Tab;
        case VK_RETURN: return ui::Key::Enter;
        case VK_ESCAPE: return ui::Key::Escape;
        case VK_LEFT: return ui::Key::Left;
        case VK_RIGHT: return ui::Key::Right;
        case VK_UP: return ui::Key::Up;
        case VK_DOWN: return ui::Key::Down;
        default: return std::nullopt;  // Space and the rest: the control's own
    }
}

// An open drop-down list takes Enter and Esc itself, to close.
bool keptByControl(const ui::Control* c, ui::Key key) {
    if (!c || c->kind() != ui::Kind::ComboBox || (key != ui::Key::Enter && key != ui::Key::Escape)) return false;
    return SendMessageA(ControlPeer::windowOf(*c), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void moveFocus(const ui::Control& to) {
    HWND h = ControlPeer::windowOf(to);
    if (!h) return;
    SetFocus(h);
    // As a dialog box does: the field's text selected, so that typing replaces it.
    if (to.kind() == ui::Kind::Edit) SendMessageA(h, EM_SETSEL, 0, -1);
}

void drawDefault(const ui::Form& form, const ui::Control* focus) {
    const ui::Button* drawn = ui::drawnDefault(form, focus);
    for (auto* c : form.components()) {
        if (c->kind() != ui::Kind::Button) continue;
        HWND h = ControlPeer::windowOf(*static_cast<ui::Control*>(c));
        const LONG_PTR want = c == drawn ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (h && (GetWindowLongPtrA(h, GWL_STYLE) & BS_TYPEMASK) != want)
            SendMessageA(h, BM_SETSTYLE, static_cast<WPARAM>(want), TRUE);
    }
}

// Where the focus and the activation were when last looked at.
HWND seenFocus = nullptr, seenActive = nullptr;
// Each form's last focused window, by the form's window.
std::unordered_map<HWND, HWND> lastFocus;

// An activated window (Windows gives the focus to the window itself) gets
// its control back, or its first one when that can have the focus no longer.
void giveFocusBack(const ui::Form& form, HWND root) {
    auto it = lastFocus.find(root);
    const ui::Control* c = it != lastFocus.end() && IsWindow(it->second) ? controlOf(it->second) : nullptr;
    if (c && c->owner() == &form && ui::canFocus(*c)) return moveFocus(*c);
    const std::vector<ui::Control*> stops = ui::tabStops(form);
    if (!stops.empty()) moveFocus(*stops.front());
}

}  // namespace

bool handleNavigationKey(const MSG& m) {
    // With no window focused, keys come to the active window as system keys;
    // a real one has Alt held (bit 29).
    const bool noFocus = m.message == WM_SYSKEYDOWN && !(m.lParam & (1 << 29));
    if (m.message != WM_KEYDOWN && !noFocus) return false;
    const std::optional<ui::Key> key = keyOf(m.wParam);
    ui::Form* form = key ? formOf(m.hwnd) : nullptr;
    if (!form) return false;
    // A key for a control is as if it had the focus (a robot posts it there);
    // one for the window itself is for its focused control.
    HWND target = m.hwnd;
    const HWND root = GetAncestor(target, GA_ROOT);
    if (target == root && GetFocus() && GetAncestor(GetFocus(), GA_ROOT) == root) target = GetFocus();
    const ui::Control* focus = controlOf(target);
    if (keptByControl(focus, *key)) return false;
    // Behind a modal window or a box (a key posted by another program).
    if (!IsWindowEnabled(root)) return true;
    const ui::KeyEffect effect = ui::keyEffect(*form, focus, *key, GetKeyState(VK_SHIFT) < 0);
    switch (effect.what) {
        case ui::KeyEffect::What::Pass: return false;
        case ui::KeyEffect::What::Nothing: break;
        case ui::KeyEffect::What::Focus: moveFocus(*effect.target); break;
        case ui::KeyEffect::What::Press: static_cast<ui::Button*>(effect.target)->click(); break;
    }
    return true;
}

void followFocus() {
    const HWND focus = GetFocus(), active = GetActiveWindow();
    if (focus == seenFocus && active == seenActive) return;
    seenFocus = focus;
    seenActive = active;
    const HWND root = focus ? GetAncestor(focus, GA_ROOT) : active;
    const ui::Form* form = formOf(root);
    if (!form) return;
    if (focus == root) {
        giveFocusBack(*form, root);
        if (GetFocus() != focus) followFocus();
        return;
    }
    if (focus) lastFocus[root] = focus;
    drawDefault(*form, controlOf(focus));
}

void focusFirstControl(const ui::Form& form) {
    const std::vector<ui::Control*> stops = ui::tabStops(form);
    if (!stops.empty()) moveFocus(*stops.front());
    followFocus();
}

}  // namespace w32
