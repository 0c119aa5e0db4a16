// The platform contract: what the installer relies on from plat::Platform,
// stated once and run against whichever back end is linked (the simulated
// Windows on Linux, the real one under Wine).  The linked environment's
// makeEnv() decides the platform; every test uses ContractTest.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "tests/contract/ContractEnv.h"

namespace contract {

class ContractTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ContractEnv& env() { return *env_; }
    plat::Platform& sys() { return env_->platform(); }
    const plat::Path& scratch() const { return scratch_; }
    plat::Path at(const std::string& relative) const { return scratch_ / relative; }
    bool on(const char* platformName) const;

    // Every entry of a search, the first included; empty when there is none.
    std::vector<plat::FindData> list(const plat::Path& pattern);

    // What a call that must fail returned, with the thread's last error set
    // beforehand to a code no system call leaves: a back end that reports a
    // code other than its own failing call's (a stale one) is caught.
    template <class Call>
    plat::SysError failure(Call&& call, const std::string& rule = {}) {
        env().setLastError(kStaleCode);
        const plat::SysError e = call();
        EXPECT_TRUE(e.failed()) << "a call that must fail succeeded: " << rule;
        EXPECT_NE(e.code(), kStaleCode) << "the code reported is not the failing call's: " << rule;
        return e;
    }
    static constexpr std::uint32_t kStaleCode = 0x20DEAD;

    // A property that `platform` is known not to have (Wine's todo_wine).
    // Elsewhere it is expected to hold.  On `platform` the difference is
    // noted, and a pass is reported as unexpected so that the mark goes.
    void expectExceptOn(const char* platform, bool holds, const std::string& rule);

    // Pumps (processMessages) until done() or `limit` of real time; true when
    // done() held.  The limit is generous: the wait ends as soon as done()
    // holds, and a busy machine (or a sanitizer) can keep a worker from
    // running for seconds.
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(60));
    // Runs the user-interface side (env().runFor) in short steps until
    // done() holds or `limitMs` passes; returns the time it ran in ms, the
    // longer of the environment's time (virtual in the simulation) and the
    // real time, so that "at most one tick per interval" can be checked
    // against it on either platform.
    std::uint64_t runUntil(const std::function<bool()>& done, std::uint64_t limitMs = 60000);
    // Pumps until every worker has ended; gives up on the run otherwise (a
    // worker that outlives its test would write into a dead stack frame).
    void finishAllWorkers();

private:
    std::unique_ptr<ContractEnv> env_;
    plat::Path scratch_;
};

// Waits without pumping until done() or `limit`; true when done() held.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

// Ends the run at once with a message: for a call that should have returned
// but blocks, or a worker that outlives its test (it would write into a dead
// stack frame).
[[noreturn]] void giveUp(const std::string& what);

// Calls giveUp() when a scope takes longer than `limit`.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::milliseconds limit = std::chrono::seconds(60));
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string what_;
    std::mutex m_;
    std::condition_variable cv_;
    bool over_ = false;
    std::thread thread_;
};

// Names of entries, in the order given, and the same sorted without regard
// to case (for comparing listings as sets).
std::vector<std::string> namesOf(const std::vector<plat::FindData>& entries);
std::vector<std::string> sortedNoCase(std::vector<std::string> names);

// Bytes shown as a C string literal, for failure messages about raw bytes.
std::string quoted(const std::string& bytes);

}  // namespace contract
