// Components and controls: what a window owns, and the properties a control
// keeps for its platform peer.  A control pushes a property change through its
// peer only when the peer exists; a new peer reads every stored property
// itself.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "ui/Geometry.h"

namespace ui {

enum class Kind {
    Form, Button, Edit, Label, GroupBox, Memo, ComboBox, ProgressBar, Gauge,
    ShellTreeView, PageControl, TabSheet, Panel, Image, Timer, Component
};

class Form;

// Anything a form owns: controls, timers and non-visual components.
class Component {
public:
    Component(Form* owner, std::string name);
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    virtual Kind kind() const { return Kind::Component; }
    const std::string& name() const { return name_; }
    Form* owner() const { return owner_; }

private:
    Form* owner_;
    std::string name_;
};

class Control : public Component {
public:
    Control(Form* owner, std::string name, Control* parent, Rect bounds);

    Control* parent() const { return parent_; }
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& r);

    // Caption for buttons, labels, group boxes and forms; text for edits.
    const std::string& text() const { return text_; }
    void setText(const std::string& t);
    const std::string& hint() const { return hint_; }
    void setHint(const std::string& h) { hint_ = h; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool visible() const { return visible_; }
    void setVisible(bool v);

    // The font in force: its own, or the parent's (ultimately the form's).
    const Font& font() const;
    bool hasOwnFont() const { return ownFont_ != nullptr; }
    void setOwnFont(const Font& f);

    plat::ControlPeer* peer() const { return peer_.get(); }
    void createPeer();
    void destroyPeer() { peer_.reset(); }

    // Called by the form when its font changed, so inheriting peers restyle.
    void parentFontChanged();

    // Begins a group of the arrow keys in the window's keyboard order
    // (WS_GROUP); the first control of the order begins one anyway.
    bool startsGroup = false;

protected:
    void storeText(const std::string& t) { text_ = t; }
    void notify(void (plat::ControlPeer::*what)()) {
        if (peer_) (peer_.get()->*what)();
    }

private:
    Control* parent_;
    Rect bounds_;
    std::string text_, hint_;
    bool enabled_ = true, visible_ = true;
    std::unique_ptr<Font> ownFont_;
    std::unique_ptr<plat::ControlPeer> peer_;
};

// A control of one kind: the kind that a window table's row makes for a
// member of this type.
template <Kind K>
class ControlOf : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = K;
    Kind kind() const override { return K; }
};

// Runs a user event's handler; an error that escapes it goes to the
// application's error box, as in any handler called from the message loop.
void dispatch(const std::function<void()>& handler);

}  // namespace ui
