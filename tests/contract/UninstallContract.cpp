// What registering an installation and removing it rely on: registry values
// in the 32-bit program's view and the system's own, the command line,
// removing empty folders, copying a file, deleting one at the next start of
// Windows, and the temporary folder.  Test keys live under
// HKLM\Software\LunavireContract, which the test user may write (Wine's user
// is an administrator; the simulation's too unless told otherwise).
#include <string>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::RegKey;
using plat::RegView;
using plat::RootKey;
namespace err = plat::err;

const char kRoot[] = "Software\\LunavireContract";

RegKey key(RegView view, const std::string& path) { return {RootKey::LocalMachine, view, path}; }

class UninstallContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        if (HasFatalFailure()) return;
        for (RegView v : {RegView::Wow32, RegView::Native}) deleteTree(key(v, kRoot));  // an aborted run's
    }
    void TearDown() override {
        for (RegView v : {RegView::Wow32, RegView::Native}) deleteTree(key(v, kRoot));
        ContractTest::TearDown();
    }
    void deleteTree(const RegKey& k) {
        std::vector<std::string> subKeys;
        if (sys().subKeys(k, subKeys).ok())
            for (const auto& name : subKeys) deleteTree(k / name);
        (void)sys().deleteKey(k);
    }
    std::string text(const RegKey& k, const std::string& name) {
        std::string v = "(none)";
        if (const plat::SysError e = sys().readString(k, name, v); e.failed())
            v = "(error " + std::to_string(e.code()) + ")";
        return v;
    }
};

TEST_F(UninstallContract, ValuesAreWrittenReadAndDeletedInTheThirtyTwoBitView) {
    auto& p = sys();
    const RegKey entry = key(RegView::Wow32, kRoot) / "Entry";
    plat::SysError e = p.setString(entry, "DisplayName", "Lunavire \xD6\xD0\xCE\xC4");
    ASSERT_TRUE(e.ok()) << "a value under a new key (its parent missing too): error " << e.code();
    ASSERT_TRUE(p.setDword(entry, "EstimatedSize", 1536001).ok());
    ASSERT_TRUE(p.setString(entry, "", "default").ok());

    EXPECT_EQ(text(entry, "DisplayName"), "Lunavire \xD6\xD0\xCE\xC4")
        << "a string reads back byte for byte in the ANSI code page";
    EXPECT_EQ(text(key(RegView::Wow32, "SOFTWARE\\lunavirecontract\\ENTRY"), "displayname"),
              "Lunavire \xD6\xD0\xCE\xC4")
        << "key and value names match without regard to case";
    EXPECT_EQ(text(entry, ""), "default") << "the default value has the empty name";
    EXPECT_EQ(text(key(RegView::Native, "Software\\Wow6432Node\\LunavireContract\\Entry"), "DisplayName"),
              "Lunavire \xD6\xD0\xCE\xC4")
        << "the 32-bit view of HKLM\\Software is its Wow6432Node in the system's own view";
    EXPECT_FALSE(p.keyExists(key(RegView::Native, entry.path))) << "and the system's own view has no such key";
    EXPECT_TRUE(p.keyExists(entry));

    std::string v;
    struct Row {
        RegKey key;
        const char* name;
        std::uint32_t code;
        const char* rule;
    } rows[] = {
        {entry, "EstimatedSize", err::InvalidData, "a number is not read as a string"},
        {entry, "Missing", err::FileNotFound, "a missing value"},
        {entry / "Missing", "DisplayName", err::FileNotFound, "a missing key"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(failure([&] { return p.readString(r.key, r.name, v); }, r.rule).code(), r.code) << r.rule;

    std::vector<std::string> names;
    ASSERT_TRUE(p.valueNames(entry, names).ok());
    EXPECT_EQ(sortedNoCase(names), sortedNoCase({"", "DisplayName", "EstimatedSize"}))
        << "every value is listed, as spelled";

    EXPECT_TRUE(p.deleteValue(entry, "DisplayName").ok());
    EXPECT_EQ(failure([&] { return p.deleteValue(entry, "DisplayName"); }).code(), err::FileNotFound)
        << "a value deleted twice is missing the second time";
    EXPECT_EQ(text(entry, ""), "default") << "deleting a value leaves the others";
}

TEST_F(UninstallContract, KeysAreListedAndDeletedOnlyWhenTheyHaveNoSubkeys) {
    auto& p = sys();
    const RegKey root = key(RegView::Wow32, kRoot);
    const RegKey a = root / "LunavireChinese-1", b = root / "Other", inner = b / "Inner";
    ASSERT_TRUE(p.setString(a, "InstallLocation", "C:\\A").ok());
    ASSERT_TRUE(p.setDword(inner, "NoModify", 1).ok());

    std::vector<std::string> names;
    ASSERT_TRUE(p.subKeys(root, names).ok());
    EXPECT_EQ(sortedNoCase(names), sortedNoCase({"LunavireChinese-1", "Other"}))
        << "the subkeys one level down, as spelled";
    EXPECT_EQ(failure([&] { return p.subKeys(root / "Missing", names); }).code(), err::FileNotFound);

    EXPECT_EQ(failure([&] { return p.deleteKey(b); }).code(), err::AccessDenied) << "a key with a subkey stays";
    EXPECT_TRUE(p.keyExists(inner));
    EXPECT_TRUE(p.deleteKey(a).ok()) << "a key with values only goes with its values";
    EXPECT_FALSE(p.keyExists(a));
    EXPECT_EQ(failure([&] { return p.deleteKey(a); }).code(), err::FileNotFound)
        << "a key deleted twice is missing the second time";
    EXPECT_TRUE(p.deleteKey(inner).ok());
    EXPECT_TRUE(p.deleteKey(b).ok()) << "once its subkey is gone";
}

TEST_F(UninstallContract, OnlyEmptyFoldersAreRemoved) {
    env().makeFolder(at("empty"));
    env().makeFolder(at("full"));
    env().writeFile(at("full\\keep.txt"), "mine");
    env().writeFile(at("file.txt"), "f");
    struct Row {
        const char* path;
        std::uint32_t code;  // 0: removed
        const char* rule;
    } rows[] = {
        {"EMPTY", 0, "an empty folder goes, its name matched without regard to case"},
        {"full", err::DirNotEmpty, "a folder that holds anything stays"},
        {"file.txt", err::DirectoryName, "a file is no folder to remove"},
        {"missing", err::FileNotFound, "a missing folder"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        if (r.code == 0)
            EXPECT_TRUE(sys().removeFolder(at(r.path)).ok()) << r.rule;
        else
            EXPECT_EQ(failure([&] { return sys().removeFolder(at(r.path)); }, r.rule).code(), r.code) << r.rule;
    }
    EXPECT_FALSE(sys().folderExists(at("empty")));
    EXPECT_EQ(env().readFile(at("full\\keep.txt")), "mine");
    EXPECT_TRUE(sys().fileExists(at("file.txt")));
}

TEST_F(UninstallContract, TheCurrentFolderStaysUntilAnotherIsCurrent) {
    auto& p = sys();
    env().makeFolder(at("started in"));
    env().makeFolder(at("elsewhere"));
    ASSERT_TRUE(p.setCurrentFolder(at("started in").text()).ok());
    EXPECT_EQ(failure([&] { return p.removeFolder(at("started in")); }).code(), err::SharingViolation)
        << "the program's current folder is in use";
    EXPECT_EQ(failure([&] { return p.setCurrentFolder(at("missing").text()); }).code(), err::FileNotFound);
    ASSERT_TRUE(p.setCurrentFolder(at("elsewhere").text()).ok());
    EXPECT_TRUE(p.removeFolder(at("started in")).ok()) << "once another is current";
    // Out of the test's folders, so that they can go.
    EXPECT_TRUE(p.setCurrentFolder(p.tempFolder()).ok());
}

TEST_F(UninstallContract, CopyMakesANewRemovableFileAndNeverReplacesOne) {
    auto& p = sys();
    const std::string bytes = std::string("MZ\0\x90", 4) + std::string(5000, 'x');
    env().writeFile(at("Setup.exe"), bytes);
    env().setAttributes(at("Setup.exe"), plat::attr::ReadOnly);
    ASSERT_TRUE(p.copyFile(at("Setup.exe"), at("Uninstall.exe")).ok());
    EXPECT_EQ(env().readFile(at("Uninstall.exe")), bytes) << "byte for byte";
    EXPECT_TRUE(p.deleteFile(at("Uninstall.exe")).ok()) << "the copy of a read-only file is not read-only";

    env().writeFile(at("there.exe"), "old");
    EXPECT_EQ(failure([&] { return p.copyFile(at("Setup.exe"), at("there.exe")); }).code(), err::FileExists);
    EXPECT_EQ(env().readFile(at("there.exe")), "old") << "an existing file is never replaced";

    EXPECT_EQ(failure([&] { return p.copyFile(at("missing.exe"), at("new.exe")); }).code(), err::FileNotFound);
    EXPECT_FALSE(p.fileExists(at("new.exe"))) << "a failed copy leaves nothing";

    env().setAttributes(at("Setup.exe"), plat::attr::Normal);
    plat::File held;  // no sharing: another program's file in use
    ASSERT_TRUE(plat::File::openWrite(at("Setup.exe"), held).ok());
    EXPECT_EQ(failure([&] { return p.copyFile(at("Setup.exe"), at("new.exe")); }).code(), err::SharingViolation)
        << "a file held without sharing cannot be read";
    EXPECT_FALSE(p.fileExists(at("new.exe"))) << "a failed copy leaves nothing";
}

TEST_F(UninstallContract, ClearingReadOnlyLetsAFileBeDeleted) {
    auto& p = sys();
    env().writeFile(at("Game.exe"), "MZ");
    env().setAttributes(at("Game.exe"), plat::attr::ReadOnly | plat::attr::Hidden);
    EXPECT_EQ(failure([&] { return p.deleteFile(at("Game.exe")); }).code(), err::AccessDenied)
        << "a read-only file stays";
    ASSERT_TRUE(p.setFileAttributes(at("Game.exe"), plat::attr::Normal).ok());
    const auto entry = list(at("Game.exe"));
    ASSERT_EQ(entry.size(), 1u);
    EXPECT_EQ(entry[0].attributes & (plat::attr::ReadOnly | plat::attr::Hidden), 0u) << "Normal clears them";
    EXPECT_TRUE(p.deleteFile(at("Game.exe")).ok());

    EXPECT_EQ(failure([&] { return p.setFileAttributes(at("Game.exe"), plat::attr::Normal); }).code(),
              err::FileNotFound);
}

TEST_F(UninstallContract, AShellLinkTellsThePathItWasSavedWith) {
    auto& p = sys();
    // The game's name in the code page's double bytes, as the shortcuts have it.
    const plat::Path game = at("\xD3\xCE\xCF\xB7.exe"), shortcut = at("\xD3\xCE\xCF\xB7.lnk");
    env().writeFile(game, "MZ");
    {
        auto link = p.createShellLink();
        link->setPath(game.text());
        link->setWorkingDirectory(scratch().text());
        ASSERT_TRUE(link->save(shortcut).ok());
    }
    std::string target;
    ASSERT_TRUE(p.shellLinkTarget(shortcut, target).ok());
    EXPECT_EQ(target, game.text());

    EXPECT_EQ(failure([&] { return p.shellLinkTarget(at("missing.lnk"), target); }).code(), err::FileNotFound);
    env().writeFile(at("plain.lnk"), "no shell link");
    failure([&] { return p.shellLinkTarget(at("plain.lnk"), target); }, "a file of other bytes is no shell link");
}

TEST_F(UninstallContract, DeletionAtRestartLeavesTheFileUntilThen) {
    env().writeFile(at("Uninstall.exe"), "MZ");
    // Wine's user is an administrator, and so is the simulation's by default.
    EXPECT_TRUE(sys().deleteAtRestart(at("Uninstall.exe")).ok());
    EXPECT_TRUE(sys().fileExists(at("Uninstall.exe"))) << "nothing goes before Windows starts again";
}

TEST_F(UninstallContract, TheTemporaryFolderAndTheCommandLine) {
    const std::string temp = sys().tempFolder();
    EXPECT_TRUE(sys().folderExists(plat::Path(temp))) << temp;
    EXPECT_FALSE(text::endsWith(temp, '\\')) << "no trailing backslash: " << temp;
    const std::string line = text::upperCase(sys().commandLine());
    const std::string program = text::upperCase(text::fileName(sys().programPath()));
    EXPECT_NE(line.find(program), std::string::npos)
        << "the command line begins with the program: " << sys().commandLine();
}

}  // namespace
}  // namespace contract
