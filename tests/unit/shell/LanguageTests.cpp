// Compiled with GBK as the execution character set, like the program's own
// texts, so that the Chinese literals below are the bytes the program sees.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/App.h"
#include "base/Error.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "shell/Language.h"
#include "shell/Services.h"
#include "tests/support/Containers.h"
#include "tests/support/SimTest.h"

namespace {

const char kFontAssoc[] = "System\\CurrentControlSet\\Control\\fontassoc\\Associated CharSet";
const char kNotice1[] = "简体说明\r\n第二行";
const char kNotice2[] = "\xC1\x63\xC5\xE9\r\nBig5";  // 繁體 in Big5

class Language : public simtest::SimTest {
protected:
    void SetUp() override {
        s.setProgramPath("D:\\Setup.exe");
        s.addDrive('D');
        s.setResource("TXT", "LINCE1", testpay::makeContainer(kNotice1));
        s.setResource("TXT", "LINCE2", testpay::makeContainer(kNotice2));
    }
    void TearDown() override { app::destroyForms(); }
    void ini(const std::string& name, const std::string& text) { s.writeFile("D:\\" + name + ".ini", text); }
    std::vector<std::string> titles() const {
        return {Form1->text(), Form2->text(), Form3->text(), Form4->text()};
    }
};

TEST_F(Language, ListsEveryIniEntryButAutoRunInListingOrder) {
    ini("繁體中文", "");
    s.writeFile("D:\\AutoRun.ini", "[autorun]\r\n");
    ini("English", "");
    s.makeFolder("D:\\x.ini");
    s.writeFile("D:\\hidden.ini", "", plat::attr::Hidden | plat::attr::System);
    s.writeFile("D:\\AUTORUN.INI.txt", "");
    ini("简体中文", "");
    s.writeFile("D:\\readme.txt", "");
    EXPECT_EQ(shell::findLanguageFiles(),
              (std::vector<std::string>{"繁體中文", "English", "x", "hidden", "简体中文"}));
}

TEST_F(Language, DetectionSelectsTheDetectedNameWhereverTheListHasIt) {
    ini("English", "");
    ini("繁體中文", "");
    ini("简体中文", "");
    s.setRegistryValue(plat::RootKey::LocalMachine, kFontAssoc, "GB2312(86)");
    // A user who may not write under HKEY_LOCAL_MACHINE still gets the right answer.
    s.denyWriteAccess(plat::RootKey::LocalMachine, "");
    app::createForms();
    EXPECT_EQ(app::detectLanguage(), "简体中文");
    EXPECT_EQ(Form1->ComboBox1->selectedText(), "简体中文");

    s.removeRegistryKey(plat::RootKey::LocalMachine, kFontAssoc);
    EXPECT_EQ(app::detectLanguage(), "繁體中文");
    EXPECT_EQ(Form1->ComboBox1->selectedText(), "繁體中文");
}

TEST_F(Language, AListWithoutTheDetectedNameSelectsNothingButTheNameIsStillApplied) {
    ini("English", "");
    s.setRegistryValue(plat::RootKey::LocalMachine, kFontAssoc, "GB2312(86)");
    app::createForms();
    s.advance(1000);
    EXPECT_EQ(Form1->ComboBox1->itemIndex(), -1);
    EXPECT_EQ(Form1->Memo1->joined(), kNotice1) << "the detected language's notice is shown";
    EXPECT_FALSE(Form1->Timer1->enabled());
}

TEST_F(Language, ThirdLanguageShowsTheTraditionalNotice) {
    ini("English", "[window1]\r\nButton1.Caption=Install from CD\r\n");
    app::createForms();
    Form1->ComboBox1->userSelected(0);
    EXPECT_EQ(Form1->Memo1->joined(), kNotice2);
    EXPECT_EQ(Form1->Button1->text(), "Install from CD");
    EXPECT_TRUE(s.boxes().empty());
}

TEST_F(Language, AFileWithOneCaptionResetsTitlesAndFontsToTheirDefaults) {
    ini("Full",
        "[fontset]\r\nname=Arial\r\nCharset=0\r\nSize=12\r\n"
        "[window1]\r\ntitle=T1\r\n[window2]\r\ntitle=T2\r\n[window3]\r\ntitle=T3\r\n[window4]\r\ntitle=T4\r\n");
    ini("One", "[window1]\r\nButton3.Caption=Patch\r\n");
    app::createForms();
    app::applyLanguage("Full");
    EXPECT_EQ(titles(), (std::vector<std::string>{"T1", "T2", "T3", "T4"}));
    EXPECT_EQ(Form3->formFont().name, "Arial");
    EXPECT_EQ(Form3->formFont().height, -16);
    std::string button1 = Form1->Button1->text();

    app::applyLanguage("One");
    EXPECT_EQ(titles(), (std::vector<std::string>{
                            "Lunavire 中文安装程序&汉化补丁 简繁双语版 由《Lunavire》中文化委员会制作",
                            "Lunavire安装程序 FOR XP 《Lunavire》中文化委员会制作", "查找路径",
                            "《Lunavire》汉化补丁安装"}));
    for (ui::Form* f : {static_cast<ui::Form*>(Form1), static_cast<ui::Form*>(Form2),
                        static_cast<ui::Form*>(Form3), static_cast<ui::Form*>(Form4)}) {
        EXPECT_EQ(f->formFont().name, "MS Sans Serif") << f->className();
        EXPECT_EQ(f->formFont().charset, 134) << f->className();
        EXPECT_EQ(f->formFont().size(), 9) << f->className();
    }
    EXPECT_EQ(Form1->Button3->text(), "Patch");
    EXPECT_EQ(Form1->Button1->text(), button1) << "a missing key keeps the current caption";
    EXPECT_EQ(Form1->Button6->font().name, "MS Sans Serif");
    EXPECT_EQ(Form1->Button6->font().height, -11) << "a control with its own font keeps it";
}

TEST_F(Language, EveryWindowTakesItsOwnKeys) {
    ini("L",
        "[window1]\r\nButton6.Hint=h6\r\nMemo1.Caption=no\r\n"
        "[window2]\r\nEdit2.text=e:\\Games\r\nEdit2.Hint=where\r\nGroupBox4.Caption=Reading\r\n"
        "Label2.Caption=Target\r\nButton8.Caption=OK\r\nEdit1.Caption=no\r\nPanel1.Caption=no\r\n"
        "[window3]\r\nButton2.Caption=Cancel\r\n"
        "[window4]\r\nGauge1.Caption=no\r\n");
    app::createForms();
    app::applyLanguage("L");
    EXPECT_EQ(Form1->Button6->hint(), "h6");
    EXPECT_EQ(Form2->Edit2->text(), "e:\\Games");
    EXPECT_EQ(Form2->Edit2->hint(), "where");
    EXPECT_EQ(Form2->Edit1->text(), "") << "an edit field takes .text, not .Caption";
    EXPECT_EQ(Form2->GroupBox4->text(), "Reading");
    EXPECT_EQ(Form2->Label2->text(), "Target");
    EXPECT_EQ(Form2->Button8->text(), "OK");
    EXPECT_EQ(Form2->Panel1->text(), "") << "panels are not localised";
    EXPECT_EQ(Form3->Button2->text(), "Cancel");
    EXPECT_EQ(Form4->Gauge1->text(), "");
}

TEST_F(Language, MessagesReplacedByOneFileStayWhenTheNextLacksThem) {
    ini("A", "[msgs]\r\nmsgs12=Done!\r\nmsgs14=\\Game\r\n");
    ini("B", "[msgs]\r\nmsgs0=Voice?\r\n");
    app::createForms();
    app::applyLanguage("A");
    EXPECT_EQ(Form1->messages.get(12), "Done!");
    EXPECT_EQ(Form1->messages.get(14), "\\Game");
    app::applyLanguage("B");
    EXPECT_EQ(Form1->messages.get(12), "Done!");
    EXPECT_EQ(Form1->messages.get(0), "Voice?");
    EXPECT_EQ(Form1->messages.get(1), "提示");
}

TEST_F(Language, NamedTextsAreReadByNameAndKeptWhereAFileLacksThem) {
    ini("A", "[msgs]\r\nLeftOut=Not installed:\r\nExitCode=Code %d\r\nmsgs18=ignored\r\n");
    ini("B", "[msgs]\r\nmsgs0=Voice?\r\n");
    app::createForms();
    app::applyLanguage("A");
    EXPECT_EQ(Form1->messages.get(shell::Text::FilesLeftOut), "Not installed:");
    EXPECT_EQ(Form1->messages.get(shell::Text::ExitCode), "Code %d");
    EXPECT_EQ(Form1->messages.get(shell::Text::MoreFilesLeftOut),
              shell::MessageTable::builtIn(shell::Text::MoreFilesLeftOut))
        << "a text the file lacks keeps its built-in default";
    app::applyLanguage("B");
    EXPECT_EQ(Form1->messages.get(shell::Text::FilesLeftOut), "Not installed:")
        << "as the numbered entries: what the last file gave stays";
    EXPECT_EQ(Form1->messages.count(), 18) << "the named texts are not numbered entries";
}

TEST_F(Language, ABadSizeStopsAfterTheFontsAlreadySet) {
    ini("Bad", "[fontset]\r\nname=Arial\r\nCharset=0\r\nSize=nine\r\n[window1]\r\nButton1.Caption=X\r\n");
    app::createForms();
    std::string caption = Form1->Button1->text();
    try {
        app::applyLanguage("Bad");
        FAIL() << "expected a conversion error";
    } catch (const base::Error& e) {
        EXPECT_STREQ(e.what(), "'nine' is not a valid integer value");
    }
    EXPECT_EQ(Form1->formFont().name, "Arial");
    EXPECT_EQ(Form1->formFont().charset, 0);
    EXPECT_EQ(Form2->formFont().name, "宋体") << "the next window's fonts were not reached";
    EXPECT_EQ(Form1->Button1->text(), caption);
}

TEST_F(Language, AMissingNoticeStopsBeforeTheLanguageFileIsRead) {
    ini("简体中文", "[fontset]\r\nname=Arial\r\n");
    s.removeResource("TXT", "LINCE1");
    app::createForms();
    EXPECT_THROW(
        {
            try {
                app::applyLanguage("简体中文");
            } catch (const base::Error& e) {
                EXPECT_STREQ(e.what(), "Resource lince1 not found");
                throw;
            }
        },
        base::Error);
    EXPECT_EQ(Form1->formFont().name, "宋体");
}

TEST_F(Language, NoFileBesideTheProgramAppliesEveryDefault) {
    app::createForms();
    s.advance(1000);
    EXPECT_TRUE(Form1->ComboBox1->items().empty());
    EXPECT_EQ(Form1->formFont().name, "MS Sans Serif");
    EXPECT_EQ(Form1->text(), "Lunavire 中文安装程序&汉化补丁 简繁双语版 由《Lunavire》中文化委员会制作");
    EXPECT_EQ(Form1->Memo1->joined(), kNotice2) << "no GB2312 association: Traditional";
    EXPECT_TRUE(s.boxes().empty());
    EXPECT_TRUE(s.links().empty());
    EXPECT_FALSE(s.exists("C:\\lince.txt")) << "the notice is not written to a file";
}

TEST_F(Language, StartTickRetriesAFailingApplyWhileAListChangeShowsTheError) {
    ini("繁體中文", "[fontset]\r\nSize=x9\r\n");  // "x9" is hexadecimal 9: valid
    ini("Broken", "[fontset]\r\nCharset=abc\r\n");
    s.removeResource("TXT", "LINCE2");
    app::createForms();
    s.advance(1000);
    EXPECT_TRUE(Form1->Timer1->enabled()) << "retried a second later";
    s.setResource("TXT", "LINCE2", testpay::makeContainer(kNotice2));
    s.advance(1000);
    EXPECT_FALSE(Form1->Timer1->enabled());
    EXPECT_EQ(Form1->Memo1->joined(), kNotice2);
    EXPECT_TRUE(s.boxes().empty());

    s.answerBoxes({plat::Answer::Ok});
    const auto& items = Form1->ComboBox1->items();
    Form1->ComboBox1->userSelected(static_cast<int>(std::find(items.begin(), items.end(), "Broken") - items.begin()));
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].text, "'abc' is not a valid integer value.");
    EXPECT_EQ(s.boxes()[0].style, 0x10u);
}

TEST_F(Language, TheSimplifiedNoticeIsShownFromTheStartEvenWhileTheStartUpLanguageFails) {
    ini("简体中文", "[fontset]\r\nSize=abc\r\n");
    s.setRegistryValue(plat::RootKey::LocalMachine, kFontAssoc, "GB2312(86)");
    app::createForms();
    EXPECT_EQ(Form1->Memo1->joined(), kNotice1) << "before the start timer's first tick";
    s.advance(3000);
    EXPECT_TRUE(Form1->Timer1->enabled()) << "the start-up language keeps failing";
    EXPECT_EQ(Form1->Memo1->joined(), kNotice1);

    // Without the payload the box starts empty, and the program still starts.
    app::destroyForms();
    s.removeResource("TXT", "LINCE1");
    app::createForms();
    EXPECT_TRUE(Form1->Memo1->lines().empty());
}

TEST_F(Language, ALanguageThePlayerChoseIsNeverReplacedByTheStartUpOne) {
    // The detected language's file cannot be applied: the start timer retries.
    ini("简体中文", "[fontset]\r\nSize=abc\r\n");
    ini("繁體中文", "[window1]\r\ntitle=Traditional\r\n");
    s.setRegistryValue(plat::RootKey::LocalMachine, kFontAssoc, "GB2312(86)");
    app::createForms();
    s.advance(1000);
    ASSERT_TRUE(Form1->Timer1->enabled());
    ASSERT_EQ(Form1->ComboBox1->selectedText(), "简体中文");

    const auto& items = Form1->ComboBox1->items();
    Form1->ComboBox1->userSelected(static_cast<int>(std::find(items.begin(), items.end(), "繁體中文") - items.begin()));
    EXPECT_FALSE(Form1->Timer1->enabled()) << "the choice stops the start timer for good";
    s.advance(10000);
    EXPECT_EQ(Form1->ComboBox1->selectedText(), "繁體中文") << "the list keeps the player's choice";
    EXPECT_EQ(Form1->text(), "Traditional");
    EXPECT_EQ(Form1->Memo1->joined(), kNotice2);
    EXPECT_EQ(shell::edition(), shell::Edition::Traditional) << "and so does the patch's edition";
    EXPECT_TRUE(s.boxes().empty());
}

TEST(StrToInt, ReadsTheLanguageFilesIntegerSyntax) {
    struct Row {
        const char* text;
        int value;
    } good[] = {
        {"134", 134}, {"  9", 9}, {" -3", -3}, {"+7", 7}, {"$1A", 26}, {"0x1A", 26}, {"x1a", 26},
        {"X1A", 26}, {"-$10", -16}, {"$FFFFFFFF", -1}, {"2147483647", 2147483647}, {"-2147483648", INT_MIN},
        {"007", 7},
    };
    for (const auto& r : good) EXPECT_EQ(shell::strToInt(r.text), r.value) << r.text;
    for (const char* bad : {"", " ", "9 ", "nine", "1.5", "$", "0x", "2147483648", "$100000000", "--1", "\t9"}) {
        try {
            shell::strToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const base::Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST_F(Language, Charset390ActsAs134) {
    ini("L", "[fontset]\r\nCharset=390\r\nSize=$C\r\n");
    app::createForms();
    app::applyLanguage("L");
    EXPECT_EQ(Form2->formFont().charset, 134);
    EXPECT_EQ(Form2->formFont().size(), 12);
}

}  // namespace
