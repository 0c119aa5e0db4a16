// The voice add-on: its three files in the root of drive C exist only while
// the installers and the import run.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/App.h"
#include "extras/VoiceAddOn.h"
#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "tests/support/Containers.h"
#include "tests/support/SimTest.h"

namespace {

using plat::Answer;

const char kSetup[] = "c:\\setvice.exe";
const char kEngine[] = "c:\\asr3232.exe";
const char kScript[] = "c:\\00.reg";
const char kImport[] = "\"C:\\WINDOWS\\RegEdit\" /s c:\\00.reg";

class VoiceAddOn : public simtest::SimTest {
protected:
    void SetUp() override {
        s.setResource("EX0", "SOUNDS", testpay::makeContainer("setup program"));
        s.setResource("EX0", "SOUND1", testpay::makeContainer("engine program"));
        s.setResource("RE0", "REG000", testpay::makeContainer("REGEDIT4\r\n"));
        app::createForms();
        Form1->Timer1->setEnabled(false);  // the start-up language is not under test here
    }
    void TearDown() override { app::destroyForms(); }

    // Each installer holds its own file open while it runs, for ms of virtual time.
    void installersRunFor(std::uint64_t setupMs, std::uint64_t engineMs) {
        s.onExec([this, setupMs, engineMs](const std::string& line) {
            if (line == kSetup) runFor(kSetup, setupMs);
            if (line == kEngine) runFor(kEngine, engineMs);
            if (line == kImport) imported = s.readFile(kScript).value_or("(missing)");
        });
    }
    void runFor(const std::string& file, std::uint64_t ms) {
        s.lockFile(file);
        auto id = std::make_shared<plat::Desktop::TimerId>();
        *id = s.setTimer(static_cast<std::uint32_t>(ms), [this, file, id] {
            s.unlockFile(file);
            ended.push_back({file, s.now()});
            s.killTimer(*id);
        });
    }
    std::size_t boxesWithText(shell::Msg m) const {
        std::size_t n = 0;
        for (const auto& b : s.boxes()) n += b.text == Form1->messages.get(m);
        return n;
    }

    std::string imported;
    std::vector<std::pair<std::string, std::uint64_t>> ended;
};

TEST_F(VoiceAddOn, CancelWritesNothingAndStartsNothing) {
    s.answerBoxes({Answer::Cancel});
    Form1->Button4->click();
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].text, Form1->messages.get(shell::Msg::ConfirmVoiceAddOn));
    EXPECT_EQ(s.boxes()[0].caption, Form1->messages.get(shell::Msg::Notice));
    EXPECT_EQ(s.boxes()[0].style, 0x40021u);
    for (const char* f : {kSetup, kEngine, kScript}) EXPECT_FALSE(s.exists(f)) << f;
    EXPECT_TRUE(s.execs().empty());
}

TEST_F(VoiceAddOn, WaitsForBothInstallersWithTheWindowsAliveThenRemovesEverything) {
    installersRunFor(3000, 7000);
    std::uint64_t doneAt = 0;
    s.onBox([&](const sim::BoxRecord& b) {
        if (b.text == Form1->messages.get(shell::Msg::VoiceAddOnDone)) doneAt = s.now();
        return Answer::Ok;
    });
    // While the installers run, the player uses the main window.
    s.post([&] { Form1->Button5->click(); });

    Form1->Button4->click();

    ASSERT_EQ(s.execs().size(), 3u);
    EXPECT_EQ(s.execs()[0].commandLine, kSetup);
    EXPECT_EQ(s.execs()[0].showMode, 5);
    EXPECT_EQ(s.execs()[1].commandLine, kEngine);
    EXPECT_EQ(s.execs()[1].showMode, 5);
    EXPECT_EQ(s.execs()[2].commandLine, kImport) << "the system's own registry editor, by its full path";
    EXPECT_EQ(s.execs()[2].showMode, 1);
    EXPECT_TRUE(s.execs()[2].waited) << "the script is deleted only after the editor has imported it";
    EXPECT_EQ(imported, "REGEDIT4\r\n");

    EXPECT_EQ(s.opened().size(), 1u) << "the home page button worked during the wait";
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_GE(doneAt, 7000u) << "the completion message waits for the last installer";
    EXPECT_EQ(boxesWithText(shell::Msg::VoiceAddOnDone), 1u);
    EXPECT_EQ(s.boxes().back().style, 0x40040u);
    for (const char* f : {kSetup, kEngine, kScript}) EXPECT_FALSE(s.exists(f)) << f;
}

TEST_F(VoiceAddOn, TheWaitSleepsBetweenTriesInsteadOfSpinning) {
    installersRunFor(10000, 10000);
    std::uint64_t tries = 0;
    s.onPump([&] { ++tries; });
    s.answerBoxes({Answer::Ok, Answer::Ok});
    Form1->Button4->click();
    // 10 s of waiting at one try per kVoiceRetryMs: about a hundred pumps, not millions.
    EXPECT_LE(tries, 10000 / extras::kVoiceRetryMs + 10);
    EXPECT_GE(tries, 10000 / extras::kVoiceRetryMs - 10);
}

TEST_F(VoiceAddOn, LeftoversOfAnEarlierAttemptAreReplaced) {
    s.writeFile(kSetup, "old setup");
    s.writeFile(kEngine, "old engine");
    std::string setupSeen, engineSeen;
    s.onExec([&](const std::string& line) {
        if (line == kSetup) setupSeen = s.readFile(kSetup).value_or("");
        if (line == kEngine) engineSeen = s.readFile(kEngine).value_or("");
    });
    s.answerBoxes({Answer::Ok, Answer::Ok});
    Form1->Button4->click();
    EXPECT_EQ(setupSeen, "setup program");
    EXPECT_EQ(engineSeen, "engine program");
    EXPECT_FALSE(s.exists(kSetup));
}

TEST_F(VoiceAddOn, AnUnwritableRootStopsAtTheFirstFileWithItsError) {
    s.failCreate(plat::temporaryPath(kSetup).text(), plat::err::AccessDenied);
    s.answerBoxes({Answer::Ok, Answer::Ok});
    Form1->Button4->click();
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[1].caption, "Setup") << "the application's error box";
    EXPECT_NE(s.boxes()[1].text.find(kSetup), std::string::npos) << s.boxes()[1].text;
    EXPECT_TRUE(s.execs().empty()) << "nothing is started";
    for (const char* f : {kSetup, kEngine, kScript}) EXPECT_FALSE(s.exists(f)) << f;
}

TEST_F(VoiceAddOn, WhatDidNotRunIsReportedInsteadOfSuccess) {
    const std::string exitCode1 = shell::formatCount(Form1->messages.get(shell::Text::ExitCode), 1);
    struct Row {
        const char* name;
        std::function<void(sim::SimPlatform&)> arrange;
        std::string reasons;  // below the text that heads them
        std::size_t started;
    } rows[] = {
        {"the registry editor cannot start", [](sim::SimPlatform& s) { s.failExec(kImport, 2); },
         plat::systemError(2, kImport).what(), 2},
        {"the registry editor fails", [](sim::SimPlatform& s) { s.setExitCode(kImport, 1); },
         exitCode1 + "\r\n" + kImport, 3},
        {"an installer cannot start", [](sim::SimPlatform& s) { s.failExec(kEngine, 5); },
         plat::systemError(5, kEngine).what(), 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        r.arrange(s);
        const std::size_t boxes = s.boxes().size(), execs = s.execs().size();
        s.answerBoxes({Answer::Ok, Answer::Ok});
        Form1->Button4->click();
        EXPECT_EQ(s.execs().size() - execs, r.started) << "the others are started all the same";
        ASSERT_EQ(s.boxes().size(), boxes + 2);
        const sim::BoxRecord& report = s.boxes().back();
        EXPECT_EQ(report.text, Form1->messages.get(shell::Text::VoiceAddOnFailed) + "\r\n" + r.reasons)
            << "the reason instead of message 2";
        EXPECT_EQ(report.caption, Form1->messages.get(shell::Msg::Error));
        EXPECT_EQ(report.style, 0x40010u);
        for (const char* f : {kSetup, kEngine, kScript}) EXPECT_FALSE(s.exists(f)) << f << " is removed all the same";
        s.failExec(kImport, 0);
        s.failExec(kEngine, 0);
        s.setExitCode(kImport, 0);
    }
}

TEST_F(VoiceAddOn, AFileRemovedBySomeoneElseEndsItsLoop) {
    // The engine's installer never ends by itself, but a scanner removes its file.
    s.onExec([&](const std::string& line) {
        if (line != kEngine) return;
        s.lockFile(kEngine);
        // Still held open by its installer when it vanishes; a loop that
        // kept waiting would run out of virtual time and fail the test.
        s.setTimer(2000, [&] { s.remove(kEngine); });
    });
    s.answerBoxes({Answer::Ok, Answer::Ok});
    Form1->Button4->click();
    EXPECT_EQ(boxesWithText(shell::Msg::VoiceAddOnDone), 1u);
}

}  // namespace

TEST_F(VoiceAddOn, TheLogInTheTemporaryFolderTellsWhatRanAndWhatDidNot) {
    s.makeFolder(p.tempFolder());
    s.failExec(kEngine, plat::err::AccessDenied);
    s.answerBoxes({Answer::Ok, Answer::Ok});
    Form1->Button4->click();
    const std::string log = s.readFile(p.tempFolder() + "\\Lunavire voice.log").value_or("");
    for (const std::string& line : {
             std::string("==== voice add-on - "),
             std::string("wrote c:\\setvice.exe ("),
             std::string("started c:\\setvice.exe\r\n"),
             std::string("could not start c:\\asr3232.exe: 5: "),
             std::string(kImport) + " ended with exit code 0\r\n",
             std::string("removed c:\\00.reg\r\n"),
             std::string("outcome: not installed\r\n"),
         })
        EXPECT_NE(log.find(line), std::string::npos) << line << "\nin\n" << log;
}
