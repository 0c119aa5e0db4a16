// The command line as the program reads it, and the rules that answer the
// runs' questions when nobody is there.  Chinese names are written in UTF-8
// and turned into the code page's bytes.
#include <gtest/gtest.h>

#include "shell/CommandLine.h"
#include "shell/RunLog.h"
#include "shell/Unattended.h"
#include "tests/support/SimTest.h"

namespace {

using shell::CommandLine;
using shell::Edition;
using simtest::ansi;

// What a command line chose, on one line: the switches set, in a fixed order.
std::string chosen(const CommandLine& c) {
    std::string out;
    const auto add = [&](bool on, const std::string& text) {
        if (on) out += (out.empty() ? "" : " ") + text;
    };
    add(c.uninstall, "uninstall[" + c.uninstallFolder + "]");
    add(c.check == CommandLine::Check::Verify, "verify");
    add(c.check == CommandLine::Check::Repair, "repair");
    add(c.silent, "S");
    add(c.dir.has_value(), "DIR=" + c.dir.value_or(""));
    for (const auto& source : c.sources) add(true, "SOURCE=" + source);
    add(c.patch.has_value(), c.patch == Edition::Simplified ? "PATCH=simplified" : "PATCH=traditional");
    add(c.voice, "VOICE");
    add(c.noShortcuts, "NOSHORTCUTS");
    add(c.patchOnly, "PATCHONLY");
    add(c.removeSaves, "REMOVESAVES");
    add(!c.log.empty(), "LOG=" + c.log);
    add(c.usage, "?");
    return out;
}

// The split steps through the code page's characters: a simulated Windows is in force.
class CommandLineSim : public simtest::SimTest {};

TEST_F(CommandLineSim, AcceptedForms) {
    const struct {
        const char* line;
        const char* chosen;
    } rows[] = {
        {"Setup.exe", ""},
        {"Setup.exe /S /DIR=C:\\Games\\Lunavire", "S DIR=C:\\Games\\Lunavire"},
        {"Setup.exe -s /dir=\"C:\\Program Files\\Lunavire 2\" /Patch=TRADITIONAL -voice /NoShortcuts",
         "S DIR=C:\\Program Files\\Lunavire 2 PATCH=traditional VOICE NOSHORTCUTS"},
        {"\"D:\\My Setup\\Setup.exe\" \"/DIR=C:\\a b\" /S /PATCH=simplified /LOG=\"C:\\logs\\run 1.log\"",
         "S DIR=C:\\a b PATCH=simplified LOG=C:\\logs\\run 1.log"},
        {"Setup.exe /S /SOURCE=E:\\discs\\", "S SOURCE=E:\\discs"},
        {"Setup.exe /S /SOURCE=\"D:\\cd 1;E:\\;F:\\cd3\\\"", "S SOURCE=D:\\cd 1 SOURCE=E:\\ SOURCE=F:\\cd3"},
        {"Setup.exe /?", "?"},
        {"Setup.exe -HELP", "?"},
        {"Setup.exe /uninstall", "uninstall[]"},
        {"Uninstall.exe /UNINSTALL \"C:\\Games\\Lunavire\\\\\" /S /PATCHONLY -removesaves",
         "uninstall[C:\\Games\\Lunavire] S PATCHONLY REMOVESAVES"},
        {"Uninstall.exe /uninstall /S /LOG=C:\\u.log", "uninstall[] S LOG=C:\\u.log"},
        {"Uninstall.exe /Verify /S", "uninstall[] verify S"},
        {"Uninstall.exe -repair \"C:\\Games\\Lunavire\" /S /SOURCE=D:;E:\\;F:",
         "uninstall[C:\\Games\\Lunavire] repair S SOURCE=D: SOURCE=E:\\ SOURCE=F:"},
    };
    for (const auto& row : rows) {
        const CommandLine c = shell::parseCommandLine(row.line);
        EXPECT_EQ(c.fault, "") << row.line;
        EXPECT_EQ(chosen(c), row.chosen) << row.line;
    }
}

TEST_F(CommandLineSim, FaultsNameTheArgumentAndWhy) {
    const struct {
        const char* line;
        const char* fault;
    } rows[] = {
        {"Setup.exe /S /DIRR=C:\\x", "/DIRR=C:\\x: is unknown"},
        {"Setup.exe /S /DIR", "/DIR: needs a value"},
        {"Setup.exe /S /DIR=", "/DIR=: needs a value"},
        {"Setup.exe /S=1", "/S=1: takes no value"},
        {"Setup.exe /S /PATCH=big5", "/PATCH=big5: the edition is simplified or traditional"},
        {"Setup.exe /S C:\\Games", "C:\\Games: not a switch"},
        {"Setup.exe /DIR=C:\\Games", "/DIR, /SOURCE, /PATCH, /VOICE and /NOSHORTCUTS need /S"},
        {"Setup.exe /S /PATCHONLY", "/PATCHONLY: is the uninstaller's"},
        {"Setup.exe /uninstall C:\\G /S /DIR=C:\\x", "/DIR=C:\\x: is not the uninstaller's"},
        {"Setup.exe /uninstall C:\\G /PATCHONLY", "/PATCHONLY and /REMOVESAVES need /S"},
        {"Uninstall.exe /uninstall /S /SOURCE=D:", "/SOURCE is the setup's, /verify's and /repair's"},
        {"Uninstall.exe /repair /S /REMOVESAVES", "/PATCHONLY and /REMOVESAVES are /uninstall's"},
        {"Uninstall.exe /verify /S /DIR=C:\\x", "/DIR=C:\\x: is not the uninstaller's"},
        {"Setup.exe /S /SOURCE=a;b;c;d", "/SOURCE names at most three folders"},
    };
    for (const auto& row : rows) EXPECT_EQ(shell::parseCommandLine(row.line).fault, row.fault) << row.line;
}

// A Chinese name's second byte may be a backslash or a quote-free letter:
// the split goes by characters.
TEST_F(CommandLineSim, ChineseFoldersKeepTheirBytes) {
    const std::string folder = ansi("C:\\游戏\\表示 月之回廊");
    const CommandLine c = shell::parseCommandLine("Setup.exe /S \"/DIR=" + folder + "\" /SOURCE=" +
                                                  ansi("D:\\光盘一") + ";" + ansi("E:\\光盘表"));
    EXPECT_EQ(c.fault, "");
    EXPECT_EQ(c.dir.value_or(""), folder);
    EXPECT_EQ(c.sources, (std::vector<std::string>{ansi("D:\\光盘一"), ansi("E:\\光盘表")}));
}

// Each question's unattended answer.
TEST(UnattendedRules, EachQuestionHasItsAnswer) {
    using plat::Answer;
    using shell::Question;
    shell::UnattendedFace keep({false, {"", "E:\\disc2", ""}});
    shell::UnattendedFace remove({true, {}});
    const struct {
        shell::UnattendedFace& face;
        Question q;
        int disc;
        Answer answer;
    } rows[] = {
        {keep, Question::DiscWanted, 2, Answer::Retry},
        {keep, Question::LocateDisc, 2, Answer::Ok},  // a folder is planned for disc 2
        {keep, Question::LocateDisc, 3, Answer::Cancel},
        {keep, Question::TooLittleRoom, 1, Answer::Cancel},
        {keep, Question::CopyFailed, 1, Answer::Abort},
        {keep, Question::RemovalFailed, 0, Answer::Ignore},
        {keep, Question::RemoveSaves, 0, Answer::No},
        {remove, Question::RemoveSaves, 0, Answer::Yes},
        {keep, Question::ConfirmVoiceAddOn, 0, Answer::Ok},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(shell::nameOf(row.q));
        EXPECT_EQ(row.face.rule(row.q, row.disc), row.answer);
    }
}

class UnattendedFaceSim : public simtest::SimTest {};

// The planned folder is offered once: a folder that does not hold the disc
// ends the run as a missing disc instead of asking for ever.
TEST_F(UnattendedFaceSim, APlannedDiscFolderIsOfferedOnceAndEverythingIsLogged) {
    s.setTempFolder("C:\\Temp");
    shell::UnattendedFace face({false, {"", "E:\\disc2", ""}});
    {
        shell::RunLog log(shell::kInstallLog, "install");
        log.placeInTemp();
        EXPECT_EQ(face.ask(shell::Question::LocateDisc, "where?", "Error", 2), plat::Answer::Ok);
        EXPECT_EQ(face.pickFolder(), "E:\\disc2");
        EXPECT_EQ(face.ask(shell::Question::LocateDisc, "where?", "Error", 2), plat::Answer::Cancel);
        EXPECT_EQ(face.pickFolder(), std::nullopt);
        EXPECT_EQ(face.show("done", "Notice", shell::MsgKind::Information), plat::Answer::Ok);
    }
    EXPECT_EQ(face.rule(shell::Question::LocateDisc, 2), plat::Answer::Cancel)
        << "the planned folder offered, a missing disc ends it";
    const std::string log = s.readFile("C:\\Temp\\Lunavire install.log").value_or("");
    for (const char* line : {"answered OK by the unattended rule", "disc 2 is to be in E:\\disc2",
                             "answered Cancel by the unattended rule", "told (Notice): done"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

}  // namespace
