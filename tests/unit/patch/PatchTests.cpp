// Compiled with GBK as the execution character set, so that the language
// names below are the bytes the program sees.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/App.h"
#include "patch/PatchRun.h"
#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "shell/Registration.h"
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
        s.writeFile("D:\\inst\\Setup.exe", "MZ setup");  // copied as the uninstaller of a game it did not install
        for (const auto& p : kPayloads)
            s.setResource(p.type, p.name, testpay::makeContainer(content(p.type, p.name)));
        s.writeFile("D:\\Game\\Vandry.exe", "MZ");
        app::createForms();
        Form1->Timer1->setEnabled(false);  // the start-up language is not under test here
        Form1->ComboBox1->addItem("简体中文");
        Form1->ComboBox1->addItem("繁體中文");
        Form1->ComboBox1->addItem("English");
    }
    void TearDown() override { app::destroyForms(); }

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
    // The root's backslash and the name's are one.
    EXPECT_EQ(s.execs().back().commandLine, "\"C:\\WINDOWS\\Notepad.exe\" E:\\readme.txt");
    EXPECT_EQ(s.links().back().path, "E:\\KESTAL.exe");
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

// What a run leaves in the game folder: each file's bytes, and the folder's names.
std::map<std::string, std::string> folderState(sim::SimPlatform& s, const std::string& folder) {
    std::map<std::string, std::string> state;
    for (const auto& name : s.listNames(folder)) state[name] = s.readFile(folder + "\\" + name).value_or("(folder)");
    return state;
}

const char* const kFiles[] = {"KESTAL.exe", "CVandry.exe", "readme.txt", "game01.dat", "GAME00.DAT"};

// An earlier installation in D:\Game: the five files of another kind.
void putOldFiles(sim::SimPlatform& s) {
    for (const char* f : kFiles) s.writeFile(std::string("D:\\Game\\") + f, std::string("old ") + f);
}

TEST_F(Patch, AForeseeableFailureIsReportedBeforeAnythingIsWritten) {
    Form1->ComboBox1->setItemIndex(0);
    const std::string game = "D:\\Game";
    struct Row {
        const char* rule;
        std::function<void()> arrange;
        std::uint32_t code;   // the system's reason in the error box
        std::string subject;  // the path on its second line
    } rows[] = {
        {"the main archive is held open by the game", [&] { s.lockFile(game + "\\GAME00.DAT"); },
         plat::err::SharingViolation, game + "\\GAME00.DAT"},
        {"the readme is read-only", [&] { s.setAttributes(game + "\\readme.txt", plat::attr::ReadOnly); },
         plat::err::AccessDenied, game + "\\readme.txt"},
        {"a folder stands where the archive goes",
         [&] {
             s.remove(game + "\\game01.dat");
             s.makeFolder(game + "\\game01.dat");
         },
         plat::err::AccessDenied, game + "\\game01.dat"},
        {"the folder takes no new file", [&] { s.failCreate(game + "\\KESTAL.~00", plat::err::AccessDenied); },
         plat::err::AccessDenied, game},
        {"the disk is too small for the new files", [&] { s.setDriveCapacity('D', 10000); }, plat::err::DiskFull,
         game},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        s.remove(game);
        s.clearFaults();
        s.setDriveCapacity('D', 0);
        s.writeFile(game + "\\Vandry.exe", "MZ");
        putOldFiles(s);
        r.arrange();
        const auto before = folderState(s, game);
        const std::size_t boxes = s.boxes().size();
        run(game);
        ASSERT_EQ(s.boxes().size(), boxes + 2) << "the question, then one error";
        EXPECT_EQ(s.boxes().back().text, ui::errorBoxText(plat::systemError(r.code, r.subject).what()));
        EXPECT_EQ(s.boxes().back().style, 0x10u) << "the application's error box";
        EXPECT_EQ(folderState(s, game), before) << "nothing is replaced, nothing is left behind";
        EXPECT_TRUE(s.links().empty()) << "no shortcut is made";
        EXPECT_TRUE(s.execs().empty());
        EXPECT_FALSE(Form4->showing()) << "closed once the error was reported";
        s.unlockFile(game + "\\GAME00.DAT");
    }
}

TEST_F(Patch, AGameFolderThatCannotBeListedIsToldSoAtTheEndAndStaysPatched) {
    Form1->ComboBox1->setItemIndex(0);
    const std::string program = "D:\\Game\\Uninstall\\Uninstall.exe";
    const std::string key =
        std::string(shell::registration::kUninstallKey) + "\\" + shell::registration::keyName("D:\\Game");
    // No entry whose uninstaller is not whole; none that the registry refuses.
    const std::pair<std::function<void()>, std::string> rows[] = {
        {[&] { s.failMove(program, plat::err::AccessDenied); }, program},
        {[&] {
             s.clearFaults();
             s.denyWriteAccess(plat::RootKey::LocalMachine, "");
             s.denyWriteAccess(plat::RootKey::CurrentUser, "");
         },
         "HKEY_CURRENT_USER\\" + key},
    };
    const auto& m = Form1->messages;
    std::size_t runs = 0;
    for (const auto& [arrange, subject] : rows) {
        SCOPED_TRACE(subject);
        arrange();
        run("D:\\Game");
        expectEdition("D:\\Game", "GB_");
        EXPECT_EQ(s.boxes().back().text, m.get(17) + "\r\n\r\n" + m.get(shell::Text::PatchNotRegistered) + "\r\n" +
                                             plat::systemError(plat::err::AccessDenied, subject).what());
        EXPECT_EQ(s.boxes().back().style, 0x40030u) << "a warning, under its caption";
        EXPECT_EQ(s.boxes().back().caption, m.get(8));
        EXPECT_FALSE(s.registryText(plat::RootKey::LocalMachine, plat::RegView::Wow32, key, "DisplayName"));
        EXPECT_EQ(s.execs().size(), ++runs) << "the readme opens: the run went on to its end";
        EXPECT_NE(s.readFile("D:\\Game\\patch.log")->find("not in the list of installed programs"), std::string::npos);
    }
}

TEST_F(Patch, AMissingPayloadIsFoundBeforeTheFirstFile) {
    putOldFiles(s);
    const auto before = folderState(s, "D:\\Game");
    s.removeResource("GB_", "GAME00");
    run("D:\\Game");
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[1].text, "Resource game00 not found.");
    EXPECT_EQ(folderState(s, "D:\\Game"), before);
}

TEST_F(Patch, ANewFileNeedsRoomOnlyWhileTheOldOneStands) {
    // A second run over files of the same size: room for one new file beside
    // its old one, and for the originals kept, is enough, not room for all
    // five anew.
    Form1->ComboBox1->setItemIndex(0);
    const std::string big(1024 * 1024, 'n');
    for (const auto& p : kPayloads) s.setResource(p.type, p.name, testpay::makeContainer(big));
    for (const char* f : kFiles) s.writeFile(std::string("D:\\Game\\") + f, std::string(big.size(), 'o'));
    s.setDriveCapacity('D', (6 + 5) * big.size() + 5 * 64 * 1024);
    run("D:\\Game");
    EXPECT_EQ(s.readFile("D:\\Game\\GAME00.DAT"), big);
    EXPECT_EQ(s.execs().size(), 1u) << "the run reached its end";
}

TEST_F(Patch, APathTooLongForTheFileCallsEndsTheActionBeforeAnythingIsWritten) {
    // 259 UTF-16 units is the longest path the file calls take.
    struct Row {
        std::size_t folderLength;
        bool shown;        // the progress window opens
        const char* file;  // the first path that does not fit
    } rows[] = {
        {249, false, "\\Vandry.exe"},  // Vandry.exe is 260 long
        {248, true, "\\CVandry.exe"},  // Vandry.exe fits, CVandry.exe does not
    };
    for (const Row& r : rows) {
        const std::string game = "D:\\" + std::string(r.folderLength - 3, 'g');
        s.writeFile(game + "\\Vandry.exe", "MZ");
        const std::size_t boxes = s.boxes().size(), modals = s.modals().size();
        run(game);
        ASSERT_EQ(s.boxes().size(), boxes + 2) << r.folderLength;
        EXPECT_EQ(s.boxes().back().text, ui::errorBoxText(plat::systemError(plat::err::FileNameTooLong,
                                                                          game + r.file).what()));
        EXPECT_EQ(s.modals().size() - modals, r.shown ? 2u : 1u) << r.folderLength;
        EXPECT_EQ(s.listNames(game), std::vector<std::string>{"Vandry.exe"}) << "nothing is written";
    }
}

TEST_F(Patch, AFailureDuringTheWritesStopsTheRunWithEveryFileWhole) {
    // Each of the five files failing in each way the checks cannot foresee:
    // the files before it are the new ones, it and the files after it the
    // old ones, each byte for byte, and no temporary file is left.
    Form1->ComboBox1->setItemIndex(0);
    const std::string game = "D:\\Game";
    struct Fault {
        const char* what;
        std::function<void(const std::string& target)> inject;
        const char* errorText;  // before the target's path
    } faults[] = {
        {"a write fails part way",
         [&](const std::string& t) {
             s.failWriteAt(plat::temporaryPath(plat::Path(t)).text(), 1000, plat::err::DiskFull);
         },
         "Stream write error\r\n"},
        {"the move over the old file fails", [&](const std::string& t) { s.failMove(t, plat::err::AccessDenied); },
         "Cannot create file "},
    };
    for (const Fault& f : faults) {
        for (std::size_t failing = 0; failing < std::size(kFiles); ++failing) {
            const std::string target = game + "\\" + kFiles[failing];
            SCOPED_TRACE(std::string(f.what) + ": " + kFiles[failing]);
            s.remove(game);
            s.remove(kPrograms + "\\Lunavire");
            s.clearFaults();
            s.writeFile(game + "\\Vandry.exe", "MZ");
            putOldFiles(s);
            f.inject(target);
            const std::size_t boxes = s.boxes().size(), execs = s.execs().size();
            run(game);
            ASSERT_EQ(s.boxes().size(), boxes + 2) << "the question, then the error";
            EXPECT_EQ(s.boxes().back().text, ui::errorBoxText(f.errorText + target));
            for (std::size_t i = 0; i < std::size(kFiles); ++i) {
                const std::string file = game + "\\" + kFiles[i];
                const PayloadRow& p = kPayloads[i];
                const std::string expected = i < failing ? content(p.type, p.name) : std::string("old ") + kFiles[i];
                EXPECT_TRUE(s.readFile(file) == expected)
                    << kFiles[i] << (i < failing ? " is the new file" : " is the old file");
            }
            EXPECT_EQ(s.listNames(game).size(), 8u) << "no temporary file is left (the log and the record's folder beside)";
            EXPECT_EQ(s.folderExists(plat::Path(kPrograms + "\\Lunavire")), failing == 4)
                << "the shortcuts come between the fourth and the fifth file";
            EXPECT_EQ(s.execs().size(), execs) << "no readme opens after an error";
            EXPECT_FALSE(Form4->showing());
        }
    }
}

TEST_F(Patch, AShortcutThatCannotBeMadeIsReportedInsteadOfSuccessOnceTheFilesAreInPlace) {
    Form1->ComboBox1->setItemIndex(0);
    struct Row {
        const char* rule;
        std::function<void()> arrange;
        std::uint32_t code;
        std::string subject;
    } rows[] = {
        {"a file named Lunavire in the Programs folder", [&] { s.writeFile(kPrograms + "\\Lunavire", "x"); },
         plat::err::AlreadyExists, kPrograms + "\\Lunavire"},
        {"the readme shortcut held open", [&] {
             s.writeFile(kPrograms + "\\Lunavire\\readme.lnk", "x");
             s.lockFile(kPrograms + "\\Lunavire\\readme.lnk");
         },
         plat::err::SharingViolation, kPrograms + "\\Lunavire\\readme.lnk"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        s.remove(kPrograms + "\\Lunavire");
        s.remove("D:\\Game");
        s.writeFile("D:\\Game\\Vandry.exe", "MZ");
        r.arrange();
        const std::size_t boxes = s.boxes().size();
        run("D:\\Game");
        expectEdition("D:\\Game", "GB_");
        ASSERT_EQ(s.boxes().size(), boxes + 2);
        EXPECT_EQ(s.boxes().back().text, ui::errorBoxText(plat::systemError(r.code, r.subject).what()))
            << "the error box, and no message 17";
        EXPECT_EQ(s.gaugePaints(*Form4->Gauge1).back(), 99) << "the main archive was written";
        EXPECT_TRUE(s.execs().empty()) << "no readme opens after an error";
        EXPECT_FALSE(Form4->showing());
        s.unlockFile(kPrograms + "\\Lunavire\\readme.lnk");
    }
}

TEST_F(Patch, DoubleByteFoldersWhoseLastByteIsABackslashKeepIt) {
    // 乗 is 81 5C in GBK, 許 B3 5C and 功 A5 5C in Big5: one character each.
    struct Row {
        unsigned codePage;
        const char* game;
        const char* programs;
    } rows[] = {
        {936, "D:\\\x81\x5C", "C:\\Start\\\x81\x5C"},
        {950, "D:\\\xB3\x5C", "C:\\Start\\\xA5\x5C"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.codePage);
        s.setCodePage(r.codePage);
        s.setProgramsFolder(r.programs);
        const std::string game = r.game;
        s.writeFile(game + "\\Vandry.exe", "MZ");
        run(r.game);
        expectEdition(game, "BIG");
        EXPECT_EQ(s.listNames(game).size(), 8u)
            << "the five files, the log and the record's folder beside Vandry.exe, no temporary file";
        EXPECT_EQ(s.execs().back().commandLine, "\"C:\\WINDOWS\\Notepad.exe\" " + game + "\\readme.txt");
        ASSERT_GE(s.links().size(), 2u);
        const auto& link = s.links().back();
        EXPECT_EQ(link.path, game + "\\KESTAL.exe");
        EXPECT_EQ(link.workingDirectory, game + "\\") << "the folder part keeps the whole character";
        EXPECT_EQ(link.file.substr(0, std::string(r.programs).size() + 10), std::string(r.programs) + "\\Lunavire\\");
        EXPECT_TRUE(link.saved);
    }
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

TEST_F(Patch, ARunLogsInTheGameFolderAndARefusedOneInTheTemporaryFolder) {
    Form1->ComboBox1->setItemIndex(0);
    s.makeFolder(p.tempFolder());
    const std::string tempLog = p.tempFolder() + "\\Lunavire patch.log";
    putOldFiles(s);
    run("D:\\Game");
    const std::string log = s.readFile("D:\\Game\\patch.log").value_or("");
    for (const char* line : {"game folder D:\\Game, edition Simplified\r\n", "on the drive, which has ",
                             "replaced D:\\Game\\GAME00.DAT (", "made the shortcuts\r\n", "outcome: patched\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\nin\n" << log;
    EXPECT_FALSE(s.exists(tempLog));

    // A run refused before its first write leaves the game folder as it was.
    s.setDriveCapacity('D', s.readFile("D:\\Game\\patch.log")->size() + 10000);
    run("D:\\Game");
    EXPECT_EQ(s.readFile("D:\\Game\\patch.log"), log);
    const std::string refused = s.readFile(tempLog).value_or("");
    const std::string full = p.ansiToUtf8(text::withoutLineBreak(p.errorText(plat::err::DiskFull)));
    EXPECT_NE(refused.find("outcome: stopped by error 112: " + full), std::string::npos) << refused;
}
