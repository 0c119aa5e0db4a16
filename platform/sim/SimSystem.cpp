// The registry, the program's resources, the program itself, and the
// programs, addresses and shell links it asks the shell for.
#include <algorithm>
#include <iterator>
#include <string>

#include "base/Error.h"
#include "platform/sim/SimImpl.h"

namespace sim {

using detail::setLastError;

namespace {

// A saved shell link's file begins so.
constexpr const char kLinkHeader[] = "[sim shell link]\r\n";
// What loading a file that is no shell link answers: E_FAIL.
constexpr std::uint32_t kNotALink = 0x80004005u;

class SimLink : public plat::ShellLink {
public:
    explicit SimLink(SimPlatform::Impl& d) : d_(d) {}
    void setPath(const std::string& p) override { path_ = p; }
    void setWorkingDirectory(const std::string& w) override { dir_ = w; }
    bool save(const std::string& file) override {
        SimPlatform::Impl* d = d_.get();
        if (!d) return false;
        std::string content = std::string(kLinkHeader) + "Path=" + path_ + "\r\nWorkingDirectory=" + dir_ + "\r\n";
        std::uint32_t e = d->fs.writeWhole(file, content);
        d->links.push_back({file, path_, dir_, e == 0});
        setLastError(e);
        return e == 0;
    }

private:
    Backref d_;
    std::string path_, dir_;
};

}  // namespace

// ---------------------------------------------------------------- registry

std::string SimPlatform::Impl::keyPath(const std::string& subKey) const {
    std::string out, part;
    auto flush = [&] {
        if (part.empty()) return;
        if (!out.empty()) out += '\\';
        out += detail::asciiUpper(*cp, part);
        part.clear();
    };
    for (std::size_t i = 0; i < subKey.size();) {
        std::size_t n = cp->charLength(subKey, i);
        if (n == 1 && subKey[i] == '\\')
            flush();
        else
            part.append(subKey, i, n);
        i += n;
    }
    flush();
    return out;
}

bool SimPlatform::Impl::within(const std::string& key, const std::string& top) {
    return top.empty() || key == top ||
           (key.size() > top.size() && key.compare(0, top.size(), top) == 0 && key[top.size()] == '\\');
}

void SimPlatform::setRegistryValue(plat::RootKey root, const std::string& subKey, const std::string& valueName) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    d_->makeKey(r, key, subKey);
    d_->values[{r, key, detail::asciiUpper(*d_->cp, valueName)}] = {valueName, 1, ""};
}

void SimPlatform::removeRegistryKey(plat::RootKey root, const std::string& subKey) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    for (auto it = d_->keys.begin(); it != d_->keys.end();)
        it = it->first.first == r && Impl::within(it->first.second, key) ? d_->keys.erase(it) : std::next(it);
    for (auto it = d_->values.begin(); it != d_->values.end();)
        it = std::get<0>(it->first) == r && Impl::within(std::get<1>(it->first), key) ? d_->values.erase(it)
                                                                                       : std::next(it);
}

void SimPlatform::denyWriteAccess(plat::RootKey root, const std::string& subKey) {
    d_->denied.push_back({static_cast<int>(root), d_->keyPath(subKey)});
}


// ---------------------------------------------------------------- resources and program

void SimPlatform::setResource(const std::string& type, const std::string& name, const std::string& bytes) {
    auto& slot = d_->resources[{detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)}];
    if (slot) d_->retired.push_back(slot);
    slot = std::make_shared<const std::string>(bytes);
}

void SimPlatform::removeResource(const std::string& type, const std::string& name) {
    auto it = d_->resources.find({detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) return;
    d_->retired.push_back(it->second);
    d_->resources.erase(it);
}

bool SimPlatform::ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                              std::size_t& size) {
    std::string t = detail::asciiUpper(*d_->cp, type);
    auto it = d_->resources.find({t, detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) {
        bool typeKnown = std::any_of(d_->resources.begin(), d_->resources.end(),
                                     [&](const auto& r) { return r.first.first == t; });
        setLastError(typeKnown ? 1814 : 1813);  // resource name / type not found
        return false;
    }
    data = reinterpret_cast<const std::uint8_t*>(it->second->data());
    size = it->second->size();
    return true;
}

void SimPlatform::setProgramPath(const std::string& path) { d_->programPath = path; }

void SimPlatform::setCodePage(unsigned codePage) {
    d_->cp = &detail::CodePage::get(codePage);
    d_->fs.setCodePage(*d_->cp);
}

int SimPlatform::comInitialized() const { return d_->comInits; }
void SimPlatform::comInitialize() { ++d_->comInits; }
std::string SimPlatform::programPath() { return d_->programPath; }
unsigned SimPlatform::ansiCodePage() { return d_->cp->number(); }
bool SimPlatform::isDbcsLeadByte(unsigned char c) { return d_->cp->isLead(c); }

void SimPlatform::setDpi(int dpi) { d_->dpi = dpi; }

void SimPlatform::setOtherInstanceRunning(bool running) { d_->otherInstance = running; }
int SimPlatform::otherInstanceBroughtToFront() const { return d_->otherInstanceFronted; }
const std::vector<std::string>& SimPlatform::instanceWindowClasses() const { return d_->instanceClasses; }

bool SimPlatform::claimFirstInstance(const std::vector<std::string>& mainWindowClasses) {
    d_->instanceClasses = mainWindowClasses;
    if (!d_->otherInstance) return true;
    ++d_->otherInstanceFronted;
    return false;
}

// ---------------------------------------------------------------- programs and the shell

bool SimPlatform::winExec(const std::string& commandLine, int showMode) {
    auto failed = d_->execFailures.find(commandLine);
    if (failed != d_->execFailures.end()) {
        setLastError(failed->second);
        return false;
    }
    d_->execs.push_back({commandLine, showMode, false});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
    setLastError(0);
    return true;
}

bool SimPlatform::execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) {
    auto failed = d_->execFailures.find(commandLine);
    if (failed != d_->execFailures.end()) {
        setLastError(failed->second);
        return false;
    }
    d_->execs.push_back({commandLine, showMode, true});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
    auto code = d_->exitCodes.find(commandLine);
    exitCode = code == d_->exitCodes.end() ? 0 : code->second;
    setLastError(0);
    return true;
}

void SimPlatform::failExec(const std::string& commandLine, std::uint32_t code) {
    if (code)
        d_->execFailures[commandLine] = code;
    else
        d_->execFailures.erase(commandLine);
}

void SimPlatform::setExitCode(const std::string& commandLine, std::uint32_t code) {
    d_->exitCodes[commandLine] = code;
}

void SimPlatform::shellOpen(const std::string& address, int showMode) { d_->opened.push_back({address, showMode}); }

const std::vector<ExecRecord>& SimPlatform::execs() const { return d_->execs; }
void SimPlatform::onExec(std::function<void(const std::string&)> hook) { d_->execHook = std::move(hook); }
const std::vector<OpenRecord>& SimPlatform::opened() const { return d_->opened; }
const std::vector<LinkRecord>& SimPlatform::links() const { return d_->links; }
void SimPlatform::failShellLinkCreation(bool fail) { d_->failLinks = fail; }

void SimPlatform::setProgramsFolder(const std::string& path) {
    if (!path.empty()) d_->fs.makeFolders(path);
    d_->programsFolder = path;
}

std::string SimPlatform::programsFolder() { return d_->programsFolder; }

void SimPlatform::setWindowsFolder(const std::string& path) { d_->windowsFolder = path; }
std::string SimPlatform::windowsFolder() { return d_->windowsFolder; }

bool SimPlatform::shellLinkTarget(const std::string& linkFile, std::string& target) {
    std::string bytes;
    if (std::uint32_t e = d_->fs.readWhole(linkFile, bytes)) {
        setLastError(e);
        return false;
    }
    // What SimLink::save wrote; anything else is no shell link.
    const std::string head = std::string(kLinkHeader) + "Path=";
    if (bytes.compare(0, head.size(), head) != 0) {
        setLastError(kNotALink);
        return false;
    }
    target = bytes.substr(head.size(), bytes.find("\r\n", head.size()) - head.size());
    setLastError(0);
    return true;
}

std::unique_ptr<plat::ShellLink> SimPlatform::createShellLink() {
    if (d_->failLinks) throw base::Error("Class not registered");
    return std::make_unique<SimLink>(*d_);
}

}  // namespace sim
