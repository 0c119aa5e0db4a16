// The disc installation never loses a file of the player's or the disc's,
// writes only into the install folder it has checked, and never calls a
// partial result complete: reinstalls, failing copies, hostile folders and
// a player who clicks twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "tests/unit/discinstall/DiscRunFixture.h"
#include "ui/Keyboard.h"

namespace {

using namespace discruntest;
using plat::Answer;
using shell::Msg;
using Files = std::vector<std::pair<std::string, std::string>>;

const std::string kInstall = "c:\\Lunavire";

// Disc 1's files as a first installation left them, each with other bytes.
Files oldInstallation() {
    Files old = under("", kDisc1, "game\\");
    for (auto& f : old) f.second = "old " + f.first;
    return old;
}

class DiscSafety : public DiscRun {
protected:
    // Every file below folder, with its path, in directory order.
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
    // Files that are neither a destination of the discs nor the player's own.
    std::vector<std::string> strays(const std::string& folder) const {
        std::vector<std::string> out;
        for (const std::string& f : filesBelow(folder))
            if (f.find(".~") != std::string::npos) out.push_back(f);
        return out;
    }
    const sim::BoxRecord* lastBoxOfStyle(std::uint32_t style) const {
        const sim::BoxRecord* found = nullptr;
        for (const auto& b : s.boxes())
            if (b.style == style) found = &b;
        return found;
    }
    std::size_t boxesWithText(Msg m) const {
        std::size_t n = 0;
        for (const auto& b : s.boxes()) n += b.text == msg(m);
        return n;
    }
    // The warning that ends a run which left files out, as the player reads it.
    std::string leftOutWarning(const std::vector<std::string>& shown, std::size_t more) const {
        std::string text = Form1->messages.get(shell::Text::FilesLeftOut);
        for (const auto& f : shown) text += "\r\n" + f;
        if (more) text += "\r\n" + shell::formatCount(Form1->messages.get(shell::Text::MoreFilesLeftOut), more);
        return text;
    }
};

// ---------------------------------------------------------------- one run at a time

TEST_F(DiscSafety, TwoClicksOnStartRunOneInstallation) {
    pickEachTime({"E:\\", "F:\\"});
    s.onModal("TForm2", [&](ui::Form&) {
        Form2->Edit2->setText(kInstall);
        // Posted back to back: the second arrives while the first is walking disc 1.
        s.post([] { Form2->Button1->click(); });
        s.post([] { Form2->Button1->click(); });
    });
    Form1->Button1->click();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::LocateFiles),
                                                    msg(Msg::InsertDisc3), msg(Msg::LocateFiles),
                                                    msg(Msg::InstallComplete)}))
        << "each disc asked for once, one final message";
    expectTree(kInstall, under("", kDisc1, "game\\"));
    expectTree(kInstall, kDisc2);
    expectTree(kInstall, kDisc3);
    EXPECT_FALSE(s.exists(kInstall + "\\bgm")) << "nothing of a second run lands in the folder's root";
    EXPECT_EQ(s.links().size(), 1u);
    EXPECT_TRUE(workersEnd());
    EXPECT_EQ(s.openHandles(), 0u);
}

TEST_F(DiscSafety, SettingsButtonsEscAndEnterDoNothingWhileARunIsUnderWay) {
    s.makeFolder("C:\\Elsewhere");
    pickEachTime({"E:\\", "F:\\"});
    bool pressed = false;
    s.onModal("TForm2", [&](ui::Form&) {
        Form2->Edit2->setText(kInstall);
        s.setTreeSelection(*Form2->ShellTreeView1, "C:\\Elsewhere");
        s.setTreeSelection(*Form2->ShellTreeView2, "C:\\Elsewhere");
        auto progress = Form2->KqFileCopy1->OnCopyProgress;
        Form2->KqFileCopy1->OnCopyProgress = [&, progress](ui::Component* c, std::uint32_t size, std::uint32_t done,
                                                           std::uint8_t rate) {
            progress(c, size, done, rate);
            if (pressed) return;
            pressed = true;
            for (ui::Button* b : {Form2->Button4, Form2->Button8, Form2->Button5, Form2->Button6, Form2->Button7,
                                  Form2->Button9, Form2->Button1}) {
                b->click();
                EXPECT_FALSE(Form2->Panel1->visible()) << b->name() << " opens no folder panel";
                EXPECT_EQ(Form2->Edit1->text(), "D:") << b->name() << " leaves the source as it was";
                EXPECT_EQ(Form2->Edit2->text(), kInstall) << b->name() << " leaves the install folder";
                EXPECT_EQ(Form2->PageControl1->activePageIndex(), 1);
            }
            // No key stops the copy: its Cancel is pressed by hand only.
            for (ui::Key k : {ui::Key::Escape, ui::Key::Enter}) s.pressKey(*Form2, k);
            EXPECT_TRUE(Form2->installation().active());
        };
        Form2->Button1->click();
    });
    Form1->Button1->click();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(boxesWithText(Msg::InsertDisc2), 1u);
    EXPECT_EQ(boxesWithText(Msg::InstallComplete), 1u);
}

// ---------------------------------------------------------------- replacing whole files

TEST_F(DiscSafety, AnInstalledFileStaysUntilItsReplacementIsWhole) {
    struct Row {
        const char* name;
        const char* file;  // below D:\game and the install folder
        std::function<void(sim::SimPlatform&)> fault;
    } rows[] = {
        {"a source another program holds", "game01.dat",
         [](sim::SimPlatform& s) { s.lockFile("D:\\game\\game01.dat"); }},
        {"a read error half way", "game00.dat",
         [](sim::SimPlatform& s) { s.failReadAt("D:\\game\\game00.dat", 2048, 23); }},
        {"an installed file another program holds", "game00.dat",
         [](sim::SimPlatform& s) { s.lockFile("c:\\Lunavire\\game00.dat"); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        put(kInstall, oldInstallation());
        const std::string target = kInstall + "\\" + r.file;
        const std::string before = *s.readFile(target);
        r.fault(s);
        std::optional<std::string> whileAsked;
        std::vector<std::string> straysWhileAsked;
        onEachBox = [&](const sim::BoxRecord& b) {
            if (b.style != shell::boxStyleOf(shell::Question::CopyFailed)) return;
            whileAsked = s.readFile(target);
            straysWhileAsked = strays(kInstall);
        };
        answerFailures({Answer::Ignore});
        pickEachTime({"E:\\", "F:\\"});
        install();
        EXPECT_EQ(whileAsked, before) << "the installed file is whole while the player is asked";
        EXPECT_EQ(straysWhileAsked, std::vector<std::string>{}) << "and no part of its copy lies about";
        EXPECT_EQ(s.readFile(target), before) << "an ignored file keeps the old copy byte for byte";
        EXPECT_EQ(strays(kInstall), std::vector<std::string>{});
        EXPECT_EQ(s.readFile(kInstall + "\\vandry.exe"), "MZ game") << "the other files are replaced";
        EXPECT_TRUE(workersEnd());
        EXPECT_EQ(s.openHandles(), 0u);
        s.unlockFile("D:\\game\\game01.dat");
        s.unlockFile(target);
        s.clearFaults();
        s.remove(kInstall);
        ui::app().reset();
        ui::app().setMainForm(Form1);
        onEachBox = nullptr;
    }
}

TEST_F(DiscSafety, AnInstallFolderThatIsTheDiscItselfLosesNothing) {
    // The disc's own folder on a writable drive, named in other spellings.
    s.addDrive('G');
    put("G:", kDisc1);
    for (const char* folder : {"G:\\game", "g:\\GAME", "G:\\game\\"}) {
        SCOPED_TRACE(folder);
        pickEachTime({"E:\\", "F:\\"});
        install(folder, [] { Form2->Edit1->setText("G:"); });
        expectTree("G:", kDisc1);
        EXPECT_EQ(strays("G:"), std::vector<std::string>{});
        expectTree("G:\\game", kDisc2);
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete)) << "the disc's files are already in place";
        EXPECT_EQ(s.boxes().back().style, 0x40000u);
        s.remove("G:\\game\\game03.dat");
        s.remove("G:\\game\\music");
    }
}

TEST_F(DiscSafety, AReinstallKeepsThePlayersSavedGames) {
    s.writeFile("D:\\game\\save\\slot2\\new.dat", "a fresh slot");
    put(kInstall, oldInstallation());
    s.writeFile(kInstall + "\\save\\slot1\\s.dat", "my progress");
    s.writeFile(kInstall + "\\SAVE\\mine.dat", "not on the disc");
    pickEachTime({"E:\\", "F:\\"});
    install();
    EXPECT_EQ(s.readFile(kInstall + "\\save\\slot1\\s.dat"), "my progress") << "a saved game is never replaced";
    EXPECT_EQ(s.readFile(kInstall + "\\save\\mine.dat"), "not on the disc");
    EXPECT_EQ(s.readFile(kInstall + "\\save\\slot2\\new.dat"), "a fresh slot") << "a missing one is copied";
    EXPECT_EQ(s.readFile(kInstall + "\\game00.dat"), std::string(5000, '0')) << "game files are replaced";
    EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete)) << "kept saves are not files left out";
}

TEST_F(DiscSafety, AbortAndCancelLeaveNoPartOfAFileUnderItsName) {
    struct Row {
        const char* name;
        bool reinstall;
        bool cancel;  // the cancel button half way through game00.dat; else a full disk and Abort
    } rows[] = {
        {"abort, first installation", false, false},
        {"abort, reinstall", true, false},
        {"cancel, reinstall", true, true},
    };
    const auto bars = Form2->KqFileCopy1->OnCopyProgress;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.reinstall) put(kInstall, oldInstallation());
        const auto before = s.readFile(kInstall + "\\game00.dat");
        if (r.cancel) {
            Form2->KqFileCopy1->OnCopyProgress = [](ui::Component*, std::uint32_t, std::uint32_t done, std::uint8_t) {
                if (Form2->KqFileCopy1->ExistingFile() == "D:\\game\\game00.dat" && done == 2048)
                    Form2->Button3->click();
            };
        } else {
            // The disk runs full during the copy, after the room was checked
            // (another program filled it meanwhile).
            s.failWriteAt(kInstall + "\\game00.~00", 2000, plat::err::DiskFull);
            answerFailures({Answer::Abort});
        }
        install();
        EXPECT_EQ(s.readFile(kInstall + "\\game00.dat"), before) << "the old file or none, never a part";
        EXPECT_EQ(strays(kInstall), std::vector<std::string>{});
        EXPECT_EQ(s.readFile(kInstall + "\\VRecog\\v1.wav"), kDisc1[0].second) << "the files before it are in place";
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallIncomplete));
        EXPECT_EQ(ui::app().terminated(), !r.cancel) << "Abort ends the program, Cancel goes back";
        EXPECT_TRUE(s.links().empty());
        EXPECT_TRUE(workersEnd());
        EXPECT_EQ(s.openHandles(), 0u);
        s.clearFaults();
        s.remove(kInstall);
        ui::app().reset();
        ui::app().setMainForm(Form1);
        Form2->KqFileCopy1->OnCopyProgress = bars;
    }
}

// ---------------------------------------------------------------- the end of a run

// Discs 2 and 3 land below the install folder with one backslash between,
// as disc 1 does: in the label, the log and the left-out warning alike.
TEST_F(DiscSafety, DiscsTwoAndThreeNameTheirDestinationsWithSingleBackslashes) {
    struct Row {
        const char* name;
        const char* folder;  // a fresh install folder for each run
        const char* locked;  // a source another program holds, ignored
        const char* leftOut;  // below the folder
        const char* copied;   // a later file that is copied whole, by its source
    } rows[] = {
        {"disc 2", "c:\\Lunavire2", "E:\\game03.dat", "game03.dat", "F:\\music\\bgm\\01.ogg"},
        {"disc 3", "c:\\Lunavire3", "F:\\music\\bgm\\01.ogg", "music\\bgm\\01.ogg", "F:\\music\\x.dat\\02.ogg"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string folder = r.folder;
        const std::string leftOut = folder + "\\" + r.leftOut;
        const std::string copied = folder + "\\" + std::string(r.copied).substr(3);
        s.lockFile(r.locked);
        answerFailures({Answer::Ignore});
        pickEachTime({"E:\\", "F:\\"});
        std::vector<std::string> labels;  // Label2 at each message box
        onEachBox = [&labels](const sim::BoxRecord&) { labels.push_back(Form2->Label2->text()); };
        install(folder);
        onEachBox = {};
        ASSERT_FALSE(s.boxes().empty());
        EXPECT_EQ(s.boxes().back().text, leftOutWarning({leftOut}, 0));
        EXPECT_NE(std::find(labels.begin(), labels.end(), leftOut), labels.end()) << "Label2 at the failure";
        const std::string log = s.readFile(folder + "\\install.log").value_or("");
        EXPECT_NE(log.find(std::string("failed ") + r.locked + " -> " + leftOut + ": "), std::string::npos) << log;
        EXPECT_NE(log.find(std::string("copied ") + r.copied + " -> " + copied + " ("), std::string::npos) << log;
        EXPECT_NE(log.find(" left out:\r\n         " + leftOut + "\r\n"), std::string::npos) << log;
        EXPECT_EQ(log.find(folder + "\\\\"), std::string::npos) << "no doubled backslash in the log:\n" << log;
        s.unlockFile(r.locked);
        ui::app().reset();
        ui::app().setMainForm(Form1);
    }
}

TEST_F(DiscSafety, ARunThatLeftFilesOutEndsWithTheirListInsteadOfSuccess) {
    struct Row {
        const char* name;
        std::vector<std::string> locked;  // sources another program holds, ignored
        std::size_t extra;                // more files in disc 1's VRecog, all held
        std::vector<std::string> shown;
        std::size_t more;
        bool shortcut;
    } rows[] = {
        {"one file", {"D:\\game\\game01.dat"}, 0, {"c:\\Lunavire\\game01.dat"}, 0, true},
        {"every file",
         {"D:\\game\\VRecog\\v1.wav", "D:\\game\\VRecog\\jp\\v2.wav", "D:\\game\\Movie\\op.mpg",
          "D:\\game\\save\\slot1\\s.dat", "D:\\game\\game00.dat", "D:\\game\\game01.dat", "D:\\game\\game02.dat",
          "D:\\game\\vandry.exe", "E:\\game03.dat", "F:\\music\\bgm\\01.ogg", "F:\\music\\x.dat\\02.ogg"},
         0,
         // As listed: the walk names disc 1's folders as the disc's layout does.
         {"c:\\Lunavire\\VRecog\\v1.wav", "c:\\Lunavire\\VRecog\\jp\\v2.wav", "c:\\Lunavire\\movie\\op.mpg",
          "c:\\Lunavire\\save\\slot1\\s.dat", "c:\\Lunavire\\game00.dat", "c:\\Lunavire\\game01.dat",
          "c:\\Lunavire\\game02.dat", "c:\\Lunavire\\vandry.exe", "c:\\Lunavire\\game03.dat",
          "c:\\Lunavire\\music\\bgm\\01.ogg", "c:\\Lunavire\\music\\x.dat\\02.ogg"},
         0,
         false},
        {"more than twenty", {}, 25, {}, 5, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> shown = r.shown;
        for (std::size_t i = 0; i < r.extra; ++i) {
            const std::string name = "VRecog\\many\\" + std::to_string(100 + i) + ".wav";
            s.writeFile("D:\\game\\" + name, "x");
            s.lockFile("D:\\game\\" + name);
            if (shown.size() < 20) shown.push_back(kInstall + "\\" + name);
        }
        for (const auto& f : r.locked) s.lockFile(f);
        answerFailures(std::vector<Answer>(r.locked.size() + r.extra, Answer::Ignore));
        pickEachTime({"E:\\", "F:\\"});
        const std::size_t links = s.links().size();
        install();
        EXPECT_EQ(boxesWithText(Msg::InstallComplete), 0u) << "no success for a partial result";
        ASSERT_FALSE(s.boxes().empty());
        EXPECT_EQ(s.boxes().back().text, leftOutWarning(shown, r.more));
        EXPECT_EQ(s.boxes().back().caption, msg(Msg::Warning));
        EXPECT_EQ(s.boxes().back().style, 0x40030u);
        EXPECT_EQ(s.links().size() - links, r.shortcut ? 1u : 0u) << "a shortcut only where something was installed";
        EXPECT_FALSE(Form2->showing()) << "the window closes as after a whole run";
        EXPECT_FALSE(ui::app().terminated());
        for (const auto& f : r.locked) s.unlockFile(f);
        s.remove("D:\\game\\VRecog\\many");
        s.remove(kInstall);
    }
}

// ---------------------------------------------------------------- the install folder

TEST_F(DiscSafety, TheInstallFolderIsCheckedBeforeAnythingIsWritten) {
    s.makeFolder("E:\\Lunavire");  // on a read-only disc
    s.makeFolder("c:\\Games");
    const std::vector<std::string> rootBefore = s.listNames("C:\\");
    // Fits itself (242 characters), but the folder VRecog inside it does not
    // leave room for the 12 characters of a name that Windows keeps for one.
    const std::string deep = "c:\\Games\\" + std::string(233, 'd');
    struct Row {
        const char* name;
        std::string folder;
        std::uint32_t code;  // the system's reason shown under message 13; 0: message 13 alone
        std::string subject;
    } rows[] = {
        {"relative", "Lunavire", plat::err::InvalidName, "Lunavire"},
        {"relative to the drive's root", "\\Lunavire", plat::err::InvalidName, "\\Lunavire"},
        {"relative to the drive's folder", "c:Lunavire", plat::err::InvalidName, "c:Lunavire"},
        {"a drive that is not there", "Q:\\Lunavire", plat::err::PathNotFound, "Q:\\Lunavire"},
        {"a character Windows refuses", "c:\\Games\\Luna?vire", plat::err::InvalidName, "c:\\Games\\Luna?vire"},
        {"a device name", "c:\\Games\\con", plat::err::InvalidName, "c:\\Games\\con"},
        {"a device name with an extension", "c:\\Games\\LPT1.txt\\x", plat::err::InvalidName,
         "c:\\Games\\LPT1.txt\\x"},
        {"a name ending in a full stop", "c:\\Games\\Lunavire.", plat::err::InvalidName, "c:\\Games\\Lunavire."},
        {"a name ending in a blank", "c:\\Games \\Lunavire", plat::err::InvalidName, "c:\\Games \\Lunavire"},
        {"an empty name", "c:\\Games\\\\Lunavire", plat::err::InvalidName, "c:\\Games\\\\Lunavire"},
        {"a read-only medium", "E:\\Lunavire", plat::err::WriteProtect, "E:\\Lunavire"},
        {"too deep for the game's files", deep, plat::err::FileNameTooLong, deep + "\\VRecog\\v1.wav"},
        {"a missing parent", "c:\\no\\such\\Lunavire", 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::size_t before = s.boxes().size();
        install(r.folder);
        ASSERT_EQ(s.boxes().size(), before + 1) << "one message";
        const std::string expected =
            r.code ? msg(Msg::BadInstallFolder) + "\r\n\r\n" + plat::systemError(r.code, r.subject).what()
                   : msg(Msg::BadInstallFolder);
        EXPECT_EQ(s.boxes().back().text, expected);
        EXPECT_EQ(s.boxes().back().caption, msg(Msg::Notice));
        EXPECT_EQ(s.boxes().back().style, 0x40010u);
        EXPECT_EQ(Form2->PageControl1->activePageIndex(), 0) << "the window stays on its settings";
        EXPECT_EQ(filesBelow("C:"), std::vector<std::string>{"C:\\Temp\\Lunavire install.log"})
            << "nothing written but the refused run's log in the temporary folder";
        EXPECT_EQ(s.listNames("C:\\"), rootBefore) << "no folder made";
        EXPECT_EQ(s.listNames("c:\\Games"), std::vector<std::string>{});
    }
}

TEST_F(DiscSafety, FoldersWindowsCanMakeAreTaken) {
    struct Row {
        std::string typed, folder, parent;
    } rows[] = {
        // 乗 ends in the byte of a backslash, 倈 in that of "|".
        {simtest::ansi("c:\\游戏乗"), simtest::ansi("c:\\游戏乗"), ""},
        {simtest::ansi("c:\\倈\\Lunavire"), simtest::ansi("c:\\倈\\Lunavire"), simtest::ansi("c:\\倈")},
        {"c:\\Lunavire\\", "c:\\Lunavire", ""},
        {"c:\\console.d\\conx", "c:\\console.d\\conx", "c:\\console.d"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.folder);
        if (!r.parent.empty()) s.makeFolder(r.parent);
        pickEachTime({"E:\\", "F:\\"});
        install(r.typed);
        EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete));
        EXPECT_EQ(s.readFile(r.folder + "\\game00.dat"), std::string(5000, '0'));
        ASSERT_FALSE(s.links().empty());
        EXPECT_EQ(s.links().back().path, r.folder + "\\Vandry.EXE");
    }
}

// A folder the uninstaller would never empty is refused before anything is
// written: a drive's root, the Windows folder and what lies below it.
TEST_F(DiscSafety, ADriveRootOrTheWindowsFolderIsRefusedBeforeAnythingIsWritten) {
    s.setWindowsFolder("C:\\WINDOWS");
    s.makeFolder("C:\\WINDOWS");
    for (const std::string typed : {"C:\\", "C:", "E:\\", "c:\\windows", "C:\\Windows\\LunavireProbe"}) {
        SCOPED_TRACE(typed);
        const auto rootBefore = s.listNames("C:\\");
        const std::size_t before = s.boxes().size();
        install(typed);
        ASSERT_EQ(s.boxes().size(), before + 1) << "one message";
        EXPECT_EQ(s.boxes().back().text, msg(Msg::BadInstallFolder) + "\r\n\r\n" +
                                             Form1->messages.get(shell::Text::UnsafeInstallFolder) + "\r\n" + typed);
        EXPECT_EQ(s.listNames("C:\\"), rootBefore) << "no folder made";
        EXPECT_FALSE(s.exists(typed + "\\Uninstall")) << "no record begun";
        EXPECT_FALSE(s.exists("C:\\WINDOWS\\LunavireProbe"));
    }
}

// ---------------------------------------------------------------- giving up and locating

TEST_F(DiscSafety, AFolderTooLongToLocateADiscIsRefusedAndAskedAgain) {
    const std::string tooLong = "F:\\" + std::string(130, 'a') + "\\" + std::string(130, 'b');
    s.makeFolder(tooLong);
    pickEachTime({tooLong, "E:\\", "F:\\"});
    install();
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{msg(Msg::InsertDisc2), msg(Msg::LocateFiles),
                                        ui::errorBoxText(plat::systemError(plat::err::FileNameTooLong, tooLong).what()),
                                        msg(Msg::LocateFiles), msg(Msg::InsertDisc3), msg(Msg::LocateFiles),
                                        msg(Msg::InstallComplete)}));
    expectTree(kInstall, kDisc3);
}

// ---------------------------------------------------------------- progress and cancelling

TEST_F(DiscSafety, TheOverallBarCountsOnlyWhatWasInstalled) {
    // op.mpg stops at 2048 of 3000 bytes and game00.dat at 4096 of 5000; both ignored.
    s.failReadAt("D:\\game\\Movie\\op.mpg", 2048, 23);
    s.failReadAt("D:\\game\\game00.dat", 4096, 23);
    answerFailures({Answer::Ignore, Answer::Ignore});
    int atGame01 = -1;
    s.onModal("TForm2", [&](ui::Form&) {
        auto progress = Form2->KqFileCopy1->OnCopyProgress;
        Form2->KqFileCopy1->OnCopyProgress = [&, progress](ui::Component* c, std::uint32_t size, std::uint32_t done,
                                                           std::uint8_t rate) {
            progress(c, size, done, rate);
            if (Form2->KqFileCopy1->ExistingFile() == "D:\\game\\game01.dat")
                atGame01 = Form2->ProgressBar3->position();
        };
        Form2->Edit2->setText(kInstall);
        Form2->Button1->click();
    });
    pickEachTime({"E:\\", "F:\\"});
    Form1->Button1->click();
    // Disc 1 holds 10522 bytes; before game01.dat 2508 + 4 were installed,
    // and the bar went furthest while game00.dat stood at 4096: (2512 + 4096)
    // / 10522 of the first third.
    EXPECT_EQ(atGame01, 6608 * 100 / 10522 / 3) << "the partial files' bytes do not count";
}

TEST_F(DiscSafety, CancelDuringAWalkStopsTheWalk) {
    struct Row {
        const char* name;
        const char* folder;  // filled with 400 files
        bool running;        // on the progress page already (disc 3) or still starting (disc 1)
    } rows[] = {
        {"disc 1, before anything is copied", "D:\\game\\VRecog\\many\\", false},
        {"disc 3", "F:\\music\\many\\", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (int i = 0; i < 400; ++i) s.writeFile(r.folder + std::to_string(i) + ".dat", "x");
        int pumps = 0, pumpsAfterCancel = -1;
        bool walking = !r.running;
        onEachBox = [&](const sim::BoxRecord& b) {
            if (b.text == msg(Msg::InsertDisc3)) walking = true;
        };
        s.onPump([&] {
            if (!walking) return;
            if (pumpsAfterCancel >= 0) ++pumpsAfterCancel;
            if (++pumps == 20) {
                pumpsAfterCancel = 0;
                s.post([] { Form2->Button3->click(); });
            }
        });
        pickEachTime({"E:\\", "F:\\"});
        install();
        s.onPump(nullptr);
        EXPECT_LT(pumpsAfterCancel, 10) << "the walk ends at the cancel, not after 400 entries";
        EXPECT_FALSE(Form2->showing());
        EXPECT_FALSE(ui::app().terminated());
        EXPECT_FALSE(s.exists(kInstall + "\\music")) << "nothing of the cancelled disc is copied";
        if (!r.running) {
            EXPECT_FALSE(s.exists(kInstall)) << "nothing at all before the run";
        }
        s.remove(text::fileDir(r.folder));
        s.remove(kInstall);
        onEachBox = nullptr;
    }
}

// ---------------------------------------------------------------- the copy's worker

TEST_F(DiscSafety, AWorkerThatCannotBeMadeIsAFailedCopy) {
    s.failThreadStarts(1, 8);  // not enough memory
    answerFailures({Answer::Retry});
    pickEachTime({"E:\\", "F:\\"});
    install();
    const sim::BoxRecord* failure = lastBoxOfStyle(0x40012u);
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->text.rfind(plat::systemError(8, "").what(), 0), 0u) << failure->text;
    EXPECT_EQ(s.boxes().back().text, msg(Msg::InstallComplete)) << "the retry copied it";
    expectTree(kInstall, under("", kDisc1, "game\\"));
    EXPECT_EQ(strays(kInstall), std::vector<std::string>{});
    EXPECT_EQ(s.openHandles(), 0u);
}

}  // namespace
