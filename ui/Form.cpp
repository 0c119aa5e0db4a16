#include "ui/Form.h"

#include <algorithm>
#include <iterator>

#include "platform/Desktop.h"
#include "platform/Program.h"
#include "ui/Application.h"

namespace ui {

// ---------------------------------------------------------------- Form

Form::Form(std::string className, std::string name)
    : Control(nullptr, std::move(name), nullptr, {}), className_(std::move(className)) {
    setVisible(false);
}

Form::Form(const FormDef& def) : Form(def.className, def.name) {
    def_ = &def;
    outerSize = (def.frame & kOuterSize) != 0;
    if (outerSize)
        setBounds(def.size);
    else {
        clientWidth = def.size.width;
        clientHeight = def.size.height;
    }
    borderStyle = def.borderStyle;
    systemMenu = (def.frame & kSystemMenu) != 0;
    minimizeBox = (def.frame & kMinimizeBox) != 0;
    maximizeBox = (def.frame & kMaximizeBox) != 0;
    position = def.position;
    setFont(def.font);
    setText(def.caption);
}

Form::~Form() {
    // Children's peers go before the form's own window.
    for (auto it = owned_.rbegin(); it != owned_.rend(); ++it)
        if (auto* c = dynamic_cast<Control*>(it->get())) c->destroyPeer();
    destroyPeer();
}

void Form::setFont(const Font& f) {
    font_ = f;
    font_.charset &= 0xFF;
    notify(&plat::ControlPeer::fontChanged);
    for (auto* c : order_)
        if (auto* ctl = dynamic_cast<Control*>(c)) ctl->parentFontChanged();
}

void Form::setFontName(const std::string& name) {
    Font f = font_;
    f.name = name;
    setFont(f);
}

void Form::setFontCharset(int charset) {
    Font f = font_;
    f.charset = charset & 0xFF;
    setFont(f);
}

void Form::setFontSize(int points) {
    Font f = font_;
    f.height = -mulDiv(points, pixelsPerInch_, 72);
    setFont(f);
}

void Form::changeScale(int dpi) {
    if (dpi <= 0 || dpi == pixelsPerInch_) return;
    const int from = pixelsPerInch_;
    pixelsPerInch_ = dpi;
    auto scaled = [from, dpi](int v) { return mulDiv(v, dpi, from); };
    // Edges are scaled where they lie in the window, then made relative to
    // the parent again: containment and overlap between any two controls
    // stay as they were.
    auto scaledRect = [&](const Control& c) {
        int x = 0, y = 0;
        for (const Control* p = c.parent(); p && p->kind() != Kind::Form; p = p->parent()) {
            x += p->bounds().left;
            y += p->bounds().top;
        }
        const Rect& r = c.bounds();
        Rect out;
        out.left = scaled(x + r.left) - scaled(x);
        out.top = scaled(y + r.top) - scaled(y);
        out.width = scaled(x + r.left + r.width) - scaled(x + r.left);
        out.height = scaled(y + r.top + r.height) - scaled(y + r.top);
        return out;
    };
    auto scaledFont = [&](Font f) {
        f.height = scaled(f.height);
        return f;
    };

    // All new places first: each is worked out from its parents' old ones.
    std::vector<std::pair<Control*, Rect>> places;
    for (auto* c : order_)
        if (auto* ctl = dynamic_cast<Control*>(c)) places.emplace_back(ctl, scaledRect(*ctl));

    if (outerSize) {
        const Rect& r = bounds();
        setBounds(Rect{r.left, r.top, scaled(r.width), scaled(r.height)});
    } else {
        clientWidth = scaled(clientWidth);
        clientHeight = scaled(clientHeight);
        notify(&plat::ControlPeer::boundsChanged);
    }
    for (auto& [ctl, place] : places) {
        ctl->setBounds(place);
        if (ctl->hasOwnFont()) ctl->setOwnFont(scaledFont(ctl->font()));
    }
    setFont(scaledFont(font_));
}

void Form::setFontHeight(int pixels) {
    Font f = font_;
    f.height = pixels;
    setFont(f);
}

Component* Form::findComponent(const std::string& name) const {
    for (auto* c : order_)
        if (c->name() == name) return c;
    return nullptr;
}

void Form::adopt(std::unique_ptr<Component> c) {
    order_.push_back(c.get());
    owned_.push_back(std::move(c));
}

void Form::buildControls() {
    if (def_) build(def_->controls, def_->controlCount);
}

namespace {
void applyFlags(Control& made, const ControlDef& d) {
    if (d.flags & kHidden) made.setVisible(false);
    if (auto* label = dynamic_cast<Label*>(&made); label && (d.flags & kWordWrap)) label->wordWrap = true;
    if (d.flags & (kDefault | kCancel)) {
        auto* button = dynamic_cast<Button*>(&made);
        if (!button) throw std::logic_error(std::string(d.name) + ": only a button is a default or cancel button");
        button->isDefault = (d.flags & kDefault) != 0;
        button->isCancel = (d.flags & kCancel) != 0;
    }
    made.startsGroup = (d.flags & kGroup) != 0;
}
}  // namespace

void Form::build(const ControlDef* defs, std::size_t count) {
    std::vector<std::pair<int, std::string>> keyboard;
    for (std::size_t i = 0; i < count; ++i) {
        const ControlDef& d = defs[i];
        Control* parent = this;
        if (d.parent && *d.parent) parent = &get<Control>(d.parent);
        Control* made = nullptr;
        switch (d.binding.kind) {
            case Kind::Button: made = &add<Button>(this, d.name, parent, d.bounds); break;
            case Kind::Edit: made = &add<Edit>(this, d.name, parent, d.bounds); break;
            case Kind::Label: made = &add<Label>(this, d.name, parent, d.bounds); break;
            case Kind::GroupBox: made = &add<GroupBox>(this, d.name, parent, d.bounds); break;
            case Kind::Memo: made = &add<Memo>(this, d.name, parent, d.bounds); break;
            case Kind::ComboBox: made = &add<ComboBox>(this, d.name, parent, d.bounds); break;
            case Kind::ProgressBar: made = &add<ProgressBar>(this, d.name, parent, d.bounds); break;
            case Kind::Gauge: made = &add<Gauge>(this, d.name, parent, d.bounds); break;
            case Kind::ShellTreeView: made = &add<ShellTreeView>(this, d.name, parent, d.bounds); break;
            case Kind::PageControl: made = &add<PageControl>(this, d.name, parent, d.bounds); break;
            case Kind::Panel: made = &add<Panel>(this, d.name, parent, d.bounds); break;
            case Kind::Image: made = &add<Image>(this, d.name, parent, d.bounds); break;
            case Kind::TabSheet: {
                auto* pages = dynamic_cast<PageControl*>(parent);
                if (!pages) throw std::logic_error(std::string(d.name) + " needs a page control");
                // A sheet fills its page control's client area.
                auto& sheet = add<TabSheet>(this, d.name, parent,
                                            Rect{0, 0, parent->bounds().width, parent->bounds().height});
                pages->addPage(&sheet);
                made = &sheet;
                break;
            }
            case Kind::Form:
            case Kind::Timer:
            case Kind::Component:
                throw std::logic_error(std::string(d.name) + ": not a control kind");
        }
        if (d.binding.assign) d.binding.assign(*this, *made);
        if (d.content) made->setText(d.content);
        if (d.font) made->setOwnFont(*d.font);
        applyFlags(*made, d);
        if (d.tabOrder >= 0) keyboard.emplace_back(d.tabOrder, d.name);
    }
    std::sort(keyboard.begin(), keyboard.end());
    for (const auto& k : keyboard) tabOrder.push_back(k.second);
}

void Form::bindEvents() {
    if (!def_) return;
    for (std::size_t i = 0; i < def_->eventCount; ++i) def_->events[i].bind(*this);
}

Timer& Form::addTimer(const std::string& name, std::uint32_t intervalMs, bool enabled) {
    return add<Timer>(this, name, intervalMs, enabled);
}

void Form::createWindows() {
    // Each window made is a step of the start-up trace.
    auto& program = plat::program();
    createPeer();
    program.startupMark((className_ + " frame").c_str());
    // Children are made at the scale of the monitor the window is on.
    if (peer()) changeScale(peer()->dpi());
    for (auto* c : order_)
        if (auto* ctl = dynamic_cast<Control*>(c)) {
            ctl->createPeer();
            program.startupMark((className_ + "." + ctl->name()).c_str());
        }
    for (auto* c : order_)
        if (c->kind() == Kind::Timer) static_cast<Timer*>(c)->start();
}

void Form::Show() {
    showing_ = true;
    setVisible(true);
    dispatch(OnShow);
    prepareToShow();
    if (peer()) peer()->show();
}

void Form::prepareToShow() {
    for (auto* c : order_)
        if (auto* ctl = dynamic_cast<Control*>(c); ctl && ctl->peer()) ctl->peer()->formShowing();
}

namespace {
// The window's place among the modal windows, for the length of its loop.
class ModalScope {
public:
    explicit ModalScope(const Form* form) : form_(form) { app().modalBegun(form); }
    ~ModalScope() { app().modalEnded(form_); }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    const Form* form_;
};
}  // namespace

int Form::ShowModal() {
    // A second request (two clicks queued on the button that shows it) would
    // run a loop inside the loop of the same window.
    if (showing_) return mrNone;
    modalResult_ = mrNone;
    showing_ = true;
    setVisible(true);
    dispatch(OnShow);
    {
        ModalScope scope(this);
        prepareToShow();
        if (peer()) peer()->beginModal();
        auto takeDown = [this] {
            showing_ = false;
            setVisible(false);
            if (peer()) peer()->endModal();
        };
        try {
            while (modalResult_ == mrNone) {
                plat::desktop().handleMessage();
                if (app().terminated()) modalResult_ = mrCancel;
            }
        } catch (...) {
            takeDown();
            throw;
        }
        dispatch(OnClose);
        takeDown();
    }
    dispatch(OnHide);
    return modalResult_;
}

void Form::Close() {
    if (app().mainForm() == this) {
        dispatch(OnClose);
        app().terminate();
    } else if (showing_) {
        if (OnCloseQuery && !OnCloseQuery()) return;
        modalResult_ = mrCancel;
    }
}

void Form::userClose() {
    if (app().acceptsInput(this)) dispatch([this] { Close(); });
}

}  // namespace ui
