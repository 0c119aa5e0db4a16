// A disc installation that meets real life: too little room on the drive,
// an install folder left half done by a run that stopped, the next disc in
// another CD drive, and the log that tells afterwards what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "shell/MessageTable.h"
#include "tests/unit/discinstall/DiscRunFixture.h"

namespace {

using namespace discruntest;
using plat::Answer;
using shell::Msg;
using Files = std::vector<std::pair<std::string, std::string>>;

const std::string kInstall = "c:\\Lunavire";

// Every file of the three discs, as the install folder holds them in the end.
Files installed() {
    Files all = under("", kDisc1, "game\\");
    for (const auto& f : kDisc2) all.push_back(f);
    for (const auto& f : kDisc3) all.push_back(f);
    return all;
}

std::string discPath(const std::string& rest) {
    for (const auto& f : kDisc1)
        if (f.first == "game\\" + rest) return "D:\\" + f.first;
    for (const auto& f : kDisc2)
        if (f.first == rest) return "E:\\" + f.first;
    return "F:\\" + rest;
}

class Resume : public DiscRun {
protected:
    void SetUp() override {
        DiscRun::SetUp();
        // Three discs in three CD drives: the run finds each one itself.
        for (char d : {'D', 'E', 'F'}) s.setDriveType(d, plat::DriveType::CdRom);
        const auto finished = Form2->KqFileCopy1->OnFinish;
        Form2->KqFileCopy1->OnFinish = [this, finished](ui::Component* c) {
            copied.insert(Form2->KqFileCopy1->ExistingFile());
            finished(c);
        };
    }

    std::vector<std::string> filesBelow(const std::string& folder) const {
        std::vector<std::string> out;
        if (!s.exists(folder)) return out;
        for (const std::string& name : s.listNames(folder)) {
            const std::string path = folder + "\\" + name;
            if (s.attributes(path) & plat::attr::Directory) {
                for (const std::string& f : filesBelow(path)) out.push_back(f);
            } else {
                out.push_back(path);
            }
        }
        return out;
    }
    std::vector<std::string> strays() const {
        std::vector<std::string> out;
        for (const std::string& f : filesBelow(kInstall))
            if (f.find(".~") != std::string::npos) out.push_back(f);
        return out;
    }
    // The install folder holds every file whole: the disc's bytes and time.
    void expectWhole() {
        for (const auto& f : installed()) {
            EXPECT_EQ(s.readFile(kInstall + "\\" + f.first), f.second) << f.first;
            if (s.exists(kInstall + "\\" + f.first)) {
                EXPECT_EQ(s.fileTime(kInstall + "\\" + f.first), s.fileTime(discPath(f.first))) << f.first;
            }
        }
        EXPECT_EQ(strays(), std::vector<std::string>{});
    }
    // The free space of drive C made `bytes`.
    void leaveFree(std::uint64_t bytes) {
        const std::uint64_t huge = std::uint64_t{1} << 40;
        std::uint64_t free = 0;
        s.setDriveCapacity('C', huge);
        ASSERT_TRUE(p.freeSpace("C:\\", free).ok());
        s.setDriveCapacity('C', huge - free + bytes);
    }
    std::string noRoomText(const std::string& freeMb, int disc, const std::string& neededMb) const {
        return shell::formatText(Form1->messages.get(shell::Text::NoRoom),
                                 {"C:", freeMb, std::to_string(disc), neededMb});
    }
    // The run's log: in the install folder, or in the temporary folder when
    // the run wrote nothing there.
    std::string log() const {
        if (auto inFolder = s.readFile(kInstall + "\\install.log")) return *inFolder;
        return s.readFile("C:\\Temp\\Lunavire install.log").value_or("");
    }
    void again() {
        copied.clear();
        ui::app().reset();
        ui::app().setMainForm(Form1);
    }

    std::set<std::string> copied;  // sources of the copies that finished
};

// ---------------------------------------------------------------- room for a disc

TEST_F(Resume, TooLittleRoomIsToldBeforeTheDiscAndRetryGoesOnOnceThereIsRoom) {
    struct Row {
        const char* name;
        int disc;
        Answer answer;
    } rows[] = {
        {"disc 1, room made, Retry", 1, Answer::Retry},
        {"disc 1, Cancel", 1, Answer::Cancel},
        {"disc 3, room made, Retry", 3, Answer::Retry},
        {"disc 3, Cancel", 3, Answer::Cancel},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> asked;
        if (r.disc == 1) leaveFree(3000);
        onEachBox = [&](const sim::BoxRecord& b) {
            if (r.disc == 3 && b.text == msg(Msg::InsertDisc3)) leaveFree(3000);
        };
        s.onBox([&](const sim::BoxRecord& b) {
            if (b.style != shell::boxStyleOf(shell::Question::TooLittleRoom)) return answerBox(b);
            asked.push_back(b.text);
            // Nothing of the disc is written before the player answers, and
            // for disc 1 not even the folder, its log or its record.
            EXPECT_FALSE(s.exists(kInstall + (r.disc == 1 ? "" : "\\music")));
            if (r.answer == Answer::Retry && asked.size() == 2) s.setDriveCapacity('C', 0);  // room made
            return r.answer;
        });
        const std::size_t links = s.links().size();
        install();
        // Every file in whole allocation units of 4096 bytes: 32 KB for disc 1, 8 KB for disc 3.
        EXPECT_EQ(asked.size(), r.answer == Answer::Retry ? 2u : 1u) << "a Retry without room asks again";
        EXPECT_EQ(asked.front(), noRoomText("0", r.disc, "1"));
        if (r.answer == Answer::Retry) {
            expectWhole();
            EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
        } else {
            EXPECT_FALSE(s.exists(kInstall + (r.disc == 1 ? "\\game00.dat" : "\\music")));
            if (r.disc == 3) expectTree(kInstall, kDisc2);
            EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallIncomplete));
            EXPECT_TRUE(ui::app().terminated()) << "as giving up at a disc prompt";
            EXPECT_EQ(s.links().size(), links);
        }
        EXPECT_NE(log().find(r.answer == Answer::Retry ? "answer Retry" : "answer Cancel"), std::string::npos);
        onEachBox = nullptr;
        s.onBox([this](const sim::BoxRecord& b) { return answerBox(b); });
        s.setDriveCapacity('C', 0);
        s.remove(kInstall);
        again();
    }
}

// The uninstaller (a copy of this program) goes in with disc 1: disc 1's room
// counts it, and nothing of it is written before there is room for both.
TEST_F(Resume, DiscOnesRoomCountsTheUninstaller) {
    s.writeFile("D:\\Setup.exe", std::string(2 * 1024 * 1024, 'x'));
    leaveFree(1536 * 1024);  // room for disc 1's files, the log and the record, not for the program
    std::vector<std::string> asked;
    s.onBox([&](const sim::BoxRecord& b) {
        if (b.style != shell::boxStyleOf(shell::Question::TooLittleRoom)) return answerBox(b);
        asked.push_back(b.text);
        EXPECT_FALSE(s.exists(kInstall)) << "no part of the uninstaller yet, nor the folder";
        return Answer::Cancel;
    });
    install();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front(), noRoomText("1", 1, "3")) << "2 MB of the program and 32 KB of the disc, rounded up";
    EXPECT_NE(log().find("with the uninstaller's 2.0 MB"), std::string::npos) << log();
}

// Room exactly for disc 3's copies is not room enough: the run also writes
// two record lines and a log line for each file and makes three folders.
TEST_F(Resume, ARunsRoomCountsTheRecordTheLogAndTheFoldersItMakes) {
    onEachBox = [&](const sim::BoxRecord& b) {
        // The two files of disc 3 in whole units, and some more for the log's line of the answer.
        if (b.text == msg(Msg::InsertDisc3)) leaveFree(2 * 4096 + 2000);
    };
    std::vector<std::string> asked;
    s.onBox([&](const sim::BoxRecord& b) {
        if (b.style != shell::boxStyleOf(shell::Question::TooLittleRoom)) return answerBox(b);
        asked.push_back(b.text);
        EXPECT_FALSE(s.exists(kInstall + "\\music")) << "nothing of the disc before the answer";
        return Answer::Cancel;
    });
    install();
    ASSERT_EQ(asked.size(), 1u);
    // The three folders it makes, a unit each (the record's and the log's lines fit the units they have).
    EXPECT_NE(log().find("disc 3: 2 files, 1028 bytes; 0 in place, 2 to copy (1028 bytes), needing 20480 bytes and "
                         "the record's, the log's and the folders' 12288 bytes"),
              std::string::npos)
        << log();
    onEachBox = nullptr;
}

TEST_F(Resume, FilesWholeAlreadyNeedNoRoom) {
    // Disc 1 whole from an earlier run; room for disc 2 and 3 only.
    install();
    s.remove(kInstall + "\\game03.dat");
    s.remove(kInstall + "\\music");
    again();
    leaveFree(8 * 4096);  // the record, the log and the folders made take room too
    std::size_t noRoom = 0;
    onEachBox = [&](const sim::BoxRecord& b) {
        noRoom += b.style == shell::boxStyleOf(shell::Question::TooLittleRoom);
    };
    install();
    EXPECT_EQ(noRoom, 0u);
    expectWhole();
    EXPECT_EQ(copied, (std::set<std::string>{"E:\\game03.dat", "F:\\music\\bgm\\01.ogg", "F:\\music\\x.dat\\02.ogg"}));
    EXPECT_EQ(Form2->ProgressBar3->position(), 100) << "files found whole count as done";
}

// ---------------------------------------------------------------- resuming

TEST_F(Resume, ARunCancelledAtAnyDiscIsFinishedByTheNextOneCopyingOnlyWhatIsMissing) {
    for (const char* at : {"D:\\game\\game00.dat", "D:\\game\\vandry.exe", "E:\\game03.dat", "F:\\music\\x.dat\\02.ogg"}) {
        SCOPED_TRACE(at);
        const auto bars = Form2->KqFileCopy1->OnCopyProgress;
        Form2->KqFileCopy1->OnCopyProgress = [&](ui::Component* c, std::uint32_t total, std::uint32_t done,
                                                 std::uint8_t step) {
            bars(c, total, done, step);
            if (Form2->KqFileCopy1->ExistingFile() == at) Form2->Button3->click();
        };
        install();
        Form2->KqFileCopy1->OnCopyProgress = bars;
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallIncomplete));
        EXPECT_EQ(strays(), std::vector<std::string>{});
        std::set<std::string> missing;
        for (const auto& f : installed()) {
            const std::string there = kInstall + "\\" + f.first;
            if (s.readFile(there) != f.second || s.fileTime(there) != s.fileTime(discPath(f.first)))
                missing.insert(discPath(f.first));
        }
        EXPECT_FALSE(missing.empty());
        again();
        install();
        expectWhole();
        EXPECT_EQ(copied, missing) << "what was whole is not copied again";
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
        s.remove(kInstall);
        again();
    }
}

TEST_F(Resume, WhatTheFolderHoldsDecidesWhetherAFileIsCopied) {
    const std::string game01 = kInstall + "\\game01.dat", save = kInstall + "\\save\\slot1\\s.dat";
    struct Row {
        const char* name;
        std::string bytes;
        std::int64_t offset;  // from the disc's time, in FILETIME units
        bool copiedAgain;
    } rows[] = {
        {"the disc's file", "one", 0, false},
        {"within FAT's two seconds", "one", 2 * static_cast<std::int64_t>(plat::kFileTimeSecond), false},
        {"same size, three seconds later", "eno", 3 * static_cast<std::int64_t>(plat::kFileTimeSecond), true},
        {"same size, earlier", "eno", -100 * static_cast<std::int64_t>(plat::kFileTimeSecond), true},
        {"other size, same time", "one more", 0, true},
        {"empty, same time", "", 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        s.writeFile(game01, r.bytes);
        const std::uint64_t stamp = s.fileTime("D:\\game\\game01.dat") + static_cast<std::uint64_t>(r.offset);
        s.setFileTime(game01, stamp);
        s.writeFile(save, "my progress");
        install();
        EXPECT_EQ(copied.count("D:\\game\\game01.dat"), r.copiedAgain ? 1u : 0u);
        EXPECT_EQ(s.readFile(game01), "one");
        EXPECT_EQ(s.fileTime(game01), r.copiedAgain ? s.fileTime("D:\\game\\game01.dat") : stamp)
            << "a whole file is not touched at all";
        EXPECT_EQ(s.readFile(save), "my progress") << "a saved game is kept";
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
        s.remove(kInstall);
        again();
    }
}

TEST_F(Resume, WhatAStoppedRunLeftBesideItsFilesIsRemoved) {
    // A run killed during game00.dat and again later: its temporary files.
    s.writeFile(kInstall + "\\game00.~00", std::string(2048, '0'));
    s.writeFile(kInstall + "\\game00.~1f", "half");
    s.writeFile(kInstall + "\\game00.~01", "locked");
    s.lockFile(kInstall + "\\game00.~01");
    // Not a temporary file of the run's: left alone.
    s.writeFile(kInstall + "\\game00.~zz", "mine");
    s.writeFile(kInstall + "\\notes.~00", "mine too");
    install();
    EXPECT_EQ(s.readFile(kInstall + "\\game00.dat"), std::string(5000, '0'));
    EXPECT_FALSE(s.exists(kInstall + "\\game00.~00"));
    EXPECT_FALSE(s.exists(kInstall + "\\game00.~1f"));
    EXPECT_EQ(s.readFile(kInstall + "\\game00.~01"), "locked") << "one that cannot go stays";
    EXPECT_EQ(s.readFile(kInstall + "\\game00.~zz"), "mine");
    EXPECT_EQ(s.readFile(kInstall + "\\notes.~00"), "mine too");
    EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
    EXPECT_NE(log().find("removed c:\\Lunavire\\game00.~00, left by a run that was stopped"), std::string::npos);
    s.unlockFile(kInstall + "\\game00.~01");
}

// ---------------------------------------------------------------- the disc in any drive

TEST_F(Resume, TheNextDiscIsFoundInAnyCdDriveInLetterOrder) {
    // Disc 2 only in the third of three more CD drives; disc 3 in a fixed
    // drive (not looked at) and in a CD drive after disc 2's.
    s.remove("E:\\game03.dat");
    s.remove("F:\\music");
    for (char d : {'G', 'H', 'I', 'J', 'K'}) s.addDrive(d, true);
    for (char d : {'G', 'H', 'I', 'K'}) s.setDriveType(d, plat::DriveType::CdRom);
    put("G:", kDisc1);  // another disc in the way
    put("K:", kDisc2);
    put("J:", kDisc3);
    put("I:", kDisc3);
    install();
    EXPECT_EQ(std::count(s.modals().begin(), s.modals().end(), "TForm3"), 0) << "no folder to pick";
    for (const auto& f : kDisc2) EXPECT_EQ(s.readFile(kInstall + "\\" + f.first), f.second);
    for (const auto& f : kDisc3) EXPECT_EQ(s.readFile(kInstall + "\\" + f.first), f.second);
    EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
    EXPECT_NE(log().find("disc 2 found in K:"), std::string::npos);
    EXPECT_NE(log().find("disc 3 found in I:"), std::string::npos);
}

// ---------------------------------------------------------------- the log

TEST_F(Resume, TheLogTellsEachFileEachQuestionAndTheOutcome) {
    s.failOpen("D:\\game\\game01.dat", plat::err::AccessDenied);
    answerFailures({Answer::Ignore});
    install();
    const std::string text = log();
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    const std::string access = p.ansiToUtf8(text::withoutLineBreak(p.errorText(plat::err::AccessDenied)));
    for (const std::string& line : {
             std::string("==== disc installation - Lunavire setup "),
             std::string("source folder D:, install folder c:\\Lunavire\r\n"),
             std::string("disc 1: 8 files, "),
             std::string("copied D:\\game\\game00.dat -> c:\\Lunavire\\game00.dat (5000 bytes)\r\n"),
             "failed D:\\game\\game01.dat -> c:\\Lunavire\\game01.dat: error 5: " + access + "; answer Ignore\r\n",
             std::string("asked for disc 2: answer Retry\r\n"),
             std::string("disc 2 found in E:\r\n"),
             std::string("outcome: incomplete, 10 files in place, 1 left out:\r\n         c:\\Lunavire\\game01.dat\r\n"),
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    EXPECT_EQ(text.find("ANSI code page 936") < text.find("disc 1:"), true);
}

}  // namespace
