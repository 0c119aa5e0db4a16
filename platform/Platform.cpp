#include "platform/Platform.h"

#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/Host.h"

namespace plat {

namespace {

Platform* current = nullptr;

// Stands in while no application is in force.
class NoHost final : public Host {
public:
    void showError(const std::string& text) override { platform().messageBox(text, "", mb::Ok | mb::IconStop); }
    void endProgram() override {}
    ControlPeer* mainWindow() override { return nullptr; }
    Busy busy() override { return {}; }
    void restart() override {}
};

NoHost noHost;
Host* currentHost = &noHost;

}  // namespace

Platform& platform() {
    if (!current) throw std::logic_error("no platform in force");
    return *current;
}

void setPlatform(Platform* p) { current = p; }

Host& host() { return *currentHost; }
void setHost(Host* h) { currentHost = h ? h : &noHost; }

std::string systemTool(const std::string& fileName) {
    std::string folder = platform().windowsFolder();
    if (!text::endsWith(folder, '\\')) folder += '\\';
    return "\"" + folder + fileName + "\"";
}

}  // namespace plat
