#include "ui/Components.h"

#include <algorithm>
#include <iterator>

#include "platform/AnsiText.h"

namespace ui {

namespace {
int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}
}  // namespace

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
    if (!peer_) peer_ = plat::platform().createPeer(*this);
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
        app().showError(e.what());
    }
}

void Button::click() {
    if (enabled() && app().acceptsInput(owner())) dispatch(OnClick);
}

void Edit::userEdited(const std::string& t) {
    // The native field already shows the text: store it without echoing back.
    storeText(t);
}

// ---------------------------------------------------------------- Memo

void Memo::clear() {
    lines_.clear();
    notify(&plat::ControlPeer::itemsChanged);
}

void Memo::loadText(const std::string& bytes) {
    lines_.clear();
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines_.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines_.push_back(line);
    notify(&plat::ControlPeer::itemsChanged);
}

std::string Memo::joined() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i) out += "\r\n";
        out += lines_[i];
    }
    return out;
}

// ---------------------------------------------------------------- ComboBox

void ComboBox::addItem(const std::string& item) {
    items_.push_back(item);
    notify(&plat::ControlPeer::itemsChanged);
}

void ComboBox::clearItems() {
    items_.clear();
    itemIndex_ = -1;
    notify(&plat::ControlPeer::itemsChanged);
}

void ComboBox::setItemIndex(int i) {
    if (i < -1 || i >= static_cast<int>(items_.size())) i = -1;
    itemIndex_ = i;
    notify(&plat::ControlPeer::itemIndexChanged);
}

std::string ComboBox::selectedText() const {
    return itemIndex_ >= 0 ? items_[static_cast<std::size_t>(itemIndex_)] : std::string();
}

void ComboBox::userSelected(int i) {
    if (i < -1 || i >= static_cast<int>(items_.size())) return;
    itemIndex_ = i;
    dispatch(OnChange);
}

// ---------------------------------------------------------------- bars

void ProgressBar::setPosition(int p) {
    p = std::clamp(p, min_, max_);
    if (p == position_) return;
    position_ = p;
    notify(&plat::ControlPeer::positionChanged);
}

int Gauge::percentDone() const {
    if (max_ == min_) return 0;
    return static_cast<int>(100LL * (progress_ - min_) / (max_ - min_));
}

void Gauge::setProgress(int p) {
    p = std::clamp(p, min_, max_);
    if (p == progress_) return;
    int before = percentDone();
    progress_ = p;
    if (percentDone() != before) notify(&plat::ControlPeer::positionChanged);
}

std::string ShellTreeView::path() const { return peer() ? peer()->selectedPath() : std::string(); }

void ShellTreeView::selectionChanged() { dispatch(OnChange); }

// ---------------------------------------------------------------- pages

void PageControl::addPage(TabSheet* page) {
    page->setPageIndex(static_cast<int>(pages_.size()));
    page->setVisible(page->pageIndex() == active_);
    pages_.push_back(page);
}

void PageControl::setActivePageIndex(int i) {
    if (i < 0 || i >= static_cast<int>(pages_.size())) return;
    active_ = i;
    for (auto* p : pages_) p->setVisible(p->pageIndex() == i);
    notify(&plat::ControlPeer::pageChanged);
}

// ---------------------------------------------------------------- Timer

Timer::Timer(Form* owner, std::string name, std::uint32_t intervalMs, bool enabled)
    : Component(owner, std::move(name)), interval_(intervalMs), enabled_(enabled) {}

Timer::~Timer() { disarm(); }

void Timer::start() {
    started_ = true;
    if (enabled_) arm();
}

void Timer::setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    if (!started_) return;
    if (e)
        arm();
    else
        disarm();
}

void Timer::arm() {
    disarm();
    id_ = plat::platform().setTimer(interval_, [this] {
        if (enabled_) dispatch(OnTimer);
    });
}

void Timer::disarm() {
    if (id_) plat::platform().killTimer(id_);
    id_ = 0;
}

// ---------------------------------------------------------------- Form

Form::Form(std::string className, std::string name)
    : Control(nullptr, std::move(name), nullptr, {}), className_(std::move(className)) {
    setVisible(false);
}

Form::Form(const FormDef& def) : Form(def.className, def.name) {
    def_ = &def;
    if (def.outerSize)
        setBounds(def.size);
    else {
        clientWidth = def.size.width;
        clientHeight = def.size.height;
    }
    outerSize = def.outerSize;
    borderStyle = def.borderStyle;
    systemMenu = def.systemMenu;
    minimizeBox = def.minimizeBox;
    maximizeBox = def.maximizeBox;
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
        if (!d.visible) made->setVisible(false);
        if (d.tabOrder >= 0) keyboard.emplace_back(d.tabOrder, d.name);
    }
    std::sort(keyboard.begin(), keyboard.end());
    for (const auto& k : keyboard) tabOrder.push_back(k.second);
}

Timer& Form::addTimer(const std::string& name, std::uint32_t intervalMs, bool enabled) {
    return add<Timer>(this, name, intervalMs, enabled);
}

void Form::createWindows() {
    // Each window made is a step of the start-up trace.
    auto& platform = plat::platform();
    createPeer();
    platform.startupMark((className_ + " frame").c_str());
    // Children are made at the scale of the monitor the window is on.
    if (peer()) changeScale(peer()->dpi());
    for (auto* c : order_)
        if (auto* ctl = dynamic_cast<Control*>(c)) {
            ctl->createPeer();
            platform.startupMark((className_ + "." + ctl->name()).c_str());
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
                plat::platform().handleMessage();
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

// ---------------------------------------------------------------- Application

Application& app() {
    static Application instance;
    return instance;
}

void Application::run() {
    if (mainForm_ && !mainForm_->showing()) mainForm_->Show();
    while (!terminated_) plat::platform().handleMessage();
}

std::string errorBoxText(const std::string& message) {
    std::size_t last = text::lastCharStart(message);
    if (last != std::string::npos && static_cast<unsigned char>(message[last]) > '.') return message + ".";
    return message;
}

std::string applicationTitle(const std::string& programPath) {
    std::string name = text::fileName(programPath);
    name = name.substr(0, std::min(name.size(), text::find(name, '.')));
    if (name.empty()) return name;
    std::size_t first = text::charLength(name, 0);
    return name.substr(0, first) + text::lowerCase(name.substr(first));
}

std::string Application::title() const { return applicationTitle(plat::platform().programPath()); }

void Application::showError(const std::string& message) {
    if (errorReporter_) {
        errorReporter_(message);
        return;
    }
    messageBox(errorBoxText(message), title(), plat::mb::Ok | plat::mb::IconStop);
}

plat::Answer Application::messageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
    struct Up {
        int& boxes;
        explicit Up(int& b) : boxes(b) { ++boxes; }
        ~Up() { --boxes; }
    } up(boxes_);
    return plat::platform().messageBox(text, caption, style);
}

bool Application::acceptsInput(const Form* form) const {
    return boxes_ == 0 && (modal_.empty() || modal_.back() == form);
}

void Application::modalEnded(const Form* form) {
    auto it = std::find(modal_.rbegin(), modal_.rend(), form);
    if (it != modal_.rend()) modal_.erase(std::next(it).base());
}

}  // namespace ui
