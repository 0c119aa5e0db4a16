// Virtual time, pumping, scripted message boxes and modal windows, peers and
// the shell: what the simulation does while the program's loops run.
#include "base/Error.h"
#include "platform/Desktop.h"
#include "platform/Shell.h"
#include "tests/support/SimTest.h"
#include "ui/Components.h"

namespace simtest {
namespace {

using plat::Answer;

// A form with the controls the tests poke at.
struct TestForm : ui::Form {
    explicit TestForm(const char* cls) : ui::Form(cls, cls) {
        add<ui::Button>(this, "Button1", this, ui::Rect{});
        add<ui::Gauge>(this, "Gauge1", this, ui::Rect{});
        add<ui::ShellTreeView>(this, "ShellTreeView1", this, ui::Rect{});
        get<ui::Button>("Button1").OnClick = [this] { Close(); };
        createWindows();
    }
};

using SimLoop = SimTest;

TEST_F(SimLoop, TimersTickAtTheirDueTimesInOrder) {
    std::vector<std::string> log;
    auto a = p.setTimer(100, [&] { log.push_back("a" + std::to_string(s.now())); });
    p.setTimer(250, [&] { log.push_back("b" + std::to_string(s.now())); });
    p.processMessages();
    EXPECT_TRUE(log.empty()) << "pumping does not move virtual time";
    s.advance(500);
    EXPECT_EQ(log, (std::vector<std::string>{"a100", "a200", "b250", "a300", "a400", "a500", "b500"}))
        << "each tick at its due time; at the same time the older timer first";
    p.killTimer(a);
    log.clear();
    s.advance(500);
    EXPECT_EQ(log, (std::vector<std::string>{"b750", "b1000"}));

    int once = 0;
    plat::Desktop::TimerId self = 0;
    self = p.setTimer(0, [&] {
        ++once;
        p.killTimer(self);
    });
    s.advance(9);
    EXPECT_EQ(once, 0) << "intervals below 10 ms are 10 ms";
    s.advance(100);
    EXPECT_EQ(once, 1) << "a timer killed in its own tick ticks once";
}

TEST_F(SimLoop, RunUntilIdleStopsWhenNothingIsArmedOrAtItsLimit) {
    int chain = 0;
    std::vector<plat::Desktop::TimerId> ids;
    std::function<void()> arm = [&] {
        ids.push_back(p.setTimer(100, [&] {
            p.killTimer(ids[chain]);  // one-shot, re-armed twice from its own tick
            if (++chain < 3) arm();
        }));
    };
    arm();
    EXPECT_TRUE(s.runUntilIdle());
    EXPECT_EQ(chain, 3);
    EXPECT_EQ(s.now(), 300u) << "idle after the last one-shot tick";
    auto periodic = p.setTimer(1000, [] {});
    EXPECT_FALSE(s.runUntilIdle(5500)) << "a periodic timer never lets the loop go idle";
    EXPECT_EQ(s.now(), 5800u);
    p.killTimer(periodic);
}

TEST_F(SimLoop, PostedActionsAndHooksRunInThePump) {
    int pumps = 0;
    std::vector<int> ran;
    s.onPump([&] { ++pumps; });
    s.post([&] {
        ran.push_back(1);
        s.post([&] { ran.push_back(2); });  // posted while pumping: the next pump
    });
    p.processMessages();
    EXPECT_EQ(ran, std::vector<int>{1});
    p.processMessages();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(pumps, 2);

    // As from a message queue, one at a time: an action that pumps (a modal
    // loop, a box) takes the next one from there, which then runs only once.
    ran.clear();
    s.post([&] {
        ran.push_back(3);
        p.processMessages();
        ran.push_back(5);
    });
    s.post([&] {
        ran.push_back(4);
        s.post([&] { ran.push_back(6); });
    });
    p.processMessages();
    EXPECT_EQ(ran, (std::vector<int>{3, 4, 5})) << "what the nested pump posted waits for the next round";
    p.processMessages();
    EXPECT_EQ(ran, (std::vector<int>{3, 4, 5, 6}));
}

TEST_F(SimLoop, AModalWindowRunsItsScriptAndIdlesToItsTimer) {
    TestForm f2("TForm2");
    int shown = 0;
    s.onModal("TForm2", [&](ui::Form& f) {
        ++shown;
        f.get<ui::Button>("Button1").click();
    });
    EXPECT_EQ(f2.ShowModal(), ui::mrCancel);
    EXPECT_EQ(f2.ShowModal(), ui::mrCancel);
    EXPECT_EQ(shown, 2) << "the script runs once each time the modal loop begins";

    TestForm f4("TForm4");
    int ticks = 0;
    auto t = p.setTimer(1000, [&] {
        if (++ticks == 3) f4.Close();
    });
    EXPECT_EQ(f4.ShowModal(), ui::mrCancel);
    EXPECT_EQ(s.now(), 3000u) << "an idle modal loop jumps to the next timer";
    p.killTimer(t);
    EXPECT_EQ(s.modals(), (std::vector<std::string>{"TForm2", "TForm2", "TForm4"}));
}

TEST_F(SimLoop, BoxesAreAnsweredFromTheScriptAndRecorded) {
    s.answerBoxes({Answer::Cancel, Answer::Retry});
    EXPECT_EQ(p.messageBox("a", "cap", plat::mb::OkCancel | plat::mb::IconQuestion), Answer::Cancel);
    EXPECT_EQ(p.messageBox("b", "cap", plat::mb::RetryCancel), Answer::Retry);
    TestForm f("TForm3");
    std::string seen;
    s.onBox([&](const sim::BoxRecord& box) {
        seen = box.text;
        // Acting while the box is up: a nested modal window.
        s.onModal("TForm3", [](ui::Form& form) { form.Close(); });
        f.ShowModal();
        return Answer::Ok;
    });
    EXPECT_EQ(p.messageBox("c", "cap", plat::mb::Ok | plat::mb::Topmost), Answer::Ok);
    ASSERT_EQ(s.boxes().size(), 3u);
    EXPECT_EQ(s.boxes()[0].style, 0x21u);
    EXPECT_EQ(seen, "c");
    EXPECT_EQ(s.boxes()[2].answer, Answer::Ok);
    EXPECT_EQ(s.modals(), std::vector<std::string>{"TForm3"});
}

TEST_F(SimLoop, WhatCannotProgressFailsInsteadOfHanging) {
    expectFailures = true;
    TestForm f("TForm2");
    struct Row {
        const char* what;
        std::function<void()> act;
    } rows[] = {
        {"unanswered box", [&] { p.messageBox("t", "c", plat::mb::Ok); }},
        {"an answer the box has no button for",
         [&] {
             s.answerBoxes({Answer::Retry});
             p.messageBox("t", "c", plat::mb::OkCancel);
         }},
        {"modal loop with nothing to wait for", [&] { f.ShowModal(); }},
        {"the same, reached through a click handler",
         [&] {
             ui::Button b(nullptr, "B", nullptr, {});
             b.OnClick = [&] { f.ShowModal(); };
             b.click();  // ui::dispatch catches std::exception only
         }},
        {"a timer that never closes the window",
         [&] {
             s.setIdleTimeLimit(10000);
             auto t = p.setTimer(1000, [] {});
             try {
                 f.ShowModal();
             } catch (...) {
                 p.killTimer(t);
                 throw;
             }
         }},
        {"a waiting loop that pumps in vain",
         [&] {
             s.setSpinLimit(1000);
             s.writeFile("C:\\00.reg", "r");
             s.lockFile("C:\\00.reg");
             while (p.deleteFile("C:\\00.reg").failed()) p.processMessages();
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        failures.clear();
        EXPECT_THROW(r.act(), sim::Stuck);
        EXPECT_EQ(failures.size(), 1u) << "the failure handler hears of it once";
    }
    EXPECT_EQ(s.boxes().size(), 2u) << "boxes are recorded even when unanswered";
}

TEST_F(SimLoop, AStartedProgramHoldsItsFileUntilThePumpLetsItGo) {
    s.writeFile("C:\\setvice.exe", "exe");
    s.onExec([&](const std::string& command) { s.lockFile(command); });
    p.winExec("C:\\setvice.exe", plat::sw::Show);
    int pumps = 0;
    s.onPump([&] {
        if (++pumps == 5) s.unlockFile("C:\\setvice.exe");
    });
    while (p.deleteFile("C:\\setvice.exe").failed()) p.processMessages();
    EXPECT_EQ(pumps, 5);
    ASSERT_EQ(s.execs().size(), 1u);
    EXPECT_EQ(s.execs()[0].showMode, plat::sw::Show);
    p.shellOpen("http://example.invalid/", plat::sw::ShowNormal);
    ASSERT_EQ(s.opened().size(), 1u);
    EXPECT_EQ(s.opened()[0].address, "http://example.invalid/");
}

TEST_F(SimLoop, GaugesRecordRepaintsAndTreesKeepTheirSelection) {
    s.addDrive('D');
    s.makeFolder("C:\\Games\\Luna");
    TestForm f("TForm3");
    auto& gauge = f.get<ui::Gauge>("Gauge1");
    for (int v : {30, 30, 50, 85, 99}) gauge.setProgress(v);
    EXPECT_EQ(s.gaugePaints(gauge), (std::vector<int>{30, 50, 85, 99})) << "one paint per change of percentage";

    auto& tree = f.get<ui::ShellTreeView>("ShellTreeView1");
    EXPECT_EQ(tree.path(), "");
    s.setTreeSelection(tree, "c:\\GAMES\\luna\\");
    EXPECT_EQ(tree.path(), "C:\\Games\\Luna") << "the file system's spelling";
    f.setVisible(true);
    f.setVisible(false);
    EXPECT_EQ(tree.path(), "C:\\Games\\Luna") << "the selection survives hiding and showing";
    s.setTreeSelection(tree, "d:");
    EXPECT_EQ(tree.path(), "D:\\") << "a drive root as X:\\";
    EXPECT_THROW(s.setTreeSelection(tree, "C:\\Missing"), std::logic_error);
    EXPECT_EQ(s.peerEvents(gauge).front(), sim::PeerEvent::Created);
}

TEST_F(SimLoop, ShellLinksAreSavedIntoTheDrives) {
    const std::string folder = p.programsFolder() + "\\Lunavire";
    auto link = p.createShellLink();
    link->setPath("C:\\Game\\KESTAL.exe");
    link->setWorkingDirectory("C:\\Game");
    link->save(plat::Path(folder + "\\Lunavire.lnk"));
    ASSERT_TRUE(p.createFolder(plat::Path(folder)).ok());
    link->save(plat::Path(folder + "\\Lunavire.lnk"));
    ASSERT_EQ(s.links().size(), 2u);
    EXPECT_FALSE(s.links()[0].saved) << "no folder, no link";
    EXPECT_TRUE(s.links()[1].saved);
    EXPECT_EQ(s.links()[1].workingDirectory, "C:\\Game");
    EXPECT_TRUE(p.fileExists(plat::Path(folder + "\\LUNAVIRE.LNK")));

    s.failShellLinkCreation(true);
    EXPECT_THROW(p.createShellLink(), base::Error);
    s.setProgramsFolder("");
    EXPECT_EQ(p.programsFolder(), "");
}

}  // namespace
}  // namespace simtest
