#include "platform/Platform.h"

#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/Host.h"

namespace plat {

namespace {

template <class Slice>
Slice& current() {
    Slice* s = base::InForce<Slice>::current();
    if (!s) throw std::logic_error("no platform in force");
    return *s;
}

// Stands in while no application is in force.
class NoHost final : public Host {
public:
    void showError(const std::string& text) override { desktop().messageBox(text, "", mb::Ok | mb::IconStop); }
    void endProgram() override {}
    ControlPeer* mainWindow() override { return nullptr; }
    Busy busy() override { return {}; }
    void restart() override {}
};

NoHost none;

}  // namespace

Program& program() { return current<Program>(); }
Files& files() { return current<Files>(); }
Drives& drives() { return current<Drives>(); }
Registry& registry() { return current<Registry>(); }

std::string RegKey::text() const {
    return std::string(root == RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + path;
}
Shell& shell() { return current<Shell>(); }
Desktop& desktop() { return current<Desktop>(); }

Host& host() {
    Host* h = base::InForce<Host>::current();
    return h ? *h : none;
}

Host& noHost() { return none; }

std::string systemTool(const std::string& fileName) {
    std::string folder = shell().windowsFolder();
    if (!text::endsWith(folder, '\\')) folder += '\\';
    return "\"" + folder + fileName + "\"";
}

}  // namespace plat
