#include "ui/Component.h"

#include "platform/Desktop.h"
#include "platform/Host.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace ui {

int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

int Font::size() const { return -mulDiv(height, 72, kPixelsPerInch); }
void Font::setSize(int points) { height = -mulDiv(points, kPixelsPerInch, 72); }

// ---------------------------------------------------------------- Component

Component::Component(Form* owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Control::Control(Form* owner, std::string name, Control* parent, Rect bounds)
    : Component(owner, std::move(name)), parent_(parent), bounds_(bounds) {}

void Control::setBounds(const Rect& r) {
    bounds_ = r;
    notify(&plat::ControlPeer::boundsChanged);
}

void Control::setText(const std::string& t) {
    if (t == text_) return;
    text_ = t;
    notify(&plat::ControlPeer::textChanged);
}

void Control::setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    notify(&plat::ControlPeer::enabledChanged);
}

void Control::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    notify(&plat::ControlPeer::visibleChanged);
}

const Font& Control::font() const {
    if (ownFont_) return *ownFont_;
    if (parent_) return parent_->font();
    if (kind() == Kind::Form) return static_cast<const Form*>(this)->formFont();
    static const Font fallback;
    return fallback;
}

void Control::setOwnFont(const Font& f) {
    ownFont_ = std::make_unique<Font>(f);
    notify(&plat::ControlPeer::fontChanged);
}

void Control::parentFontChanged() {
    if (!ownFont_) notify(&plat::ControlPeer::fontChanged);
}

void Control::createPeer() {
    if (!peer_) peer_ = plat::desktop().createPeer(*this);
}

void dispatch(const std::function<void()>& handler) {
    if (!handler) return;
    struct Running {
        Running() { app().handlerBegun(); }
        ~Running() { app().handlerEnded(); }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    } running;
    try {
        handler();
    } catch (const std::exception& e) {
        plat::host().showError(e.what());  // the application's box, or an unattended run's log
    }
}

}  // namespace ui
