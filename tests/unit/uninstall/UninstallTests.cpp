// The uninstall mode against the simulation: a real installation from the
// three discs (and the patch) first, then the command that Windows' list of
// programs holds, run as Windows runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>

#include "platform/AnsiText.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "shell/InstallRecord.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"
#include "tests/support/Containers.h"
#include "tests/unit/discinstall/DiscRunFixture.h"
#include "ui/Keyboard.h"
#include "uninstall/UninstallForm.h"
#include "uninstall/Uninstaller.h"

namespace {

using namespace discruntest;
using plat::RegView;
using plat::RootKey;
using shell::Text;

const std::string kGame = "c:\\Lunavire";
const std::string kOwn = "c:\\Lunavire\\my notes.txt";  // the player's own
const std::string kSave = "c:\\Lunavire\\save\\slot1\\s.dat";

const char* const kPayloads[][2] = {{"GB_", "KESTAL"}, {"GB_", "CVANDRY"}, {"GB_", "README"},
                                    {"GB_", "GAME01"}, {"GB_", "GAME00"},  {"BIG", "KESTAL"},
                                    {"BIG", "CVANDRY"}, {"BIG", "README"}, {"BIG", "GAME01"}};

std::string digest(const std::string& bytes) {
    return std::to_string(bytes.size()) + ":" + std::to_string(shell::record::crc32(bytes));
}
// The expected tree: paths upper-cased, contents digested.
std::map<std::string, std::string> files(const std::vector<std::pair<std::string, std::string>>& list) {
    std::map<std::string, std::string> m;
    for (const auto& [path, bytes] : list) m[text::upperCase(path)] = digest(bytes);
    return m;
}

std::string uninstallKey(const std::string& folder) {
    return std::string(shell::registration::kUninstallKey) + "\\" + shell::registration::keyName(plat::Path(folder));
}

// A game folder's record, uninstaller and their folders, as the simulation's
// own calls take paths.
std::string recordPath(const std::string& folder) { return shell::record::recordPath(plat::Path(folder)).text(); }
std::string programPath(const std::string& folder) { return shell::record::programPath(plat::Path(folder)).text(); }
std::string uninstallFolder(const std::string& folder) {
    return shell::record::uninstallFolder(plat::Path(folder)).text();
}
std::string originalsFolder(const std::string& folder) {
    return shell::record::originalsFolder(plat::Path(folder)).text();
}

class Uninstall : public DiscRun {
protected:
    void SetUp() override {
        DiscRun::SetUp();
        for (const auto& p : kPayloads)
            s.setResource(p[0], p[1], testpay::makeContainer(std::string(p[0]) + p[1] + std::string(2000, 'p')));
        s.writeFile("E:\\game03.dat", std::string(1500, '3'));  // every disc in its own drive
    }

    void installGame(const std::string& folder = kGame) {
        pickEachTime({"E:\\", "F:\\"});
        install(folder);
        ASSERT_TRUE(workersEnd());
    }
    void patchGame(const std::string& folder = kGame) {
        s.onModal("TForm3", [this, folder](ui::Form&) {
            s.setTreeSelection(*Form3->ShellTreeView1, folder);
            Form3->Button1->click();
        });
        Form1->Button3->click();
    }

    // Every file below the folder (upper-cased, as Windows compares names),
    // with its size and checksum; `except` left out.
    std::map<std::string, std::string> tree(const std::string& folder, const std::string& except = "~") const {
        std::map<std::string, std::string> files;
        for (const auto& name : s.listNames(folder)) {
            const std::string path = folder + "\\" + name;
            if (text::upperCase(path) == text::upperCase(except)) continue;
            if (auto bytes = s.readFile(path)) {
                files[text::upperCase(path)] = digest(*bytes);
            } else {
                auto below = tree(path, except);
                files.insert(below.begin(), below.end());
            }
        }
        return files;
    }

    // The installer ends; Windows' list starts the command its entry holds,
    // which hands over to a copy of itself in the temporary folder; that
    // copy's window gets `act`.  Boxes: the saves question gets `saves`,
    // a failing file the next of `failures`.
    void uninstall(const std::function<void(TForm5&)>& act, plat::Answer saves = plat::Answer::No,
                   const std::string& folder = kGame) {
        app::destroyForms();
        s.onBox([this, saves](const sim::BoxRecord& b) {
            shown.push_back(b.text);
            if (b.text == m.get(Text::UninstallSaves)) return saves;
            if (b.style == shell::boxStyleOf(shell::Question::CopyFailed)) {
                if (onFailure) onFailure(b);
                EXPECT_FALSE(failures.empty()) << b.text;
                if (failures.empty()) return plat::Answer::Abort;
                const auto a = failures.front();
                failures.pop_front();
                return a;
            }
            return plat::Answer::Ok;
        });
        auto command = s.registryText(RootKey::LocalMachine, RegView::Wow32, uninstallKey(folder), "UninstallString");
        if (!command)
            command = s.registryText(RootKey::CurrentUser, RegView::Wow32, uninstallKey(folder), "UninstallString");
        ASSERT_TRUE(command);
        s.setProgramPath(programPath(folder));
        s.setCommandLine(*command);
        // Started in its own folder, which it must let go of to remove it.
        p.setCurrentFolder(uninstallFolder(folder));
        const std::size_t started = s.execs().size();
        EXPECT_EQ(app::runProgram(), 0);
        ASSERT_EQ(s.execs().size(), started + 1) << "the installed uninstaller hands over to a copy";
        const std::string line = s.execs().back().commandLine;
        ASSERT_EQ(line.front(), '"');
        const std::string copy = line.substr(1, line.find('"', 1) - 1);
        EXPECT_EQ(text::upperCase(text::fileDir(text::fileDir(copy))), text::upperCase(s.tempFolder()));
        s.setProgramPath(copy);
        s.setCommandLine(line);
        if (act)  // no window for a refused record
            s.post([act] {
                auto* form = dynamic_cast<TForm5*>(ui::app().mainForm());
                ASSERT_TRUE(form && form->showing());
                act(*form);
            });
        exitCode = app::runProgram();
    }
    void removeWholeGame(plat::Answer saves, bool savesStay) {
        installGame();
        patchGame();
        s.writeFile(kOwn, "mine");
        uninstall(wholeGame, saves);
        EXPECT_EQ(exitCode, 0);
        std::vector<std::pair<std::string, std::string>> left = {{kOwn, "mine"}};
        if (savesStay) left.push_back({kSave, "save"});
        EXPECT_EQ(tree(kGame), files(left));
        EXPECT_FALSE(registered());
        EXPECT_FALSE(s.exists(kPrograms + "\\Lunavire")) << "the shortcuts and their folder";
        EXPECT_EQ(std::count(shown.begin(), shown.end(), m.get(Text::UninstallSaves)), 1);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().rfind(m.get(Text::UninstallGameDone), 0), 0u) << shown.back();
        // The temporary copy and its folder go at the next start of Windows.
        ASSERT_EQ(s.restartDeletes().size(), 2u);
        EXPECT_EQ(s.restartDeletes()[0], s.programPath());
        EXPECT_EQ(s.restartDeletes()[1], text::fileDir(s.programPath()));
    }

    // A record that is spoilt after the installation: the refusal's text,
    // exit code 1, and not a file or key changed.
    void refused(const std::function<void()>& spoil, Text says, const std::string& folder = kGame) {
        installGame(folder);
        spoil();
        const auto before = tree("C:", s.tempFolder());
        uninstall(nullptr, plat::Answer::No, folder);
        EXPECT_EQ(exitCode, 1);
        EXPECT_EQ(tree("C:", s.tempFolder()), before) << "only the temporary copy is new";
        EXPECT_TRUE(registered(folder));
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().rfind(m.get(says), 0), 0u) << shown.back();
    }
    void addLine(const std::string& path) {
        const std::string record = recordPath(kGame);
        s.writeFile(record, *s.readFile(record) + shell::record::encodeLine({"file", path}));
    }

    void fileThatStays(const std::function<void(const std::string&)>& hold,
                       const std::function<void(const std::string&)>& release);
    void damagedRecord(bool cut);
    void linkedSaves(plat::Answer answer);

    static void patchOnly(TForm5& f) { f.Button1->click(); }
    static void wholeGame(TForm5& f) { f.Button2->click(); }

    bool registered(const std::string& folder = kGame) const {
        return s.registryText(RootKey::LocalMachine, RegView::Wow32, uninstallKey(folder), "DisplayName")
            .has_value();
    }

    shell::MessageTable m;
    std::vector<std::string> shown;
    std::deque<plat::Answer> failures;
    std::function<void(const sim::BoxRecord&)> onFailure;
    int exitCode = -1;
};

TEST_F(Uninstall, AnInstallationIsInWindowsListOnceAndAnotherFolderIsASecondEntry) {
    installGame();
    const std::string key = uninstallKey(kGame);
    auto text = [&](const char* name) { return s.registryText(RootKey::LocalMachine, RegView::Wow32, key, name); };
    auto dword = [&](const char* name) { return s.registryDword(RootKey::LocalMachine, RegView::Wow32, key, name); };
    EXPECT_EQ(text("DisplayName"), m.get(Text::GameName));
    EXPECT_EQ(text("Publisher"), std::string(shell::registration::kPublisher));
    EXPECT_EQ(text("DisplayVersion"), std::string("1.0.0.0"));
    EXPECT_EQ(text("InstallLocation"), kGame);
    EXPECT_EQ(text("DisplayIcon"), kGame + "\\Vandry.exe");
    EXPECT_EQ(text("UninstallString"), "\"" + kGame + "\\Uninstall\\Uninstall.exe\" /uninstall");
    EXPECT_EQ(text("ModifyPath"), "\"" + kGame + "\\Uninstall\\Uninstall.exe\" /uninstall")
        << "the list's Change opens the uninstall window, where the repair is a choice";
    EXPECT_EQ(dword("NoModify"), 0u);
    EXPECT_EQ(dword("NoRepair"), 1u);
    // The discs' files, rounded up to whole kilobytes.
    std::uint64_t bytes = 0;
    for (const auto* disc : {&kDisc1, &kDisc2, &kDisc3})
        for (const auto& f : *disc) bytes += f.second.size();
    EXPECT_EQ(dword("EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_FALSE(s.registryText(RootKey::LocalMachine, RegView::Native, key, "DisplayName"))
        << "the 32-bit program's view only";
    EXPECT_EQ(s.readFile(kGame + "\\Uninstall\\Uninstall.exe"), kSetup);

    // Again into the same folder: the same entry.  Into another: its own, which names its folder.
    installGame();
    installGame("c:\\Lunavire2");
    std::vector<std::string> keys;
    ASSERT_TRUE(p.subKeys({RootKey::LocalMachine, RegView::Wow32, shell::registration::kUninstallKey}, keys).ok());
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_TRUE(registered());
    EXPECT_EQ(s.registryText(RootKey::LocalMachine, RegView::Wow32, uninstallKey("c:\\Lunavire2"),
                             "DisplayName"),
              m.get(Text::GameName) + " (c:\\Lunavire2)");
}

TEST_F(Uninstall, AUserWhoMayNotWriteTheMachinesKeyGetsAnEntryOfTheirOwn) {
    s.denyWriteAccess(RootKey::LocalMachine, "");
    installGame();
    EXPECT_FALSE(registered());
    EXPECT_EQ(s.registryText(RootKey::CurrentUser, RegView::Wow32, uninstallKey(kGame), "InstallLocation"), kGame);
    uninstall(wholeGame);
    EXPECT_FALSE(s.registryText(RootKey::CurrentUser, RegView::Wow32, uninstallKey(kGame), "InstallLocation"));
}

TEST_F(Uninstall, TheWholeGameGoesButThePlayersOwnFileAndTheSaves) { removeWholeGame(plat::Answer::No, true); }

TEST_F(Uninstall, TheSavesGoWhenThePlayerSaysSo) { removeWholeGame(plat::Answer::Yes, false); }

TEST_F(Uninstall, CancelOnTheSavesQuestionOrTheCloseBoxRemovesNothing) {
    installGame();
    const auto before = tree(kGame);
    for (const std::function<void(TForm5&)>& act :
         {std::function<void(TForm5&)>(wholeGame), std::function<void(TForm5&)>([](TForm5& f) { f.Button3->click(); }),
          std::function<void(TForm5&)>([](TForm5& f) { f.userClose(); })}) {
        uninstall([act](TForm5& f) {
            act(f);
            if (f.showing()) f.Button3->click();  // Cancel on the question leaves the window up
        }, plat::Answer::Cancel);
        EXPECT_EQ(tree(kGame), before);
        EXPECT_TRUE(registered());
    }
}

TEST_F(Uninstall, ClicksEscAndTheCloseBoxWhileItRemovesChangeNothingOfTheRun) {
    installGame();
    s.writeFile(kOwn, "mine");
    int pokes = 0;
    uninstall([&](TForm5& f) {
        // A player who clicks again and closes the window while files go.
        s.onPump([&] {
            if (f.Label1->text().rfind(m.get(Text::UninstallRemoving), 0) != 0 || pokes++) return;
            f.Button2->click();
            f.Button1->click();
            s.pressKey(f, ui::Key::Escape);
            f.userClose();
        });
        f.Button2->click();
    });
    s.onPump(nullptr);
    EXPECT_EQ(pokes > 0, true) << "the removal let the window take clicks";
    EXPECT_EQ(tree(kGame), files({{kOwn, "mine"}, {kSave, "save"}}));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), m.get(Text::UninstallSaves)), 1) << "asked once";
    EXPECT_EQ(shown.back().rfind(m.get(Text::UninstallGameDone), 0), 0u) << "the report still comes";
    EXPECT_FALSE(registered());
}

TEST_F(Uninstall, ThePatchAloneGoesAndTheDiscsOriginalsComeBackFromTheFirstPatch) {
    installGame();
    const std::string own = uninstallFolder(kGame);
    const auto discs = tree(kGame, own);
    patchGame();
    patchGame();  // the second run must not keep the first's files as originals
    ASSERT_NE(s.readFile(kGame + "\\game01.dat"), "one");
    s.writeFile(kOwn, "mine");
    const std::string patchLog = text::upperCase(kGame + "\\patch.log");
    const auto patched = tree(kGame, own);
    uninstall(patchOnly);
    auto expected = discs;
    expected[text::upperCase(kOwn)] = digest("mine");
    expected[patchLog] = patched.at(patchLog);  // the patch's story stays with the game
    EXPECT_EQ(tree(kGame, own), expected) << "the discs' files byte for byte, the patch's own gone";
    EXPECT_TRUE(registered()) << "the game stays";
    EXPECT_FALSE(s.exists(kPrograms + "\\Lunavire\\readme.lnk"));
    EXPECT_TRUE(s.exists(kPrograms + "\\Lunavire\\Lunavire.lnk"));
    ASSERT_FALSE(shown.empty());
    const std::string menu = kPrograms + "\\Lunavire\\";
    EXPECT_EQ(text::upperCase(shown.back()),
              text::upperCase(m.get(Text::UninstallPatchDone) + "\r\n" + kGame + "\\game01.dat\r\n" + kGame +
                              "\\GAME00.DAT\r\n\r\n" + m.get(Text::UninstallPatchRemoved) + "\r\n" + kGame +
                              "\\KESTAL.exe\r\n" + kGame + "\\CVandry.exe\r\n" + kGame + "\\readme.txt\r\n" + menu +
                              "readme.lnk\r\n" + menu + "Lunavire\xA4\xA4\xA4\xE5\xAA\xA9.lnk"))
        << "what went back, then what went";

    // Asked again: there is no patch; and then the whole game goes by the same record.
    uninstall(patchOnly);
    EXPECT_EQ(shown.back(), m.get(Text::UninstallNoPatch));
    uninstall(wholeGame);
    EXPECT_EQ(tree(kGame), files({{kOwn, "mine"}, {kSave, "save"}}));
}

// A game the player put in by hand (the first disc's files), not by this program.
void copyByHand(sim::SimPlatform& s, const std::string& folder) {
    for (const auto& [path, bytes] : under(folder, kDisc1, "game")) s.writeFile(path, bytes);
}

TEST_F(Uninstall, AGameCopiedInByHandGetsThePatchsOwnEntryWhoseUninstallerTakesThePatchAndThenItselfAway) {
    const std::string hand = "C:\\Games\\Hand", key = uninstallKey(hand), program = programPath(hand);
    copyByHand(s, hand);
    const auto game = tree(hand);
    patchGame(hand);
    const auto text = [&](const char* name) { return s.registryText(RootKey::LocalMachine, RegView::Wow32, key, name); };
    EXPECT_EQ(text("DisplayName"), m.get(Text::PatchName));
    EXPECT_EQ(text("UninstallString"), "\"" + program + "\" /uninstall");
    EXPECT_EQ(text("InstallLocation"), hand);
    EXPECT_EQ(text("Publisher"), std::string(shell::registration::kPublisher));
    // The five files of the Traditional edition, about 2 KB each.
    EXPECT_EQ(s.registryDword(RootKey::LocalMachine, RegView::Wow32, key, "EstimatedSize"), 10u);
    const auto record = shell::record::load(plat::Path(hand)).record;
    ASSERT_TRUE(record && record->patchOnly());
    EXPECT_EQ(record->registrations.size(), 1u);
    ASSERT_TRUE(record->gameFile("Uninstall\\Uninstall.exe"));
    EXPECT_TRUE(record->gameFile("Uninstall\\Uninstall.exe")->whole);
    const std::string log = *s.readFile(hand + "\\patch.log");

    // The installed uninstaller itself, asked about its folder.
    app::destroyForms();
    s.setProgramPath(program);
    s.setCommandLine("\"" + program + "\" /uninstall \"" + hand + "\"");
    s.post([] {
        auto& f = *dynamic_cast<TForm5*>(ui::app().mainForm());
        EXPECT_FALSE(f.Button2->visible() || f.Label3->visible()) << "the whole game is not offered";
        f.Button2->click();  // nor taken, should a click reach it
        f.Button1->click();
    });
    EXPECT_EQ(app::runProgram(), 0);
    auto expected = game;
    expected[text::upperCase(hand + "\\patch.log")] = digest(log);  // the story of it stays
    EXPECT_EQ(tree(hand, uninstallFolder(hand)), expected) << "the game byte for byte";
    EXPECT_FALSE(registered(hand));
    EXPECT_FALSE(s.exists(recordPath(hand)));
    EXPECT_EQ(s.restartDeletes(), (std::vector<std::string>{program, uninstallFolder(hand)}))
        << "the running uninstaller and its folder at the next start, never the game's";
    EXPECT_EQ(s.boxes().back().text.rfind(m.get(Text::UninstallPatchDone), 0), 0u) << s.boxes().back().text;
}

TEST_F(Uninstall, AGameThisProgramInstalledOrOneInADrivesRootGetsNoEntryOfThePatchs) {
    s.addDrive('G');
    copyByHand(s, "G:");
    installGame();
    const auto entry = [&] {
        return std::make_pair(s.registryText(RootKey::LocalMachine, RegView::Wow32, uninstallKey(kGame), "DisplayName"),
                              s.registryDword(RootKey::LocalMachine, RegView::Wow32, uninstallKey(kGame), "EstimatedSize"));
    };
    const auto before = entry();
    for (const char* folder : {"c:\\Lunavire", "G:\\"}) patchGame(folder);
    EXPECT_EQ(entry(), before) << "the game's entry stays as it was";
    EXPECT_FALSE(shell::record::load(plat::Path(kGame)).record->patchOnly());
    std::vector<std::string> keys;
    ASSERT_TRUE(p.subKeys({RootKey::LocalMachine, RegView::Wow32, shell::registration::kUninstallKey}, keys).ok());
    EXPECT_EQ(keys.size(), 1u) << "none for the drive's root";
    EXPECT_FALSE(s.exists("G:\\Uninstall"));
    EXPECT_EQ(s.readFile("G:\\KESTAL.exe"), "BIGKESTAL" + std::string(2000, 'p')) << "patched without a record";
}

TEST_F(Uninstall, ALaterDiscInstallationTakesThePatchOnlyEntryOver) {
    const std::string hand = "C:\\Games\\Hand";
    copyByHand(s, hand);
    patchGame(hand);
    s.writeFile(hand + "\\my notes.txt", "mine");
    installGame(hand);
    EXPECT_EQ(s.registryText(RootKey::LocalMachine, RegView::Wow32, uninstallKey(hand), "DisplayName"),
              m.get(Text::GameName));
    EXPECT_EQ(s.registryDword(RootKey::LocalMachine, RegView::Wow32, uninstallKey(hand), "EstimatedSize"), 13u)
        << "the discs' 13 050 bytes";
    uninstall([](TForm5& f) {
        EXPECT_TRUE(f.Button2->visible() && f.Label3->visible());
        f.Button2->click();
    }, plat::Answer::No, hand);
    EXPECT_EQ(tree(hand), files({{hand + "\\my notes.txt", "mine"}, {hand + "\\save\\slot1\\s.dat", "save"}}))
        << "the game goes whole, kept originals and the patch's log included";
    EXPECT_FALSE(registered(hand));
}

TEST_F(Uninstall, APatchThatKeptNoOriginalsChangesNothing) {
    installGame();
    // The patch of an earlier version: its files in place, nothing on the record.
    s.writeFile(kGame + "\\KESTAL.exe", "old patch");
    s.writeFile(kGame + "\\game01.dat", "patched");
    const auto before = tree(kGame);
    uninstall(patchOnly);
    EXPECT_EQ(shown.back(), m.get(Text::UninstallNoOriginals));
    EXPECT_EQ(tree(kGame), before);
}

TEST_F(Uninstall, ARestoreThatFailsLeavesThePatchedFileWhole) {
    installGame();
    patchGame();
    const std::string patched = *s.readFile(kGame + "\\game01.dat");
    s.failMove(kGame + "\\game01.dat", 5);
    failures = {plat::Answer::Ignore};
    uninstall(patchOnly);
    EXPECT_EQ(s.readFile(kGame + "\\game01.dat"), patched);
    EXPECT_EQ(s.readFile(kGame + "\\GAME00.DAT"), std::string(5000, '0'));
    EXPECT_NE(shown.back().find(m.get(Text::UninstallLeftOver)), std::string::npos);
    // Let go, it is put back at the next try.
    s.clearFaults();
    uninstall(patchOnly);
    EXPECT_EQ(s.readFile(kGame + "\\game01.dat"), "one");
}

TEST_F(Uninstall, AKeptOriginalThatStaysAfterItsRestoreGoesWithTheGame) {
    installGame();
    patchGame();
    const std::string kept = originalsFolder(kGame) + "\\game01.dat";
    ASSERT_TRUE(s.exists(kept));
    s.failDelete(kept, 5);  // as when the run is killed between the restore and the delete
    uninstall(patchOnly);
    EXPECT_EQ(s.readFile(kGame + "\\game01.dat"), "one");
    EXPECT_TRUE(s.exists(kept));
    s.clearFaults();
    uninstall(wholeGame);
    EXPECT_EQ(tree(kGame), files({{kSave, "save"}}));
}

// A file that cannot go (held open by another program, or made read-only
// by the player) is named with Retry and Ignore; the rest goes, and the
// entry, the record and the uninstaller stay for another try, which then
// takes the rest once the file is free.
void Uninstall::fileThatStays(const std::function<void(const std::string&)>& hold,
                              const std::function<void(const std::string&)>& release) {
    installGame();
    const std::string held = kGame + "\\game03.dat";
    hold(held);
    onFailure = [&](const sim::BoxRecord& b) { EXPECT_NE(b.text.find(held), std::string::npos) << b.text; };
    failures = {plat::Answer::Retry, plat::Answer::Ignore};
    uninstall(wholeGame);
    EXPECT_EQ(tree(kGame, uninstallFolder(kGame)),
              files({{held, std::string(1500, '3')}, {kSave, "save"}}));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().rfind(m.get(Text::UninstallIncomplete) + "\r\n" + held, 0), 0u) << shown.back();
    EXPECT_TRUE(registered()) << "the entry stays for another try";
    EXPECT_TRUE(s.exists(programPath(kGame)));

    release(held);
    uninstall(wholeGame);
    EXPECT_EQ(tree(kGame), files({{kSave, "save"}}));
    EXPECT_FALSE(registered());
}

TEST_F(Uninstall, ALockedFileIsNamedAndTheRestGoes) {
    fileThatStays([this](const std::string& f) { s.lockFile(f); }, [this](const std::string& f) { s.unlockFile(f); });
}

TEST_F(Uninstall, AReadOnlyFileOfTheGameIsStillTheGamesToRemove) {
    installGame();
    s.setAttributes(kGame + "\\game03.dat", plat::attr::ReadOnly);
    uninstall(wholeGame);
    EXPECT_EQ(tree(kGame), files({{kSave, "save"}})) << "its read-only attribute is cleared first, no question asked";
    EXPECT_EQ(shown.back().rfind(m.get(Text::UninstallGameDone), 0), 0u) << shown.back();
}

TEST_F(Uninstall, NoRecordAtAllIsRefused) {
    refused([this] { s.writeFile(recordPath(kGame), "not a record\r\n"); }, Text::RecordDamaged);
}

// A record damaged in a line, or cut in its last: what its readable lines
// name goes, and the report says the record was damaged; the entry, the
// record and the uninstaller stay, since the damaged lines may name files
// that stay, so that another run can act.
void Uninstall::damagedRecord(bool cut) {
    installGame();
    const std::string record = recordPath(kGame);
    auto bytes = *s.readFile(record);
    if (cut) {
        bytes.resize(bytes.size() - 7);  // the last line is the registration
    } else {
        // Both its lines: announced and whole.
        for (std::size_t at = bytes.find("game03.dat"); at != std::string::npos; at = bytes.find("game03.dat", at + 1))
            bytes[at] ^= 1;
    }
    s.writeFile(record, bytes);
    uninstall(wholeGame);
    EXPECT_TRUE(registered()) << "the entry stays while files may stay";
    EXPECT_TRUE(s.exists(recordPath(kGame)));
    EXPECT_TRUE(s.exists(programPath(kGame)));
    EXPECT_FALSE(s.exists(kGame + "\\game00.dat"));
    EXPECT_NE(shown.back().find(m.get(Text::UninstallRecordDamaged)), std::string::npos) << shown.back();
    EXPECT_EQ(s.exists(kGame + "\\game03.dat"), !cut) << "a file only the damaged lines named stays";
    uninstall(wholeGame);
    EXPECT_NE(shown.back().find(m.get(Text::UninstallRecordDamaged)), std::string::npos)
        << "a second run acts on the record again: " << shown.back();
}

TEST_F(Uninstall, ARecordDamagedInALineStillRemovesWhatItsReadableLinesName) { damagedRecord(false); }
TEST_F(Uninstall, ARecordCutInItsLastLineStillRemovesTheEntry) { damagedRecord(true); }

// Lines added to the record by hand that name what lies outside the game
// folder: ignored and told, nothing outside touched, the game removed.
TEST_F(Uninstall, RecordLinesNamingWhatLiesOutsideAreIgnoredAndTold) {
    installGame();
    s.writeFile("C:\\Windows\\x", "system");
    s.writeFile("C:\\autoexec.bat", "rem");
    s.writeFile(kPrograms + "\\Other\\Lunavire\\walkthrough.txt", "notes");
    ASSERT_TRUE(p.setString({RootKey::LocalMachine, RegView::Wow32,
                             std::string(shell::registration::kUninstallKey) + "\\SomeOtherGame"},
                            "DisplayName", "Some other game")
                    .ok());
    ASSERT_TRUE(p.setString({RootKey::CurrentUser, RegView::Wow32, "Software\\Theirs"}, "x", "y").ok());
    const std::vector<shell::record::Fields> lines = {
        {"file", "C:\\Windows\\x"},
        {"file", kGame + "\\..\\autoexec.bat"},
        {"links", kPrograms + "\\Other\\Lunavire"},
        {"link", kPrograms + "\\Other\\Lunavire\\walkthrough.txt"},
        {"registered", "HKLM", std::string(shell::registration::kUninstallKey) + "\\SomeOtherGame"},
        {"registered", "HKCU", "Software\\Theirs"},
    };
    const std::string record = recordPath(kGame);
    for (const auto& l : lines) s.writeFile(record, *s.readFile(record) + shell::record::encodeLine(l));
    uninstall(wholeGame);
    EXPECT_EQ(s.readFile("C:\\Windows\\x"), "system");
    EXPECT_EQ(s.readFile("C:\\autoexec.bat"), "rem");
    EXPECT_EQ(s.readFile(kPrograms + "\\Other\\Lunavire\\walkthrough.txt"), "notes");
    EXPECT_TRUE(s.registryText(RootKey::LocalMachine, RegView::Wow32,
                               std::string(shell::registration::kUninstallKey) + "\\SomeOtherGame", "DisplayName"));
    EXPECT_TRUE(s.registryText(RootKey::CurrentUser, RegView::Wow32, "Software\\Theirs", "x"));
    EXPECT_FALSE(registered());
    EXPECT_EQ(tree(kGame), files({{kSave, "save"}}));
    const std::string report = shown.back();
    EXPECT_NE(report.find(m.get(Text::UninstallIgnored)), std::string::npos) << report;
    for (const char* named : {"C:\\Windows\\x", "autoexec.bat", "SomeOtherGame", "Software\\Theirs", "Other\\Lunavire"})
        EXPECT_NE(report.find(named), std::string::npos) << named;
}

// A player who keeps several games' saves elsewhere and links them in: the
// link stays as it is, and nothing behind it goes, saves removed or not;
// so does a record line that leads through a link.
void Uninstall::linkedSaves(plat::Answer answer) {
    s.addDrive('G');
    const std::vector<std::pair<std::string, std::string>> theirs = {
        {"G:\\Saves\\slot1\\s.dat", "mine"}, {"G:\\Saves\\OtherGame\\o.sav", "other"}, {"G:\\Saves\\notes.txt", "n"}};
    installGame();
    for (const auto& [path, bytes] : theirs) s.writeFile(path, bytes);
    s.writeFile("G:\\Data\\music.dat", "elsewhere");
    s.remove(kGame + "\\save");
    s.linkFolder(kGame + "\\save", "G:\\Saves");
    s.linkFolder(kGame + "\\linked", "G:\\Data");
    const std::string record = recordPath(kGame);
    s.writeFile(record, *s.readFile(record) + shell::record::encodeLine({"file", "linked\\music.dat"}));
    uninstall(wholeGame, answer);
    EXPECT_EQ(tree("G:\\Saves"), files(theirs));
    EXPECT_EQ(s.readFile("G:\\Data\\music.dat"), "elsewhere");
    EXPECT_TRUE(s.exists(kGame + "\\save")) << "the link itself stays";
    if (answer == plat::Answer::Yes) {
        EXPECT_NE(shown.back().find(m.get(Text::UninstallLinksKept) + "\r\n" + kGame + "\\save"), std::string::npos)
            << shown.back();
    }
    EXPECT_NE(shown.back().find(kGame + "\\linked"), std::string::npos) << shown.back();
    EXPECT_FALSE(registered());
}

TEST_F(Uninstall, ALinkedSaveFolderAndWhatIsBehindItStayWhenTheSavesGo) { linkedSaves(plat::Answer::Yes); }
TEST_F(Uninstall, ALinkedSaveFolderAndWhatIsBehindItStayWhenTheSavesStay) { linkedSaves(plat::Answer::No); }

// A file link as Wine lists a Unix symbolic link: a plain file, whose
// DeleteFile would take its target.  In the game folder, among the saves
// and on a record line: each is left and named once, its target untouched.
TEST_F(Uninstall, FileLinksListedAsPlainFilesAreLeftWithWhatTheyLeadTo) {
    s.addDrive('G');
    installGame();
    s.writeFile("G:\\Shared\\op.mpg", "shared movie");
    s.writeFile("G:\\Shared\\backup.dat", "shared save");
    s.writeFile("G:\\Shared\\extra.dat", "shared extra");
    using Kind = sim::SimPlatform::FileLink;
    s.remove(kGame + "\\Movie\\op.mpg");
    s.linkFile(kGame + "\\Movie\\op.mpg", "G:\\Shared\\op.mpg", Kind::WineUnix);
    s.linkFile(kGame + "\\save\\slot1\\backup.dat", "G:\\Shared\\backup.dat", Kind::WineUnix);
    s.linkFile(kGame + "\\extra.dat", "G:\\Shared\\extra.dat", Kind::WineUnix);
    const std::string record = recordPath(kGame);
    s.writeFile(record, *s.readFile(record) + shell::record::encodeLine({"file", "extra.dat"}));
    ASSERT_EQ(s.attributes(kGame + "\\Movie\\op.mpg") & plat::attr::ReparsePoint, 0u) << "listed as a plain file";
    uninstall(wholeGame, plat::Answer::Yes);
    EXPECT_EQ(s.readFile("G:\\Shared\\op.mpg"), "shared movie");
    EXPECT_EQ(s.readFile("G:\\Shared\\backup.dat"), "shared save");
    EXPECT_EQ(s.readFile("G:\\Shared\\extra.dat"), "shared extra");
    const std::string report = text::upperCase(shown.back());
    for (const char* link : {"\\Movie\\op.mpg", "\\save\\slot1\\backup.dat", "\\extra.dat"}) {
        const std::string named = text::upperCase(kGame + link);
        const std::size_t at = report.find(named);
        EXPECT_NE(at, std::string::npos) << link << " is named: " << shown.back();
        EXPECT_EQ(report.find(named, at + 1), std::string::npos) << link << " is named once: " << shown.back();
    }
    EXPECT_FALSE(s.exists(kGame + "\\game00.dat")) << "the rest goes";
}

TEST_F(Uninstall, AMovedGameIsRemovedFromWhereItLiesNowWithItsOldEntry) {
    installGame();
    const std::string moved = "c:\\Games\\Moved";
    for (const auto& [path, digest] : tree(kGame)) {
        (void)digest;
        s.writeFile(moved + path.substr(kGame.size()), *s.readFile(path));
    }
    s.remove(kGame);
    // The list of programs still names the old folder: the player starts
    // the uninstaller where the game is now.
    app::destroyForms();
    s.onBox([this](const sim::BoxRecord& b) {
        shown.push_back(b.text);
        return b.text == m.get(Text::UninstallSaves) ? plat::Answer::No : plat::Answer::Ok;
    });
    s.setProgramPath(programPath(moved));
    s.setCommandLine("\"" + programPath(moved) + "\" /uninstall");
    EXPECT_EQ(app::runProgram(), 0);
    const std::string line = s.execs().back().commandLine;
    s.setProgramPath(line.substr(1, line.find('"', 1) - 1));
    s.setCommandLine(line);
    s.post([] { dynamic_cast<TForm5*>(ui::app().mainForm())->Button2->click(); });
    EXPECT_EQ(app::runProgram(), 0);
    EXPECT_EQ(tree(moved), files({{moved + "\\save\\slot1\\s.dat", "save"}}));
    EXPECT_FALSE(registered()) << "the entry of the folder it was moved from";
    EXPECT_EQ(shown.back().rfind(m.get(Text::UninstallGameDone), 0), 0u) << shown.back();
}

// Windows would remove the uninstaller's temporary copies at its next start,
// Wine never: the next start removes those that no longer run.
TEST_F(Uninstall, TheNextStartRemovesTheTemporaryCopiesOfEarlierUninstallers) {
    installGame();
    const std::string old = s.tempFolder() + "\\LunavireUninstall-7", running = s.tempFolder() + "\\LunavireUninstall-8";
    const std::string theirs = s.tempFolder() + "\\LunavireUninstallNotes";
    s.writeFile(old + "\\Uninstall.exe", kSetup);
    s.writeFile(running + "\\Uninstall.exe", kSetup);
    s.writeFile(theirs + "\\Uninstall.exe", "not ours");
    s.lockFile(running + "\\Uninstall.exe");
    uninstall(wholeGame);
    EXPECT_FALSE(s.exists(old));
    EXPECT_TRUE(s.exists(running + "\\Uninstall.exe")) << "one that still runs stays for the next start";
    EXPECT_TRUE(s.exists(theirs + "\\Uninstall.exe")) << "a folder of another name is not one of ours";
}

TEST_F(Uninstall, RemovingOneOfTwoInstallationsLeavesTheOthersShortcut) {
    installGame();
    installGame("c:\\Lunavire2");
    const std::string shortcut = kPrograms + "\\Lunavire\\Lunavire.lnk";
    ASSERT_TRUE(s.exists(shortcut));
    uninstall(wholeGame);
    EXPECT_TRUE(s.exists(shortcut)) << "it points at the second installation";
    uninstall(wholeGame, plat::Answer::No, "c:\\Lunavire2");
    EXPECT_FALSE(s.exists(kPrograms + "\\Lunavire"));
}

TEST_F(Uninstall, ASecondCopyFrontsTheRunningOneAndRemovesNothing) {
    installGame();
    s.setOtherInstanceRunning(true);
    uninstall(nullptr);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(s.otherInstanceBroughtToFront(), 1);
    EXPECT_EQ(s.instanceWindowClasses(), (std::vector<std::string>{"TForm5", "TForm1"}))
        << "the uninstaller's window, else a running installer's";
    EXPECT_TRUE(s.exists(recordPath(kGame)));
}

TEST_F(Uninstall, AMissingRecordIsRefused) {
    refused([this] { s.remove(recordPath(kGame)); }, Text::RecordMissing);
}

TEST_F(Uninstall, ADriveRootOrTheWindowsFolderIsNeverUninstalled) {
    // A record there, as a hand-made one would be: the folder alone refuses it.
    for (const std::string folder : {"C:", "C:\\WINDOWS", "c:\\windows\\system32"}) {
        SCOPED_TRACE(folder);
        std::string record;
        for (const auto& f : shell::record::Record::begin(plat::Path(folder), 936))
            record += shell::record::encodeLine(f);
        s.writeFile(recordPath(folder), record + shell::record::encodeLine({"file", folder + "\\a.dat"}));
        s.writeFile(folder + "\\a.dat", "a");
        s.writeFile(programPath(folder), kSetup);
        s.setRegistryValue(RootKey::LocalMachine, uninstallKey(folder), "UninstallString");
        ASSERT_TRUE(p.setString({RootKey::LocalMachine, RegView::Wow32, uninstallKey(folder)}, "UninstallString",
                                shell::registration::uninstallCommand(plat::Path(folder)))
                        .ok());
        uninstall(wholeGame, plat::Answer::No, folder);
        EXPECT_EQ(exitCode, 1);
        EXPECT_EQ(s.readFile(folder + "\\a.dat"), "a");
        EXPECT_EQ(shown.back().rfind(m.get(Text::RecordUnsafeFolder), 0), 0u) << shown.back();
        shown.clear();
    }
}

// The voice add-on after the installation: its script's import sets the
// engine's value, beside a value of someone else's in the same key.
class AddOn : public Uninstall {
protected:
    static constexpr const char* kKey = "Software\\Voice\\Engine";
    void SetUp() override {
        Uninstall::SetUp();
        s.setResource("EX0", "SOUNDS", testpay::makeContainer("setup program"));
        s.setResource("EX0", "SOUND1", testpay::makeContainer("engine program"));
        s.setResource("RE0", "REG000",
                      testpay::makeContainer("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Voice\\Engine]\r\n"
                                             "\"Path\"=\"c:\\\\asr3232.exe\"\r\n"));
        ASSERT_TRUE(p.setString({RootKey::LocalMachine, RegView::Native, kKey}, "Theirs", "x").ok());
        s.onExec([this](const std::string& line) {
            if (line.find("/s c:\\00.reg") != std::string::npos) {
                EXPECT_TRUE(
                    p.setString({RootKey::LocalMachine, RegView::Native, kKey}, "Path", "c:\\asr3232.exe").ok());
            }
        });
    }
    void addOn() {
        s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
        Form1->voiceAddOn();
        s.onBox([this](const sim::BoxRecord& b) { return answerBox(b); });
    }
    bool value(const char* name) {
        std::string v;
        return p.readString({RootKey::LocalMachine, RegView::Native, kKey}, name, v).ok();
    }
};

TEST_F(AddOn, ItsValueGoesWithTheGameWhenThisProgramMadeIt) {
    installGame();
    addOn();
    ASSERT_TRUE(value("Path"));
    uninstall(wholeGame);
    EXPECT_FALSE(value("Path"));
    EXPECT_TRUE(value("Theirs")) << "a value the add-on did not make";
}

TEST_F(AddOn, AValueThatWasThereBeforeOrAnAddOnBeforeTheInstallationStays) {
    // Installed before the game: no record knew of it.
    addOn();
    installGame();
    uninstall(wholeGame);
    EXPECT_TRUE(value("Path"));
}

TEST_F(AddOn, ItsValueStaysWhileAnotherInstallationIsInTheListAndGoesWithTheLast) {
    installGame();
    installGame("c:\\Lunavire2");
    addOn();
    uninstall(wholeGame);
    EXPECT_TRUE(value("Path"));
    uninstall(wholeGame, plat::Answer::No, "c:\\Lunavire2");
    EXPECT_FALSE(value("Path"));
    EXPECT_TRUE(value("Theirs"));
}

TEST_F(AddOn, ItsKeysStayAndAreToldWhenTheProgramCannotReadItsScript) {
    installGame();
    addOn();
    s.setResource("RE0", "REG000", "not a payload");
    uninstall(wholeGame);
    EXPECT_TRUE(value("Path")) << "without the script its names cannot be told";
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("the voice add-on's registry keys"), std::string::npos) << shown.back();
}

TEST_F(AddOn, ItsValueGoesInTheViewTheRegistryEditorWroteIt) {
    s.onExec([this](const std::string& line) {
        if (line.find("/s c:\\00.reg") != std::string::npos) {
            EXPECT_TRUE(p.setString({RootKey::LocalMachine, RegView::Wow32, kKey}, "Path", "c:\\asr3232.exe").ok());
        }
    });
    installGame();
    addOn();
    std::string v;
    ASSERT_TRUE(p.readString({RootKey::LocalMachine, RegView::Wow32, kKey}, "Path", v).ok());
    uninstall(wholeGame);
    EXPECT_FALSE(p.readString({RootKey::LocalMachine, RegView::Wow32, kKey}, "Path", v).ok());
}

}  // namespace
