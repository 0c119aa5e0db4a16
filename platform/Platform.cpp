#include "platform/Platform.h"

#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/Host.h"

namespace plat {

namespace {

struct InForce {
    Program* program = nullptr;
    Files* files = nullptr;
    Drives* drives = nullptr;
    Registry* registry = nullptr;
    Shell* shell = nullptr;
    Desktop* desktop = nullptr;
} inForce;

template <class Slice>
Slice*& slot();
template <>
Program*& slot<Program>() { return inForce.program; }
template <>
Files*& slot<Files>() { return inForce.files; }
template <>
Drives*& slot<Drives>() { return inForce.drives; }
template <>
Registry*& slot<Registry>() { return inForce.registry; }
template <>
Shell*& slot<Shell>() { return inForce.shell; }
template <>
Desktop*& slot<Desktop>() { return inForce.desktop; }

template <class Slice>
Slice& current() {
    Slice* s = slot<Slice>();
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

NoHost noHost;
Host* currentHost = &noHost;

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

void setPlatform(Platform* p) {
    inForce = p ? InForce{p, p, p, p, p, p} : InForce{};
}

template <class Slice>
Standing<Slice>::Standing(Slice& s) : before_(slot<Slice>()) {
    slot<Slice>() = &s;
}

template <class Slice>
Standing<Slice>::~Standing() {
    slot<Slice>() = before_;
}

template class Standing<Program>;
template class Standing<Files>;
template class Standing<Drives>;
template class Standing<Registry>;
template class Standing<Shell>;
template class Standing<Desktop>;

Host& host() { return *currentHost; }
void setHost(Host* h) { currentHost = h ? h : &noHost; }

std::string systemTool(const std::string& fileName) {
    std::string folder = shell().windowsFolder();
    if (!text::endsWith(folder, '\\')) folder += '\\';
    return "\"" + folder + fileName + "\"";
}

}  // namespace plat
