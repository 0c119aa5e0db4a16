// The simulated shell slice: the programs, addresses and shell links the
// program asks the shell for, and the system's folders.
#include <algorithm>
#include <iterator>
#include <string>

#include "base/Error.h"
#include "platform/sim/SimImpl.h"

namespace sim {

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
    plat::SysError save(const plat::Path& file) override {
        SimPlatform::Impl* d = d_.get();
        if (!d) return plat::SysError(plat::err::InvalidHandle);
        std::string content = std::string(kLinkHeader) + "Path=" + path_ + "\r\nWorkingDirectory=" + dir_ + "\r\n";
        std::uint32_t e = d->fs.writeWhole(file.text(), content);
        d->links.push_back({file.text(), path_, dir_, e == 0});
        return plat::SysError(e);
    }

private:
    Backref d_;
    std::string path_, dir_;
};

}  // namespace

// ---------------------------------------------------------------- registry

// ---------------------------------------------------------------- resources and program

// ---------------------------------------------------------------- programs and the shell

plat::SysError SimPlatform::winExec(const std::string& commandLine, int showMode) {
    auto failed = d_->execFailures.find(commandLine);
    if (failed != d_->execFailures.end()) return plat::SysError(failed->second);
    d_->execs.push_back({commandLine, showMode, false});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
    return plat::kOk;
}

plat::SysError SimPlatform::execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) {
    auto failed = d_->execFailures.find(commandLine);
    if (failed != d_->execFailures.end()) return plat::SysError(failed->second);
    d_->execs.push_back({commandLine, showMode, true});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
    auto code = d_->exitCodes.find(commandLine);
    exitCode = code == d_->exitCodes.end() ? 0 : code->second;
    return plat::kOk;
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

plat::SysError SimPlatform::shellLinkTarget(const plat::Path& linkFile, std::string& target) {
    std::string bytes;
    if (std::uint32_t e = d_->fs.readWhole(linkFile.text(), bytes)) return plat::SysError(e);
    // What SimLink::save wrote; anything else is no shell link.
    const std::string head = std::string(kLinkHeader) + "Path=";
    if (bytes.compare(0, head.size(), head) != 0) return plat::SysError(kNotALink);
    target = bytes.substr(head.size(), bytes.find("\r\n", head.size()) - head.size());
    return plat::kOk;
}

std::unique_ptr<plat::ShellLink> SimPlatform::createShellLink() {
    if (d_->failLinks) throw base::Error("Class not registered");
    return std::make_unique<SimLink>(*d_);
}

std::string SimPlatform::tempFolder() { return d_->tempFolder; }

void SimPlatform::setTempFolder(const std::string& path) {
    d_->fs.makeFolders(path);
    d_->tempFolder = path;
}

}  // namespace sim
