// Construction, failures and Installed; the rest of the simulation is in
// the files that SimImpl.h lists.
#include "platform/sim/SimPlatform.h"

#include <cstdio>

#include "platform/Host.h"
#include "platform/sim/SimImpl.h"

namespace sim {

// ---------------------------------------------------------------- construction

SimPlatform::SimPlatform() : d_(std::make_unique<Impl>()) {
    d_->self = std::make_shared<Impl*>(d_.get());
    d_->fs.makeFolders(d_->programsFolder);
    d_->fs.setClock(&d_->now);
    d_->fs.makeFolders(d_->tempFolder);
}

SimPlatform::~SimPlatform() {
    d_->stopWorkers();
    d_->self.reset();
}

// ---------------------------------------------------------------- failures

void SimPlatform::Impl::report(const std::string& message) {
    if (failureHandler)
        failureHandler(message);
    else
        std::fprintf(stderr, "sim: %s\n", message.c_str());
}

void SimPlatform::Impl::fail(const std::string& message) {
    report(message);
    throw Stuck{message};
}

void SimPlatform::setFailureHandler(std::function<void(const std::string&)> handler) {
    d_->failureHandler = std::move(handler);
}

// ---------------------------------------------------------------- Installed

Installed::Installed(SimPlatform& s, std::function<void(const std::string&)> failureHandler)
    : Installed(s, nullptr, std::move(failureHandler)) {}

Installed::Installed(SimPlatform& s, plat::Host& host, std::function<void(const std::string&)> failureHandler)
    : Installed(s, &host, std::move(failureHandler)) {}

Installed::Installed(SimPlatform& s, plat::Host* host, std::function<void(const std::string&)> failureHandler)
    : s_(s), platform_(s) {
    if (failureHandler) s.setFailureHandler(std::move(failureHandler));
    if (host) host_.emplace(*host);
    plat::host().restart();
}

// The workers end while the platform is still in force; the host forgets
// the run's windows; then the guards put back what was in force before.
Installed::~Installed() {
    s_.stopWorkers();
    plat::host().restart();
}

}  // namespace sim

namespace plat {
std::unique_ptr<Platform> createPlatform() { return std::make_unique<sim::SimPlatform>(); }
}  // namespace plat
