// Compiled with GBK as the execution character set, so that the language
// names below are the bytes the program sees.
#include <gtest/gtest.h>

#include <map>

#include "patch/PatchRun.h"
#include "shell/Program.h"
#include "tests/support/Containers.h"
#include "tests/support/SimTest.h"

namespace {

const std::string kPrograms = "C:\\Users\\Player\\Start Menu\\Programs";

struct PayloadRow {
    const char* type;
    const char* name;
    const char* file;  // written as
};
const PayloadRow kPayloads[] = {
    {"GB_", "KESTAL", "KESTAL.exe"}, {"GB_", "CVANDRY", "CVandry.exe"}, {"GB_", "README", "readme.txt"},
    {"GB_", "GAME01", "game01.dat"}, {"GB_", "GAME00", "GAME00.DAT"},  {"BIG", "KESTAL", "KESTAL.exe"},
    {"BIG", "CVANDRY", "CVandry.exe"}, {"BIG", "README", "readme.txt"}, {"BIG", "GAME01", "game01.dat"},
};

std::string content(const std::string& type, const std::string& name) {
    return type + "/" + name + std::string(3000, static_cast<char>(name[0]));
}

class Patch : public simtest::SimTest {
protected:
    void SetUp() override {
        s.addDrive('D');
        s.addDrive('E');
        s.setProgramPath("D:\\inst\\Setup.exe");
        for (const auto& p : kPayloads)
            s.setResource(p.type, p.name, testpay::makeContainer(content(p.type, p.name)));
        s.writeFile("D:\\Game\\Vandry.exe", "MZ");
        shell::createForms();
        Form1->Timer1->setEnabled(false);  // the start-up language is not under test here
        Form1->ComboBox1->addItem("简体中文");
        Form1->ComboBox1->addItem("繁體中文");
        Form1->ComboBox1->addItem("English");
    }
    void TearDown() override { shell::destroyForms(); }

    void choose(const std::string& folder) {
        s.onModal("TForm3", [this, folder](ui::Form&) {
            s.setTreeSelection(*Form3->ShellTreeView1, folder);
            Form3->Button1->click();
        });
    }
    // Runs the patch button with the picker choosing folder; boxes answered OK.
    void run(const std::string& folder) {
        choose(folder);
        s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
        Form1->Button3->click();
    }
    void expectEdition(const std::string& folder, const char* group) {
        for (const auto& p : kPayloads) {
            if (std::string(p.type) != group || std::string(p.name) == "GAME00") continue;
            EXPECT_EQ(s.readFile(folder + "\\" + p.file), content(p.type, p.name)) << p.file;
        }
        EXPECT_EQ(s.readFile(folder + "\\GAME00.DAT"), content("GB_", "GAME00")) << "GAME00 is shared";
    }
};

TEST_F(Patch, SimplifiedRunWritesItsFilesShortcutsAndOpensTheReadme) {
    Form1->ComboBox1->setItemIndex(0);
    std::vector<std::string> order;
    choose("D:\\Game");
    s.onBox([&](const sim::BoxRecord& b) {
        const auto& m = Form1->messages;
        if (b.text == m.get(15)) {
            EXPECT_EQ(b.style, 0x40020u);
            order.push_back("ask");
        } else if (b.text == m.get(17)) {
            EXPECT_EQ(b.style, 0x40040u);
            EXPECT_EQ(b.caption, m.get(1));
            EXPECT_TRUE(s.execs().empty()) << "the final message comes before Notepad";
            EXPECT_TRUE(Form4->showing()) << "the window closes only after the message";
            order.push_back("done");
        }
        return plat::Answer::Ok;
    });
    Form1->Button3->click();
    EXPECT_EQ(order, (std::vector<std::string>{"ask", "done"}));
    expectEdition("D:\\Game", "GB_");
    EXPECT_EQ(s.gaugePaints(*Form4->Gauge1), (std::vector<int>{10, 30, 50, 85, 99}));
    ASSERT_EQ(s.links().size(), 2u);
    EXPECT_EQ(s.links()[0].file, kPrograms + "\\Lunavire\\readme.lnk");
    EXPECT_EQ(s.links()[0].path, "D:\\Game\\readme.txt");
    EXPECT_EQ(s.links()[1].file, kPrograms + "\\Lunavire\\Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk");
    EXPECT_EQ(s.links()[1].path, "D:\\Game\\KESTAL.exe");
    ASSERT_EQ(s.execs().size(), 1u);
    EXPECT_EQ(s.execs()[0].commandLine, "\"C:\\WINDOWS\\Notepad.exe\" D:\\Game\\readme.txt");
    EXPECT_EQ(s.execs()[0].showMode, 5);
    EXPECT_FALSE(Form4->showing());
    EXPECT_FALSE(Form4->Timer1->enabled());
}

TEST_F(Patch, OnlyTheExactSimplifiedNameSelectsTheSimplifiedEdition) {
    struct Row {
        int index;
        const char* group;
        int kind;  // of the game shortcut
    } rows[] = {{1, "BIG", 3}, {2, "BIG", 3}, {-1, "BIG", 3}, {0, "GB_", 2}};
    for (const auto& r : rows) {
        std::string folder = "D:\\Run" + std::to_string(r.index + 1);
        s.writeFile(folder + "\\Vandry.exe", "MZ");
        Form1->ComboBox1->setItemIndex(r.index);
        std::size_t links = s.links().size();
        run(folder);
        expectEdition(folder, r.group);
        ASSERT_EQ(s.links().size(), links + 2) << r.index;
        const std::string name = r.kind == 2 ? "Lunavire\xD6\xD0\xCE\xC4\xB0\xE6.lnk" : "Lunavire\xA4\xA4\xA4\xE5\xAA\xA9.lnk";
        EXPECT_EQ(s.links().back().file, kPrograms + "\\Lunavire\\" + name) << r.index;
    }
}

TEST_F(Patch, AFolderPathGoesUnquotedAndADriveRootKeepsItsBackslash) {
    s.writeFile("D:\\My Games\\X\\Vandry.exe", "MZ");
    run("D:\\My Games\\X");
    EXPECT_EQ(s.execs().back().commandLine, "\"C:\\WINDOWS\\Notepad.exe\" D:\\My Games\\X\\readme.txt");

    s.writeFile("E:\\Vandry.exe", "MZ");
    run("E:\\");
    EXPECT_EQ(s.execs().back().commandLine, "\"C:\\WINDOWS\\Notepad.exe\" E:\\\\readme.txt");
    EXPECT_EQ(s.links().back().path, "E:\\\\KESTAL.exe");
    EXPECT_EQ(s.readFile("E:\\GAME00.DAT"), content("GB_", "GAME00"));
}

TEST_F(Patch, NotepadIsTheWindowsFoldersOwnWhateverTheFolderIsCalled) {
    s.writeFile("D:\\Game\\Vandry.exe", "MZ");
    // 乗 is 81 5C: its second byte is no separator.
    s.setWindowsFolder("C:\\Win Dir\x81\x5C");
    run("D:\\Game");
    EXPECT_EQ(s.execs().back().commandLine, "\"C:\\Win Dir\x81\x5C\\Notepad.exe\" D:\\Game\\readme.txt");
    s.setWindowsFolder("C:\\");
    run("D:\\Game");
    EXPECT_EQ(s.execs().back().commandLine, "\"C:\\Notepad.exe\" D:\\Game\\readme.txt");
}

TEST_F(Patch, ASecondRunReplacesAllFiveFilesAndStartsTheGaugeAtZero) {
    Form1->ComboBox1->setItemIndex(0);
    for (const char* f : {"KESTAL.exe", "CVandry.exe", "readme.txt", "game01.dat", "GAME00.DAT"})
        s.writeFile(std::string("D:\\Game\\") + f, std::string(10000, 'x'));
    run("D:\\Game");
    run("D:\\Game");
    expectEdition("D:\\Game", "GB_");
    EXPECT_EQ(s.gaugePaints(*Form4->Gauge1), (std::vector<int>{10, 30, 50, 85, 99, 0, 10, 30, 50, 85, 99}));
    EXPECT_EQ(s.execs().size(), 2u);
}

TEST_F(Patch, AReadOnlyTargetStopsTheRunAtThatStepAndReturnsToTheMainWindow) {
    Form1->ComboBox1->setItemIndex(0);
    s.writeFile("D:\\Game\\readme.txt", "old", plat::attr::ReadOnly);
    run("D:\\Game");
    const auto& m = Form1->messages;
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[1].text, "Cannot create file D:\\Game\\readme.txt.");
    EXPECT_EQ(s.boxes()[1].style, 0x10u);
    EXPECT_EQ(s.readFile("D:\\Game\\readme.txt"), "old");
    EXPECT_EQ(s.readFile("D:\\Game\\KESTAL.exe"), content("GB_", "KESTAL"));
    EXPECT_EQ(s.readFile("D:\\Game\\CVandry.exe"), content("GB_", "CVANDRY"));
    EXPECT_FALSE(s.exists("D:\\Game\\game01.dat"));
    EXPECT_TRUE(s.links().empty());
    EXPECT_TRUE(s.execs().empty());
    for (const auto& b : s.boxes()) EXPECT_NE(b.text, m.get(17));
    EXPECT_FALSE(Form4->showing()) << "closed once the error was reported";
}

TEST_F(Patch, TwoClicksQueuedOnThePatchButtonAskOnceAndRunOnce) {
    Form1->ComboBox1->setItemIndex(0);
    choose("D:\\Game");
    // A box's loop lets the queued click through to the main window.
    s.onBox([this](const sim::BoxRecord&) {
        p.processMessages();
        return plat::Answer::Ok;
    });
    s.post([] { Form1->Button3->click(); });
    s.post([] { Form1->Button3->click(); });
    p.processMessages();
    const auto& m = Form1->messages;
    ASSERT_EQ(s.boxes().size(), 2u) << "one question, one final message";
    EXPECT_EQ(s.boxes()[0].text, m.get(15));
    EXPECT_EQ(s.boxes()[1].text, m.get(17));
    EXPECT_EQ(s.modals(), (std::vector<std::string>{"TForm3", "TForm4"})) << "one picker, one run";
    EXPECT_EQ(s.execs().size(), 1u);
    expectEdition("D:\\Game", "GB_");
}

TEST_F(Patch, MyComputerIsNeverTakenForTheRootOfTheCurrentDrive) {
    s.writeFile("C:\\Vandry.exe", "a game in the current drive's root");
    s.onModal("TForm3", [this](ui::Form&) {
        s.setTreeSelection(*Form3->ShellTreeView1, "");  // My Computer
        Form3->Button1->click();
        if (Form3->modalResult() == ui::mrNone) Form3->Button2->click();  // OK was not taken
    });
    s.answerBoxes({plat::Answer::Ok});
    Form1->Button3->click();
    EXPECT_FALSE(s.exists("C:\\KESTAL.exe")) << "nothing is written there";
    EXPECT_EQ(s.modals(), std::vector<std::string>{"TForm3"}) << "no run";
}

TEST_F(Patch, AMissingGameOrACancelledPickerWritesNothing) {
    const auto& m = Form1->messages;
    s.makeFolder("D:\\Odd\\Vandry.exe");  // a folder of that name is not the game
    run("D:\\Odd");
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[1].text, m.get(16));
    EXPECT_EQ(s.boxes()[1].caption, m.get(8));
    EXPECT_EQ(s.boxes()[1].style, 0x40010u);

    s.onModal("TForm3", [](ui::Form&) { Form3->Button2->click(); });
    Form1->Button3->click();
    EXPECT_EQ(s.boxes().size(), 3u) << "only the question before the picker";
    EXPECT_FALSE(s.exists("D:\\Game\\KESTAL.exe"));
    EXPECT_FALSE(s.exists("D:\\Odd\\KESTAL.exe"));
    EXPECT_TRUE(s.modals().size() == 2u);
    EXPECT_TRUE(s.execs().empty());
}

}  // namespace
