#include <gtest/gtest.h>

#include "app/App.h"
#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/SystemError.h"
#include "tests/support/SimTest.h"

namespace {

TEST(SourceFolder, IsTheProgramsFolderWithoutItsTrailingBackslash) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    struct Row {
        const char* program;
        const char* folder;
    } rows[] = {
        {"D:\\Setup.exe", "D:"},
        {"D:\\inst\\Setup.exe", "D:\\inst"},
        {"C:\\a\\b\\Setup.exe", "C:\\a\\b"},
        // A double-byte name whose second byte is a backslash is one character.
        {"D:\\\x81\x5C\\Setup.exe", "D:\\\x81\x5C"},
        {"D:\\x\x81\x5CSetup.exe", "D:"},
    };
    for (const auto& r : rows) EXPECT_EQ(sourceFolderOf(r.program), r.folder) << r.program;
}

TEST(Paths, FolderPartAndUpperCaseStepOverDoubleByteCharacters) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    EXPECT_EQ(text::folderPart("D:\\G\\KESTAL.exe"), "D:\\G\\");
    EXPECT_EQ(text::folderPart("D:KESTAL.exe"), "D:");
    EXPECT_EQ(text::folderPart("KESTAL.exe"), "");
    EXPECT_EQ(text::folderPart("D:\\\x81\x5Cx"), "D:\\");
    EXPECT_EQ(text::cutDriveRoot("E:\\"), "E:");
    EXPECT_EQ(text::cutDriveRoot("E:\\a"), "E:\\a");
    EXPECT_EQ(text::cutDriveRoot("E\x81\x5C"), "E\x81\x5C") << "three bytes, but no drive root: 乗 stays whole";
    EXPECT_EQ(text::upperCase("AutoRun\x81\x61.ini"), "AUTORUN\x81\x61.INI");
    EXPECT_EQ(text::lowerCase("SETUP\x81\x41.EXE"), "setup\x81\x41.exe");
}

TEST(Paths, TheLastCharacterOfAPathIsNeverATrailByte) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    // 乗 is 81 5C in GBK: a folder named with it does not end in a backslash.
    struct Row {
        const char* path;
        bool endsInBackslash;
        const char* dir;
        const char* withoutExtension;
    } rows[] = {
        {"C:\\Programs\\", true, "C:\\Programs", "C:\\Programs\\"},
        {"C:\\\x81\x5C", false, "C:\\", "C:\\\x81\x5C"},
        {"C:\\\x81\x5C\\", true, "C:\\\x81\x5C", "C:\\\x81\x5C\\"},
        {"C:\\", true, "C:\\", "C:\\"},
        {"D:\\a.b\\\x81\x5C", false, "D:\\a.b", "D:\\a.b\\\x81\x5C"},
        {"D:\\game.dat.bak", false, "D:\\", "D:\\game.dat"},
        {"", false, "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(text::endsWith(r.path, '\\'), r.endsInBackslash) << r.path;
        EXPECT_EQ(text::fileDir(r.path), r.dir) << r.path;
        EXPECT_EQ(text::withoutExtension(r.path), r.withoutExtension) << r.path;
    }
    // Big5 has trail bytes 0x5C too: 許 is B3 5C.
    s.setCodePage(950);
    EXPECT_FALSE(text::endsWith("C:\\\xB3\x5C", '\\')) << "a Big5 trail byte is not a backslash";
    EXPECT_EQ(text::lastDelimiter("C:\\\xB3\x5C"), 2u);
    EXPECT_EQ(text::fileDir("C:\\\xA5\x5C\\Setup.exe"), "C:\\\xA5\x5C") << "功 (A5 5C) is one character";
    EXPECT_EQ(text::cutDriveRoot("C\xB3\x5C"), "C\xB3\x5C");
}

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersAboveIt) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    struct Row {
        const char* in;
        const char* out;
    } rows[] = {
        {"Stream read error", "Stream read error."},
        {"error.", "error."},
        {"File 5", "File 5."},
        {"Oops!", "Oops!"},  // '!' sorts below '.'
        {"(x)", "(x)"},
        {"a-", "a-"},
        {"a/", "a/."},
        {"", ""},
        {"\xB4\xED\xCE\xF3", "\xB4\xED\xCE\xF3."},  // ends in a double-byte character
    };
    for (const auto& r : rows) EXPECT_EQ(ui::errorBoxText(r.in), r.out) << r.in;
}

TEST(ErrorBox, ASystemErrorIsTheSystemsTextWithWhatItConcernsOnASecondLine) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    struct Row {
        std::uint32_t code;
        const char* subject;
        const char* text;
    } rows[] = {
        // 文件名过长。 in GBK, without the system's line break.
        {206, "D:\\G\\GAME00.DAT", "\xCE\xC4\xBC\xFE\xC3\xFB\xB9\xFD\xB3\xA4\xA1\xA3\r\nD:\\G\\GAME00.DAT"},
        {206, "", "\xCE\xC4\xBC\xFE\xC3\xFB\xB9\xFD\xB3\xA4\xA1\xA3"},
        {9999, "D:\\G", "System error 9999\r\nD:\\G"},  // a code the system has no text for
    };
    for (const auto& r : rows) EXPECT_EQ(std::string(plat::systemError(r.code, r.subject).what()), r.text) << r.code;
}

TEST(ErrorBox, TitleIsTheProgramNameUpToItsFirstFullStopInLowerCaseButTheFirst) {
    sim::SimPlatform s;
    sim::Installed on(s, ui::app());
    struct Row {
        const char* path;
        const char* title;
    } rows[] = {
        {"D:\\SETUP.EXE", "Setup"},
        {"C:\\Games\\LunaVire.Setup.exe", "Lunavire"},
        {"C:\\x\\setup", "setup"},
        {"C:\\A.B\\INSTALL.EXE", "Install"},
    };
    for (const auto& r : rows) EXPECT_EQ(ui::applicationTitle(r.path), r.title) << r.path;
}

class Startup : public simtest::SimTest {
protected:
    void TearDown() override { app::destroyForms(); }
};

TEST_F(Startup, MainWindowsCreationStepRunsBeforeTheOtherWindowsExist) {
    s.setProgramPath("D:\\Setup.exe");
    bool othersMissing = false;
    app::createForms([&](TForm1& main) {
        main.findLanguages = [&] {
            othersMissing = Form1 == &main && !Form2 && !Form3 && !Form4;
            return std::vector<std::string>{"B", "A"};
        };
    });
    EXPECT_TRUE(othersMissing) << "the language list is filled before the other windows exist";
    ASSERT_TRUE(Form2 && Form3 && Form4);
    EXPECT_EQ(Form1->ComboBox1->items(), (std::vector<std::string>{"B", "A"})) << "listing order kept";
    EXPECT_EQ(Form1->ComboBox1->itemIndex(), -1) << "nothing selected at start";
    EXPECT_EQ(Form1->sourceFolder, "D:");
}

TEST_F(Startup, WindowsComeUpWithTheirSizesTitlesAndFonts) {
    app::createForms();
    EXPECT_EQ(Form1->className(), "TForm1");
    EXPECT_EQ(Form2->className(), "TForm2");
    EXPECT_EQ(Form3->className(), "TForm3");
    EXPECT_EQ(Form4->className(), "TForm4");
    EXPECT_EQ(Form1->clientWidth, 557);
    EXPECT_EQ(Form1->clientHeight, 372);
    EXPECT_EQ(Form2->clientWidth, 368);
    EXPECT_EQ(Form2->clientHeight, 281);
    EXPECT_TRUE(Form3->outerSize);
    EXPECT_EQ(Form3->bounds().width, 312);
    EXPECT_EQ(Form3->bounds().height, 320);
    EXPECT_EQ(Form4->clientWidth, 323);
    EXPECT_EQ(Form4->clientHeight, 67);
    EXPECT_FALSE(Form4->systemMenu) << "the progress window has no border icons";
    EXPECT_TRUE(Form1->minimizeBox) << "the main window can be minimised during a long installation";
    EXPECT_FALSE(Form1->maximizeBox) << "but not maximised: its layout is fixed";
    for (ui::Form* f : {static_cast<ui::Form*>(Form1), static_cast<ui::Form*>(Form2),
                        static_cast<ui::Form*>(Form3), static_cast<ui::Form*>(Form4)}) {
        EXPECT_EQ(f->formFont().name, "\xCB\xCE\xCC\xE5") << f->className() << " font is SimSun in GBK";
        EXPECT_EQ(f->formFont().charset, 134);
        EXPECT_EQ(f->formFont().height, -12);
        EXPECT_FALSE(f->showing()) << "nothing is shown before the event loop runs";
    }
    // Button6 and ComboBox1 keep their own fonts when the window's changes.
    Form1->setFontName("Arial");
    EXPECT_EQ(Form1->Button1->font().name, "Arial");
    EXPECT_EQ(Form1->Button6->font().name, "MS Sans Serif");
    EXPECT_EQ(Form1->Button6->font().height, -11);
    EXPECT_EQ(Form1->ComboBox1->font().height, -13);
    // Controls of a nested container inherit the window's font.
    EXPECT_EQ(Form2->Button8->font().name, "\xCB\xCE\xCC\xE5");
    EXPECT_FALSE(Form2->Panel1->visible()) << "the folder panel starts hidden";
    EXPECT_EQ(Form2->Edit2->text(), "c:\\Lunavire");
    EXPECT_EQ(Form4->Timer1->interval(), 300u);
    EXPECT_FALSE(Form4->Timer1->enabled());
}

TEST_F(Startup, EveryTableRowIsBoundToTheMemberOfItsName) {
    app::createForms();
    for (ui::Form* f : {static_cast<ui::Form*>(Form1), static_cast<ui::Form*>(Form2),
                        static_cast<ui::Form*>(Form3), static_cast<ui::Form*>(Form4)}) {
        const ui::FormDef* def = f->definition();
        ASSERT_NE(def, nullptr) << f->className() << " is made from its table";
        for (std::size_t i = 0; i < def->controlCount; ++i) {
            const ui::ControlDef& row = def->controls[i];
            ui::Component* c = f->findComponent(row.name);
            ASSERT_NE(c, nullptr) << row.name;
            EXPECT_EQ(c->kind(), row.binding.kind) << row.name << " has its member's kind";
        }
    }
    // A few members, each the control of its own name and nothing else.
    EXPECT_EQ(Form2->Button8, &Form2->get<ui::Button>("Button8"));
    EXPECT_EQ(Form2->ShellTreeView2, &Form2->get<ui::ShellTreeView>("ShellTreeView2"));
    EXPECT_EQ(Form2->Label2->parent(), Form2->GroupBox5) << "a row names its parent";
    EXPECT_EQ(Form3->Button2, &Form3->get<ui::Button>("Button2"));
    EXPECT_EQ(Form4->Gauge1, &Form4->get<ui::Gauge>("Gauge1"));
    EXPECT_EQ(Form1->tabOrder, (std::vector<std::string>{"Memo1", "ComboBox1", "Button1", "Button2", "Button3",
                                                         "Button4", "Button5", "Button6"}))
        << "the keyboard order comes from the rows";
    EXPECT_TRUE(Form2->tabOrder.empty()) << "no row of the disc window names an order: creation order";
}

TEST_F(Startup, MainWindowOwnsItsControlsInCreationOrder) {
    app::createForms();
    std::vector<std::string> names;
    for (auto* c : Form1->components()) names.push_back(c->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Image1", "Memo1", "Button1", "Button2", "Button3", "Button4",
                                               "Button5", "Button6", "ComboBox1", "Timer1"}));
    std::vector<std::string> captions;
    for (auto* b : {Form1->Button1, Form1->Button2, Form1->Button3, Form1->Button4, Form1->Button5,
                    Form1->Button6})
        captions.push_back(b->text());
    EXPECT_EQ(captions[0], "\xB4\xD3\xD4\xB4\xB9\xE2\xC5\xCC\xB0\xB2\xD7\xB0\xD3\xCE\xCF\xB7");  // 从源光盘安装游戏
    EXPECT_EQ(captions[1], "\xB0\xB2\xD7\xB0 directx 8.0");
    EXPECT_EQ(captions[5], "\xB0\xB2\xD7\xB0NETSHOW");
}

TEST_F(Startup, StartTimerAppliesTheLanguageOnceAfterOneSecond) {
    app::createForms();
    int detects = 0, applies = 0;
    Form1->detectLanguage = [&] {
        ++detects;
        return std::string("L");
    };
    Form1->applyLanguage = [&](const std::string& l) {
        EXPECT_EQ(l, "L");
        ++applies;
    };
    s.advance(999);
    EXPECT_EQ(applies, 0);
    s.advance(1);
    EXPECT_EQ(applies, 1);
    EXPECT_FALSE(Form1->Timer1->enabled());
    s.advance(10000);
    EXPECT_EQ(detects, 1);
    EXPECT_EQ(applies, 1) << "the start timer never fires again after a successful tick";
}

TEST_F(Startup, AFailingStartTickIsSwallowedAndRetriedASecondLater) {
    app::createForms();
    int applies = 0;
    Form1->detectLanguage = [] { return std::string("L"); };
    Form1->applyLanguage = [&](const std::string&) {
        if (++applies < 3) throw base::Error("Resource lince1 not found");
    };
    s.advance(1000);
    EXPECT_EQ(applies, 1);
    EXPECT_TRUE(Form1->Timer1->enabled());
    s.advance(1000);
    EXPECT_EQ(applies, 2);
    s.advance(1000);
    EXPECT_EQ(applies, 3);
    s.advance(5000);
    EXPECT_EQ(applies, 3);
    EXPECT_TRUE(s.boxes().empty()) << "start-up errors are never shown";
}

TEST_F(Startup, AnErrorEscapingAButtonShowsTheErrorBoxAndTheWindowStaysUsable) {
    s.setProgramPath("D:\\SETUP.EXE");
    app::createForms();
    int clicks = 0;
    Form1->patchInstall = [&] {
        ++clicks;
        throw base::Error("Cannot create file D:\\x\\KESTAL.exe");
    };
    s.answerBoxes({plat::Answer::Ok, plat::Answer::Ok});
    Form1->Button3->click();
    Form1->Button3->click();
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[0].text, "Cannot create file D:\\x\\KESTAL.exe.");
    EXPECT_EQ(s.boxes()[0].caption, "Setup");
    EXPECT_EQ(s.boxes()[0].style, 0x10u) << "stop icon and OK, not topmost";
}

TEST_F(Startup, DiscButtonOpensTheDiscWindowWithTheSourceFolderAndResetsItsPage) {
    s.setProgramPath("D:\\inst\\Setup.exe");
    app::createForms();
    std::string seen;
    s.onModal("TForm2", [&](ui::Form& f) {
        seen = Form2->Edit1->text();
        Form2->PageControl1->setActivePageIndex(1);
        f.Close();
    });
    Form1->Button1->click();
    EXPECT_EQ(seen, "D:\\inst");
    EXPECT_EQ(Form2->PageControl1->activePageIndex(), 0);
    EXPECT_FALSE(Form2->showing());
}

TEST_F(Startup, DiscWindowsCancelButtonsAndCloseBoxCloseIt) {
    app::createForms();
    for (auto close : std::vector<std::function<void()>>{[] { Form2->Button2->click(); },
                                                          [] { Form2->Button3->click(); },
                                                          [] { Form2->userClose(); }}) {
        s.onModal("TForm2", [close](ui::Form&) { close(); });
        Form1->Button1->click();
        EXPECT_FALSE(Form2->showing());
    }
    EXPECT_EQ(s.modals().size(), 3u);
    EXPECT_TRUE(Form1 && !ui::app().terminated()) << "closing it does not end the program";
}

TEST_F(Startup, ProgramRunsUntilTheMainWindowCloses) {
    s.setProgramPath("D:\\Setup.exe");
    s.post([] {
        ASSERT_TRUE(Form1 && Form1->showing());
        EXPECT_FALSE(Form2->showing());
        Form1->Close();
    });
    EXPECT_EQ(app::runProgram(), 0);
    EXPECT_EQ(s.comInitialized(), 1) << "COM starts before any window";
    EXPECT_EQ(Form1, nullptr) << "the windows are gone when the program ends";
}

TEST_F(Startup, ASecondCopyBringsTheFirstToTheFrontAndEndsAtOnce) {
    s.setOtherInstanceRunning(true);
    s.post([] { ADD_FAILURE() << "the second copy entered the message loop"; });
    EXPECT_EQ(app::runProgram(), 0);
    EXPECT_EQ(s.otherInstanceBroughtToFront(), 1);
    EXPECT_EQ(s.instanceWindowClasses(), (std::vector<std::string>{"TForm1", "TForm5"}))
        << "the installer's window, else a running uninstaller's";
    EXPECT_EQ(s.comInitialized(), 0);
    EXPECT_EQ(Form1, nullptr) << "no window was made";
}

}  // namespace
