// A run's log: held until its folder is known, UTF-8 with a byte-order mark
// for any Windows, in the temporary folder when its own cannot take it, and
// never more than the last megabyte of runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/Program.h"
#include "shell/RunLog.h"
#include "tests/support/SimTest.h"

namespace {

using shell::RunLog;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kTemp = "C:\\Temp";
const std::string kGame = "C:\\Games\\Lunavire";

class RunLogTest : public simtest::SimTest {
protected:
    void SetUp() override {
        s.makeFolder(kTemp);
        s.makeFolder(kGame);
        s.advance(((13 * 60) + 5) * 60 * 1000 + 9000);  // 13:05:09 on the sim's first day
    }
    std::string file(const std::string& path) const { return s.readFile(path).value_or("(none)"); }
    std::string inGame() const { return file(kGame + "\\install.log"); }
    std::string inTemp() const { return file(kTemp + "\\Lunavire install.log"); }
};

TEST_F(RunLogTest, LinesWaitForTheirFolderThenTellTheRunInUtf8) {
    {
        RunLog log(shell::kInstallLog, "disc installation");
        log.line("source D:");
        EXPECT_FALSE(s.exists(kGame + "\\install.log")) << "nothing is written before the folder is checked";
        log.place(plat::Path(kGame));
        log.line(simtest::ansi("copied D:\\月之乗\\a.dat"));
        log.line("failed\r\nsecond line");
        EXPECT_EQ(log.path().text(), kGame + "\\install.log");
    }
    const std::string text = inGame();
    EXPECT_EQ(text.substr(0, 3), kBom) << "a byte-order mark first, for Notepad on any code page";
    EXPECT_NE(text.find("\r\n==== disc installation - Lunavire setup 1.0.0.0 - 2026-01-01 13:05:09\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("13:05:09 Windows 5.1.2600 Service Pack 3, ANSI code page 936\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("13:05:09 source D:\r\n"), std::string::npos) << "the lines held come first, in order";
    EXPECT_NE(text.find("13:05:09 copied D:\\\xE6\x9C\x88\xE4\xB9\x8B\xE4\xB9\x97\\a.dat\r\n"), std::string::npos)
        << "GBK text as UTF-8, a trail byte 0x5C no backslash";
    EXPECT_NE(text.find("13:05:09 failed\r\n         second line\r\n"), std::string::npos)
        << "a line break inside a line continues it, indented";
    EXPECT_FALSE(s.exists(kTemp + "\\Lunavire install.log"));
}

TEST_F(RunLogTest, ASecondRunAppendsToTheFirst) {
    for (const char* run : {"first", "second"}) {
        RunLog log(shell::kInstallLog, run);
        log.place(plat::Path(kGame));
        log.line(std::string("line of the ") + run);
    }
    const std::string text = inGame();
    EXPECT_EQ(text.rfind(kBom), 0u) << "one mark, at the start";
    const auto first = text.find("line of the first"), second = text.find("==== second");
    EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second) << text;
}

TEST_F(RunLogTest, ALogWithoutAFolderOfItsOwnGoesToTheTemporaryFolder) {
    struct Row {
        const char* why;
        std::function<void()> arrange;
        bool placed;
    } rows[] = {
        {"the run ended before its folder was known", [] {}, false},
        {"the folder cannot take a new file", [this] { s.failCreate(kGame + "\\install.log", plat::err::AccessDenied); },
         true},
        {"the log there is held by another program", [this] {
             s.writeFile(kGame + "\\install.log", kBom + "old");
             s.lockFile(kGame + "\\install.log");
         },
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        s.remove(kTemp + "\\Lunavire install.log");
        r.arrange();
        {
            RunLog log(shell::kInstallLog, "disc installation");
            if (r.placed) log.place(plat::Path(kGame));
            log.line("the line");
            EXPECT_EQ(log.path().text(), r.placed ? kTemp + "\\Lunavire install.log" : "");
        }
        const std::string text = inTemp();
        EXPECT_EQ(text.substr(0, 3), kBom);
        EXPECT_NE(text.find("==== disc installation"), std::string::npos) << text;
        EXPECT_NE(text.find(" the line\r\n"), std::string::npos) << text;
        if (r.placed) {
            EXPECT_NE(text.find("this log goes on here: " + kGame + "\\install.log cannot be written"),
                      std::string::npos)
                << "it says where the log should have been: " << text;
        }
        s.clearFaults();
        s.unlockFile(kGame + "\\install.log");
    }
}

TEST_F(RunLogTest, ADiskThatRunsFullMidRunSendsTheRestToTheTemporaryFolder) {
    s.addDrive('G');
    s.makeFolder("G:\\Lunavire");
    RunLog log(shell::kInstallLog, "disc installation");
    log.place("G:\\Lunavire");
    log.line("before");
    s.setDriveCapacity('G', s.readFile("G:\\Lunavire\\install.log")->size() + 10);
    log.line("a line longer than the room that is left");
    log.line("after");
    EXPECT_EQ(log.path().text(), kTemp + "\\Lunavire install.log");
    const std::string temp = inTemp();
    EXPECT_NE(temp.find("cannot be written (112: "), std::string::npos) << "with the system's reason: " << temp;
    EXPECT_NE(temp.find(" a line longer than the room that is left\r\n"), std::string::npos) << temp;
    EXPECT_NE(temp.find(" after\r\n"), std::string::npos) << temp;
}

TEST_F(RunLogTest, TheLogKeepsTheLastMegabyteOfWholeRuns) {
    // Old runs of 100 KB each, then one run as long as the limit without a
    // mark of its own inside.
    struct Row {
        const char* what;
        std::string old;
        const char* firstKept;  // what the trimmed log starts with after its mark
    } rows[] = {
        {"many runs", "", "==== "},
        {"one long run", kBom + "\r\n==== long\r\n" + std::string(RunLog::kLimit - 20, 'x') + "\r\nend of long\r\n",
         "end of long\r\n"},
    };
    for (int i = 0; i < 11; ++i)
        rows[0].old += (i ? "" : kBom) + std::string("\r\n==== old run ") + std::to_string(i) + "\r\n" +
                       std::string(100 * 1024, 'o') + "\r\n";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        s.writeFile(kGame + "\\install.log", r.old);
        {
            RunLog log(shell::kInstallLog, "newest");
            log.place(plat::Path(kGame));
            for (int i = 0; i < 200; ++i) log.line("line " + std::to_string(i) + std::string(200, 'n'));
        }
        const std::string text = inGame();
        EXPECT_LE(text.size(), RunLog::kLimit);
        EXPECT_EQ(text.substr(0, 3), kBom) << "still marked";
        EXPECT_EQ(text.substr(3, std::string(r.firstKept).size()), r.firstKept) << "cut where a run or a line starts";
        EXPECT_EQ(text.find("\r\n==== old run 0\r\n"), std::string::npos) << "the oldest run went first";
        EXPECT_NE(text.find("==== newest"), std::string::npos);
        EXPECT_NE(text.find(" line 199" + std::string(200, 'n') + "\r\n"), std::string::npos)
            << "the newest run is whole";
        EXPECT_FALSE(s.exists(kGame + "\\install.~00")) << "trimmed through a whole replacement";
    }
}

TEST_F(RunLogTest, WhatAKilledTrimLeftBesideTheLogGoesWhenTheNextRunPlacesIt) {
    s.writeFile(kGame + "\\install.~00", "half of a trimmed log");
    s.writeFile(kGame + "\\install.ini", "the player's");
    {
        RunLog log(shell::kInstallLog, "disc installation");
        log.place(plat::Path(kGame));
    }
    EXPECT_FALSE(s.exists(kGame + "\\install.~00"));
    EXPECT_EQ(s.readFile(kGame + "\\install.ini"), "the player's");
    EXPECT_NE(inGame().find("==== disc installation"), std::string::npos);
}

}  // namespace
