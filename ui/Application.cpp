#include "ui/Application.h"

#include <algorithm>
#include <iterator>

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Program.h"
#include "ui/Form.h"

namespace ui {

// ---------------------------------------------------------------- Application

Application& app() {
    static Application instance;
    return instance;
}

void Application::run() {
    if (mainForm_ && !mainForm_->showing()) mainForm_->Show();
    while (!terminated_) plat::desktop().handleMessage();
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

std::string Application::title() const { return applicationTitle(plat::program().programPath()); }

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
    return plat::desktop().messageBox(text, caption, style);
}

bool Application::acceptsInput(const Form* form) const {
    return boxes_ == 0 && (modal_.empty() || modal_.back() == form);
}

void Application::modalEnded(const Form* form) {
    auto it = std::find(modal_.rbegin(), modal_.rend(), form);
    if (it != modal_.rend()) modal_.erase(std::next(it).base());
}

plat::ControlPeer* Application::mainWindow() { return mainForm_ ? mainForm_->peer() : nullptr; }

}  // namespace ui
