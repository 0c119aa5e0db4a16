// The worker hand-over: a real thread whose calls run on the user-interface
// thread inside the pump, in order, and which the simulation can always end.
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/Desktop.h"
#include "platform/Host.h"
#include "tests/support/SimTest.h"
#include "ui/Components.h"

namespace simtest {
namespace {

using namespace std::chrono_literals;
using plat::Priority;

using SimThreads = SimTest;

TEST_F(SimThreads, HandOversRunInThePumpInOrderOnTheUserInterfaceThread) {
    constexpr int kSteps = 5000;
    const auto ui = std::this_thread::get_id();
    std::vector<int> seen;  // user-interface thread only
    bool offThread = false;
    std::atomic<bool> terminated{false}, finished{false};
    // Shaped like the copy worker: hand over until asked to stop.
    p.startThread(
        [&] {
            int step = 0;
            while (!terminated.load())
                p.handOver([&, i = step++] {
                    offThread |= std::this_thread::get_id() != ui;
                    seen.push_back(i);
                    if (i + 1 == kSteps) terminated = true;
                });
            finished = true;
        },
        Priority::Normal);
    while (!finished.load() || s.liveWorkers()) p.processMessages();
    EXPECT_FALSE(offThread);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kSteps));
    for (int i = 0; i < kSteps; ++i) ASSERT_EQ(seen[i], i) << "in the order handed over";
    EXPECT_EQ(s.handOversRun(), static_cast<std::uint64_t>(kSteps));

    bool direct = false;
    p.handOver([&] { direct = true; });
    EXPECT_TRUE(direct) << "from the user-interface thread itself the call runs at once";
}

TEST_F(SimThreads, HandleMessageWaitsForTheWorker) {
    std::atomic<bool> ran{false};
    std::atomic<bool> sawItWait{false};
    p.startThread(
        [&] {
            // The user-interface thread blocks first (a minute at most: a
            // broken loop must not leave this worker spinning for ever).
            const auto end = std::chrono::steady_clock::now() + 60s;
            while (!s.uiWaitingForWorker() && std::chrono::steady_clock::now() < end) std::this_thread::yield();
            sawItWait = s.uiWaitingForWorker();
            p.handOver([&] { ran = true; });
        },
        Priority::Normal);
    while (!ran.load()) p.handleMessage();
    EXPECT_TRUE(sawItWait) << "handleMessage() blocked until the worker handed over";
    EXPECT_EQ(s.now(), 0u) << "waiting for a worker takes no virtual time";
}

TEST_F(SimThreads, StoppingReleasesABlockedWorkerWithoutRunningItsCall) {
    std::atomic<bool> returned{false};
    bool ran = false;
    p.startThread(
        [&] {
            p.handOver([&] { ran = true; });
            returned = true;
            p.handOver([&] { ran = true; });  // after the stop: unwinds the worker
            returned = false;
        },
        Priority::Normal);
    while (s.pendingHandOvers() == 0) std::this_thread::yield();
    s.stopWorkers();
    EXPECT_TRUE(returned.load()) << "the blocked hand-over returned";
    EXPECT_FALSE(ran) << "without running its call";
    EXPECT_EQ(s.liveWorkers(), 0u);
    EXPECT_THROW(p.startThread([] {}, Priority::Normal), std::logic_error);
}

TEST_F(SimThreads, ASimulationEndsWhileItsWorkerStillLoops) {
    std::atomic<int> cycles{0};
    std::atomic<bool> ended{false};
    {
        sim::SimPlatform local;
        local.startThread(
            [&] {
                struct End {
                    std::atomic<bool>& ended;
                    ~End() { ended = true; }
                } end{ended};
                for (;;) {  // never asked to terminate
                    local.handOver([] {});
                    ++cycles;
                }
            },
            Priority::Normal);
        while (cycles.load() < 3) local.processMessages();
    }
    // The destructor joins its workers: this one has unwound, once for all.
    EXPECT_TRUE(ended.load()) << "the destructor ended the worker instead of hanging on it";
}

TEST_F(SimThreads, AWorkersExceptionIsShownInTheErrorBoxAtTheNextPump) {
    struct Row {
        const char* what;
        void (*body)();
        std::string text;
    } rows[] = {
        {"a std::exception", [] { throw std::runtime_error("copy step failed"); }, "copy step failed"},
        {"anything else", [] { throw 42; }, plat::kUnknownWorkerError},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t before = s.boxes().size();
        s.answerBoxes({plat::Answer::Ok});
        p.startThread(row.body, Priority::Normal);
        while (s.liveWorkers()) std::this_thread::yield();
        EXPECT_EQ(s.boxes().size(), before) << "nothing is shown before the user-interface thread pumps";
        p.processMessages();
        ASSERT_EQ(s.boxes().size(), before + 1) << "the next pump shows the worker's exception";
        const sim::BoxRecord& box = s.boxes().back();
        EXPECT_EQ(box.text, ui::errorBoxText(row.text));
        EXPECT_EQ(box.caption, ui::app().title());
        EXPECT_EQ(box.style, plat::mb::Ok | plat::mb::IconStop) << "in the application's default error box";
        p.processMessages();
        EXPECT_EQ(s.boxes().size(), before + 1) << "once";
    }
}

TEST_F(SimThreads, WithoutAnApplicationAWorkersExceptionStillShowsInABox) {
    // A test of the seam alone has no application: the error is not lost.
    const base::InForce<plat::Host> noApplication(plat::noHost());
    s.answerBoxes({plat::Answer::Ok});
    p.startThread([] { throw std::runtime_error("copy step failed"); }, Priority::Normal);
    while (s.liveWorkers()) std::this_thread::yield();
    p.processMessages();
    ASSERT_EQ(s.boxes().size(), 1u) << "the next pump shows the worker's exception";
    EXPECT_EQ(s.boxes()[0].text, "copy step failed") << "its text as it is";
    EXPECT_EQ(s.boxes()[0].style, plat::mb::Ok | plat::mb::IconStop);
}

TEST_F(SimThreads, AnUnexpectedWorkerExceptionFailsTheTest) {
    expectFailures = true;
    p.startThread([] { throw std::runtime_error("boom"); }, Priority::Normal);
    while (s.liveWorkers()) std::this_thread::yield();
    EXPECT_THROW(p.processMessages(), sim::Stuck) << "its error box has no scripted answer";
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("boom"), std::string::npos) << "the failure names the worker's error";
}

}  // namespace
}  // namespace simtest
