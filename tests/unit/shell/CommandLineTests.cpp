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

struct Accepted {
    const char* line;
    void (*check)(const CommandLine&);
};

const Accepted kAccepted[] = {
    {"Setup.exe", [](const CommandLine& c) { EXPECT_FALSE(c.silent || c.uninstall || c.usage || c.dir); }},
    {"Setup.exe /S /DIR=C:\\Games\\Lunavire",
     [](const CommandLine& c) {
         EXPECT_TRUE(c.silent);
         EXPECT_EQ(c.dir.value_or(""), "C:\\Games\\Lunavire");
     }},
    {"Setup.exe -s /dir=\"C:\\Program Files\\Lunavire 2\" /Patch=TRADITIONAL -voice /NoShortcuts",
     [](const CommandLine& c) {
         EXPECT_TRUE(c.silent && c.voice && c.noShortcuts);
         EXPECT_EQ(c.dir.value_or(""), "C:\\Program Files\\Lunavire 2");
         EXPECT_EQ(c.patch, Edition::Traditional);
     }},
    {"\"D:\\My Setup\\Setup.exe\" \"/DIR=C:\\a b\" /S /PATCH=simplified /LOG=\"C:\\logs\\run 1.log\"",
     [](const CommandLine& c) {
         EXPECT_EQ(c.dir.value_or(""), "C:\\a b");
         EXPECT_EQ(c.patch, Edition::Simplified);
         EXPECT_EQ(c.log, "C:\\logs\\run 1.log");
     }},
    {"Setup.exe /S /SOURCE=E:\\discs\\",
     [](const CommandLine& c) { EXPECT_EQ(c.sources, std::vector<std::string>{"E:\\discs"}); }},
    {"Setup.exe /S /SOURCE=\"D:\\cd 1;E:\\;F:\\cd3\\\"",
     [](const CommandLine& c) { EXPECT_EQ(c.sources, (std::vector<std::string>{"D:\\cd 1", "E:\\", "F:\\cd3"})); }},
    {"Setup.exe /?", [](const CommandLine& c) { EXPECT_TRUE(c.usage); }},
    {"Setup.exe -HELP", [](const CommandLine& c) { EXPECT_TRUE(c.usage); }},
    {"Setup.exe /uninstall", [](const CommandLine& c) {
         EXPECT_TRUE(c.uninstall);
         EXPECT_EQ(c.uninstallFolder, "");
     }},
    {"Uninstall.exe /UNINSTALL \"C:\\Games\\Lunavire\\\\\" /S /PATCHONLY -removesaves",
     [](const CommandLine& c) {
         EXPECT_TRUE(c.uninstall && c.silent && c.patchOnly && c.removeSaves);
         EXPECT_EQ(c.uninstallFolder, "C:\\Games\\Lunavire");
     }},
    {"Uninstall.exe /uninstall /S /LOG=C:\\u.log",
     [](const CommandLine& c) {
         EXPECT_TRUE(c.uninstall && c.silent);
         EXPECT_EQ(c.uninstallFolder, "");
         EXPECT_EQ(c.log, "C:\\u.log");
     }},
};

// The split steps through the code page's characters: a simulated Windows is in force.
class CommandLineSim : public simtest::SimTest {};

TEST_F(CommandLineSim, AcceptedForms) {
    for (const auto& row : kAccepted) {
        SCOPED_TRACE(row.line);
        const CommandLine c = shell::parseCommandLine(row.line);
        EXPECT_EQ(c.fault, "");
        row.check(c);
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

// Each question's unattended answer, and whether that answer ends the run
// and with what.
TEST(UnattendedRules, EachQuestionHasItsAnswerAndItsEnd) {
    using plat::Answer;
    using shell::ExitCode;
    using shell::Question;
    shell::UnattendedFace keep({false, {"", "E:\\disc2", ""}});
    shell::UnattendedFace remove({true, {}});
    const struct {
        shell::UnattendedFace& face;
        Question q;
        int disc;
        Answer answer;
        std::optional<ExitCode> ends;
    } rows[] = {
        {keep, Question::DiscWanted, 2, Answer::Retry, std::nullopt},
        {keep, Question::LocateDisc, 2, Answer::Ok, std::nullopt},  // a folder is planned for disc 2
        {keep, Question::LocateDisc, 3, Answer::Cancel, ExitCode::DiscMissing},
        {keep, Question::TooLittleRoom, 1, Answer::Cancel, ExitCode::NoRoom},
        {keep, Question::CopyFailed, 1, Answer::Abort, ExitCode::FilesLeftOut},
        {keep, Question::RemovalFailed, 0, Answer::Ignore, std::nullopt},
        {keep, Question::RemoveSaves, 0, Answer::No, std::nullopt},
        {remove, Question::RemoveSaves, 0, Answer::Yes, std::nullopt},
        {keep, Question::ConfirmVoiceAddOn, 0, Answer::Ok, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(shell::nameOf(row.q));
        const shell::Rule r = row.face.rule(row.q, row.disc);
        EXPECT_EQ(r.answer, row.answer);
        EXPECT_EQ(r.endsWith, row.ends);
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
        EXPECT_EQ(face.ask(shell::Question::LocateDisc, "where?", "Error", shell::MsgKind::AskLocate, 2),
                  plat::Answer::Ok);
        EXPECT_EQ(face.pickFolder(), "E:\\disc2");
        EXPECT_EQ(face.ask(shell::Question::LocateDisc, "where?", "Error", shell::MsgKind::AskLocate, 2),
                  plat::Answer::Cancel);
        EXPECT_EQ(face.pickFolder(), std::nullopt);
        EXPECT_EQ(face.show("done", "Notice", shell::MsgKind::Information), plat::Answer::Ok);
        EXPECT_THROW(face.show("which?", "Notice", shell::MsgKind::Confirm), std::logic_error);
    }
    EXPECT_EQ(face.endedBy(), shell::ExitCode::DiscMissing);
    const std::string log = s.readFile("C:\\Temp\\Lunavire install.log").value_or("");
    for (const char* line : {"answered OK by the unattended rule", "disc 2 is to be in E:\\disc2",
                             "answered Cancel by the unattended rule", "told (Notice): done"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

}  // namespace
