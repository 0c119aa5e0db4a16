#include <gtest/gtest.h>

#include <functional>

#include "app/App.h"
#include "extras/Launchers.h"
#include "platform/Desktop.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "shell/Shortcuts.h"
#include "tests/support/SimTest.h"

namespace {

const std::string kPrograms = "C:\\Users\\Player\\Start Menu\\Programs";

class Launchers : public simtest::SimTest {
protected:
    void SetUp() override {
        s.addDrive('D', true);
        s.addDrive('E');
        s.setProgramPath("D:\\Setup.exe");
        app::createForms();
    }
    void TearDown() override { app::destroyForms(); }
    // The picker's script: select a folder, then press a button.
    void pickOnce(const std::string& folder, ui::Button* TForm3::*button) {
        s.onModal("TForm3", [this, folder, button](ui::Form&) {
            if (!folder.empty()) s.setTreeSelection(*Form3->ShellTreeView1, folder);
            (Form3->*button)->click();
        });
    }
};

TEST_F(Launchers, SetupUnderTheSourceFolderStartsWithoutThePicker) {
    s.writeFile("D:\\directx\\dxsetup.exe", "MZ");
    s.writeFile("D:\\netshow\\nsplay.exe", "MZ");
    Form1->Button2->click();
    Form1->Button6->click();
    ASSERT_EQ(s.execs().size(), 2u);
    EXPECT_EQ(s.execs()[0].commandLine, "D:\\directx\\dxsetup.exe");
    EXPECT_EQ(s.execs()[0].showMode, 4);
    EXPECT_EQ(s.execs()[1].commandLine, "D:\\netshow\\nsplay.exe");
    EXPECT_TRUE(s.modals().empty());
    EXPECT_TRUE(s.boxes().empty());
}

TEST_F(Launchers, APickedDriveRootBecomesTheSourceFolderForLaterActions) {
    s.writeFile("E:\\directx\\dxsetup.exe", "MZ");
    pickOnce("E:\\", &TForm3::Button1);
    Form1->Button2->click();
    EXPECT_EQ(Form1->sourceFolder, "E:");
    ASSERT_EQ(s.execs().size(), 1u);
    EXPECT_EQ(s.execs()[0].commandLine, "E:\\directx\\dxsetup.exe");
    EXPECT_EQ(s.execs()[0].showMode, 4);

    // NetShow is looked for under the new source folder first.
    s.writeFile("E:\\netshow\\nsplay.exe", "MZ");
    Form1->Button6->click();
    EXPECT_EQ(s.modals().size(), 1u);
    EXPECT_EQ(s.execs().back().commandLine, "E:\\netshow\\nsplay.exe");
}

TEST_F(Launchers, ASecondLookupThatFailsShowsTheJoinedMessage) {
    s.makeFolder("E:\\cd");
    pickOnce("E:\\cd", &TForm3::Button1);
    s.answerBoxes({plat::Answer::Ok});
    Form1->Button6->click();
    EXPECT_EQ(Form1->sourceFolder, "E:\\cd") << "the choice stays in force although nothing was found";
    EXPECT_TRUE(s.execs().empty());
    ASSERT_EQ(s.boxes().size(), 1u);
    const auto& m = Form1->messages;
    EXPECT_EQ(s.boxes()[0].text, m.get(3) + "\r\n" + m.get(4));
    EXPECT_EQ(s.boxes()[0].caption, m.get(1));
    EXPECT_EQ(s.boxes()[0].style, 0x40020u);
}

TEST_F(Launchers, CancelOrTheCloseBoxChangesNothing) {
    s.writeFile("E:\\directx\\dxsetup.exe", "MZ");
    pickOnce("E:\\", &TForm3::Button2);
    Form1->Button2->click();
    s.onModal("TForm3", [](ui::Form& f) { f.userClose(); });
    Form1->Button2->click();
    EXPECT_EQ(Form1->sourceFolder, "D:");
    EXPECT_TRUE(s.execs().empty());
    EXPECT_TRUE(s.boxes().empty());
    EXPECT_EQ(s.modals().size(), 2u);
}

TEST_F(Launchers, PickersOkIsEnabledOnlyWhileAFileSystemFolderIsSelected) {
    std::vector<bool> enabled;
    auto note = [&] { enabled.push_back(Form3->Button1->enabled()); };
    s.onModal("TForm3", [&](ui::Form&) {
        note();
        Form3->Button1->click();
        s.setTreeSelection(*Form3->ShellTreeView1, "E:\\");
        note();
        s.setTreeSelection(*Form3->ShellTreeView1, "");  // My Computer
        note();
        Form3->Button1->click();
        if (Form3->modalResult() == ui::mrNone) Form3->Button2->click();  // OK was not taken
    });
    EXPECT_EQ(shell::pickFolder(), std::nullopt) << "OK is not taken without a folder on disk";
    EXPECT_EQ(enabled, (std::vector<bool>{false, true, false})) << "nothing, drive E:, My Computer";

    // The selection of the last showing is still there at the next one.
    s.onModal("TForm3", [&](ui::Form&) {
        s.setTreeSelection(*Form3->ShellTreeView1, "E:\\");
        Form3->Button2->click();
    });
    shell::pickFolder();
    s.onModal("TForm3", [&](ui::Form&) {
        note();
        Form3->Button1->click();
    });
    EXPECT_EQ(shell::pickFolder(), std::optional<std::string>("E:\\"));
    EXPECT_TRUE(enabled.back()) << "a showing that starts on a folder starts with OK enabled";
}

TEST_F(Launchers, PickerKeepsItsSelection) {
    std::string seen = "unset";
    pickOnce("E:\\", &TForm3::Button1);
    EXPECT_EQ(shell::pickFolder(), std::optional<std::string>("E:\\"));
    s.onModal("TForm3", [&](ui::Form&) {
        seen = Form3->ShellTreeView1->path();
        Form3->Button1->click();
    });
    EXPECT_EQ(shell::pickFolder(), std::optional<std::string>("E:\\"));
    EXPECT_EQ(seen, "E:\\") << "a second showing starts with the previous selection";
}

TEST_F(Launchers, MyComputerIsNeverTakenForTheRootOfTheCurrentDrive) {
    s.writeFile("C:\\directx\\dxsetup.exe", "MZ");
    s.onModal("TForm3", [this](ui::Form&) {
        s.setTreeSelection(*Form3->ShellTreeView1, "");  // My Computer
        Form3->Button1->click();
        if (Form3->modalResult() == ui::mrNone) Form3->Button2->click();  // OK was not taken
    });
    Form1->Button2->click();
    EXPECT_EQ(Form1->sourceFolder, "D:");
    EXPECT_TRUE(s.execs().empty()) << "nothing below the current drive's root is started";
}

TEST_F(Launchers, TwoClicksQueuedOnASetupButtonShowThePickerOnce) {
    // Cancel is pressed from the picker's loop, after the second click.
    s.onModal("TForm3", [this](ui::Form&) { s.post([] { Form3->Button2->click(); }); });
    s.post([] { Form1->Button2->click(); });
    s.post([] { Form1->Button2->click(); });
    p.processMessages();
    EXPECT_EQ(s.modals().size(), 1u) << "the second click reaches the main window behind the picker and is dropped";
    EXPECT_FALSE(Form3->showing());
    EXPECT_TRUE(s.execs().empty());

    Form1->Button5->click();
    EXPECT_EQ(s.opened().size(), 1u) << "after Cancel the main window takes clicks again";
}

TEST_F(Launchers, AFolderTooLongForTheFileCallsIsRefusedWithTheSystemsText) {
    // 259 UTF-16 units: "E:\" and 256 more; the setup's relative path goes on top.
    const std::string longest = "E:\\" + std::string(120, 'a') + "\\" + std::string(135, 'b');
    const std::string tooLong = longest + "c";
    s.makeFolder(longest);
    s.makeFolder(tooLong);
    struct Row {
        std::string folder, subject;
    } rows[] = {
        {tooLong, tooLong},                                  // the folder itself does not fit
        {longest, longest + "\\directx\\dxsetup.exe"},   // the folder fits, the setup's path does not
    };
    s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
    for (const Row& r : rows) {
        pickOnce(r.folder, &TForm3::Button1);
        const std::size_t boxes = s.boxes().size();
        Form1->Button2->click();
        ASSERT_EQ(s.boxes().size(), boxes + 1);
        EXPECT_EQ(s.boxes().back().text,
                  ui::errorBoxText(plat::systemError(plat::err::FileNameTooLong, r.subject).what()));
        EXPECT_EQ(s.boxes().back().style, 0x10u) << "the application's error box";
    }
    EXPECT_TRUE(s.execs().empty());
}

TEST_F(Launchers, ASetupThatCannotStartShowsTheSystemsReason) {
    s.writeFile("D:\\directx\\dxsetup.exe", "not a program");
    s.failExec("D:\\directx\\dxsetup.exe", 193);  // not a valid Win32 application
    s.answerBoxes({plat::Answer::Ok});
    Form1->Button2->click();
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].text, ui::errorBoxText(plat::systemError(193, "D:\\directx\\dxsetup.exe").what()));
    EXPECT_EQ(s.boxes()[0].style, 0x10u) << "the application's error box";
}

TEST_F(Launchers, HomePageOpensWithTheShellVerbAndShowMode5) {
    Form1->Button5->click();
    ASSERT_EQ(s.opened().size(), 1u);
    EXPECT_EQ(s.opened()[0].address, extras::kHomePage);
    EXPECT_EQ(s.opened()[0].showMode, 5);
}

class Shortcuts : public simtest::SimTest {};

TEST_F(Shortcuts, EachKindMakesItsFilesWithTargetAndWorkingDirectory) {
    struct Expect {
        std::string file, path, dir;
    };
    struct Row {
        int kind;
        std::string target;
        std::vector<Expect> links;
    } rows[] = {
        {1, "D:\\Games\\Lunavire\\Vandry.EXE",
         {{kPrograms + "\\Lunavire\\Lunavire.lnk", "D:\\Games\\Lunavire\\Vandry.EXE", "D:\\Games\\Lunavire\\"}}},
        {2, "D:\\G\\KESTAL.exe",
         {{kPrograms + "\\Lunavire\\readme.lnk", "D:\\G\\readme.txt", "D:\\G\\"},
          {kPrograms + "\\Lunavire\\Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk", "D:\\G\\KESTAL.exe", "D:\\G\\"}}},
        {3, "D:\\G\\KESTAL.exe",
         {{kPrograms + "\\Lunavire\\readme.lnk", "D:\\G\\readme.txt", "D:\\G\\"},
          {kPrograms + "\\Lunavire\\Lunavire\xA4\xA4\xA4\xE5\xAA\xA9.lnk", "D:\\G\\KESTAL.exe", "D:\\G\\"}}},
        {4, "E:\\x\\readme.txt", {{kPrograms + "\\Lunavire\\readme.lnk", "E:\\x\\readme.txt", "E:\\x\\"}}},
        {0, "D:\\G\\KESTAL.exe", {}},
        {5, "D:\\G\\KESTAL.exe", {}},
    };
    std::size_t seen = 0;
    for (const auto& r : rows) {
        shell::makeShortcuts(r.kind, plat::Path(r.target));
        ASSERT_EQ(s.links().size(), seen + r.links.size()) << "kind " << r.kind;
        for (const auto& e : r.links) {
            const auto& got = s.links()[seen++];
            EXPECT_EQ(got.file, e.file) << "kind " << r.kind;
            EXPECT_EQ(got.path, e.path) << "kind " << r.kind;
            EXPECT_EQ(got.workingDirectory, e.dir) << "kind " << r.kind;
            EXPECT_TRUE(got.saved);
            EXPECT_TRUE(s.exists(e.file));
        }
    }
    // Both editions' game shortcuts stand side by side; readme.lnk is shared.
    EXPECT_EQ(s.listNames(kPrograms + "\\Lunavire").size(), 4u);
}

TEST_F(Shortcuts, TheLunavireFolderIsCreatedWithItsParentsOnlyWhenMissing) {
    s.setProgramsFolder("C:\\Deep\\Start Menu\\Programs");
    s.remove("C:\\Deep");
    shell::makeShortcuts(1, "C:\\L\\Vandry.EXE");
    EXPECT_TRUE(s.exists("C:\\Deep\\Start Menu\\Programs\\Lunavire\\Lunavire.lnk"));
    shell::makeShortcuts(1, "C:\\M\\Vandry.EXE");
    EXPECT_EQ(s.links().back().path, "C:\\M\\Vandry.EXE");
    EXPECT_EQ(s.listNames("C:\\Deep\\Start Menu\\Programs\\Lunavire").size(), 1u) << "replaced, not added";
}

TEST_F(Shortcuts, ADoubleByteFolderNameKeepsItsTrailByteBackslash) {
    // "\x81\x5C" is one character whose second byte is a backslash.
    shell::makeShortcuts(1, "D:\\\x81\x5C\\Vandry.EXE");
    ASSERT_EQ(s.links().size(), 1u);
    EXPECT_EQ(s.links()[0].workingDirectory, "D:\\\x81\x5C\\");
    shell::makeShortcuts(1, "D:\\a\x81\x5CVandry.EXE");
    EXPECT_EQ(s.links()[1].workingDirectory, "D:\\");
}

TEST_F(Shortcuts, AShortcutThatCannotBeWrittenRaisesTheSystemsReason) {
    struct Row {
        const char* rule;
        std::function<void()> arrange;
        std::uint32_t code;
        std::string subject;
    } rows[] = {
        {"a file named Lunavire in the Programs folder", [&] { s.writeFile(kPrograms + "\\Lunavire", "x"); },
         plat::err::AlreadyExists, kPrograms + "\\Lunavire"},
        {"a Programs folder that cannot hold a folder",
         [&] { s.failCreateFolder(kPrograms + "\\Lunavire", plat::err::AccessDenied); }, plat::err::AccessDenied,
         kPrograms + "\\Lunavire"},
        {"a shortcut file held open", [&] {
             s.writeFile(kPrograms + "\\Lunavire\\Lunavire.lnk", "x");
             s.lockFile(kPrograms + "\\Lunavire\\Lunavire.lnk");
         },
         plat::err::SharingViolation, kPrograms + "\\Lunavire\\Lunavire.lnk"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        s.remove(kPrograms + "\\Lunavire");
        s.clearFaults();
        r.arrange();
        try {
            shell::makeShortcuts(shell::kGameShortcut, "D:\\G\\Vandry.EXE");
            ADD_FAILURE() << "a shortcut that is not made is an error";
        } catch (const base::Error& e) {
            EXPECT_EQ(std::string(e.what()), plat::systemError(r.code, r.subject).what());
        }
    }
}

TEST_F(Shortcuts, Big5CharactersEndingInABackslashByteStayWhole) {
    // 許 is B3 5C and 功 A5 5C in Big5.
    s.setCodePage(950);
    s.setProgramsFolder("C:\\Start\\\xB3\x5C");
    s.remove("C:\\Start");
    shell::makeShortcuts(shell::kTraditionalShortcut, "D:\\\xA5\x5C\\KESTAL.exe");
    ASSERT_EQ(s.links().size(), 2u);
    EXPECT_EQ(s.links()[0].path, "D:\\\xA5\x5C\\readme.txt") << "the readme beside the launcher";
    EXPECT_EQ(s.links()[1].workingDirectory, "D:\\\xA5\x5C\\");
    EXPECT_TRUE(s.exists("C:\\Start\\\xB3\x5C\\Lunavire\\readme.lnk"));
    EXPECT_FALSE(s.exists("C:\\Start\\\xB3")) << "no folder named after half a character";
}

TEST_F(Shortcuts, ALinkObjectThatCannotBeMadeRaisesAndMakesNothing) {
    s.failShellLinkCreation(true);
    EXPECT_THROW(shell::makeShortcuts(2, "D:\\G\\KESTAL.exe"), base::Error);
    EXPECT_TRUE(s.links().empty());
}

TEST_F(Shortcuts, WithoutAProgramsFolderNoShortcutIsMade) {
    s.setProgramsFolder("");
    EXPECT_NO_THROW(shell::makeShortcuts(2, "D:\\G\\KESTAL.exe"));
    EXPECT_TRUE(s.links().empty());
    EXPECT_FALSE(s.exists("\\Lunavire"));
    EXPECT_FALSE(s.exists("C:\\Lunavire"));
}

}  // namespace

namespace {

TEST_F(Shortcuts, AProgramsFolderEndingInADoubleByteCharacterIsCreatedWhole) {
    // 乗 (GBK 81 5C) at the end of a missing parent: its trail byte is no separator to strip.
    s.setProgramsFolder("C:\\Start\\\x81\x5C");
    s.remove("C:\\Start");
    shell::makeShortcuts(shell::kGameShortcut, "C:\\L\\Vandry.EXE");
    EXPECT_TRUE(s.exists("C:\\Start\\\x81\x5C\\Lunavire\\Lunavire.lnk"));
    EXPECT_FALSE(s.exists("C:\\Start\\\x81")) << "no folder named after half a character";
}

}  // namespace
