// The hand-over and the message loop, where the Win32 back end has its own
// logic beyond the shared contract: message boxes, throttled queue looks,
// priorities.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "platform/Desktop.h"
#include "tests/support/LoopProbe.h"
#include "tests/win32/TestSupport.h"

namespace {

using w32test::platform;

TEST(HandOver, FromTheInterfaceThreadRunsAtOnce) {
    int ran = 0;
    platform().handOver([&] { ++ran; });
    EXPECT_EQ(ran, 1);
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

TEST(HandOver, RunsInsideAMessageBox) {
    // A message box runs its own loop; a worker handing over meanwhile must
    // not wait for the box to close.
    auto& p = platform();
    std::atomic<bool> ran{false}, ended{false};
    p.startThread(
        [&] {
            // Hands over once the box is up, so that only its loop can run the call.
            const DWORD start = GetTickCount();
            while (!FindWindowA("#32770", "handover-box") && GetTickCount() - start < w32test::kWaitMs) Sleep(1);
            p.handOver([&] { ran = true; });
            ended = true;
        },
        plat::Priority::Normal);
    // The box closes once the call has run, or after a time far beyond any
    // that a worker would wait if it could wake the box's loop.
    const DWORD start = GetTickCount();
    auto closer = p.setTimer(20, [&] {
        if (!ran && GetTickCount() - start < w32test::kWaitMs) return;
        if (HWND box = FindWindowA("#32770", "handover-box")) PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    p.messageBox("waiting", "handover-box", plat::mb::Ok);
    p.killTimer(closer);
    EXPECT_TRUE(ran) << "the hand-over ran while the box was up";
    EXPECT_TRUE(w32test::pumpUntil([&] { return ended.load(); })) << "and the worker went on";
}

TEST(HandOver, QueueIsLookedAtOncePerIntervalWhileAWorkerIsBusy) {
    auto& p = platform();
    w32::LoopProbe loop(p);
    auto before = loop.stats();
    for (int i = 0; i < 50; ++i) p.processMessages();
    EXPECT_EQ(loop.stats().peeks - before.peeks, 50u) << "without hand-overs every call looks at the queue";

    constexpr long long kIntervalUs = 50000;
    loop.setPeekInterval(kIntervalUs / 1e6);
    const long long interval = w32::HandOverQueue::ticks(kIntervalUs);
    std::atomic<bool> stop{false}, stopped{false};
    p.startThread(
        [&] {
            std::function<void()> step = [] {};
            while (!stop) p.handOver(step);
            stopped = true;
        },
        plat::Priority::Normal);
    // Counted from the first hand-over on: until then the worker is not busy.
    const unsigned long ranBefore = loop.stats().handOvers;
    ASSERT_TRUE(w32test::pumpUntil([&] { return loop.stats().handOvers > ranBefore; }));
    int ticks = 0;
    auto timer = p.setTimer(10, [&] { ++ticks; });

    // Call by call, as a copy's loop pumps.  A look at the queue is too soon
    // when it surely came less than an interval after the last look and
    // after a hand-over of an earlier call: the clock is read around each
    // call, and a machine busy with other work can only space the calls
    // out, never bring them closer.  So the verdict does not depend on how
    // busy the machine is, nor does the end of the loop, which waits for
    // enough hand-overs and ticks.
    before = loop.stats();
    unsigned long calls = 0, busyCalls = 0, looks = 0, tooSoon = 0;
    long long lastLook = -1, lastHandOver = -1;  // the start of the call that did it
    const DWORD start = GetTickCount();
    while ((loop.stats().handOvers - before.handOvers < 200 || ticks < 3) &&
           GetTickCount() - start < w32test::kWaitMs) {
        const auto s0 = loop.stats();
        const long long t0 = w32::HandOverQueue::now();
        p.processMessages();
        const long long t1 = w32::HandOverQueue::now();
        const auto s1 = loop.stats();
        ++calls;
        if (lastHandOver >= 0 && t1 - lastHandOver < interval) ++busyCalls;
        if (s1.peeks != s0.peeks) {
            ++looks;
            if (lastLook >= 0 && lastHandOver >= 0 && t1 - lastLook < interval && t1 - lastHandOver < interval)
                ++tooSoon;
            lastLook = t0;
        }
        if (s1.handOvers != s0.handOvers) lastHandOver = t0;
    }
    auto after = loop.stats();
    stop = true;
    p.killTimer(timer);
    ASSERT_TRUE(w32test::pumpUntil([&] { return stopped.load(); }));
    loop.setPeekInterval(0.001);

    EXPECT_GE(after.handOvers - before.handOvers, 200u) << "the worker kept handing over";
    EXPECT_GE(ticks, 3) << "timers still tick while the worker is busy";
    EXPECT_EQ(tooSoon, 0u) << "at most one look per 50 ms while the worker is busy (" << looks << " looks in "
                           << calls << " calls)";
    EXPECT_GT(busyCalls, 100u) << "the calls came while the worker was busy (" << calls << " calls)";
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
