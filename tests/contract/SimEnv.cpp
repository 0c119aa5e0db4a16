// The contract tests' environment over the simulated Windows: a fresh
// SimPlatform per test, a scratch folder on its drive C, and virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Registry.h"
#include "platform/sim/SimPlatform.h"
#include "tests/contract/ContractEnv.h"
#include "ui/Components.h"

namespace contract {

namespace {

class SimEnv : public ContractEnv {
public:
    SimEnv() : installed_(sim_, ui::app(), [](const std::string& m) { ADD_FAILURE() << m; }) {
        static int counter = 0;
        scratch_ = "C:\\ct\\" + std::to_string(++counter);
        sim_.makeFolder(scratch_);
    }

    plat::Platform& platform() override { return sim_; }
    std::string scratch() override { return scratch_; }
    void writeFile(const std::string& path, const std::string& bytes) override { sim_.writeFile(path, bytes); }
    std::string readFile(const std::string& path) override { return sim_.readFile(path).value_or(""); }
    void makeFolder(const std::string& path) override { sim_.makeFolder(path); }
    void setAttributes(const std::string& path, std::uint32_t attributes) override {
        sim_.setAttributes(path, attributes);
    }
    void makeLink(const std::string& path, const std::string& target) override {
        if (sim_.attributes(target) & plat::attr::Directory)
            sim_.linkFolder(path, target);
        else
            sim_.linkFile(path, target);
    }
    std::string shortPath(const std::string& path) override {
        const plat::Path p(path);
        if (p.parent().empty()) return path;
        return (plat::Path(shortPath(p.parent().text())) / sim_.shortNameOf(path)).text();
    }
    void setRegistryValue(const std::string& subKey, const std::string& value) override {
        sim_.setRegistryValue(plat::RootKey::CurrentUser, subKey, value);
    }
    void deleteRegistryKey(const std::string& subKey) override {
        sim_.removeRegistryKey(plat::RootKey::CurrentUser, subKey);
    }
    // Timers tick in virtual time; workers are real threads, so while any
    // is alive the loop also gets the real time to take their hand-overs.
    void runFor(std::uint32_t ms) override {
        const auto realEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        sim_.advance(ms);
        while (sim_.liveWorkers() && std::chrono::steady_clock::now() < realEnd) {
            sim_.processMessages();
            std::this_thread::yield();
        }
    }
    std::size_t liveWorkers() override { return sim_.liveWorkers(); }
    bool handOverWaiting() override { return sim_.pendingHandOvers() > 0; }
    bool uiThreadBlocked() override { return sim_.uiWaitingForWorker(); }
    bool workerErrorWaiting() override { return sim_.workerErrorWaiting(); }
    const char* name() const override { return "sim"; }

private:
    sim::SimPlatform sim_;
    sim::Installed installed_;
    std::string scratch_;
};

}  // namespace

std::unique_ptr<ContractEnv> makeEnv() { return std::make_unique<SimEnv>(); }

}  // namespace contract
