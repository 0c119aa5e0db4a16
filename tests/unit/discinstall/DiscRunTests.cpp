// The disc installation window and its run against the simulated Windows:
// three discs in read-only drives, the player answering the prompts, each
// file copied by the real copy component and its worker thread.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "tests/unit/discinstall/DiscRunFixture.h"

namespace {

using namespace discruntest;
using plat::Answer;
using shell::Msg;

TEST_F(DiscRun, ThreeDiscsLandInTheInstallFolderAndTheGameGetsItsShortcut) {
    pickEachTime({"E:\\", "F:\\"});
    install();
    expectTree("c:\\Lunavire", under("", kDisc1, "game\\"));
    expectTree("c:\\Lunavire", kDisc2);
    expectTree("c:\\Lunavire", kDisc3);
    EXPECT_FALSE(s.exists("c:\\Lunavire\\game")) << "disc 1's game level is dropped";
    ASSERT_EQ(s.links().size(), 1u);
    EXPECT_EQ(s.links()[0].file, kPrograms + "\\Lunavire\\Lunavire.lnk");
    EXPECT_EQ(s.links()[0].path, "c:\\Lunavire\\Vandry.EXE");
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::LocateFiles),
                                                    msg(Msg::InsertDisc3), msg(Msg::LocateFiles),
                                                    msg(Msg::InstallComplete)}));
    EXPECT_EQ(s.boxes()[0].caption, msg(Msg::ChangeDisc));
    EXPECT_EQ(s.boxes()[0].style, 0x40025u);
    EXPECT_EQ(s.boxes()[1].style, 0x40011u);
    EXPECT_EQ(s.boxes()[1].caption, msg(Msg::Error));
    EXPECT_EQ(s.boxes().back().style, 0x40000u);
    EXPECT_FALSE(Form2->showing()) << "the window closes after the last message";
    EXPECT_EQ(Form2->PageControl1->activePageIndex(), 0) << "the main window turns it back to the settings page";
    EXPECT_EQ(Form2->ProgressBar3->position(), 100);
    EXPECT_EQ(Form2->installation().runSource(), "F:") << "the located discs became the run's source";
    EXPECT_EQ(Form1->sourceFolder, "D:") << "the main window's source folder stays";
    EXPECT_TRUE(workersEnd());
    EXPECT_EQ(s.openHandles(), 0u);
}

TEST_F(DiscRun, ADiscAlreadyInTheDriveNeedsNoLocating) {
    // Disc 2 and 3 are swapped into drive D when the player presses Retry.
    onEachBox = [this](const sim::BoxRecord& b) {
        if (b.text == msg(Msg::InsertDisc2)) put("D:", kDisc2);
        if (b.text == msg(Msg::InsertDisc3)) put("D:", kDisc3);
    };
    install();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::InsertDisc3),
                                                    msg(Msg::InstallComplete)}));
    EXPECT_TRUE(s.modals() == std::vector<std::string>{"TForm2"}) << "no picker";
    expectTree("c:\\Lunavire", kDisc2);
    expectTree("c:\\Lunavire", kDisc3);
}

TEST_F(DiscRun, ALocatedFolderIsTheSourceOfLaterDiscsAndACancelledPickerAsksAgain) {
    s.makeFolder("F:\\cd2");
    put("F:\\cd2", kDisc2);
    put("F:\\cd2", kDisc3);
    pickEachTime({"", "F:\\cd2"});
    install();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::LocateFiles),
                                                    msg(Msg::LocateFiles), msg(Msg::InsertDisc3),
                                                    msg(Msg::InstallComplete)}))
        << "a cancelled picker leads back to the question; disc 3 is found in F:\\cd2 at once";
    EXPECT_EQ(Form2->installation().runSource(), "F:\\cd2");
    expectTree("c:\\Lunavire", kDisc2);
    expectTree("c:\\Lunavire", kDisc3);
}

TEST_F(DiscRun, GivingUpAtTheDisc3PromptEndsTheProgramKeepingWhatWasCopied) {
    pickEachTime({"E:\\"});
    answer(Msg::InsertDisc3, {Answer::Cancel});
    install();
    EXPECT_TRUE(ui::app().terminated()) << "the program ends";
    EXPECT_EQ(boxTexts().back(), msg(Msg::InstallIncomplete));
    EXPECT_EQ(s.boxes().back().caption, msg(Msg::Warning));
    EXPECT_EQ(s.boxes().back().style, 0x40030u);
    expectTree("c:\\Lunavire", kDisc2);
    EXPECT_FALSE(s.exists("c:\\Lunavire\\music"));
    EXPECT_TRUE(s.links().empty()) << "no shortcut";
}

TEST_F(DiscRun, CancellingTheLocateQuestionSaysSoThenClosesTheMainWindow) {
    answer(Msg::LocateFiles, {Answer::Cancel});
    install();
    EXPECT_TRUE(ui::app().terminated());
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::LocateFiles),
                                                    msg(Msg::InstallIncomplete)}))
        << "the warning that the disc prompt's Cancel gives, then no further copy";
    EXPECT_EQ(s.boxes().back().caption, msg(Msg::Warning));
    EXPECT_EQ(s.boxes().back().style, 0x40030u);
    EXPECT_FALSE(s.exists("c:\\Lunavire\\game03.dat"));
}

TEST_F(DiscRun, TheDiscAndTheInstallFolderAreCheckedBeforeAnythingIsCopied) {
    // Disc 1 missing at the source.
    install("c:\\Lunavire", [] { Form2->Edit1->setText("E:"); });
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].text, msg(Msg::DiscNotFound));
    EXPECT_EQ(s.boxes()[0].caption, msg(Msg::Error));
    EXPECT_EQ(s.boxes()[0].style, 0x40010u);
    EXPECT_FALSE(s.exists("c:\\Lunavire"));

    // A parent that does not exist, and a read-only medium.
    for (const char* folder : {"c:\\no\\such\\Lunavire", "E:\\Lunavire"}) {
        install(folder);
        EXPECT_EQ(s.boxes().back().text, msg(Msg::BadInstallFolder)) << folder;
        EXPECT_EQ(s.boxes().back().caption, msg(Msg::Notice));
        EXPECT_EQ(s.boxes().back().style, 0x40010u);
        EXPECT_EQ(Form2->PageControl1->activePageIndex(), 0);
    }
    EXPECT_FALSE(s.exists("c:\\no"));

    // An existing folder is accepted.
    s.makeFolder("c:\\Games\\Old");
    pickEachTime({"E:\\", "F:\\"});
    install("c:\\Games\\Old");
    EXPECT_EQ(s.readFile("c:\\Games\\Old\\game00.dat"), std::string(5000, '0'));
}

TEST_F(DiscRun, TheFolderPanelFillsTheFields) {
    s.makeFolder("C:\\Games");
    struct Row {
        ui::Button* TForm2::*open;
        ui::ShellTreeView* TForm2::*tree;
        ui::Button* TForm2::*ok;
        const char* chosen;
        ui::Edit* TForm2::*field;
        const char* shown;
    } rows[] = {
        {&TForm2::Button4, &TForm2::ShellTreeView1, &TForm2::Button8, "E:\\", &TForm2::Edit1, "E:"},
        {&TForm2::Button4, &TForm2::ShellTreeView1, &TForm2::Button8, "C:\\Games", &TForm2::Edit1, "C:\\Games"},
        {&TForm2::Button5, &TForm2::ShellTreeView2, &TForm2::Button6, "C:\\Games", &TForm2::Edit2,
         "C:\\Games\\Lunavire"},
        {&TForm2::Button5, &TForm2::ShellTreeView2, &TForm2::Button6, "C:\\", &TForm2::Edit2, "C:\\Lunavire"},
    };
    s.onModal("TForm2", [&](ui::Form&) {
        for (const auto& r : rows) {
            (Form2->*r.open)->click();
            EXPECT_TRUE(Form2->Panel1->visible());
            EXPECT_EQ(Form2->PageControl2->activePageIndex(), r.open == &TForm2::Button4 ? 0 : 1);
            for (ui::GroupBox* g : {Form2->GroupBox1, Form2->GroupBox2, Form2->GroupBox3}) EXPECT_FALSE(g->enabled());
            s.setTreeSelection(*(Form2->*r.tree), r.chosen);
            (Form2->*r.ok)->click();
            EXPECT_EQ((Form2->*r.field)->text(), r.shown) << r.chosen;
            EXPECT_FALSE(Form2->Panel1->visible());
            for (ui::GroupBox* g : {Form2->GroupBox1, Form2->GroupBox2, Form2->GroupBox3}) EXPECT_TRUE(g->enabled());
        }
        // Each tree's OK takes only a folder on disk.
        for (const auto& r : {rows[0], rows[2]}) {
            (Form2->*r.open)->click();
            s.setTreeSelection(*(Form2->*r.tree), "");  // My Computer
            EXPECT_FALSE((Form2->*r.ok)->enabled());
            (Form2->*r.ok)->click();
            EXPECT_TRUE(Form2->Panel1->visible()) << "OK without a folder on disk does nothing";
            s.setTreeSelection(*(Form2->*r.tree), r.chosen);
            EXPECT_TRUE((Form2->*r.ok)->enabled());
            (Form2->*r.open == Form2->Button4 ? Form2->Button9 : Form2->Button7)->click();
        }
        EXPECT_EQ(Form2->Edit1->text(), "C:\\Games");
        EXPECT_EQ(Form2->Edit2->text(), "C:\\Lunavire");
        // Leaving the panel open: closing the window puts it away.
        Form2->Button5->click();
        Form2->Button7->click();
        EXPECT_FALSE(Form2->Panel1->visible());
        Form2->Button4->click();
        Form2->userClose();
    });
    Form1->Button1->click();
    EXPECT_FALSE(Form2->Panel1->visible());
    EXPECT_TRUE(Form2->GroupBox1->enabled());
}

TEST_F(DiscRun, AFolderTooLongForTheFileCallsIsRefusedWithThePanelStillOpen) {
    // 259 UTF-16 units is the longest path the file calls take: the source
    // folder may be that long, the install folder gets "\\Lunavire" on top.
    const std::string longest = "C:\\" + std::string(120, 'a') + "\\" + std::string(135, 'b');
    s.makeFolder(longest);
    s.makeFolder(longest + "c");
    struct Row {
        ui::Button* TForm2::*open;
        ui::ShellTreeView* TForm2::*tree;
        ui::Button* TForm2::*ok;
        std::string chosen;
        ui::Edit* TForm2::*field;
        std::string refused;  // the path in the error box; empty when it is taken
    } rows[] = {
        {&TForm2::Button4, &TForm2::ShellTreeView1, &TForm2::Button8, longest, &TForm2::Edit1, ""},
        {&TForm2::Button4, &TForm2::ShellTreeView1, &TForm2::Button8, longest + "c", &TForm2::Edit1, longest + "c"},
        {&TForm2::Button5, &TForm2::ShellTreeView2, &TForm2::Button6, longest, &TForm2::Edit2,
         longest + "\\Lunavire"},
    };
    s.onModal("TForm2", [&](ui::Form&) {
        for (const auto& r : rows) {
            const std::string before = (Form2->*r.field)->text();
            (Form2->*r.open)->click();
            s.setTreeSelection(*(Form2->*r.tree), r.chosen);
            const std::size_t boxes = s.boxes().size();
            (Form2->*r.ok)->click();
            if (r.refused.empty()) {
                EXPECT_EQ((Form2->*r.field)->text(), r.chosen) << "the longest folder is taken";
                continue;
            }
            ASSERT_EQ(s.boxes().size(), boxes + 1);
            EXPECT_EQ(s.boxes().back().text,
                      ui::errorBoxText(plat::systemError(plat::err::FileNameTooLong, r.refused).what()));
            EXPECT_EQ((Form2->*r.field)->text(), before) << "the field keeps its folder";
            EXPECT_TRUE(Form2->Panel1->visible()) << "the player may choose another";
            Form2->Button9->click();
        }
        Form2->userClose();
    });
    Form1->Button1->click();
}

TEST_F(DiscRun, TheBarsFollowEachFileAndTheOverallBarOnlyGrows) {
    std::vector<std::pair<int, int>> reading;  // (ProgressBar1, ProgressBar2) at each progress event
    std::vector<int> overall;
    std::vector<std::string> destinations;
    s.onModal("TForm2", [&](ui::Form&) {
        auto progress = Form2->KqFileCopy1->OnCopyProgress;
        Form2->KqFileCopy1->OnCopyProgress = [&, progress](ui::Component* c, std::uint32_t size, std::uint32_t done,
                                                           std::uint8_t rate) {
            progress(c, size, done, rate);
            reading.emplace_back(Form2->ProgressBar1->position(), Form2->ProgressBar2->position());
            overall.push_back(Form2->ProgressBar3->position());
            if (destinations.empty() || destinations.back() != Form2->Label2->text())
                destinations.push_back(Form2->Label2->text());
        };
        Form2->Button1->click();
    });
    pickEachTime({"E:\\", "F:\\"});
    Form1->Button1->click();
    // v1.wav: 2500 bytes in steps of 1024 gives 40, 81, 100.
    ASSERT_GE(reading.size(), 3u);
    EXPECT_EQ(reading[0], std::make_pair(50, 40));
    EXPECT_EQ(reading[1], std::make_pair(91, 81));
    EXPECT_EQ(reading[2], std::make_pair(100, 100)) << "the reading bar is full from 90 on";
    for (std::size_t i = 1; i < overall.size(); ++i) EXPECT_GE(overall[i], overall[i - 1]) << i;
    EXPECT_LE(overall.back(), 100);
    EXPECT_EQ(destinations.back(), "c:\\Lunavire\\music\\x.dat\\02.ogg") << "Label2 follows discs 2 and 3 too";
    EXPECT_EQ(Form2->ProgressBar3->position(), 100);
}

TEST_F(DiscRun, AFileThatCannotBeCopiedAsksAbortRetryOrIgnore) {
    struct Row {
        const char* name;
        const char* file;  // below D:\game and c:\Lunavire
        std::function<void(sim::SimPlatform&)> fault;
        Answer answer;
        bool copied;  // the file in place afterwards
        bool programEnds;
    } rows[] = {
        {"read error, ignore", "game00.dat",
         [](sim::SimPlatform& s) { s.failReadAt("D:\\game\\game00.dat", 2048, 23); }, Answer::Ignore, false, false},
        {"write error, retry once the disk has room", "game00.dat",
         // The copy is written beside the file it replaces.
         [](sim::SimPlatform& s) {
             s.failWriteAt(plat::temporaryPath("c:\\Lunavire\\game00.dat").text(), 1024, plat::err::DiskFull);
         },
         Answer::Retry, true, false},
        {"missing on the disc, abort", "vandry.exe", [](sim::SimPlatform& s) { s.remove("D:\\game\\vandry.exe"); },
         Answer::Abort, false, true},
        {"a locked old copy, ignore", "game00.dat",
         [](sim::SimPlatform& s) {
             s.writeFile("c:\\Lunavire\\game00.dat", "old");
             s.lockFile("c:\\Lunavire\\game00.dat");
         },
         Answer::Ignore, false, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string source = std::string("D:\\game\\") + r.file;
        const std::string target = std::string("c:\\Lunavire\\") + r.file;
        std::string original = s.readFile(source).value_or("");
        r.fault(s);
        answerFailures({r.answer});
        pickEachTime({"E:\\", "F:\\"});
        // A retry succeeds because the fault is gone by then.
        onEachBox = [this](const sim::BoxRecord& b) {
            if (b.style == shell::boxStyleOf(shell::Question::CopyFailed)) s.clearFaults();
        };
        const std::size_t earlier = s.boxes().size();
        install();
        const sim::BoxRecord* failure = nullptr;
        for (std::size_t i = earlier; i < s.boxes().size(); ++i)
            if (s.boxes()[i].style == 0x40012u) failure = &s.boxes()[i];
        ASSERT_NE(failure, nullptr) << "the failure is reported";
        EXPECT_EQ(failure->caption, msg(Msg::Error));
        EXPECT_NE(failure->text.find(source), std::string::npos) << failure->text;
        EXPECT_NE(failure->text.find(target), std::string::npos) << failure->text;
        if (r.copied)
            EXPECT_EQ(s.readFile(target), original);
        else
            EXPECT_NE(s.readFile(target).value_or(""), original);
        EXPECT_EQ(ui::app().terminated(), r.programEnds);
        if (r.programEnds) {
            EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallIncomplete));
            EXPECT_FALSE(s.exists("c:\\Lunavire\\game03.dat")) << "nothing after the abort";
        } else {
            EXPECT_EQ(s.readFile("c:\\Lunavire\\vandry.exe"), "MZ game") << "the run went on";
            if (r.answer == Answer::Ignore) {
                EXPECT_EQ(s.boxes().back().style, 0x40030u) << "a warning, not message 12";
                EXPECT_NE(s.boxes().back().text.find(target), std::string::npos) << "naming the file left out";
            } else {
                EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
            }
        }
        EXPECT_TRUE(workersEnd());
        // Next row: a fresh world for what the row changed.
        s.unlockFile(target);
        s.clearFaults();
        s.remove("c:\\Lunavire");
        put("D:", kDisc1);
        ui::app().reset();
        ui::app().setMainForm(Form1);
    }
}

TEST_F(DiscRun, TheCancelButtonDuringACopyStopsTheRunAndGoesBackToTheMainWindow) {
    // The cancel button is pressed while game00.dat is half copied.
    s.onModal("TForm2", [&](ui::Form&) {
        Form2->KqFileCopy1->OnCopyProgress = [](ui::Component*, std::uint32_t, std::uint32_t done, std::uint8_t) {
            if (Form2->KqFileCopy1->ExistingFile() == "D:\\game\\game00.dat" && done == 2048)
                Form2->Button3->click();
        };
        Form2->Button1->click();
    });
    Form1->Button1->click();
    EXPECT_FALSE(Form2->showing()) << "the window closed";
    EXPECT_FALSE(ui::app().terminated()) << "the program goes on";
    EXPECT_EQ(boxTexts(), std::vector<std::string>{msg(Msg::InstallIncomplete)});
    EXPECT_FALSE(s.exists("c:\\Lunavire\\game00.dat")) << "the partial file is deleted";
    EXPECT_EQ(s.readFile("c:\\Lunavire\\Movie\\op.mpg"), std::string(3000, 'm')) << "copied files stay";
    EXPECT_FALSE(s.exists("c:\\Lunavire\\game01.dat"));
    EXPECT_TRUE(s.links().empty());
    EXPECT_TRUE(workersEnd());
    EXPECT_EQ(s.openHandles(), 0u);
}

TEST_F(DiscRun, ASecondInstallationReplacesTheFirst) {
    pickEachTime({"E:\\", "F:\\", "E:\\", "F:\\"});
    install();
    s.writeFile("D:\\game\\game00.dat", "new edition");
    install();
    EXPECT_EQ(s.readFile("c:\\Lunavire\\game00.dat"), "new edition");
    std::size_t completes = 0;
    for (const auto& t : boxTexts()) completes += t == msg(Msg::InstallComplete);
    EXPECT_EQ(completes, 2u);
    EXPECT_EQ(s.links().size(), 2u);
}

}  // namespace
