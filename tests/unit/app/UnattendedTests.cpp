// The program started with /S in the simulation: no box, no window, an exit
// code for each way a run ends, and the same runs as the windows'.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/App.h"
#include "app/Unattended.h"
#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/SystemError.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "tests/support/Containers.h"
#include "tests/unit/discinstall/DiscRunFixture.h"
#include "uninstall/UnattendedRemoval.h"

namespace {

using discruntest::kDisc1;
using discruntest::kDisc2;
using discruntest::kDisc3;
using plat::RegView;
using plat::RootKey;
using shell::ExitCode;

constexpr std::uint32_t kCrcError = 23;  // a scratched disc

const char* const kPayloads[][2] = {
    {"GB_", "KESTAL"}, {"GB_", "CVANDRY"}, {"GB_", "README"}, {"GB_", "GAME01"}, {"GB_", "GAME00"},
    {"BIG", "KESTAL"}, {"BIG", "CVANDRY"}, {"BIG", "README"}, {"BIG", "GAME01"},
};

const char* const kVoicePayloads[][2] = {{"ex0", "SOUNDS"}, {"EX0", "SOUND1"}, {"re0", "REG000"}};

std::string payload(const std::string& group, const std::string& name) { return group + "/" + name + "!"; }

// Which discs lie in the CD drives D:, E: and F:.
enum Discs { kNoDisc = 0, kDiscOne = 1, kDiscTwo = 2, kDiscThree = 4, kAllDiscs = 7 };

class Unattended : public simtest::SimTest {
protected:
    void SetUp() override { arrange(kAllDiscs); }
    void arrange(int discs) {
        for (char d : {'D', 'E', 'F'}) {
            s.addDrive(d, true);
            s.setDriveType(d, plat::DriveType::CdRom);
        }
        s.setProgramPath("D:\\Setup.exe");
        s.writeFile("D:\\Setup.exe", "MZ setup");
        if (discs & kDiscOne) put("D:", kDisc1);
        if (discs & kDiscTwo) put("E:", kDisc2);
        if (discs & kDiscThree) put("F:", kDisc3);
        for (const auto& p : kPayloads) s.setResource(p[0], p[1], testpay::makeContainer(payload(p[0], p[1])));
        for (const auto& p : kVoicePayloads) s.setResource(p[0], p[1], testpay::makeContainer(payload(p[0], p[1])));
        s.setTempFolder("C:\\Temp");
        s.setProgramsFolder("C:\\Programs");
    }
    void put(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& f : files) s.writeFile(root + "\\" + f.first, f.second);
    }
    // The program as Windows starts it; any box fails the test (none is scripted).
    int run(const std::string& args) {
        s.setCommandLine("D:\\Setup.exe " + args);
        return app::runProgram();
    }
    void expectGame(const std::string& folder) {
        for (const auto& f : kDisc1) EXPECT_TRUE(s.readFile(folder + "\\" + f.first.substr(5)) == f.second) << f.first;
        for (const auto* disc : {&kDisc2, &kDisc3})
            for (const auto& f : *disc) EXPECT_TRUE(s.readFile(folder + "\\" + f.first) == f.second) << f.first;
    }
    std::string log(const char* path = "C:\\run.log") { return s.readFile(path).value_or(""); }
};

TEST_F(Unattended, InstallsFromTheCdDrivesWithNoBoxAndLogsEverythingToTheLogFile) {
    EXPECT_EQ(run("/S \"/DIR=C:\\Games\\Luna vire\" /LOG=C:\\run.log"), 0) << log();
    expectGame("C:\\Games\\Luna vire");
    EXPECT_TRUE(s.boxes().empty());
    EXPECT_FALSE(shell::registration::entriesOf("C:\\Games\\Luna vire").empty());
    EXPECT_TRUE(s.fileExists("C:\\Games\\Luna vire\\Uninstall\\Uninstall.exe"));
    const std::string all = log();
    for (const char* line : {"command line: D:\\Setup.exe /S", "asked (", "answered Retry by the unattended rule",
                             "installed 100%", "exit code 0 (done)"})
        EXPECT_NE(all.find(line), std::string::npos) << line;
    // The run's own log beside the game has the same lines.
    EXPECT_NE(log("C:\\Games\\Luna vire\\install.log").find("answered Retry"), std::string::npos);
}

// Each way a run ends has its own code and its reason in the log, and
// nothing ends in a box; a run that wrote nothing leaves no folder it made.
struct End {
    const char* name;
    int discs;
    std::function<void(sim::SimPlatform&)> arrange;
    std::string args;
    ExitCode code;
    const char* absent = "C:\\Lunavire";  // what the run leaves as it was: not there
    bool registered = false;               // the game is in Windows' list all the same
};

void PrintTo(const End& e, std::ostream* os) { *os << e.name; }

class UnattendedEnd : public Unattended, public ::testing::WithParamInterface<End> {
protected:
    void SetUp() override { arrange(GetParam().discs); }
};

TEST_P(UnattendedEnd, HasItsExitCodeAndNoBox) {
    const End& row = GetParam();
    if (row.arrange) row.arrange(s);
    EXPECT_EQ(run(row.args + " /LOG=C:\\run.log"), static_cast<int>(row.code)) << log();
    EXPECT_TRUE(s.boxes().empty());
    const std::string exitLine = "exit code " + std::to_string(static_cast<int>(row.code)) + " (" +
                                 shell::meaningOf(row.code) + (row.code == ExitCode::Usage || row.code == ExitCode::Done ? ")" : ": ");
    EXPECT_NE(log().find(exitLine), std::string::npos) << "with its reason: " << log();
    EXPECT_EQ(shell::registration::entriesOf("C:\\Lunavire").empty(), !row.registered);
    if (row.absent) {
        EXPECT_FALSE(s.exists(row.absent)) << row.absent;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ends, UnattendedEnd,
    ::testing::Values(
        End{"NoDiscThree", kDiscOne | kDiscTwo, {}, "/S", ExitCode::DiscMissing, nullptr},
        End{"NoDiscAtAll", kNoDisc, {}, "/S", ExitCode::DiscMissing},
        End{"DriveRoot", kAllDiscs, {}, "/S /DIR=C:\\", ExitCode::Refused},
        End{"TooLittleRoom", kAllDiscs, [](sim::SimPlatform& s) { s.setDriveCapacity('C', 6000); }, "/S",
            ExitCode::NoRoom},
        End{"CopyFails", kAllDiscs,
            [](sim::SimPlatform& s) { s.failReadAt("D:\\game\\game00.dat", 1024, kCrcError); }, "/S",
            ExitCode::FilesLeftOut, nullptr},
        End{"AnotherCopyRuns", kAllDiscs, [](sim::SimPlatform& s) { s.setOtherInstanceRunning(true); }, "/S",
            ExitCode::AlreadyRunning},
        End{"PatchWithoutGame", kNoDisc, {}, "/S /PATCH=simplified /DIR=C:\\Empty /SOURCE=C:\\Nothing",
            ExitCode::DiscMissing},
        End{"SystemEndsTheProgram", kAllDiscs,
            [](sim::SimPlatform& s) {
                s.onPump([done = std::make_shared<bool>(false)] {
                    if (!*done) plat::host().endProgram();
                    *done = true;
                });
            },
            "/S /PATCH=simplified", ExitCode::Cancelled},
        End{"VoiceAlone", kNoDisc, {}, "/S /VOICE", ExitCode::Done},
        End{"BadSwitch", kAllDiscs, {}, "/S /FOLDER=C:\\x", ExitCode::Usage},
        End{"EmptySourcePart", kAllDiscs, {}, "/S /SOURCE=;", ExitCode::Usage},
        End{"RelativeLog", kAllDiscs, {}, "/S /LOG=run.log", ExitCode::Usage},
        // What the code page cannot hold reaches the program as "?".
        End{"NameOutsideTheCodePage", kAllDiscs, {}, "/S /DIR=C:\\price?", ExitCode::Refused, "C:\\price"},
        End{"InsideTheWindowsFolder", kAllDiscs, {}, "/S /DIR=C:\\Windows\\NewSub\\x", ExitCode::Refused,
            "C:\\Windows\\NewSub"},
        End{"DotDotIntoTheWindowsFolder", kAllDiscs, {}, "/S /DIR=C:\\newA\\..\\windows\\newB\\y",
            ExitCode::Refused, "C:\\newA"},
        End{"FolderTooLong", kAllDiscs, {}, "/S /DIR=C:\\deep\\" + std::string(290, 'x'), ExitCode::Refused,
            "C:\\deep"},
        End{"NoDiscInTheSource", kAllDiscs, {}, "/S /DIR=C:\\made\\by\\bad /SOURCE=C:\\nothing-here",
            ExitCode::DiscMissing, "C:\\made"},
        End{"ShortcutFolderIsAFile", kAllDiscs, [](sim::SimPlatform& s) { s.writeFile("C:\\Programs\\Lunavire", "x"); },
            "/S", ExitCode::FilesLeftOut, nullptr, true},
        End{"PatchFindsTooLittleRoom", kAllDiscs,
            [](sim::SimPlatform& s) {
                s.writeFile("C:\\Hand\\vandry.exe", "MZ game");
                s.setDriveCapacity('C', 4096);
            },
            "/S /PATCH=simplified /DIR=C:\\Hand", ExitCode::NoRoom, "C:\\Hand\\KESTAL.exe"},
        End{"DiskFillsDuringThePatch", kAllDiscs,
            [](sim::SimPlatform& s) {
                s.writeFile("C:\\Hand\\vandry.exe", "MZ game");
                s.failWriteAt("C:\\Hand\\CVandry.~00", 4, plat::err::DiskFull);
            },
            "/S /PATCH=simplified /DIR=C:\\Hand", ExitCode::FilesLeftOut},
        End{"PatchTargetIsALink", kAllDiscs,
            [](sim::SimPlatform& s) {
                s.writeFile("C:\\Hand\\vandry.exe", "MZ game");
                s.writeFile("C:\\Shared\\GAME00.DAT", "shared archive");
                s.linkFile("C:\\Hand\\GAME00.DAT", "C:\\Shared\\GAME00.DAT", sim::SimPlatform::FileLink::WineUnix);
            },
            "/S /PATCH=simplified /DIR=C:\\Hand", ExitCode::Refused, "C:\\Hand\\KESTAL.exe"},
        End{"VoiceFileIsALink", kNoDisc,
            [](sim::SimPlatform& s) {
                s.writeFile("C:\\Shared\\tool.exe", "theirs");
                s.linkFile("c:\\setvice.exe", "C:\\Shared\\tool.exe", sim::SimPlatform::FileLink::WineUnix);
            },
            "/S /VOICE", ExitCode::Refused, "c:\\asr3232.exe"},
        End{"PatchEntryCannotBeMade", kAllDiscs,
            [](sim::SimPlatform& s) {
                s.writeFile("C:\\Hand\\vandry.exe", "MZ game");
                s.writeFile("C:\\Hand\\Uninstall\\Uninstall.exe\\x", "a folder in its place");
            },
            "/S /PATCH=simplified /NOSHORTCUTS /DIR=C:\\Hand", ExitCode::FilesLeftOut}),
    [](const ::testing::TestParamInfo<End>& info) { return std::string(info.param.name); });

// The log names why the folder could not be made: the code of the call
// that failed, not that of a look at the folder afterwards.
TEST_F(Unattended, AFolderThatCannotBeMadeIsLoggedWithTheCodeOfTheFailedCreation) {
    arrange(kAllDiscs);
    s.failCreateFolder("C:\\Lunavire", plat::err::WriteProtect);
    EXPECT_EQ(run("/S /LOG=C:\\run.log"), static_cast<int>(ExitCode::Refused));
    EXPECT_NE(log().find("the install folder cannot be made (19: "), std::string::npos) << log();
}

class UnattendedFromFolders : public Unattended {
protected:
    void SetUp() override { arrange(kNoDisc); }
};

TEST_F(UnattendedFromFolders, DiscCopiesComeFromSourceFoldersByTheirNamesOrInTheirOrder) {
    put("C:\\copies\\DISC1", kDisc1);
    put("C:\\copies\\DISC2", kDisc2);
    put("C:\\copies\\DISC3", kDisc3);
    put("C:\\one", kDisc1);
    put("C:\\two", kDisc2);
    put("C:\\three", kDisc3);
    EXPECT_EQ(run("/S /DIR=C:\\A /SOURCE=C:\\copies"), 0);
    expectGame("C:\\A");
    EXPECT_EQ(run("/S /DIR=C:\\B \"/SOURCE=C:\\one;C:\\two;C:\\three\""), 0);
    expectGame("C:\\B");
    EXPECT_TRUE(s.boxes().empty());
}

// The same runs as the windows': the patch after the game, without the
// readme in Notepad or shortcuts; then the removals, without a question.
TEST_F(Unattended, PatchesWithoutShortcutsThenRemovesThePatchAndTheGame) {
    s.writeFile("C:\\Lunavire\\save\\mine.dat", "my save");
    ASSERT_EQ(run("/S /PATCH=traditional /NOSHORTCUTS"), 0);
    EXPECT_EQ(s.readFile("C:\\Lunavire\\KESTAL.exe"), payload("BIG", "KESTAL"));
    EXPECT_EQ(s.readFile("C:\\Lunavire\\GAME00.DAT"), payload("GB_", "GAME00"));
    EXPECT_TRUE(s.execs().empty()) << "no Notepad";
    EXPECT_FALSE(s.folderExists("C:\\Programs\\Lunavire"));
    ASSERT_EQ(run("/S /PATCH=simplified /DIR=C:\\Lunavire"), 0) << "the patch alone on an installed game";
    EXPECT_EQ(s.readFile("C:\\Lunavire\\KESTAL.exe"), payload("GB_", "KESTAL"));

    s.setCommandLine("D:\\Setup.exe /uninstall C:\\Lunavire /S /PATCHONLY");
    EXPECT_EQ(app::runProgram(), 0);
    expectGame("C:\\Lunavire");
    // The installed uninstaller, as a script starts it: it does the work
    // itself and goes at the next start of Windows.
    s.setProgramPath("C:\\Lunavire\\Uninstall\\Uninstall.exe");
    s.setCommandLine("C:\\Lunavire\\Uninstall\\Uninstall.exe /uninstall /S /LOG=C:\\run.log");
    EXPECT_EQ(app::runProgram(), 0) << log();
    EXPECT_NE(log().find("C:\\Lunavire\\Uninstall\\Uninstall.exe"), std::string::npos) << "told as going at restart";
    EXPECT_FALSE(s.fileExists("C:\\Lunavire\\vandry.exe"));
    EXPECT_EQ(s.readFile("C:\\Lunavire\\save\\mine.dat"), "my save") << "saves stay without /REMOVESAVES";
    EXPECT_TRUE(shell::registration::entriesOf("C:\\Lunavire").empty());
    EXPECT_NE(log().find("answered No by the unattended rule"), std::string::npos);
    EXPECT_TRUE(s.boxes().empty());
}

// A game the player installed otherwise: /S alone takes the patch away, and
// the entry the patch made for it, never the game.
TEST_F(Unattended, OnAGameItDidNotInstallTheRemovalTakesThePatchAloneAndItsEntry) {
    put("C:\\Hand", {{"vandry.exe", "MZ game"}, {"game01.dat", "one"}});
    ASSERT_EQ(run("/S /PATCH=simplified /DIR=C:\\Hand"), 0);
    ASSERT_FALSE(shell::registration::entriesOf("C:\\Hand").empty());
    s.setProgramPath("C:\\Hand\\Uninstall\\Uninstall.exe");
    s.setCommandLine("C:\\Hand\\Uninstall\\Uninstall.exe /uninstall /S");
    EXPECT_EQ(app::runProgram(), 0);
    EXPECT_EQ(s.readFile("C:\\Hand\\game01.dat"), "one");
    EXPECT_EQ(s.readFile("C:\\Hand\\vandry.exe"), "MZ game");
    EXPECT_FALSE(s.fileExists("C:\\Hand\\KESTAL.exe"));
    EXPECT_TRUE(shell::registration::entriesOf("C:\\Hand").empty());
}

// A record that cannot be rewritten stops the removal: its log and the
// unattended log end with the outcome and the exit code, nothing escapes.
TEST_F(Unattended, ARemovalStoppedByAnErrorEndsWithItsOutcomeAndExitCode) {
    ASSERT_EQ(run("/S /PATCH=simplified /NOSHORTCUTS"), 0);
    const std::string record = shell::record::recordPath("C:\\Lunavire").text();
    s.writeFile(record, *s.readFile(record) + "00000000 file\tgame01.dat\r\n");  // a line that does not read
    s.writeFile("C:\\Lunavire\\Uninstall\\Uninstall.old\\x", "a folder in the set-aside record's place");
    s.setCommandLine("D:\\Setup.exe /uninstall C:\\Lunavire /S /PATCHONLY /LOG=C:\\run.log");
    EXPECT_EQ(app::runProgram(), static_cast<int>(ExitCode::FilesLeftOut));
    const std::string all = log();
    EXPECT_NE(all.find("outcome: stopped by error"), std::string::npos) << all;
    EXPECT_NE(all.find("exit code 4 (files left out: not complete: "), std::string::npos) << all;
    EXPECT_EQ(s.readFile("C:\\Lunavire\\KESTAL.exe"), payload("GB_", "KESTAL")) << "nothing was undone halfway";
}

// The same folder under its short name is the same installation: one entry.
TEST_F(Unattended, AFolderNamedByItsShortNameIsRegisteredByItsLongName) {
    ASSERT_EQ(run("/S /DIR=C:\\LunavireGames"), 0);
    const std::string shortName = s.shortNameOf("C:\\LunavireGames");
    ASSERT_NE(shortName, "LunavireGames");
    ASSERT_EQ(run("/S /DIR=C:\\" + shortName), 0);
    std::vector<std::string> keys;
    ASSERT_TRUE(p.subKeys({RootKey::LocalMachine, RegView::Wow32, shell::registration::kUninstallKey}, keys).ok());
    EXPECT_EQ(keys.size(), 1u) << "one entry for one folder";
    EXPECT_FALSE(shell::registration::entriesOf("C:\\LunavireGames").empty());
}

// The log file given inside the install folder of a first installation
// takes every line once the folder is made, each with its process.
TEST_F(Unattended, ALogFileInTheNewInstallFolderGetsTheWholeRun) {
    ASSERT_EQ(run("/S /DIR=C:\\New /LOG=C:\\New\\setup.log"), 0);
    const std::string all = log("C:\\New\\setup.log");
    EXPECT_NE(all.find("[4242] command line: D:\\Setup.exe /S"), std::string::npos) << all;
    EXPECT_NE(all.find("[4242] exit code 0 (done)"), std::string::npos) << all;
    EXPECT_NE(log("C:\\Temp\\Lunavire unattended.log").find("[4242] exit code 0"), std::string::npos);
}

TEST_F(Unattended, TheUsageIsABoxWithItsOwnExitCode) {
    s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
    EXPECT_EQ(run("/?"), static_cast<int>(ExitCode::Usage));
    EXPECT_EQ(run("/DIR=C:\\x /SILENT"), static_cast<int>(ExitCode::Usage));
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_NE(s.boxes()[0].text.find("/S"), std::string::npos);
    EXPECT_EQ(s.boxes()[0].style & 0xF0, plat::mb::IconInformation);
    EXPECT_EQ(s.boxes()[1].text.rfind("/SILENT: is unknown\r\n\r\n", 0), 0u) << "a bad line says what is wrong first";
    EXPECT_EQ(s.boxes()[1].style & 0xF0, plat::mb::IconStop);
}

// Under code page 950 the Traditional file's name has other bytes than the
// built-in name: it is found by its name in Unicode.
TEST_F(Unattended, TheUsageComesFromThePlayersLanguageFileUnderEitherCodePage) {
    s.setCodePage(950);
    s.writeFile("D:\\" + simtest::ansi("繁體中文.ini", 950), "[msgs]\r\nUsage=Traditional\\nusage\r\n");
    s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
    EXPECT_EQ(run("/?"), static_cast<int>(ExitCode::Usage));
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].text, "Traditional\r\nusage");
    // The record names the language as the file is named, so that the
    // uninstaller finds its texts.
    EXPECT_EQ(run("/S"), 0);
    const auto loaded = shell::record::load("C:\\Lunavire");
    ASSERT_TRUE(loaded.record);
    EXPECT_EQ(loaded.record->language, simtest::ansi("繁體中文", 950));
}

TEST(UnattendedExit, EachRemovalReportMapsToItsCode) {
    using uninstall::Report;
    Report done, left, damaged, noPatch;
    left.leftOver = {"C:\\Lunavire\\game00.dat"};
    damaged.recordDamaged = true;
    noPatch.outcome = Report::NoPatch;
    EXPECT_EQ(uninstall::exitOf(done), ExitCode::Done);
    EXPECT_EQ(uninstall::exitOf(left), ExitCode::FilesLeftOut);
    EXPECT_EQ(uninstall::exitOf(damaged), ExitCode::FilesLeftOut) << "files the record no longer names may stay";
    EXPECT_EQ(uninstall::exitOf(noPatch), ExitCode::Refused);
}

}  // namespace
