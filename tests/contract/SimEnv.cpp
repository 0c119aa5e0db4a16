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
        scratch_ = plat::Path("C:\\ct") / std::to_string(++counter);
        sim_.makeFolder(scratch_.text());
    }

    plat::Platform& platform() override { return sim_; }
    plat::Path scratch() override { return scratch_; }
    void writeFile(const plat::Path& path, const std::string& bytes) override {
        sim_.writeFile(path.text(), bytes);
    }
    std::string readFile(const plat::Path& path) override { return sim_.readFile(path.text()).value_or(""); }
    void makeFolder(const plat::Path& path) override { sim_.makeFolder(path.text()); }
    void setAttributes(const plat::Path& path, std::uint32_t attributes) override {
        sim_.setAttributes(path.text(), attributes);
    }
    void makeLink(const plat::Path& path, const plat::Path& target) override {
        if (sim_.attributes(target.text()) & plat::attr::Directory)
            sim_.linkFolder(path.text(), target.text());
        else
            sim_.linkFile(path.text(), target.text());
    }
    plat::Path shortPath(const plat::Path& path) override {
        if (path.parent().empty()) return path;
        return shortPath(path.parent()) / sim_.shortNameOf(path.text());
    }
    void setLastError(std::uint32_t) override {}
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
    plat::Path scratch_;
};

}  // namespace

std::unique_ptr<ContractEnv> makeEnv() { return std::make_unique<SimEnv>(); }

}  // namespace contract
