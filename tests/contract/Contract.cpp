#include "platform/Files.h"
#include "tests/contract/Contract.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace contract {

void ContractTest::SetUp() {
    env_ = makeEnv();
    ASSERT_NE(env_, nullptr);
    scratch_ = env_->scratch();
    ASSERT_FALSE(scratch_.empty());
}

void ContractTest::TearDown() {
    // Every test ends with its workers: none runs on into the next test.
    if (env_) finishAllWorkers();
    env_.reset();
}

void ContractTest::finishAllWorkers() {
    if (!pumpUntil([this] { return env().liveWorkers() == 0; }))
        giveUp("a worker did not end within 60 s");
}

std::uint64_t ContractTest::runUntil(const std::function<bool()>& done, std::uint64_t limitMs) {
    constexpr std::uint32_t kStepMs = 10;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t asked = 0, real = 0;
    while (!done() && std::max(asked, real) < limitMs) {
        env().runFor(kStepMs);
        asked += kStepMs;
        real = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    }
    return std::max(asked, real);
}

bool ContractTest::on(const char* platformName) const {
    return std::strcmp(env_->name(), platformName) == 0;
}

std::vector<plat::FindData> ContractTest::list(const plat::Path& pattern) {
    std::vector<plat::FindData> out;
    plat::FindData entry{};
    std::unique_ptr<plat::DirSearch> search = sys().firstMatch(pattern, entry);
    if (!search) return out;
    out.push_back(entry);
    // A search that never ends is a fault too; no test folder holds this many.
    while (out.size() < 10000) {
        plat::FindData next{};
        if (!search->next(next)) break;
        out.push_back(next);
    }
    EXPECT_LT(out.size(), 10000u) << "the search of " << pattern.text() << " does not end";
    return out;
}

void ContractTest::expectExceptOn(const char* platform, bool holds, const std::string& rule) {
    if (!on(platform)) {
        EXPECT_TRUE(holds) << rule;
        return;
    }
    if (holds) {
        ADD_FAILURE() << "unexpected pass on " << platform << ", remove the mark: " << rule;
    } else {
        std::printf("[  KNOWN   ] %s differs here: %s\n", platform, rule.c_str());
        RecordProperty("known_difference", rule);
    }
}

bool ContractTest::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        sys().processMessages();
        std::this_thread::yield();
    }
    return true;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void giveUp(const std::string& what) {
    std::fflush(stdout);
    std::fprintf(stderr, "contract: %s; giving up\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(3);
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit) : what_(std::move(what)) {
    thread_ = std::thread([this, limit] {
        std::unique_lock<std::mutex> lock(m_);
        if (cv_.wait_for(lock, limit, [this] { return over_; })) return;
        giveUp(what_ + " did not return within " + std::to_string(limit.count()) + " ms");
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(m_);
        over_ = true;
    }
    cv_.notify_one();
    thread_.join();
}

std::vector<std::string> namesOf(const std::vector<plat::FindData>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    return names;
}

std::vector<std::string> sortedNoCase(std::vector<std::string> names) {
    auto folded = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const std::string fa = folded(a), fb = folded(b);
        return fa != fb ? fa < fb : a < b;
    });
    return names;
}

std::string quoted(const std::string& bytes) {
    std::string out = "\"";
    char hex[8];
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

}  // namespace contract
