// The worker of a file copy and the timers: work handed over from a worker
// runs on the user-interface thread, only while that thread handles its
// messages, and the worker waits for it; an exception that ends a worker is
// reported there; timers tick there too.
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Desktop.h"
#include "tests/contract/Contract.h"
#include "ui/Components.h"

namespace contract {
namespace {

using namespace std::chrono_literals;
using plat::Priority;

class ThreadContract : public ContractTest {
protected:
    // A worker that has not ended would outlive this test's stack: give up
    // on the whole run rather than return.
    void finishWorkers(const std::atomic<int>& running) {
        if (!pumpUntil([&] { return running.load() == 0; })) giveUp("a worker did not end within 60 s");
    }
};

TEST_F(ThreadContract, StartedThreadsRunAtOnceAtEveryPriority) {
    const Priority priorities[] = {Priority::Idle,   Priority::Lowest,  Priority::Lower,       Priority::Normal,
                                   Priority::Higher, Priority::Highest, Priority::TimeCritical};
    for (Priority p : priorities) {
        SCOPED_TRACE(static_cast<int>(p));
        std::atomic<bool> ran{false};
        std::atomic<int> running{1};
        std::thread::id id;
        sys().startThread(
            [&] {
                id = std::this_thread::get_id();
                ran = true;
                running = 0;
            },
            p);
        // No pumping: the thread is not created suspended and needs nothing
        // from the user-interface thread.
        EXPECT_TRUE(waitUntil([&] { return ran.load(); })) << "a started thread runs at once";
        finishWorkers(running);
        EXPECT_NE(id, std::this_thread::get_id()) << "on a thread of its own";
    }
}

TEST_F(ThreadContract, HandOverRunsOnTheUserInterfaceThreadOnlyWhileItPumpsAndTheWorkerWaits) {
    plat::Platform& p = sys();
    {
        Watchdog dog("processMessages() with nothing waiting");
        p.processMessages();  // never blocks
    }

    std::atomic<bool> entered{false}, ran{false}, returned{false}, ranBeforeReturn{false};
    std::atomic<int> running{1};
    std::thread::id ranOn;
    p.startThread(
        [&] {
            entered = true;
            p.handOver([&] {
                ranOn = std::this_thread::get_id();
                ran = true;
            });
            ranBeforeReturn = ran.load();
            returned = true;
            running = 0;
        },
        Priority::Normal);

    ASSERT_TRUE(waitUntil([&] { return entered.load(); })) << "the worker runs at once";
    ASSERT_TRUE(waitUntil([&] { return env().handOverWaiting(); })) << "and hands its call over";
    EXPECT_FALSE(ran) << "a handed-over call waits until the user-interface thread handles messages";
    EXPECT_FALSE(returned) << "and the worker waits with it";

    EXPECT_TRUE(pumpUntil([&] { return ran.load(); })) << "pumping runs the handed-over call";
    finishWorkers(running);
    EXPECT_EQ(ranOn, std::this_thread::get_id()) << "the call runs on the user-interface thread";
    EXPECT_TRUE(ranBeforeReturn) << "handOver returns only after the call has run";
}

TEST_F(ThreadContract, HandleMessageReturnsOnceAHandOverHasRun) {
    // The disc installation waits in handleMessage() until the copy's last
    // step sets its finish flag: a hand-over alone must end the wait.
    plat::Platform& p = sys();
    std::atomic<bool> ran{false};
    std::atomic<int> running{1};
    p.startThread(
        [&] {
            waitUntil([&] { return env().uiThreadBlocked(); });  // the user-interface thread blocks first
            p.handOver([&] { ran = true; });
            running = 0;
        },
        Priority::Normal);
    {
        Watchdog dog("handleMessage() after the only hand-over had run");
        while (!ran) p.handleMessage();
    }
    finishWorkers(running);
    EXPECT_TRUE(ran);
}

TEST_F(ThreadContract, ManyHandOversRunOnceEachInOrder) {
    plat::Platform& p = sys();
    constexpr int kSteps = 2000;  // about 2 MB of copy steps
    std::vector<int> seen;         // touched on the user-interface thread only
    std::atomic<bool> offThread{false};
    const auto ui = std::this_thread::get_id();
    std::atomic<int> running{1};
    p.startThread(
        [&] {
            for (int i = 0; i < kSteps; ++i) {
                p.handOver([&seen, &offThread, ui, i] {
                    if (std::this_thread::get_id() != ui) offThread = true;
                    seen.push_back(i);
                });
            }
            running = 0;
        },
        Priority::Normal);
    finishWorkers(running);
    EXPECT_FALSE(offThread) << "every call runs on the user-interface thread";
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kSteps)) << "every handed-over call runs exactly once";
    for (int i = 0; i < kSteps; ++i) {
        if (seen[i] != i) {
            ADD_FAILURE() << "calls run in the order handed over; position " << i << " holds " << seen[i];
            break;
        }
    }
}

TEST_F(ThreadContract, TwoWorkersHandOverSideBySide) {
    // After Stop and Start a new copy's worker may hand over while the old
    // one's last request still waits.
    plat::Platform& p = sys();
    constexpr int kSteps = 300;
    std::vector<std::pair<int, int>> seen;  // (worker, step), user-interface thread only
    std::atomic<int> running{2};
    for (int w = 0; w < 2; ++w) {
        p.startThread(
            [&, w] {
                for (int i = 0; i < kSteps; ++i) p.handOver([&seen, w, i] { seen.emplace_back(w, i); });
                --running;
            },
            Priority::Normal);
    }
    finishWorkers(running);
    ASSERT_EQ(seen.size(), 2u * kSteps) << "no call is lost or run twice";
    int next[2] = {0, 0};
    for (const auto& [w, i] : seen) {
        if (i != next[w]) {
            ADD_FAILURE() << "worker " << w << "'s calls keep their order; got step " << i << " for " << next[w];
            break;
        }
        ++next[w];
    }
}

TEST_F(ThreadContract, AWorkersExceptionIsReportedOnceOnTheUserInterfaceThreadWhileItPumps) {
    // What escapes the copy's worker must not pass unseen: it reaches the
    // error box that a handler's error reaches.
    plat::Platform& p = sys();
    const auto ui = std::this_thread::get_id();
    std::mutex m;
    std::vector<std::pair<std::string, std::thread::id>> reported;  // (text, thread)
    ui::app().setErrorReporter([&](const std::string& text) {
        std::lock_guard<std::mutex> lock(m);
        reported.emplace_back(text, std::this_thread::get_id());
    });
    struct BoxBack {
        ~BoxBack() { ui::app().setErrorReporter(nullptr); }
    } boxBack;
    auto reports = [&] {
        std::lock_guard<std::mutex> lock(m);
        return reported.size();
    };

    struct Row {
        const char* what;
        void (*body)();
        std::string text;
        bool waiting;  // the user-interface thread waits in handleMessage() meanwhile
    } rows[] = {
        {"a std::exception", [] { throw std::runtime_error("copy step failed"); }, "copy step failed", false},
        {"anything else", [] { throw 42; }, plat::kUnknownWorkerError, false},
        {"while handleMessage() waits", [] { throw std::runtime_error("disc removed"); }, "disc removed", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        {
            std::lock_guard<std::mutex> lock(m);
            reported.clear();
        }
        std::atomic<int> running{1};
        p.startThread(
            [this, &running, body = row.body, waiting = row.waiting] {
                struct Ended {
                    std::atomic<int>& running;
                    ~Ended() { running = 0; }
                } ended{running};
                if (waiting) waitUntil([this] { return env().uiThreadBlocked(); });  // it blocks first
                body();
            },
            Priority::Normal);
        if (row.waiting) {
            Watchdog dog("handleMessage() while a worker ended with an exception");
            while (reports() == 0) p.handleMessage();
        } else {
            ASSERT_TRUE(waitUntil([&] { return env().workerErrorWaiting(); })) << "the worker ends with its error";
            EXPECT_EQ(reports(), 0u) << "nothing is reported until the user-interface thread handles messages";
            EXPECT_TRUE(pumpUntil([&] { return reports() > 0; })) << "pumping reports the worker's exception";
        }
        finishWorkers(running);
        finishAllWorkers();
        // The error was taken when it was reported: no other waits, and
        // another pump reports nothing more.
        EXPECT_FALSE(env().workerErrorWaiting());
        p.processMessages();
        std::lock_guard<std::mutex> lock(m);
        ASSERT_EQ(reported.size(), 1u) << "a worker's exception is reported once";
        EXPECT_EQ(reported[0].first, row.text) << "the report says what() or, for anything else, the fixed text";
        EXPECT_EQ(reported[0].second, ui) << "the report comes on the user-interface thread";
    }
}

TEST_F(ThreadContract, AnExceptionInAHandedOverCallComesBackToTheWorker) {
    // The pump that ran the call goes on: what failed is the worker's to
    // handle, and if it lets go, the error box reports it as any worker's.
    plat::Platform& p = sys();
    std::mutex m;
    std::vector<std::string> reported;
    ui::app().setErrorReporter([&](const std::string& text) {
        std::lock_guard<std::mutex> lock(m);
        reported.push_back(text);
    });
    struct BoxBack {
        ~BoxBack() { ui::app().setErrorReporter(nullptr); }
    } boxBack;

    struct Row {
        const char* what;
        bool caught;  // the worker catches what comes back
    } rows[] = {{"caught by the worker", true}, {"escaping the worker", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        {
            std::lock_guard<std::mutex> lock(m);
            reported.clear();
        }
        std::atomic<int> running{1};
        std::atomic<bool> ranOnUi{false}, cameBack{false};
        std::string backText;  // written by the worker before it ends
        const auto ui = std::this_thread::get_id();
        p.startThread(
            [&, caught = row.caught] {
                struct Ended {
                    std::atomic<int>& running;
                    ~Ended() { running = 0; }
                } ended{running};
                try {
                    p.handOver([&] {
                        ranOnUi = std::this_thread::get_id() == ui;
                        throw std::runtime_error("step failed");
                    });
                } catch (const std::runtime_error& e) {
                    cameBack = true;
                    backText = e.what();
                    if (!caught) throw;
                }
            },
            Priority::Normal);
        bool escaped = false;
        try {
            if (!pumpUntil([&] { return running.load() == 0; }, 20s)) giveUp("a worker did not end within 20 s");
            env().runFor(200);
        } catch (...) {
            escaped = true;
            finishWorkers(running);
        }
        EXPECT_FALSE(escaped) << "nothing passes through the pump";
        EXPECT_TRUE(ranOnUi) << "the call ran on the user-interface thread";
        EXPECT_TRUE(cameBack) << "handOver throws the call's exception on the worker";
        EXPECT_EQ(backText, "step failed");
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(reported, row.caught ? std::vector<std::string>{} : std::vector<std::string>{"step failed"})
            << "only an exception that ends the worker reaches the error box, once";
    }
}

// ------------------------------------------------------------------ timers

TEST_F(ThreadContract, TimerTicksOnTheUserInterfaceThreadWhileMessagesAreHandled) {
    plat::Platform& p = sys();
    int ticks = 0;
    bool offThread = false;
    const auto ui = std::this_thread::get_id();
    const auto id = p.setTimer(50, [&] {
        if (std::this_thread::get_id() != ui) offThread = true;
        ++ticks;
    });

    // Four intervals pass (at least) with nothing handled: the timer is due.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ticks, 0) << "a timer ticks only while messages are handled";

    // Until ten ticks, however long a busy machine makes that take.  The
    // first comes at once (it is overdue), the others on the timer's own
    // 50 ms grid, which began before: at most one per interval of the time
    // that ran, and one more.
    const std::uint64_t ran = runUntil([&] { return ticks >= 10; });
    EXPECT_GE(ticks, 10) << "it ticks while messages are handled";
    EXPECT_LE(static_cast<std::uint64_t>(ticks), ran / 50 + 2)
        << "at most one tick per 50 ms interval (" << ran << " ms ran)";
    EXPECT_FALSE(offThread) << "ticks run on the user-interface thread";

    // A killed timer: while one of the same interval, set after the kill,
    // ticks three times, it does not tick.
    p.killTimer(id);
    const int atKill = ticks;
    int witness = 0;
    const auto witnessId = p.setTimer(50, [&] { ++witness; });
    runUntil([&] { return witness >= 3; });
    p.killTimer(witnessId);
    EXPECT_GE(witness, 3);
    EXPECT_EQ(ticks, atKill) << "a killed timer ticks no more";
}

TEST_F(ThreadContract, TimerKilledInItsOwnTickTicksOnce) {
    // The start timer and the patch timer are one-shot: their tick disables them.
    plat::Platform& p = sys();
    int ticks = 0;
    plat::Desktop::TimerId id = 0;
    id = p.setTimer(100, [&] {
        ++ticks;
        p.killTimer(id);
    });
    runUntil([&] { return ticks >= 1; });
    // Time for several more ticks: one of the same interval ticks thrice.
    int witness = 0;
    const auto witnessId = p.setTimer(100, [&] { ++witness; });
    runUntil([&] { return witness >= 3; });
    p.killTimer(witnessId);
    EXPECT_GE(witness, 3);
    EXPECT_EQ(ticks, 1) << "a timer killed in its tick does not tick again";
}

TEST_F(ThreadContract, TimersAreIndependent) {
    plat::Platform& p = sys();
    int fast = 0, slow = 0;
    const auto fastId = p.setTimer(40, [&] { ++fast; });
    const auto slowId = p.setTimer(100, [&] { ++slow; });
    EXPECT_NE(fastId, slowId) << "each timer has an id of its own";

    // Until the quicker one is ahead (a machine too busy to handle messages
    // every 40 ms may let both tick alike for a while).
    runUntil([&] { return slow >= 2 && fast > slow; });
    EXPECT_GT(fast, slow) << "each timer keeps its own interval";
    EXPECT_GE(slow, 2);
    p.killTimer(fastId);
    const int fastAtKill = fast, slowAtKill = slow;
    // Two more ticks of the slow one: five intervals of the killed one.
    runUntil([&] { return slow >= slowAtKill + 2; });
    EXPECT_EQ(fast, fastAtKill) << "the killed timer stops";
    EXPECT_GE(slow, slowAtKill + 2) << "the other one keeps ticking";
    p.killTimer(slowId);
}

}  // namespace
}  // namespace contract
