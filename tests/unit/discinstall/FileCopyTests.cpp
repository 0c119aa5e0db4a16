// The file copy component against the simulated Windows: its steps run on
// this thread inside the pump, handed over by a real worker thread.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/Error.h"
#include "discinstall/FileCopy.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/sim/SimPlatform.h"
#include "tests/unit/discinstall/CopyEvents.h"

namespace {

using namespace std::chrono_literals;
namespace err = plat::err;

const std::string kSource = "C:\\disc\\game00.dat";
const std::string kTarget = "C:\\Lunavire\\game00.dat";

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 1024) & 0xFF);
    return s;
}

// The simulation, also recording worker priorities and giving chosen texts
// for error codes.
class CopySim : public sim::SimPlatform {
public:
    std::vector<plat::Priority> priorities;
    std::map<std::uint32_t, std::string> texts;
    // Runs before every read; may throw.
    std::function<void()> beforeRead;

    using sim::SimPlatform::readFile;
    plat::SysError readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) override {
        if (beforeRead) beforeRead();
        return sim::SimPlatform::readFile(h, buffer, count, done);
    }

    plat::SysError startThread(std::function<void()> body, plat::Priority priority) override {
        const plat::SysError e = sim::SimPlatform::startThread(std::move(body), priority);
        if (e.ok()) priorities.push_back(priority);
        return e;
    }
    std::string errorText(std::uint32_t code) override {
        auto it = texts.find(code);
        return it != texts.end() ? it->second : sim::SimPlatform::errorText(code);
    }
};

class FileCopy : public ::testing::Test {
protected:
    FileCopy() {
        s.makeFolder("C:\\Lunavire");
        events.bind(copy);
        copy.setExistingFile(kSource);
        copy.setNewFile(kTarget);
    }

    bool idle() const { return s.openHandles() == 0 && s.liveWorkers() == 0; }

    void pumpUntil(const std::function<bool()>& done, const char* what) {
        const auto end = std::chrono::steady_clock::now() + 60s;  // ends as soon as done: generous for a busy machine
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) FAIL() << "gave up waiting: " << what;
            s.processMessages();
        }
    }
    void runCopy() { pumpUntil([this] { return idle(); }, "the copy ends, its files closed, its worker gone"); }
    // Runs steps one at a time until `done` holds while the worker's next
    // request waits.
    void stepUntil(const std::function<bool()>& done) {
        for (;;) {
            const auto end = std::chrono::steady_clock::now() + 60s;  // ends as soon as done: generous for a busy machine
            while (s.pendingHandOvers() == 0)
                if (std::chrono::steady_clock::now() > end) FAIL() << "the worker hands over its next step";
            if (done()) return;
            s.processMessages();
        }
    }

    CopySim s;
    sim::Installed on{s, ui::app(), [](const std::string& m) { ADD_FAILURE() << m; }};
    ui::Form form{"TForm2", "Form2"};
    TKqFileCopy& copy = form.add<TKqFileCopy>(&form, "KqFileCopy1");
    CopyEvents events;
    std::vector<std::string>& log = events.log;
    std::vector<std::string>& messages = events.messages;
    std::function<void(std::uint32_t)>& onProgress = events.onProgress;
};

using Log = std::vector<std::string>;

TEST_F(FileCopy, CopiesInStepsOf1024BytesWithOneHandOverEach) {
    struct Row {
        std::size_t size;
        Log events;
    } rows[] = {
        {0, {"start", "finish"}},
        {1, {"start", "progress 1/1 100", "finish"}},
        {1023, {"start", "progress 1023/1023 100", "finish"}},
        {1024, {"start", "progress 1024/1024 100", "finish"}},
        {1025, {"start", "progress 1024/1025 99", "progress 1025/1025 100", "finish"}},
        {2500, {"start", "progress 1024/2500 40", "progress 2048/2500 81", "progress 2500/2500 100", "finish"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        log.clear();
        s.remove(kTarget);
        s.writeFile(kSource, pattern(r.size));
        copy.setBreakPoint(777);
        const auto handOvers = s.handOversRun();
        copy.Start();
        runCopy();
        EXPECT_EQ(log, r.events) << "progress per step from byte 0, then the finish on the step that reads nothing";
        EXPECT_EQ(s.readFile(kTarget), pattern(r.size)) << "the new file is the source";
        EXPECT_EQ(copy.BreakPoint(), r.size) << "BreakPoint counts the bytes written";
        EXPECT_EQ(s.handOversRun() - handOvers, r.events.size() - 1) << "one hand-over per step";
    }
    EXPECT_EQ(s.priorities, std::vector<plat::Priority>(6, plat::Priority::Normal)) << "one worker per copy, at normal priority";
}

TEST_F(FileCopy, EveryFailingCallIsReportedOnceWithItsCodeAndText) {
    const std::string source = pattern(2500);
    struct Row {
        const char* name;
        std::function<void(CopySim&)> arrange;
        bool restore;  // from a 1024-byte partial copy
        Log events;
        std::size_t handlesLeft;              // 2: set up without a worker
        std::optional<std::string> target;  // what the new file holds afterwards
    } rows[] = {
        {"source missing", [](CopySim& s) { s.remove(kSource); }, false, {"error 2"}, 0, std::nullopt},
        {"source refused", [](CopySim& s) { s.failOpen(kSource, err::AccessDenied); }, false, {"error 5"}, 0, std::nullopt},
        {"source in use", [](CopySim& s) { s.lockFile(kSource); }, false, {"error 32"}, 0, std::nullopt},
        {"target exists", [](CopySim& s) { s.writeFile(kTarget, "mine"); }, false, {"error 80"}, 0, "mine"},
        {"target folder missing", [](CopySim& s) { s.remove("C:\\Lunavire"); }, false, {"error 3"}, 0, std::nullopt},
        {"target refused", [](CopySim& s) { s.failCreate(kTarget, err::AccessDenied); }, false, {"error 5"}, 0,
         std::nullopt},
        {"size query", [](CopySim& s) { s.failSize(kSource, err::InvalidHandle); }, false, {"error 6"}, 2, ""},
        {"read at 2048 (no system text)", [](CopySim& s) { s.failReadAt(kSource, 2048, 23); }, false,
         {"start", "progress 1024/2500 40", "progress 2048/2500 81", "error 23"}, 0, source.substr(0, 2048)},
        {"write at 1500", [](CopySim& s) { s.failWriteAt(kTarget, 1500, err::DiskFull); }, false,
         {"start", "progress 1024/2500 40", "error 112"}, 0, source.substr(0, 1500)},
        // Wine's answer on a full disk: the write succeeds with fewer bytes.
        {"write falls short at 1500", [](CopySim& s) { s.failWriteAt(kTarget, 1500, 0); }, false,
         {"start", "progress 1024/2500 40", "error 112"}, 0, source.substr(0, 1500)},
        {"no thread for the worker", [](CopySim& s) { s.failThreadStarts(1, 8); }, false, {"error 8"}, 0, ""},
        {"restore: no thread for the worker", [](CopySim& s) { s.failThreadStarts(1, 8); }, true, {"error 8"}, 0,
         source.substr(0, 1024)},
        {"restore: source refused", [](CopySim& s) { s.failOpen(kSource, err::AccessDenied); }, true, {"error 5"}, 0,
         source.substr(0, 1024)},
        {"restore: target missing", [](CopySim& s) { s.remove(kTarget); }, true, {"error 2"}, 0, std::nullopt},
        {"restore: target in use", [](CopySim& s) { s.lockFile(kTarget); }, true, {"error 32"}, 0,
         source.substr(0, 1024)},
        {"restore: source seek", [](CopySim& s) { s.failSeek(kSource, 87); }, true, {"error 87"}, 2,
         source.substr(0, 1024)},
        {"restore: target seek", [](CopySim& s) { s.failSeek(kTarget, 87); }, true, {"error 87"}, 2,
         source.substr(0, 1024)},
        {"restore: size query", [](CopySim& s) { s.failSize(kSource, err::InvalidHandle); }, true, {"error 6"}, 2,
         source.substr(0, 1024)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        s.clearFaults();
        s.unlockFile(kSource);
        s.unlockFile(kTarget);
        s.makeFolder("C:\\Lunavire");
        s.remove(kTarget);
        s.writeFile(kSource, source);
        if (r.restore) s.writeFile(kTarget, source.substr(0, 1024));
        r.arrange(s);
        log.clear();
        messages.clear();
        const std::size_t workers = s.priorities.size();
        const bool expectWorker = r.events.front() == "start";
        if (r.restore) {
            copy.setBreakPoint(1024);
            copy.Restore();
        } else {
            copy.Start();
        }
        if (expectWorker) runCopy();
        EXPECT_EQ(log, r.events) << "each failure is reported exactly once";
        ASSERT_EQ(messages.size(), 1u);
        const auto code = static_cast<std::uint32_t>(std::stoul(log.back().substr(6)));
        EXPECT_EQ(messages[0], s.errorText(code)) << "the message is the system's text for the code";
        EXPECT_EQ(s.openHandles(), r.handlesLeft) << "the files left open";
        EXPECT_EQ(s.priorities.size() - workers, expectWorker ? 1u : 0u) << "a worker only for a started copy";
        EXPECT_EQ(s.liveWorkers(), 0u);
        if (r.handlesLeft == 2) {
            copy.setExistingFile("C:\\other.dat");
            EXPECT_EQ(copy.ExistingFile(), kSource) << "writes are ignored while both files are open";
            copy.Stop();
            EXPECT_EQ(s.openHandles(), 0u) << "Stop closes a copy set up without a worker";
            EXPECT_EQ(log.back(), "stop");
        }
        EXPECT_EQ(s.readFile(kTarget), r.target) << "only Cancel deletes the new file";
        EXPECT_EQ(copy.BreakPoint(), r.restore ? 1024u : r.events.size() > 2 ? 1024u * (r.events.size() - 2) : 0u)
            << "BreakPoint counts what the copy wrote";
    }
    EXPECT_EQ(s.errorText(23), "") << "the sim has no text for 23, so that row checks an empty message";
    EXPECT_EQ(s.errorText(80).substr(s.errorText(80).size() - 2), "\r\n") << "the texts keep their line break";
}

TEST_F(FileCopy, MessageTextsAreTakenAsFromA1000ByteBuffer) {
    s.failOpen(kSource, err::AccessDenied);
    for (std::size_t length : {0, 999, 1000, 4000}) {
        s.texts[err::AccessDenied] = std::string(length, 'x');
        messages.clear();
        copy.Start();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].size(), length < 1000 ? length : 0) << "a text that does not fit with its NUL is empty";
    }
}

TEST_F(FileCopy, PropertyWritesAreIgnoredWhileCopyingAndTakenAfter) {
    s.writeFile(kSource, pattern(2500));
    onProgress = [this](std::uint32_t) {
        copy.setExistingFile("C:\\x");
        copy.setNewFile("C:\\y");
        copy.setBreakPoint(5);
    };
    copy.Start();
    runCopy();
    EXPECT_EQ(log.back(), "finish");
    EXPECT_EQ(copy.ExistingFile(), kSource) << "ExistingFile is not written while the copy runs";
    EXPECT_EQ(copy.NewFile(), kTarget) << "nor NewFile";
    EXPECT_EQ(copy.BreakPoint(), 2500u) << "nor BreakPoint";
    copy.setExistingFile("C:\\x");
    copy.setNewFile("C:\\y");
    copy.setBreakPoint(5);
    EXPECT_EQ(copy.ExistingFile(), "C:\\x") << "after the copy each write is taken";
    EXPECT_EQ(copy.NewFile(), "C:\\y");
    EXPECT_EQ(copy.BreakPoint(), 5u);
}

TEST_F(FileCopy, StopThenRestoreGivesTheUninterruptedCopy) {
    const std::string source = pattern(5000);
    s.writeFile(kSource, source);
    copy.Start();
    stepUntil([this] { return copy.BreakPoint() == 3072; });
    copy.Stop();
    EXPECT_EQ(s.openHandles(), 0u) << "Stop closes both files at once";
    EXPECT_EQ(s.liveWorkers(), 1u) << "without waiting for the worker";
    const auto handOvers = s.handOversRun();
    runCopy();
    EXPECT_EQ(s.handOversRun(), handOvers + 1) << "the worker's queued request still runs";
    EXPECT_EQ(log, (Log{"start", "progress 1024/5000 20", "progress 2048/5000 40", "progress 3072/5000 61", "stop"}))
        << "and does nothing";
    EXPECT_EQ(s.readFile(kTarget), source.substr(0, 3072)) << "the partial copy stays";
    EXPECT_EQ(copy.BreakPoint(), 3072u);

    log.clear();
    copy.Restore();
    runCopy();
    EXPECT_EQ(log, (Log{"restore", "progress 4096/5000 81", "progress 5000/5000 100", "finish"}));
    EXPECT_EQ(s.readFile(kTarget), source) << "the result equals an uninterrupted copy";

    // Restore goes on from BreakPoint as written, not from the file's end.
    s.writeFile(kTarget, source.substr(0, 1024) + std::string(1500, '?'));
    copy.setBreakPoint(1024);
    log.clear();
    copy.Restore();
    runCopy();
    EXPECT_EQ(log.at(1), "progress 2048/5000 40");
    EXPECT_EQ(s.readFile(kTarget), source);
}

TEST_F(FileCopy, CancelDeletesThePartialFileOrReportsWhyItCannot) {
    struct Row {
        const char* name;
        std::function<void(CopySim&)> arrange;
        const char* last;
        bool targetLeft;
    } rows[] = {
        {"deleted", [](CopySim&) {}, "cancel", false},
        {"deletion refused", [](CopySim& s) { s.failDelete(kTarget, err::AccessDenied); }, "error 5", true},
        {"held by another program", [](CopySim& s) { s.lockFile(kTarget); }, "error 32", true},
    };
    s.writeFile(kSource, pattern(5000));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        s.clearFaults();
        s.unlockFile(kTarget);
        s.remove(kTarget);
        log.clear();
        copy.Start();
        stepUntil([this] { return copy.BreakPoint() == 1024; });
        r.arrange(s);
        copy.Cancel();
        runCopy();
        EXPECT_EQ(log, (Log{"start", "progress 1024/5000 20", r.last})) << "OnCancel, or OnError instead";
        EXPECT_EQ(s.exists(kTarget), r.targetLeft);
    }
}

TEST_F(FileCopy, ASourceThatChangesSizeEndsWhereItsDataEnds) {
    struct Row {
        const char* name;
        std::size_t before, after;
        Log events;
    } rows[] = {
        {"shrinks", 5000, 1500, {"start", "progress 1024/5000 20", "progress 1500/5000 30", "finish"}},
        {"grows", 1024, 3072, {"start", "progress 1024/1024 100", "progress 2048/1024 200", "progress 3072/1024 44", "finish"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        s.remove(kTarget);
        s.writeFile(kSource, pattern(r.before));
        // Another program's doing, past the sharing rules.
        onProgress = [&](std::uint32_t done) {
            if (done == 1024) s.writeFile(kSource, pattern(r.after));
        };
        log.clear();
        copy.Start();
        runCopy();
        EXPECT_EQ(log, r.events) << "the size read at the start stays; the rate may pass 100";
        EXPECT_EQ(s.readFile(kTarget), pattern(r.after));
    }
}

TEST_F(FileCopy, AHandlersErrorGoesToTheErrorBoxAndTheCopyGoesOn) {
    s.writeFile(kSource, pattern(2500));
    s.failReadAt(kSource, 2048, 23);
    copy.OnCopyProgress = [](ui::Component*, std::uint32_t, std::uint32_t, std::uint8_t) {
        throw base::Error("bar gone");
    };
    auto onError = copy.OnError;
    copy.OnError = [&](ui::Component* sender, const std::string& msg, std::uint32_t code) {
        onError(sender, msg, code);
        throw base::Error("report gone");
    };
    s.answerBoxes({plat::Answer::Ok, plat::Answer::Ok, plat::Answer::Ok});
    copy.Start();
    runCopy();
    ASSERT_EQ(s.boxes().size(), 3u) << "one box per escaping error";
    EXPECT_EQ(s.boxes()[0].text, ui::errorBoxText("bar gone"));
    EXPECT_EQ(s.boxes()[2].text, ui::errorBoxText("report gone"));
    EXPECT_EQ(log, (Log{"start", "error 23"})) << "the copy still ended after the failing read";
}

TEST_F(FileCopy, AnExceptionInAStepEndsTheCopyAsAFailure) {
    s.writeFile(kSource, pattern(2500));
    int reads = 0;
    s.beforeRead = [&] {
        if (++reads == 2) throw std::runtime_error("disc gone");
    };
    copy.Start();
    runCopy();
    EXPECT_EQ(log, (Log{"start", "progress 1024/2500 40", "error 0"})) << "reported once, as a failure of the copy";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "disc gone");
    EXPECT_TRUE(s.boxes().empty()) << "nothing escapes to the error box";
    s.beforeRead = nullptr;
    copy.Cancel();
    EXPECT_EQ(log.back(), "cancel") << "the component is idle and whole afterwards";
    EXPECT_FALSE(s.exists(kTarget));
}

TEST_F(FileCopy, DestroyedWhileCopyingLeavesTheLateStepNothingToDo) {
    s.writeFile(kSource, pattern(5000));
    auto other = std::make_unique<TKqFileCopy>(&form, "KqFileCopy2");
    other->setExistingFile(kSource);
    other->setNewFile(kTarget);
    events.bind(*other);
    other->Start();
    stepUntil([&] { return other->BreakPoint() == 2048; });
    other.reset();
    EXPECT_EQ(s.openHandles(), 0u) << "destruction closes both files";
    EXPECT_EQ(s.liveWorkers(), 1u) << "and does not wait for the worker";
    const auto handOvers = s.handOversRun();
    runCopy();
    EXPECT_EQ(s.handOversRun(), handOvers + 1) << "the late step ran, after the component had gone";
    EXPECT_EQ(log.size(), 3u) << "and did nothing";
    EXPECT_EQ(s.readFile(kTarget), pattern(2048));
}

}  // namespace
