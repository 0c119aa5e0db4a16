// What registering an installation and removing it rely on: registry values
// in the 32-bit program's view and the system's own, the command line,
// removing empty folders, copying a file, deleting one at the next start of
// Windows, and the temporary folder.  Test keys live under
// HKLM\Software\LunavireContract, which the test user may write (Wine's user
// is an administrator; the simulation's too unless told otherwise).
#include <string>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::RegView;
using plat::RootKey;

const char kRoot[] = "Software\\LunavireContract";
const char kKey[] = "Software\\LunavireContract\\Entry";

class UninstallContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        if (HasFatalFailure()) return;
        for (RegView v : {RegView::Wow32, RegView::Native}) deleteTree(v, kRoot);  // an aborted run's
    }
    void TearDown() override {
        for (RegView v : {RegView::Wow32, RegView::Native}) deleteTree(v, kRoot);
        ContractTest::TearDown();
    }
    void deleteTree(RegView view, const std::string& key) {
        std::vector<std::string> subKeys;
        if (sys().subKeys(RootKey::LocalMachine, view, key, subKeys))
            for (const auto& k : subKeys) deleteTree(view, key + "\\" + k);
        sys().deleteKey(RootKey::LocalMachine, view, key);
    }
    std::string text(RegView view, const std::string& key, const std::string& name) {
        std::string v = "(none)";
        if (!sys().readString(RootKey::LocalMachine, view, key, name, v))
            v = "(error " + std::to_string(sys().lastError()) + ")";
        return v;
    }
};

TEST_F(UninstallContract, ValuesAreWrittenReadAndDeletedInTheThirtyTwoBitView) {
    auto& p = sys();
    const auto m = RootKey::LocalMachine;
    ASSERT_TRUE(p.setString(m, RegView::Wow32, kKey, "DisplayName", "Lunavire \xD6\xD0\xCE\xC4"))
        << "a value under a new key (its parent missing too): error " << p.lastError();
    ASSERT_TRUE(p.setDword(m, RegView::Wow32, kKey, "EstimatedSize", 1536001));
    ASSERT_TRUE(p.setString(m, RegView::Wow32, kKey, "", "default"));

    EXPECT_EQ(text(RegView::Wow32, kKey, "DisplayName"), "Lunavire \xD6\xD0\xCE\xC4")
        << "a string reads back byte for byte in the ANSI code page";
    EXPECT_EQ(text(RegView::Wow32, "SOFTWARE\\lunavirecontract\\ENTRY", "displayname"), "Lunavire \xD6\xD0\xCE\xC4")
        << "key and value names match without regard to case";
    EXPECT_EQ(text(RegView::Wow32, kKey, ""), "default") << "the default value has the empty name";
    EXPECT_EQ(text(RegView::Native, "Software\\Wow6432Node\\LunavireContract\\Entry", "DisplayName"),
              "Lunavire \xD6\xD0\xCE\xC4")
        << "the 32-bit view of HKLM\\Software is its Wow6432Node in the system's own view";
    EXPECT_FALSE(p.keyExists(m, RegView::Native, kKey)) << "and the system's own view has no such key";
    EXPECT_TRUE(p.keyExists(m, RegView::Wow32, kKey));

    std::string v;
    EXPECT_FALSE(p.readString(m, RegView::Wow32, kKey, "EstimatedSize", v));
    EXPECT_EQ(p.lastError(), plat::err::InvalidData) << "a number is not read as a string";
    EXPECT_FALSE(p.readString(m, RegView::Wow32, kKey, "Missing", v));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound) << "a missing value";
    EXPECT_FALSE(p.readString(m, RegView::Wow32, std::string(kKey) + "\\Missing", "DisplayName", v));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound) << "a missing key";

    std::vector<std::string> names;
    ASSERT_TRUE(p.valueNames(m, RegView::Wow32, kKey, names));
    EXPECT_EQ(sortedNoCase(names), sortedNoCase({"", "DisplayName", "EstimatedSize"}))
        << "every value is listed, as spelled";

    EXPECT_TRUE(p.deleteValue(m, RegView::Wow32, kKey, "DisplayName"));
    EXPECT_FALSE(p.deleteValue(m, RegView::Wow32, kKey, "DisplayName"));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound) << "a value deleted twice is missing the second time";
    EXPECT_EQ(text(RegView::Wow32, kKey, ""), "default") << "deleting a value leaves the others";
}

TEST_F(UninstallContract, KeysAreListedAndDeletedOnlyWhenTheyHaveNoSubkeys) {
    auto& p = sys();
    const auto m = RootKey::LocalMachine;
    const std::string a = std::string(kRoot) + "\\LunavireChinese-1", b = std::string(kRoot) + "\\Other",
                      inner = b + "\\Inner";
    ASSERT_TRUE(p.setString(m, RegView::Wow32, a, "InstallLocation", "C:\\A"));
    ASSERT_TRUE(p.setDword(m, RegView::Wow32, inner, "NoModify", 1));

    std::vector<std::string> names;
    ASSERT_TRUE(p.subKeys(m, RegView::Wow32, kRoot, names));
    EXPECT_EQ(sortedNoCase(names), sortedNoCase({"LunavireChinese-1", "Other"}))
        << "the subkeys one level down, as spelled";
    EXPECT_FALSE(p.subKeys(m, RegView::Wow32, std::string(kRoot) + "\\Missing", names));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);

    EXPECT_FALSE(p.deleteKey(m, RegView::Wow32, b)) << "a key with a subkey stays";
    EXPECT_TRUE(p.keyExists(m, RegView::Wow32, inner));
    EXPECT_TRUE(p.deleteKey(m, RegView::Wow32, a)) << "a key with values only goes with its values";
    EXPECT_FALSE(p.keyExists(m, RegView::Wow32, a));
    EXPECT_FALSE(p.deleteKey(m, RegView::Wow32, a));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound) << "a key deleted twice is missing the second time";
    EXPECT_TRUE(p.deleteKey(m, RegView::Wow32, inner));
    EXPECT_TRUE(p.deleteKey(m, RegView::Wow32, b)) << "once its subkey is gone";
}

TEST_F(UninstallContract, OnlyEmptyFoldersAreRemoved) {
    env().makeFolder(at("empty"));
    env().makeFolder(at("full"));
    env().writeFile(at("full\\keep.txt"), "mine");
    env().writeFile(at("file.txt"), "f");
    struct Row {
        const char* path;
        bool removed;
        std::uint32_t code;
        const char* rule;
    } rows[] = {
        {"EMPTY", true, 0, "an empty folder goes, its name matched without regard to case"},
        {"full", false, plat::err::DirNotEmpty, "a folder that holds anything stays"},
        {"file.txt", false, plat::err::DirectoryName, "a file is no folder to remove"},
        {"missing", false, plat::err::FileNotFound, "a missing folder"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(sys().removeFolder(at(r.path)), r.removed) << r.rule;
        if (!r.removed) {
            EXPECT_EQ(sys().lastError(), r.code) << r.rule;
        }
    }
    EXPECT_FALSE(sys().folderExists(at("empty")));
    EXPECT_EQ(env().readFile(at("full\\keep.txt")), "mine");
    EXPECT_TRUE(sys().fileExists(at("file.txt")));
}

TEST_F(UninstallContract, TheCurrentFolderStaysUntilAnotherIsCurrent) {
    auto& p = sys();
    env().makeFolder(at("started in"));
    env().makeFolder(at("elsewhere"));
    ASSERT_TRUE(p.setCurrentFolder(at("started in"))) << p.lastError();
    EXPECT_FALSE(p.removeFolder(at("started in")));
    EXPECT_EQ(p.lastError(), plat::err::SharingViolation) << "the program's current folder is in use";
    EXPECT_FALSE(p.setCurrentFolder(at("missing")));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
    ASSERT_TRUE(p.setCurrentFolder(at("elsewhere")));
    EXPECT_TRUE(p.removeFolder(at("started in"))) << "once another is current: error " << p.lastError();
    // Out of the test's folders, so that they can go.
    EXPECT_TRUE(p.setCurrentFolder(p.tempFolder()));
}

TEST_F(UninstallContract, CopyMakesANewRemovableFileAndNeverReplacesOne) {
    auto& p = sys();
    const std::string bytes = std::string("MZ\0\x90", 4) + std::string(5000, 'x');
    env().writeFile(at("Setup.exe"), bytes);
    env().setAttributes(at("Setup.exe"), plat::attr::ReadOnly);
    ASSERT_TRUE(p.copyFile(at("Setup.exe"), at("Uninstall.exe"))) << "error " << p.lastError();
    EXPECT_EQ(env().readFile(at("Uninstall.exe")), bytes) << "byte for byte";
    EXPECT_TRUE(p.deleteFile(at("Uninstall.exe"))) << "the copy of a read-only file is not read-only";

    env().writeFile(at("there.exe"), "old");
    EXPECT_FALSE(p.copyFile(at("Setup.exe"), at("there.exe")));
    EXPECT_EQ(p.lastError(), plat::err::FileExists);
    EXPECT_EQ(env().readFile(at("there.exe")), "old") << "an existing file is never replaced";

    EXPECT_FALSE(p.copyFile(at("missing.exe"), at("new.exe")));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
    EXPECT_FALSE(p.fileExists(at("new.exe"))) << "a failed copy leaves nothing";

    env().setAttributes(at("Setup.exe"), plat::attr::Normal);
    plat::FileHandle held = p.openWrite(at("Setup.exe"));  // no sharing: another program's file in use
    ASSERT_NE(held, plat::kNoFile);
    EXPECT_FALSE(p.copyFile(at("Setup.exe"), at("new.exe")));
    EXPECT_EQ(p.lastError(), plat::err::SharingViolation) << "a file held without sharing cannot be read";
    EXPECT_FALSE(p.fileExists(at("new.exe"))) << "a failed copy leaves nothing";
    p.closeFile(held);
}

TEST_F(UninstallContract, ClearingReadOnlyLetsAFileBeDeleted) {
    auto& p = sys();
    env().writeFile(at("Game.exe"), "MZ");
    env().setAttributes(at("Game.exe"), plat::attr::ReadOnly | plat::attr::Hidden);
    EXPECT_FALSE(p.deleteFile(at("Game.exe"))) << "a read-only file stays";
    ASSERT_TRUE(p.setFileAttributes(at("Game.exe"), plat::attr::Normal)) << "error " << p.lastError();
    const auto entry = list(at("Game.exe"));
    ASSERT_EQ(entry.size(), 1u);
    EXPECT_EQ(entry[0].attributes & (plat::attr::ReadOnly | plat::attr::Hidden), 0u) << "Normal clears them";
    EXPECT_TRUE(p.deleteFile(at("Game.exe"))) << "error " << p.lastError();

    EXPECT_FALSE(p.setFileAttributes(at("Game.exe"), plat::attr::Normal));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
}

TEST_F(UninstallContract, AShellLinkTellsThePathItWasSavedWith) {
    auto& p = sys();
    // The game's name in the code page's double bytes, as the shortcuts have it.
    const std::string game = at("\xD3\xCE\xCF\xB7.exe"), shortcut = at("\xD3\xCE\xCF\xB7.lnk");
    env().writeFile(game, "MZ");
    {
        auto link = p.createShellLink();
        link->setPath(game);
        link->setWorkingDirectory(scratch());
        ASSERT_TRUE(link->save(shortcut)) << "error " << p.lastError();
    }
    std::string target;
    ASSERT_TRUE(p.shellLinkTarget(shortcut, target)) << "error " << p.lastError();
    EXPECT_EQ(target, game);

    EXPECT_FALSE(p.shellLinkTarget(at("missing.lnk"), target));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
    env().writeFile(at("plain.lnk"), "no shell link");
    EXPECT_FALSE(p.shellLinkTarget(at("plain.lnk"), target)) << "a file of other bytes is no shell link";
}

TEST_F(UninstallContract, DeletionAtRestartLeavesTheFileUntilThen) {
    env().writeFile(at("Uninstall.exe"), "MZ");
    // Wine's user is an administrator, and so is the simulation's by default.
    EXPECT_TRUE(sys().deleteAtRestart(at("Uninstall.exe"))) << "error " << sys().lastError();
    EXPECT_TRUE(sys().fileExists(at("Uninstall.exe"))) << "nothing goes before Windows starts again";
}

TEST_F(UninstallContract, TheTemporaryFolderAndTheCommandLine) {
    const std::string temp = sys().tempFolder();
    EXPECT_TRUE(sys().folderExists(temp)) << temp;
    EXPECT_FALSE(text::endsWith(temp, '\\')) << "no trailing backslash: " << temp;
    const std::string line = text::upperCase(sys().commandLine());
    const std::string program = text::upperCase(text::fileName(sys().programPath()));
    EXPECT_NE(line.find(program), std::string::npos)
        << "the command line begins with the program: " << sys().commandLine();
}

}  // namespace
}  // namespace contract
