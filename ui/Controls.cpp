#include "ui/Controls.h"

#include <algorithm>

#include "platform/Desktop.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace ui {

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
    id_ = plat::desktop().setTimer(interval_, [this] {
        if (enabled_) dispatch(OnTimer);
    });
}

void Timer::disarm() {
    if (id_) plat::desktop().killTimer(id_);
    id_ = 0;
}

}  // namespace ui
