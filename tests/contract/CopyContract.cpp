// The file copy component on each platform: its steps come through the
// platform's real hand-over and its files through the platform's handles,
// so what holds in the simulation must hold under Wine too.
#include <memory>
#include <stdexcept>
#include <string>

#include "discinstall/FileCopy.h"
#include "platform/File.h"
#include "platform/Files.h"
#include "tests/contract/Contract.h"
#include "tests/unit/discinstall/CopyEvents.h"

namespace contract {
namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 1024) & 0xFF);
    return s;
}

class CopyContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        copy = std::make_unique<TKqFileCopy>(nullptr, "KqFileCopy1");
        events.bind(*copy);
        source = at("source.dat");
        target = at("target.dat");
        copy->setExistingFile(source.text());
        copy->setNewFile(target.text());
    }
    void TearDown() override {
        copy.reset();
        // A worker told to end may still wait on one request: let it run
        // into the gone component now, inside this test (ContractTest's
        // TearDown pumps until every worker has ended).
        ContractTest::TearDown();
    }

    void runToEnd() {
        ASSERT_TRUE(pumpUntil([this] {
            return events.endsWith("finish") || events.endsWith("stop") || events.endsWith("cancel") ||
                   (!events.log.empty() && events.log.back().rfind("error", 0) == 0);
        })) << "the copy ends within 60 s";
    }
    // No handle of ours is left on the file: it opens without sharing.
    static bool closed(const plat::Path& path) {
        plat::File f;
        return plat::File::openRead(path, f).ok();
    }

    std::unique_ptr<TKqFileCopy> copy;
    CopyEvents events;
    plat::Path source, target;
};

TEST_F(CopyContract, CopiesStepByStepThroughTheHandOver) {
    struct Row {
        std::size_t size;
        Log events;
    } rows[] = {
        {0, {"start", "finish"}},
        {1023, {"start", "progress 1023/1023 100", "finish"}},
        {1024, {"start", "progress 1024/1024 100", "finish"}},
        {1025, {"start", "progress 1024/1025 99", "progress 1025/1025 100", "finish"}},
        {2500, {"start", "progress 1024/2500 40", "progress 2048/2500 81", "progress 2500/2500 100", "finish"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        sys().deleteFile(target);
        env().writeFile(source, pattern(r.size));
        events.clear();
        copy->Start();
        runToEnd();
        finishAllWorkers();  // nothing can come after the worker has ended
        EXPECT_EQ(events.log, r.events) << "a progress event per step, the finish on the step that reads nothing";
        EXPECT_EQ(env().readFile(target), pattern(r.size)) << "the new file is the source";
        EXPECT_TRUE(closed(source) && closed(target)) << "both files are closed when the copy ends";
    }
}

TEST_F(CopyContract, CreatingOntoAnExistingFileFailsWith80AndStartsNothing) {
    env().writeFile(source, pattern(2500));
    env().writeFile(target, "mine");
    copy->Start();
    EXPECT_EQ(events.log, (Log{"error 80"})) << "no OnStart";
    ASSERT_EQ(events.messages.size(), 1u);
    EXPECT_EQ(events.messages[0], sys().errorText(80)) << "the system's text for 80";
    EXPECT_FALSE(events.messages[0].empty());
    EXPECT_TRUE(closed(source)) << "the source is closed again";
    EXPECT_EQ(env().liveWorkers(), 0u) << "no worker is started";
    sys().processMessages();
    EXPECT_EQ(events.log.size(), 1u) << "no worker: no step ever comes";
    EXPECT_EQ(env().readFile(target), "mine") << "the existing file is untouched";
}

TEST_F(CopyContract, FilesHeldByAnotherHandleAreReported) {
    env().writeFile(source, pattern(2500));
    plat::File other;
    ASSERT_TRUE(plat::File::openRead(source, other).ok());
    copy->Start();
    other.close();
    EXPECT_EQ(events.log, (Log{"error 32"})) << "a source in use cannot be opened";
    EXPECT_FALSE(sys().fileExists(target)) << "and no new file is made";

    env().writeFile(target, pattern(1024));
    ASSERT_TRUE(plat::File::openRead(target, other).ok());
    copy->setBreakPoint(1024);
    events.clear();
    copy->Restore();
    other.close();
    EXPECT_EQ(events.log, (Log{"error 32"})) << "nor a new file in use";
    EXPECT_TRUE(closed(source)) << "the source is closed again";
}

TEST_F(CopyContract, StopInAStepThenRestoreGivesTheUninterruptedCopy) {
    const std::string whole = pattern(5000);
    env().writeFile(source, whole);
    events.onProgress = [this](std::uint32_t done) {
        if (done == 3072) copy->Stop();
    };
    copy->Start();
    runToEnd();
    EXPECT_EQ(events.log.back(), "stop");
    EXPECT_TRUE(closed(source) && closed(target)) << "Stop closes both files";
    EXPECT_EQ(env().readFile(target), whole.substr(0, 3072)) << "and leaves the partial copy";

    events.onProgress = nullptr;
    events.clear();
    copy->Restore();
    runToEnd();
    EXPECT_EQ(events.log, (Log{"restore", "progress 4096/5000 81", "progress 5000/5000 100", "finish"}));
    EXPECT_EQ(env().readFile(target), whole) << "the result equals an uninterrupted copy";
}

TEST_F(CopyContract, AStopBetweenStepsLeavesTheLateRequestNothingToDo) {
    env().writeFile(source, pattern(200 * 1024));
    copy->Start();
    ASSERT_TRUE(pumpUntil([this] { return copy->BreakPoint() >= 2048; }));
    copy->Stop();  // the worker is handing over its next step meanwhile
    const std::size_t atStop = events.log.size();
    const std::uint32_t written = copy->BreakPoint();
    finishAllWorkers();  // the worker's late request has run, and it has ended
    EXPECT_EQ(events.log.size(), atStop) << "no step runs after Stop";
    EXPECT_EQ(env().readFile(target), pattern(written)) << "the new file holds what BreakPoint counts";

    events.clear();
    copy->Cancel();
    EXPECT_EQ(events.log, (Log{"cancel"}));
    EXPECT_FALSE(sys().fileExists(target)) << "Cancel deletes the partial copy";
}

TEST_F(CopyContract, CancelReportsANewFileItCannotDelete) {
    env().writeFile(source, pattern(5000));
    events.onProgress = [this](std::uint32_t done) {
        if (done == 1024) copy->Stop();
    };
    copy->Start();
    runToEnd();
    plat::File other;
    ASSERT_TRUE(plat::File::openRead(target, other).ok());
    events.clear();
    copy->Cancel();
    other.close();
    EXPECT_EQ(events.log, (Log{"error 32"})) << "a file in use is not deleted: OnError, not OnCancel";
    EXPECT_EQ(env().readFile(target), pattern(1024));
}

// The files in force, except that their second read throws.
class ThrowingRead final : public plat::ForwardingFiles {
public:
    explicit ThrowingRead(plat::Files& real) : ForwardingFiles(real), standing_(*this) {}
    plat::SysError readFile(plat::FileHandle h, void* b, std::uint32_t n, std::uint32_t& done) override {
        if (++reads_ == 2) throw std::runtime_error("disc gone");
        return ForwardingFiles::readFile(h, b, n, done);
    }

private:
    base::InForce<plat::Files> standing_;
    int reads_ = 0;
};

TEST_F(CopyContract, AnExceptionInAStepEndsTheCopyAsAFailure) {
    env().writeFile(source, pattern(5000));
    std::vector<std::string> boxes;  // the error box's texts: none are shown for real
    ui::app().setErrorReporter([&](const std::string& text) { boxes.push_back(text); });
    struct BoxBack {
        ~BoxBack() { ui::app().setErrorReporter(nullptr); }
    } boxBack;
    {
        ThrowingRead throwing(sys());
        copy->Start();
        bool escaped = false;
        try {
            runToEnd();
        } catch (...) {
            escaped = true;
        }
        EXPECT_FALSE(escaped) << "nothing escapes the pump";
    }
    EXPECT_EQ(events.log, (Log{"start", "progress 1024/5000 20", "error 0"})) << "the copy ends as failed";
    EXPECT_EQ(boxes, std::vector<std::string>{}) << "reported to the owner, not to the error box";
    ASSERT_EQ(events.messages.size(), 1u);
    EXPECT_EQ(events.messages[0], "disc gone");
    EXPECT_TRUE(closed(source) && closed(target)) << "both files are closed";
    env().runFor(200);
    EXPECT_EQ(events.log.size(), 3u) << "no step comes after it";
    events.clear();
    copy->Cancel();
    EXPECT_EQ(events.log, (Log{"cancel"})) << "the component goes on working";
    EXPECT_FALSE(sys().fileExists(target));
}

TEST_F(CopyContract, DestroyedWhileCopyingClosesItsFilesWithoutWaiting) {
    env().writeFile(source, pattern(200 * 1024));
    copy->Start();
    ASSERT_TRUE(pumpUntil([this] { return copy->BreakPoint() >= 4096; }));
    {
        Watchdog dog("destroying a copying component");
        copy.reset();
    }
    EXPECT_TRUE(closed(source) && closed(target)) << "destruction closes both files";
    finishAllWorkers();  // the worker's late request runs into the gone component
    EXPECT_TRUE(sys().deleteFile(target).ok()) << "and nothing opens the new file again";
}

}  // namespace
}  // namespace contract
