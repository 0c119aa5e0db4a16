#include "ui/Keyboard.h"

#include <algorithm>

#include "ui/Controls.h"
#include "ui/Form.h"

namespace ui {

namespace {

bool takesFocus(Kind k) {
    switch (k) {
        case Kind::Button:
        case Kind::Edit:
        case Kind::Memo:
        case Kind::ComboBox:
        case Kind::ShellTreeView:
            return true;
        default:
            return false;
    }
}

// Controls whose own use of the arrows comes first: a caret, a list, a tree.
bool keepsArrows(Kind k) { return takesFocus(k) && k != Kind::Button; }

// Every control of the window's keyboard order, whether it can take the
// focus now or not: groups are counted on the whole order.
std::vector<Control*> keyboardOrder(const Form& form) {
    std::vector<Control*> order;
    if (!form.tabOrder.empty()) {
        for (const auto& name : form.tabOrder)
            if (auto* c = dynamic_cast<Control*>(form.findComponent(name))) order.push_back(c);
    } else {
        for (auto* c : form.components())
            if (takesFocus(c->kind())) order.push_back(static_cast<Control*>(c));
    }
    return order;
}

// The members of the control's group that can take the focus, in order.
std::vector<Control*> groupOf(const Form& form, const Control& member) {
    const std::vector<Control*> order = keyboardOrder(form);
    auto at = std::find(order.begin(), order.end(), &member);
    if (at == order.end()) return {};
    auto first = at;
    while (first != order.begin() && !(*first)->startsGroup) --first;
    auto last = std::next(at);
    while (last != order.end() && !(*last)->startsGroup) ++last;
    std::vector<Control*> group;
    std::copy_if(first, last, std::back_inserter(group), [](Control* c) { return canFocus(*c); });
    return group;
}

// The next (or previous) control of a ring after `from`; from its first (or
// last) one when `from` is not in it.
Control* step(const std::vector<Control*>& ring, const Control* from, bool back) {
    if (ring.empty()) return nullptr;
    const std::size_t n = ring.size();
    const auto at = std::find(ring.begin(), ring.end(), from);
    if (at == ring.end()) return back ? ring.back() : ring.front();
    const auto i = static_cast<std::size_t>(at - ring.begin());
    return ring[back ? (i + n - 1) % n : (i + 1) % n];
}

Button* cancelButton(const Form& form) {
    for (auto* c : form.components())
        if (auto* b = dynamic_cast<Button*>(c); b && b->isCancel && canFocus(*b)) return b;
    return nullptr;
}

KeyEffect focusOn(Control* c) { return c ? KeyEffect{KeyEffect::What::Focus, c} : KeyEffect{}; }
KeyEffect press(Button* b) { return b && b->enabled() ? KeyEffect{KeyEffect::What::Press, b} : KeyEffect{}; }

}  // namespace

bool canFocus(const Control& c) {
    for (const Control* p = &c; p; p = p->parent())
        if (!p->visible() || !p->enabled()) return false;
    return true;
}

std::vector<Control*> tabStops(const Form& form) {
    std::vector<Control*> stops = keyboardOrder(form);
    stops.erase(std::remove_if(stops.begin(), stops.end(), [](Control* c) { return !canFocus(*c); }), stops.end());
    return stops;
}

Button* defaultButton(const Form& form) {
    for (auto* c : form.components())
        if (auto* b = dynamic_cast<Button*>(c); b && b->isDefault && b->visible() && b->parent() && canFocus(*b->parent()))
            return b;
    return nullptr;
}

Button* drawnDefault(const Form& form, const Control* focus) {
    if (focus && focus->kind() == Kind::Button && canFocus(*focus))
        for (auto* c : form.components())
            if (c == focus) return static_cast<Button*>(c);
    return defaultButton(form);
}

KeyEffect keyEffect(const Form& form, const Control* focus, Key key, bool shift) {
    if (focus && (focus->owner() != &form || !canFocus(*focus))) focus = nullptr;
    switch (key) {
        case Key::Tab: return focusOn(step(tabStops(form), focus, shift));
        case Key::Enter:
            if (focus && focus->kind() == Kind::Button) return press(drawnDefault(form, focus));
            return press(defaultButton(form));
        case Key::Escape: return press(cancelButton(form));
        case Key::Space: return {KeyEffect::What::Pass, nullptr};
        case Key::Left:
        case Key::Right:
        case Key::Up:
        case Key::Down: {
            if (!focus) return {};
            if (keepsArrows(focus->kind())) return {KeyEffect::What::Pass, nullptr};
            Control* next = step(groupOf(form, *focus), focus, key == Key::Left || key == Key::Up);
            return next != focus ? focusOn(next) : KeyEffect{};
        }
    }
    return {};
}

}  // namespace ui
