// Waiting without spinning: waitMessages() sleeps until something arrives or
// its time-out passes, and handles what arrived.
#include <atomic>

#include "platform/Desktop.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

TEST_F(ContractTest, WaitMessagesReturnsWhenNothingArrivesAndRunsTimersThatComeDue) {
    plat::Platform& p = sys();
    {
        Watchdog dog("waitMessages(50) with nothing to wait for");
        p.waitMessages(50);
    }
    int ticks = 0;
    auto id = p.setTimer(30, [&] { ++ticks; });
    {
        Watchdog dog("waitMessages() until a timer ticks");
        for (int i = 0; i < 200 && ticks == 0; ++i) p.waitMessages(1000);
    }
    p.killTimer(id);
    EXPECT_GE(ticks, 1) << "a timer due during the wait ticks in it";
}

TEST_F(ContractTest, WaitMessagesRunsAWorkersHandOver) {
    plat::Platform& p = sys();
    std::atomic<bool> ran{false}, done{false};
    p.startThread([&] {
        p.handOver([&] { ran = true; });
        done = true;
    }, plat::Priority::Normal);
    {
        Watchdog dog("waitMessages() until a hand-over runs");
        for (int i = 0; i < 200 && !ran; ++i) p.waitMessages(1000);
    }
    EXPECT_TRUE(ran) << "a hand-over arriving during the wait runs in it";
    if (!waitUntil([&] { return done.load(); })) giveUp("the worker did not end");
}

}  // namespace
}  // namespace contract
