// Message loop, timers, worker threads and the hand-over.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "platform/win32/tests/TestSupport.h"

namespace {

using w32test::platform;

// Fails the test instead of hanging it when a blocking call never returns:
// after the time is up it posts a message to the thread, which ends any
// wait in handleMessage().
class Watchdog {
public:
    explicit Watchdog(DWORD ms) : thread_(GetCurrentThreadId()), ms_(ms) {
        stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        worker_.reset(CreateThread(nullptr, 0, &Watchdog::run, this, 0, nullptr));
    }
    ~Watchdog() {
        SetEvent(stop_.get());
        WaitForSingleObject(worker_.get(), INFINITE);
    }
    bool fired() const { return fired_; }

private:
    static DWORD WINAPI run(void* self) {
        auto* w = static_cast<Watchdog*>(self);
        if (WaitForSingleObject(w->stop_.get(), w->ms_) == WAIT_TIMEOUT) {
            w->fired_ = true;
            PostThreadMessageA(w->thread_, WM_NULL, 0, 0);
        }
        return 0;
    }
    DWORD thread_, ms_;
    std::atomic<bool> fired_{false};
    w32::KernelHandle stop_, worker_;
};

TEST(Loop, ProcessMessagesReturnsWhenNothingWaits) {
    DWORD start = GetTickCount();
    for (int i = 0; i < 20; ++i) platform().processMessages();
    EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST(Loop, TimerTicksUntilKilledEvenFromItsOwnTick) {
    auto& p = platform();
    int ticks = 0;
    plat::Platform::TimerId id = 0;
    id = p.setTimer(20, [&] {
        if (++ticks == 3) p.killTimer(id);
    });
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(w32test::pumpUntil([&] { return ticks >= 3; }, 3000));
    w32test::pumpFor(150);
    EXPECT_EQ(ticks, 3) << "no tick after the timer was killed inside its tick";
}

TEST(Loop, TimersAreIndependent) {
    auto& p = platform();
    int a = 0, b = 0;
    auto ta = p.setTimer(15, [&] { ++a; });
    auto tb = p.setTimer(15, [&] { ++b; });
    EXPECT_NE(ta, tb);
    EXPECT_TRUE(w32test::pumpUntil([&] { return a >= 2 && b >= 2; }, 3000));
    p.killTimer(ta);
    int aStopped = a;
    EXPECT_TRUE(w32test::pumpUntil([&] { return b >= aStopped + 4; }, 3000));
    EXPECT_EQ(a, aStopped) << "killing one timer leaves the other";
    p.killTimer(tb);
}

TEST(HandOver, CallsRunOnTheInterfaceThreadInOrder) {
    auto& p = platform();
    const DWORD ui = GetCurrentThreadId();
    std::vector<int> order;
    bool allOnUi = true;
    std::atomic<bool> done{false};
    p.startThread(
        [&] {
            for (int i = 0; i < 100; ++i)
                p.handOver([&, i] {
                    order.push_back(i);
                    allOnUi &= GetCurrentThreadId() == ui;
                });
            done = true;
        },
        plat::Priority::Normal);
    ASSERT_TRUE(w32test::pumpUntil([&] { return done.load(); }));
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnUi);
}

TEST(HandOver, FromTheInterfaceThreadRunsAtOnce) {
    int ran = 0;
    platform().handOver([&] { ++ran; });
    EXPECT_EQ(ran, 1);
}

TEST(HandOver, WorkerBlocksUntilItsCallHasRun) {
    auto& p = platform();
    std::atomic<int> ran{0}, returned{0};
    p.startThread(
        [&] {
            p.handOver([&] { ran = 1; });
            returned = ran.load();
        },
        plat::Priority::Normal);
    Sleep(50);
    EXPECT_EQ(returned.load(), 0) << "no hand-over runs while nobody pumps";
    ASSERT_TRUE(w32test::pumpUntil([&] { return returned.load() == 1; }));
}

TEST(HandOver, ManyWorkersLoseNothing) {
    // An old copy's worker may still hand over while a new one runs.
    auto& p = platform();
    int counter = 0;
    std::atomic<int> finished{0};
    const int workers = 3, each = 2000;
    for (int w = 0; w < workers; ++w)
        p.startThread(
            [&] {
                std::function<void()> step = [&] { ++counter; };
                for (int i = 0; i < each; ++i) p.handOver(step);
                ++finished;
            },
            plat::Priority::Normal);
    ASSERT_TRUE(w32test::pumpUntil([&] { return finished.load() == workers; }, 20000));
    EXPECT_EQ(counter, workers * each);
}

TEST(HandOver, ErrorOfTheCallReachesTheWorker) {
    auto& p = platform();
    std::atomic<int> outcome{0};
    p.startThread(
        [&] {
            try {
                p.handOver([] { throw std::runtime_error("step failed"); });
                outcome = 1;
            } catch (const std::runtime_error&) {
                outcome = 2;
            }
        },
        plat::Priority::Normal);
    ASSERT_TRUE(w32test::pumpUntil([&] { return outcome.load() != 0; }));
    EXPECT_EQ(outcome.load(), 2);
}

TEST(HandOver, WakesABlockedHandleMessage) {
    auto& p = platform();
    p.processMessages();  // nothing left that would end the wait by itself
    std::atomic<bool> ran{false};
    p.startThread(
        [&] {
            Sleep(100);  // the interface thread is blocked by now
            p.handOver([&] { ran = true; });
        },
        plat::Priority::Normal);
    Watchdog dog(5000);
    while (!ran && !dog.fired()) p.handleMessage();
    EXPECT_FALSE(dog.fired()) << "handleMessage() did not wake for the hand-over";
    EXPECT_TRUE(ran);
}

TEST(HandOver, RunsInsideAMessageBox) {
    // A message box runs its own loop; a worker handing over meanwhile must
    // not wait for the box to close.
    auto& p = platform();
    std::atomic<bool> ran{false};
    p.startThread(
        [&] {
            Sleep(100);
            p.handOver([&] { ran = true; });
        },
        plat::Priority::Normal);
    // The box closes once the call has run, or after a time that a worker
    // would not wait if it could wake the box's loop.
    const DWORD start = GetTickCount();
    auto closer = p.setTimer(20, [&] {
        if (!ran && GetTickCount() - start < 3000) return;
        if (HWND box = FindWindowA("#32770", "handover-box")) PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    p.messageBox("waiting", "handover-box", plat::mb::Ok);
    p.killTimer(closer);
    EXPECT_TRUE(ran) << "the hand-over ran while the box was up";
    w32test::pumpFor(50);
}

TEST(HandOver, PeekingIsThrottledOnlyWhileHandOversArrive) {
    auto& p = platform();
    auto before = p.stats();
    for (int i = 0; i < 50; ++i) p.processMessages();
    EXPECT_EQ(p.stats().peeks - before.peeks, 50u) << "without hand-overs every call looks at the queue";

    std::atomic<bool> stop{false}, stopped{false};
    int steps = 0;
    p.startThread(
        [&] {
            std::function<void()> step = [&] { ++steps; };
            while (!stop) p.handOver(step);
            stopped = true;
        },
        plat::Priority::Normal);
    DWORD start = GetTickCount();
    before = p.stats();
    while (GetTickCount() - start < 300) p.processMessages();
    auto after = p.stats();
    stop = true;
    ASSERT_TRUE(w32test::pumpUntil([&] { return stopped.load(); }));
    EXPECT_GT(after.handOvers - before.handOvers, 1000u);
    // About one look per millisecond, plus those made when hand-overs paused.
    EXPECT_LT(after.peeks - before.peeks, (after.handOvers - before.handOvers) / 2);
    EXPECT_GT(after.peeks - before.peeks, 20u) << "the queue is still looked at while a copy runs";
}

struct PriorityRow {
    plat::Priority priority;
    int expected;
};

class ThreadPriority : public ::testing::TestWithParam<PriorityRow> {};

TEST_P(ThreadPriority, IsSetBeforeTheBodyRuns) {
    std::atomic<int> seen{-1000};
    platform().startThread([&] { seen = GetThreadPriority(GetCurrentThread()); }, GetParam().priority);
    ASSERT_TRUE(w32test::pumpUntil([&] { return seen.load() != -1000; }));
    EXPECT_EQ(seen.load(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, ThreadPriority,
                         ::testing::Values(PriorityRow{plat::Priority::Idle, THREAD_PRIORITY_IDLE},
                                           PriorityRow{plat::Priority::Lower, THREAD_PRIORITY_BELOW_NORMAL},
                                           PriorityRow{plat::Priority::Normal, THREAD_PRIORITY_NORMAL},
                                           PriorityRow{plat::Priority::Highest, THREAD_PRIORITY_HIGHEST},
                                           PriorityRow{plat::Priority::TimeCritical,
                                                       THREAD_PRIORITY_TIME_CRITICAL}));

struct BoxRow {
    std::uint32_t style;
    int button;
    plat::Answer answer;
};

class MessageBoxAnswer : public ::testing::TestWithParam<BoxRow> {};

TEST_P(MessageBoxAnswer, MapsTheButtonPressed) {
    // The box runs its own loop, which still delivers our timer ticks.
    auto& p = platform();
    std::string text;
    int button = GetParam().button;
    auto presser = p.setTimer(20, [&] {
        HWND box = FindWindowA("#32770", "answer-box");
        if (!box) return;
        char buf[64] = {};
        GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
        text = buf;
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
    plat::Answer a = p.messageBox("question?", "answer-box", GetParam().style | plat::mb::Topmost);
    p.killTimer(presser);
    EXPECT_EQ(a, GetParam().answer);
    EXPECT_EQ(text, "question?");
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, MessageBoxAnswer,
    ::testing::Values(BoxRow{plat::mb::Ok | plat::mb::IconStop, IDOK, plat::Answer::Ok},
                      BoxRow{plat::mb::OkCancel | plat::mb::IconStop, IDCANCEL, plat::Answer::Cancel},
                      BoxRow{plat::mb::OkCancel | plat::mb::IconStop, IDOK, plat::Answer::Ok},
                      BoxRow{plat::mb::RetryCancel | plat::mb::IconQuestion, IDRETRY, plat::Answer::Retry},
                      BoxRow{plat::mb::RetryCancel | plat::mb::IconQuestion, IDCANCEL, plat::Answer::Cancel}));

}  // namespace
