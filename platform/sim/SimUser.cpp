// The scripted user: message boxes answered from a script, modal windows
// that run a script when their loop begins, and the peers that record what
// the program showed.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <string>

#include "platform/Desktop.h"
#include "platform/sim/SimImpl.h"
#include "ui/Components.h"
#include "ui/Keyboard.h"

namespace sim {

using plat::Answer;

namespace {

std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

bool answerFits(std::uint32_t style, Answer a) {
    switch (style & 0xF) {
        case plat::mb::Ok: return a == Answer::Ok;
        case plat::mb::OkCancel: return a == Answer::Ok || a == Answer::Cancel;
        case plat::mb::RetryCancel: return a == Answer::Retry || a == Answer::Cancel;
        case plat::mb::AbortRetryIgnore: return a == Answer::Abort || a == Answer::Retry || a == Answer::Ignore;
        case plat::mb::YesNoCancel: return a == Answer::Yes || a == Answer::No || a == Answer::Cancel;
    }
    return true;
}

// A shown window's focus starts on the first control of its tab order.
void focusFirst(SimPlatform::Impl& d, ui::Form& form) {
    const std::vector<ui::Control*> stops = ui::tabStops(form);
    d.focus[&form] = stops.empty() ? nullptr : stops.front();
}

class SimPeer : public plat::ControlPeer {
public:
    SimPeer(SimPlatform::Impl& d, ui::Control& c)
        : d_(d), control_(&c), gauge_(dynamic_cast<ui::Gauge*>(&c)), form_(dynamic_cast<ui::Form*>(&c)) {
        events.push_back(PeerEvent::Created);
    }
    ~SimPeer() override { forget(); }
    void textChanged() override { events.push_back(PeerEvent::Text); }
    void boundsChanged() override { events.push_back(PeerEvent::Bounds); }
    void visibleChanged() override {
        events.push_back(PeerEvent::Visible);
        dropLostFocus();
    }
    void enabledChanged() override {
        events.push_back(PeerEvent::Enabled);
        dropLostFocus();
    }
    void fontChanged() override { events.push_back(PeerEvent::Font); }
    void itemsChanged() override { events.push_back(PeerEvent::Items); }
    void itemIndexChanged() override { events.push_back(PeerEvent::ItemIndex); }
    void positionChanged() override {
        events.push_back(PeerEvent::Position);
        if (gauge_) paints.push_back(gauge_->percentDone());
    }
    void pageChanged() override { events.push_back(PeerEvent::Page); }
    void beginModal() override {
        events.push_back(PeerEvent::BeginModal);
        SimPlatform::Impl* d = d_.get();
        if (!form_ || !d) return;
        d->modalsBegun.push_back(form_->className());
        d->modalPending.push_back(form_);
        d->modalStack.push_back(form_);
        focusFirst(*d, *form_);
    }
    void endModal() override {
        events.push_back(PeerEvent::EndModal);
        forget();
    }
    void show() override {
        events.push_back(PeerEvent::Show);
        if (SimPlatform::Impl* d = d_.get(); d && form_) focusFirst(*d, *form_);
    }
    std::string selectedPath() override { return selection; }
    int dpi() override {
        SimPlatform::Impl* d = d_.get();
        return d ? d->dpi : 96;
    }

    std::vector<PeerEvent> events;
    std::vector<int> paints;
    std::string selection;

private:
    // A focused control hidden or disabled, or one in a part that was, loses
    // the focus, as in Windows; it does not come back with the part.
    void dropLostFocus() {
        if (SimPlatform::Impl* d = d_.get())
            for (auto& f : d->focus)
                if (f.second && !ui::canFocus(*f.second)) f.second = nullptr;
    }
    // The form's modal loop is over (or the form is gone, e.g. after Stuck).
    void forget() {
        SimPlatform::Impl* d = d_.get();
        if (!d) return;
        for (auto it = d->focus.begin(); it != d->focus.end();)
            it = it->first == form_ || it->second == control_ ? d->focus.erase(it) : std::next(it);
        if (!form_) return;
        auto drop = [this](std::vector<ui::Form*>& v) {
            auto it = std::find(v.rbegin(), v.rend(), form_);
            if (it != v.rend()) v.erase(std::next(it).base());
        };
        drop(d->modalPending);
        drop(d->modalStack);
    }

    Backref d_;
    ui::Control* control_;
    ui::Gauge* gauge_;
    ui::Form* form_;
};

SimPeer* simPeer(const ui::Control& c) { return dynamic_cast<SimPeer*>(c.peer()); }

}  // namespace

// ---------------------------------------------------------------- message boxes

void SimPlatform::answerBoxes(const std::vector<Answer>& answers) {
    d_->answers.insert(d_->answers.end(), answers.begin(), answers.end());
}
void SimPlatform::onBox(std::function<Answer(const BoxRecord&)> handler) { d_->boxHandler = std::move(handler); }
const std::vector<BoxRecord>& SimPlatform::boxes() const { return d_->boxes; }
std::size_t SimPlatform::pendingAnswers() const { return d_->answers.size(); }

Answer SimPlatform::messageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
    const std::size_t index = d_->boxes.size();
    d_->boxes.push_back({text, caption, style, Answer::Ok});
    const std::string what = "message box \"" + caption + "\": \"" + text + "\" (style " + hex(style) + ")";
    Answer a;
    if (!d_->answers.empty()) {
        a = d_->answers.front();
        d_->answers.pop_front();
    } else if (d_->boxHandler) {
        auto handler = d_->boxHandler;
        BoxRecord record = d_->boxes[index];
        a = handler(record);
    } else {
        d_->fail("nobody answers the " + what + d_->where());
    }
    if (!answerFits(style, a)) d_->fail(std::string("the answer ") + plat::nameOf(a) + " is not a button of the " + what);
    d_->boxes[index].answer = a;
    return a;
}

// ---------------------------------------------------------------- modal windows and peers

bool SimPlatform::Impl::runModalScripts() {
    bool did = false;
    while (!modalPending.empty()) {
        ui::Form* form = modalPending.front();
        modalPending.erase(modalPending.begin());
        did = true;
        auto it = modalScripts.find(form->className());
        if (it != modalScripts.end()) {
            auto script = it->second;
            script(*form);
        }
    }
    return did;
}

std::string SimPlatform::Impl::where() const {
    if (modalStack.empty()) return " (no modal window is up)";
    return " (modal window " + modalStack.back()->className() + " is up)";
}

void SimPlatform::onModal(const std::string& className, std::function<void(ui::Form&)> script) {
    d_->modalScripts[className] = std::move(script);
}
const std::vector<std::string>& SimPlatform::modals() const { return d_->modalsBegun; }

void SimPlatform::setTreeSelection(ui::ShellTreeView& tree, const std::string& path) {
    SimPeer* peer = simPeer(tree);
    if (!peer) throw std::logic_error(tree.name() + " has no peer yet: create the form's windows first");
    std::string canonical;
    if (!path.empty()) {
        canonical = d_->fs.canonical(path);
        if (canonical.empty()) throw std::logic_error("a folder tree can only select an existing folder, not " + path);
    }
    peer->selection = canonical;
    tree.selectionChanged();
}

std::vector<int> SimPlatform::gaugePaints(const ui::Gauge& gauge) const {
    SimPeer* peer = simPeer(gauge);
    return peer ? peer->paints : std::vector<int>{};
}

std::vector<PeerEvent> SimPlatform::peerEvents(const ui::Control& control) const {
    SimPeer* peer = simPeer(control);
    return peer ? peer->events : std::vector<PeerEvent>{};
}

// ---------------------------------------------------------------- keyboard

void SimPlatform::pressKey(ui::Form& form, ui::Key key, bool shift) {
    if (!ui::app().acceptsInput(&form)) return;
    ui::Control* focus = focusOf(form);
    const ui::KeyEffect effect = ui::keyEffect(form, focus, key, shift);
    switch (effect.what) {
        case ui::KeyEffect::What::Pass:
            if (key == ui::Key::Space && focus && focus->kind() == ui::Kind::Button)
                static_cast<ui::Button*>(focus)->click();
            break;
        case ui::KeyEffect::What::Nothing: break;
        case ui::KeyEffect::What::Focus: d_->focus[&form] = effect.target; break;
        case ui::KeyEffect::What::Press: static_cast<ui::Button*>(effect.target)->click(); break;
    }
}

ui::Control* SimPlatform::focusOf(const ui::Form& form) const {
    auto it = d_->focus.find(&form);
    return it != d_->focus.end() ? it->second : nullptr;
}

std::unique_ptr<plat::ControlPeer> SimPlatform::createPeer(ui::Control& control) {
    return std::make_unique<SimPeer>(*d_, control);
}

}  // namespace sim
