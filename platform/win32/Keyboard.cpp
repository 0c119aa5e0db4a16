#include "platform/win32/Keyboard.h"

#include <vector>

#include "platform/win32/Peers.h"

namespace w32 {

namespace {

bool takesFocus(ui::Kind k) {
    switch (k) {
        case ui::Kind::Button:
        case ui::Kind::Edit:
        case ui::Kind::Memo:
        case ui::Kind::ComboBox:
        case ui::Kind::ShellTreeView:
            return true;
        default:
            return false;
    }
}

// Visible and enabled, and so is every window it lies in.
bool reachable(HWND h, HWND root) {
    for (; h && h != root; h = GetParent(h))
        if (!IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
    return h == root;
}

ui::Form* formOf(HWND h) {
    auto* peer = dynamic_cast<ControlPeer*>(Window::fromHandle(GetAncestor(h, GA_ROOT)));
    return peer ? dynamic_cast<ui::Form*>(&peer->control()) : nullptr;
}

// The windows that take focus, in the form's tab order (creation order when
// the form names none).
std::vector<HWND> tabStops(const ui::Form& form, HWND root) {
    std::vector<const ui::Control*> order;
    if (!form.tabOrder.empty()) {
        for (const auto& name : form.tabOrder)
            if (auto* c = dynamic_cast<const ui::Control*>(form.findComponent(name))) order.push_back(c);
    } else {
        for (auto* c : form.components())
            if (takesFocus(c->kind())) order.push_back(static_cast<const ui::Control*>(c));
    }
    std::vector<HWND> stops;
    for (auto* c : order) {
        HWND h = ControlPeer::windowOf(*c);
        if (h && reachable(h, root)) stops.push_back(h);
    }
    return stops;
}

}  // namespace

bool handleNavigationKey(const MSG& m) {
    if (m.message != WM_KEYDOWN || (m.wParam != VK_TAB && m.wParam != VK_RETURN)) return false;
    ui::Form* form = formOf(m.hwnd);
    if (!form) return false;
    HWND root = GetAncestor(m.hwnd, GA_ROOT);

    if (m.wParam == VK_RETURN) {
        char cls[16] = {};
        GetClassNameA(m.hwnd, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") != 0) return false;
        PostMessageA(m.hwnd, BM_CLICK, 0, 0);
        return true;
    }

    std::vector<HWND> stops = tabStops(*form, root);
    if (stops.empty()) return true;
    // The focus may sit in a child of a stop (the edit field of a combo box).
    HWND focus = GetFocus();
    std::size_t at = stops.size();
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (stops[i] == focus || IsChild(stops[i], focus)) at = i;
    bool back = GetKeyState(VK_SHIFT) < 0;
    std::size_t n = stops.size();
    std::size_t next = at == n ? (back ? n - 1 : 0) : (back ? (at + n - 1) % n : (at + 1) % n);
    SetFocus(stops[next]);
    return true;
}

}  // namespace w32
