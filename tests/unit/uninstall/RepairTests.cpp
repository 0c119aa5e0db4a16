// The check and the repair of an installed game against the simulation: a
// real installation from the three discs (and the patch) first, then the
// installed uninstaller run with /verify or /repair, unattended.
#include <gtest/gtest.h>

#include <functional>

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "shell/InstallRecord.h"
#include "shell/RecordFile.h"
#include "tests/support/Containers.h"
#include "tests/unit/discinstall/DiscRunFixture.h"
#include "uninstall/UninstallForm.h"

namespace {

using namespace discruntest;

const std::string kGame = "c:\\Lunavire";
const char* const kPayloads[][2] = {{"GB_", "KESTAL"}, {"GB_", "CVANDRY"}, {"GB_", "README"},
                                    {"GB_", "GAME01"}, {"GB_", "GAME00"},  {"BIG", "KESTAL"},
                                    {"BIG", "CVANDRY"}, {"BIG", "README"}, {"BIG", "GAME01"}};

class Repair : public DiscRun {
protected:
    void SetUp() override {
        DiscRun::SetUp();
        for (const auto& p : kPayloads)
            s.setResource(p[0], p[1], testpay::makeContainer(std::string(p[0]) + p[1] + std::string(2000, 'p')));
        pickEachTime({"E:\\", "F:\\"});
        install(kGame);
        ASSERT_TRUE(workersEnd());
    }
    void patchGame() {
        s.onModal("TForm3", [this](ui::Form&) {
            s.setTreeSelection(*Form3->ShellTreeView1, kGame);
            Form3->Button1->click();
        });
        Form1->Button3->click();
    }
    // The installed uninstaller with `args`, as a script starts it; its exit code.
    int run(const std::string& args) {
        app::destroyForms();
        s.setProgramPath(kGame + "\\Uninstall\\Uninstall.exe");
        s.setCommandLine("\"" + kGame + "\\Uninstall\\Uninstall.exe\" " + args + " /S /LOG=C:\\check.log");
        const std::size_t boxes = s.boxes().size();
        s.remove("C:\\check.log");  // this run's lines alone
        const int code = app::runProgram();
        EXPECT_EQ(s.boxes().size(), boxes) << "an unattended run shows no box";
        return code;
    }
    std::string log() const { return s.readFile("C:\\check.log").value_or(""); }
    bool logged(const std::string& line) const { return log().find(line) != std::string::npos; }
    std::string file(const std::string& name) const { return s.readFile(kGame + "\\" + name).value_or("(none)"); }
    // The record without its digests, as a record of the version before them.
    void withoutDigests() {
        const std::string path = kGame + "\\Uninstall\\Uninstall.dat";
        const std::string bytes = *s.readFile(path);
        std::string kept;
        for (std::size_t from = 0; from < bytes.size();) {
            const std::size_t end = bytes.find("\r\n", from) + 2;
            const std::string line = bytes.substr(from, end - from);
            if (line.find(" file-sum\t") == std::string::npos && line.find(" patch-sum\t") == std::string::npos)
                kept += line;
            from = end;
        }
        ASSERT_LT(kept.size(), bytes.size()) << "the record had digests";
        s.writeFile(path, kept);
    }
};

std::string flipped(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}

// Each kind of damage to a file of disc 1, what the check says of it, and
// what the repair makes of it.
struct Damage {
    const char* name;
    std::function<void(sim::SimPlatform&, const std::string& path)> spoil;
    const char* verdict;  // as the log says it; "" for none
    int verifyExit, repairExit;
    bool repaired;  // the file as installed afterwards
};

class DamageTable : public Repair, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamageTable, IsToldByTheCheckAndPutBackByTheRepair) {
    const Damage& d = GetParam();
    const std::string path = kGame + "\\game00.dat", installed = file("game00.dat");
    const std::string save = file("save\\slot1\\s.dat");
    d.spoil(s, path);
    const auto before = s.readFile(path);
    EXPECT_EQ(run("/verify"), d.verifyExit) << log();
    EXPECT_EQ(s.readFile(path), before) << "the check changes nothing";
    if (*d.verdict) {
        EXPECT_TRUE(logged("game00.dat: " + std::string(d.verdict))) << log();
    }
    EXPECT_EQ(run("/repair /SOURCE=D:;E:;F:"), d.repairExit) << log();
    EXPECT_EQ(file("game00.dat") == installed, d.repaired) << log();
    EXPECT_EQ(file("save\\slot1\\s.dat"), save) << "the saved games are never touched";
    s.unlockFile(path);
    if (d.repaired) {
        EXPECT_EQ(run("/verify"), 0) << "and the next check finds it intact: " << log();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamageTable,
    ::testing::Values(
        Damage{"FirstByte", [](sim::SimPlatform& s, const std::string& p) { s.writeFile(p, flipped(*s.readFile(p), 0)); },
               "damaged", 8, 0, true},
        Damage{"MiddleByte",
               [](sim::SimPlatform& s, const std::string& p) { s.writeFile(p, flipped(*s.readFile(p), 2500)); },
               "damaged", 8, 0, true},
        Damage{"LastByte", [](sim::SimPlatform& s, const std::string& p) { s.writeFile(p, flipped(*s.readFile(p), 4999)); },
               "damaged", 8, 0, true},
        Damage{"CutShort", [](sim::SimPlatform& s, const std::string& p) { s.writeFile(p, s.readFile(p)->substr(0, 4096)); },
               "damaged", 8, 0, true},
        Damage{"Missing", [](sim::SimPlatform& s, const std::string& p) { s.remove(p); }, "missing", 8, 0, true},
        Damage{"ReadOnlyAndDamaged",
               [](sim::SimPlatform& s, const std::string& p) {
                   s.writeFile(p, flipped(*s.readFile(p), 10));
                   s.setAttributes(p, plat::attr::ReadOnly);
               },
               "damaged", 8, 0, true},
        Damage{"ReadOnlyOnly", [](sim::SimPlatform& s, const std::string& p) { s.setAttributes(p, plat::attr::ReadOnly); },
               "", 0, 0, true},
        Damage{"InUse", [](sim::SimPlatform& s, const std::string& p) { s.lockFile(p); }, "unreadable", 8, 4, true}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(Repair, APatchedFileIsPutBackAsThePatchWroteItNeverAsTheOriginal) {
    patchGame();
    ASSERT_TRUE(workersEnd());
    const std::string patched = file("KESTAL.exe");
    ASSERT_EQ(patched.find("KESTAL"), 3u) << "an edition's payload";
    s.writeFile(kGame + "\\KESTAL.exe", flipped(patched, 100));
    EXPECT_EQ(run("/verify"), 8);
    EXPECT_TRUE(logged("KESTAL.exe: damaged")) << log();
    EXPECT_EQ(run("/repair"), 0) << log();
    EXPECT_EQ(file("KESTAL.exe"), patched) << "from the edition's payload";
    EXPECT_FALSE(logged("disc 1 found")) << "no disc is needed for the patch's files";
    EXPECT_EQ(run("/verify"), 0) << log();
}

TEST_F(Repair, AnEarlierRecordWithoutDigestsIsCheckedAgainstTheDiscs) {
    patchGame();
    ASSERT_TRUE(workersEnd());
    withoutDigests();
    EXPECT_EQ(run("/verify /SOURCE=D:;E:;F:"), 0) << "every file is the disc's or the payload's: " << log();
    s.writeFile(kGame + "\\game03.dat", flipped(file("game03.dat"), 7));
    s.writeFile(kGame + "\\readme.txt", flipped(file("readme.txt"), 7));
    EXPECT_EQ(run("/verify /SOURCE=D:;E:;F:"), 8);
    EXPECT_TRUE(logged("game03.dat: damaged") && logged("readme.txt: damaged")) << log();
    EXPECT_EQ(run("/repair /SOURCE=D:;E:;F:"), 0) << log();
    EXPECT_EQ(file("game03.dat"), std::string(1500, '3'));
    EXPECT_EQ(run("/verify /SOURCE=D:;E:;F:"), 0) << log();
    EXPECT_TRUE(logged("checked 13 files: 13 intact")) << log();
}

TEST_F(Repair, AMissingDiscTwoLeavesItsFileAndTheOthersArePutBack) {
    s.writeFile(kGame + "\\game03.dat", "spoilt");
    s.writeFile(kGame + "\\game00.dat", "spoilt too");
    EXPECT_EQ(run("/repair /SOURCE=D:;C:\\nowhere;F:"), 2) << log();
    EXPECT_EQ(file("game03.dat"), "spoilt");
    EXPECT_EQ(file("game00.dat"), std::string(5000, '0')) << "disc 1's file is put back all the same";
    EXPECT_FALSE(logged("disc 3")) << "only the discs it needs are looked for: " << log();
}

TEST_F(Repair, TheSavedGamesAndThePlayersFilesAreNeitherReportedNorTouched) {
    s.writeFile(kGame + "\\save\\slot1\\s.dat", "my progress");
    s.writeFile(kGame + "\\my notes.txt", "mine");
    EXPECT_EQ(run("/verify"), 0) << log();
    EXPECT_EQ(run("/repair"), 0) << log();
    EXPECT_EQ(file("save\\slot1\\s.dat"), "my progress");
    EXPECT_EQ(file("my notes.txt"), "mine");
}

// The player linked a game file to a copy of their own, as Wine lists a
// Unix link (a plain file): the repair writes nothing through it and never
// puts a plain file in its place.
TEST_F(Repair, ALinkedFileIsNeitherReplacedNorWrittenThrough) {
    s.writeFile("C:\\Shared\\game00.dat", "the player's own copy");
    s.remove(kGame + "\\game00.dat");
    s.linkFile(kGame + "\\game00.dat", "C:\\Shared\\game00.dat", sim::SimPlatform::FileLink::WineUnix);
    EXPECT_EQ(run("/verify"), 8) << log();
    EXPECT_EQ(run("/repair /SOURCE=D:;E:;F:"), 4) << log();
    EXPECT_TRUE(logged("did not put back " + kGame + "\\game00.dat: a link")) << log();
    EXPECT_EQ(s.readFile("C:\\Shared\\game00.dat"), "the player's own copy");
    EXPECT_EQ(s.readFile(kGame + "\\game00.dat"), "the player's own copy") << "still the link";
}

TEST_F(Repair, TooLittleRoomWritesNothing) {
    s.remove(kGame + "\\game00.dat");
    // The drive as full as it is now, and 1 KB more.
    s.setDriveCapacity('C', std::uint64_t{1} << 40);
    std::uint64_t free = 0;
    ASSERT_TRUE(p.freeSpace(plat::Path("C:\\"), free).ok());
    s.setDriveCapacity('C', (std::uint64_t{1} << 40) - free + 1024);
    EXPECT_EQ(run("/repair /SOURCE=D:;E:;F:"), 3) << log();
    EXPECT_FALSE(s.exists(kGame + "\\game00.dat"));
}

// The uninstall window's repair: its progress while it runs (the files and
// the bar), the report of what it put back at the end, and the choices again.
TEST_F(Repair, TheWindowsRepairShowsItsProgressAndTellsWhatItPutBack) {
    s.setDriveType('D', plat::DriveType::CdRom);  // disc 1 is found in its drive
    s.writeFile(kGame + "\\game00.dat", "spoilt");
    app::destroyForms();
    s.setProgramPath(kGame + "\\Uninstall\\Uninstall.exe");
    s.setCommandLine("\"" + kGame + "\\Uninstall\\Uninstall.exe\" /uninstall");
    ASSERT_EQ(app::runProgram(), 0) << "the installed uninstaller hands over to a copy of itself";
    const std::string line = s.execs().back().commandLine;
    s.setProgramPath(line.substr(1, line.find('"', 1) - 1));
    s.setCommandLine(line);
    std::string shownWhileRunning;
    onEachBox = [&](const sim::BoxRecord&) {
        auto* form = dynamic_cast<TForm5*>(ui::app().mainForm());
        if (form && form->ProgressBar1->visible()) shownWhileRunning = form->Label1->text();
    };
    s.post([] {
        auto* form = dynamic_cast<TForm5*>(ui::app().mainForm());
        ASSERT_TRUE(form && form->showing());
        form->Button5->click();
        EXPECT_FALSE(form->ProgressBar1->visible()) << "the bar goes with the run";
        EXPECT_TRUE(form->Button2->enabled()) << "the choices come back";
        form->Button3->click();
    });
    EXPECT_EQ(app::runProgram(), 0);
    EXPECT_EQ(file("game00.dat"), std::string(5000, '0'));
    shell::MessageTable m;
    ASSERT_FALSE(s.boxes().empty());
    EXPECT_EQ(s.boxes().back().text.rfind(m.get(shell::Text::FilesRepaired) + "\r\n" + kGame + "\\game00.dat", 0), 0u)
        << s.boxes().back().text;
    EXPECT_NE(shownWhileRunning.find("game00.dat"), std::string::npos) << shownWhileRunning;
}

}  // namespace
