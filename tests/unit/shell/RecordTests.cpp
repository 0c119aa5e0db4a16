// The install record: what it reads back, how it survives a kill at any
// byte, what counts as damage, and which paths it may name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Error.h"
#include "platform/Program.h"
#include "shell/RecordFile.h"
#include "tests/support/SimTest.h"

namespace {

using shell::record::Fields;
using shell::record::Record;
using shell::record::Refusal;

const std::string kFolder = "C:\\Games\\Lunavire";
const std::string kPrograms = "C:\\Users\\Player\\Start Menu\\Programs";

std::string encode(const std::vector<Fields>& lines) {
    std::string out;
    for (const auto& f : lines) out += shell::record::encodeLine(f);
    return out;
}

std::vector<Fields> withHeader(std::vector<Fields> lines, const std::string& folder = kFolder) {
    auto all = Record::begin(plat::Path(folder), 936);
    all.insert(all.end(), lines.begin(), lines.end());
    return all;
}

// A record of a whole installation, a patch over it and an add-on.
std::vector<Fields> typical() {
    return withHeader({
        {"language", "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4"},
        {"file?", kFolder + "\\Uninstall\\Uninstall.exe", "new"},
        {"file", kFolder + "\\Uninstall\\Uninstall.exe"},
        {"dir", kFolder + "\\VRecog"},
        {"file?", kFolder + "\\VRecog\\a.wav", "new"},
        {"file", kFolder + "\\VRecog\\a.wav"},
        {"file?", kFolder + "\\game00.dat", "old"},
        {"file", kFolder + "\\game00.dat"},
        {"links", kPrograms + "\\Lunavire"},
        {"link", kPrograms + "\\Lunavire\\Lunavire.lnk"},
        {"registered", "HKLM", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LunavireChinese-1"},
        {"keep?", kFolder + "\\game00.dat", kFolder + "\\Uninstall\\Original\\game00.dat"},
        {"keep", kFolder + "\\game00.dat", kFolder + "\\Uninstall\\Original\\game00.dat"},
        {"patch?", kFolder + "\\game00.dat", "old"},
        {"patch", kFolder + "\\game00.dat"},
        {"patch?", kFolder + "\\KESTAL.exe", "new"},
        {"patch", kFolder + "\\KESTAL.exe"},
        {"plink", kPrograms + "\\Lunavire\\readme.lnk"},
        {"addon-file", "c:\\00.reg"},
        {"addon-value", "HKLM", "Software\\Lunavire", "VoiceAddOn"},
    });
}

class RecordTest : public simtest::SimTest {};

TEST_F(RecordTest, ATypicalRecordReadsBackWhatEachRunWroteRelativeToItsFolder) {
    Record r = shell::record::parse(encode(typical())).record;
    EXPECT_EQ(r.folder.text(), kFolder);
    EXPECT_EQ(r.codePage, 936u);
    EXPECT_EQ(r.language, "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4");
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[1].path.text(), "VRecog\\a.wav") << "absolute paths of the first version read as relative ones";
    EXPECT_TRUE(r.files[1].whole);
    EXPECT_FALSE(r.files[1].existedBefore);
    EXPECT_TRUE(r.files[2].existedBefore) << "game00.dat was there before it was written";
    EXPECT_EQ(r.folders.size(), 1u);
    ASSERT_EQ(r.registrations.size(), 1u);
    ASSERT_NE(r.activeOriginal("GAME00.DAT"), nullptr) << "paths are matched without regard to case";
    EXPECT_EQ(r.activeOriginal("game00.dat")->kept.text(), "Uninstall\\Original\\game00.dat");
    ASSERT_NE(r.patchFile("kestal.exe"), nullptr);
    EXPECT_FALSE(r.patchFile("kestal.exe")->existedBefore);
    ASSERT_EQ(r.links.size(), 1u);
    EXPECT_EQ(r.links[0].path.text(), "Lunavire.lnk") << "a shortcut is known by its name";
    EXPECT_EQ(r.patchLinks.size(), 1u);
    EXPECT_EQ(r.addOnFiles.size(), 1u);
    ASSERT_EQ(r.addOnKeys.size(), 1u);
    EXPECT_EQ(r.addOnKeys[0].value, "VoiceAddOn");
    EXPECT_TRUE(r.ignored.empty());
}

TEST_F(RecordTest, ARecordCutAtAnyByteReadsAsItsWholeLines) {
    const auto lines = typical();
    const std::string bytes = encode(lines);
    const std::size_t headerEnd = encode({lines[0], lines[1]}).size();
    for (std::size_t cut = headerEnd; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        shell::record::Parsed parsed;
        ASSERT_NO_THROW(parsed = shell::record::parse(bytes.substr(0, cut))) << "a kill leaves a record that reads";
        const Record& r = parsed.record;
        // Exactly the lines that end before the cut count.
        std::size_t whole = 0, at = 0;
        bool boundary = false;
        for (const auto& f : lines) {
            at += shell::record::encodeLine(f).size();
            if (at <= cut) ++whole;
            boundary = boundary || at == cut;
        }
        EXPECT_EQ(parsed.cutShort, !boundary) << "a line without its end is told";
        Record expect;
        for (std::size_t i = 0; i < whole; ++i) expect.apply(lines[i]);
        EXPECT_EQ(r.files.size(), expect.files.size());
        EXPECT_EQ(r.patchFiles.size(), expect.patchFiles.size());
        EXPECT_EQ(r.originals.size(), expect.originals.size());
        EXPECT_EQ(r.addOnKeys.size(), expect.addOnKeys.size());
        EXPECT_TRUE(parsed.damaged.empty());
        for (std::size_t i = 0; i < r.files.size(); ++i)
            EXPECT_EQ(r.files[i].whole, expect.files[i].whole) << "a file is whole only once its line is";
    }
}

TEST_F(RecordTest, NoRecordAtAllIsRefusedAndADamagedLineIsLeftOutWithTheRestRead) {
    struct Row {
        std::string bytes;
        std::size_t line;
        const char* rule;
    } notRecords[] = {
        {"", 1, "an empty file"},
        {encode({{"folder", kFolder}}), 1, "no header"},
        {encode({{"LUNAVIRE-RECORD", "3", "936"}, {"folder", kFolder}}), 1, "a version to come"},
        {"0123ABCD LUNAVIRE-RECORD\t2\t936\r\n", 1, "a header with a wrong checksum"},
        {std::string(100, 'x'), 1, "one line cut short"},
    };
    for (const Row& r : notRecords) {
        SCOPED_TRACE(r.rule);
        try {
            shell::record::parse(r.bytes);
            ADD_FAILURE() << "read as a record";
        } catch (const shell::record::FormatError& e) {
            EXPECT_EQ(e.line, r.line) << e.reason;
        }
    }
    const Fields after = {"file", "after.dat"};
    struct Damage {
        std::string line;
        const char* rule;
    } damaged[] = {
        {shell::record::encodeLine({"erase", "C:\\"}), "an unknown line, checksum and all"},
        {shell::record::encodeLine({"file", "a", "extra"}), "a line with a field too many"},
        {shell::record::encodeLine({"file?", "a", "maybe"}), "neither new nor old"},
        {shell::record::encodeLine({"file", ""}), "an empty field"},
        {"00000000 file\tb.dat\r\n", "a wrong checksum"},
        {"file\tb.dat\r\n", "no checksum"},
        {shell::record::encodeLine({"restored", "x.dat"}), "restored without an original"},
        {shell::record::encodeLine({"unpatched", "x.dat"}), "unpatched without a patch file"},
        {shell::record::encodeLine({"registered", "HKCR", "x"}), "no such registry root"},
        {shell::record::encodeLine(Record::begin(plat::Path(kFolder), 936)[0]), "a second header"},
    };
    for (const Damage& d : damaged) {
        SCOPED_TRACE(d.rule);
        const auto parsed = shell::record::parse(encode(withHeader({})) + d.line + shell::record::encodeLine(after));
        ASSERT_EQ(parsed.damaged.size(), 1u);
        EXPECT_EQ(parsed.damaged[0].line, 3u);
        ASSERT_EQ(parsed.record.files.size(), 1u) << "the lines after a damaged one still count";
        EXPECT_EQ(parsed.record.files[0].path.text(), "after.dat");
    }
}

TEST_F(RecordTest, AKeptOriginalIsNeverReplacedUntilItIsRestored) {
    const std::string target = "game01.dat", kept = "Uninstall\\Original\\game01.dat";
    const plat::Path targetPath(target);
    Record r = shell::record::parse(encode(withHeader({
        {"keep?", target, kept},
        {"keep", target, kept},
        {"patch?", target, "old"},
        {"patch", target},
        // A second patch run: the same original stays the one kept.
        {"keep?", target, kept},
        {"patch?", target, "new"},
        {"patch", target},
    }))).record;
    ASSERT_NE(r.activeOriginal(targetPath), nullptr);
    EXPECT_TRUE(r.patchFile(targetPath)->existedBefore) << "the file stays as it first was: replaced, not made";

    r.apply({"restored", target});
    EXPECT_EQ(r.activeOriginal(targetPath), nullptr);
    EXPECT_TRUE(r.patchFile(targetPath)->undone);
    r.apply({"keep?", target, kept});
    EXPECT_EQ(r.activeOriginal(targetPath), nullptr) << "an original announced is not kept yet";
    r.apply({"keep", target, kept});
    EXPECT_NE(r.activeOriginal(targetPath), nullptr) << "after a restore the next patch keeps it again";
}

// A file's digest holds while it stays as written: a new announcement of
// the file forgets it, and a digest of a file not whole on the record, or
// one that does not read, is never taken.
TEST_F(RecordTest, ADigestBelongsToAFileWrittenWholeUntilItIsWrittenAgain) {
    Record r = shell::record::parse(encode(withHeader({
        {"file?", "game00.dat", "new"},
        {"file", "game00.dat"},
        {"file-sum", "game00.dat", "5000", "0123ABCD"},
        {"file-sum", "elsewhere.dat", "1", "00000001"},
        {"patch?", "KESTAL.exe", "new"},
        {"patch", "KESTAL.exe"},
        {"patch-sum", "KESTAL.exe", "2009", "89ABCDEF", "BIG/KESTAL"},
    }))).record;
    const auto* game = r.gameFile(plat::Path("GAME00.DAT"));
    ASSERT_TRUE(game && game->digest);
    EXPECT_EQ(*game->digest, (shell::record::Digest{5000, 0x0123ABCD}));
    EXPECT_EQ(r.gameFile(plat::Path("elsewhere.dat")), nullptr) << "a digest puts nothing on the record";
    EXPECT_EQ(r.ignored.size(), 1u) << "and is told";
    const auto* patched = r.patchFile(plat::Path("KESTAL.exe"));
    ASSERT_TRUE(patched && patched->digest);
    EXPECT_EQ(patched->payload, "BIG/KESTAL");

    r.apply({"file?", "game00.dat", "old"});
    EXPECT_FALSE(r.gameFile(plat::Path("game00.dat"))->digest) << "being written again, it holds what it holds";
    EXPECT_THROW(r.apply({"file-sum", "game00.dat", "50x0", "0123ABCD"}), shell::record::FormatError);
    EXPECT_THROW(r.apply({"file-sum", "game00.dat", "5000", "0123ABC"}), shell::record::FormatError);
}

TEST_F(RecordTest, ALineNamingWhatARecordMayNotIsIgnoredAndTold) {
    struct Row {
        Fields line;
        const char* rule;
    } rows[] = {
        {{"file", "C:\\Windows\\x"}, "a file in the Windows folder"},
        {{"file", kFolder + "\\..\\x"}, "a way out through .."},
        {{"file", "..\\x"}, "a relative way out"},
        {{"file", kFolder + "x\\a"}, "a sibling whose name begins alike"},
        {{"file", kFolder}, "the folder itself is no file below it"},
        {{"dir", "\\Windows"}, "a folder from the root"},
        {{"file", "a\\\\b"}, "an empty name"},
        {{"file", "save.\\x"}, "a name Windows would respell"},
        {{"file", "data\\*.dat"}, "a wildcard"},
        {{"keep", "a.dat", "b.dat"}, "an original kept outside the originals' folder"},
        {{"keep", "a.dat", "C:\\Windows\\Original\\a.dat"}, "an original kept outside the game folder"},
        {{"link", "x?.lnk"}, "a shortcut that is no plain name"},
        {{"plink", "Other\\x.lnk"}, "a shortcut in another folder"},
        {{"addon-file", "c:\\boot.ini"}, "only the add-on's own files in C:"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        const Record rec = shell::record::parse(encode(withHeader({r.line}))).record;
        ASSERT_EQ(rec.ignored.size(), 1u);
        EXPECT_EQ(rec.ignored[0].line, 3u);
        EXPECT_TRUE(rec.files.empty() && rec.folders.empty() && rec.originals.empty() && rec.links.empty() &&
                    rec.patchLinks.empty() && rec.addOnFiles.empty())
            << "nothing of it is taken";
    }
}

TEST_F(RecordTest, AMovedFolderIsToldAndItsPathsStayRelative) {
    Record r = shell::record::parse(encode(withHeader({{"file", "a.dat"}, {"folder", "D:\\Moved"},
                                                       {"file", "D:\\Moved\\b.dat"}, {"file", kFolder + "\\c.dat"}})))
                   .record;
    EXPECT_EQ(r.folder.text(), "D:\\Moved");
    ASSERT_EQ(r.earlierFolders.size(), 1u);
    EXPECT_EQ(r.earlierFolders[0].text(), kFolder);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[1].path.text(), "b.dat");
    EXPECT_EQ(r.ignored.size(), 1u) << "an absolute path below the folder it left is no longer below the record's";
}

TEST_F(RecordTest, DoubledSeparatorsAreOneAndDoubleByteNamesStayWhole) {
    // 乗 (0x81 0x5C in GBK) ends a name with a byte that is a backslash elsewhere.
    EXPECT_EQ(plat::Path("C:\\a\x81\x5C\\\\game03.dat").text(), "C:\\a\x81\x5C\\game03.dat");
    EXPECT_EQ(plat::Path("C:\\L\\\\\\music\\\\x.ogg").text(), "C:\\L\\music\\x.ogg");
    EXPECT_TRUE(shell::record::plainBelow("C:\\a\x81\x5C\\x", "C:\\a\x81\x5C"));
    EXPECT_FALSE(shell::record::plainBelow("C:\\a\x81\x5C\\x", "C:\\a\x81"))
        << "a trail byte 0x5C is no separator";
    EXPECT_TRUE(shell::record::plainRelative("a\x81\x5C\\x"));
}

TEST_F(RecordTest, APathIsBelowItsFolderByPlainNamesOnly) {
    const struct {
        const char* path;
        const char* folder;
        bool below;
    } rows[] = {
        {"c:\\games\\LUNAVIRE\\a.dat", "C:\\Games\\Lunavire", true},
        {"C:\\Games\\Lunavire\\\\x\\a.dat", "C:\\Games\\Lunavire", true},
        {"C:\\Games\\Lunavire", "C:\\Games\\Lunavire", false},
        {"C:\\Games\\LunavireX\\a.dat", "C:\\Games\\Lunavire", false},
        {"C:\\Games\\Lunavire\\..\\a.dat", "C:\\Games\\Lunavire", false},
        {"C:\\Games\\Lunavire\\*.dat", "C:\\Games\\Lunavire", false},
        {"C:\\Games\\Lunavire\\a\\", "C:\\Games\\Lunavire", true},  // the trailing backslash dropped
        {"C:\\a.dat", "C:\\", false},
        {"Uninstall\\Original\\a.dat", "uninstall", true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::record::plainBelow(r.path, r.folder).has_value(), r.below) << r.path << " in " << r.folder;
}

TEST_F(RecordTest, RegistryNamesAreOneWhateverTheCaseOfTheirAsciiLetters) {
    using plat::RootKey;
    const struct {
        Record::Key a, b;
        bool same;
    } rows[] = {
        {{RootKey::LocalMachine, "Software\\Lunavire", "", false}, {RootKey::LocalMachine, "SOFTWARE\\lunavire", "", false}, true},
        {{RootKey::LocalMachine, "S\\L", "Voice", true}, {RootKey::LocalMachine, "s\\l", "VOICE", true}, true},
        {{RootKey::LocalMachine, "S\\L", "", true}, {RootKey::LocalMachine, "S\\L", "", false}, false},
        {{RootKey::LocalMachine, "S\\L", "", false}, {RootKey::CurrentUser, "S\\L", "", false}, false},
        // A double-byte character's trail byte is no letter: 0x81 0x61 and 0x81 0x41 are two characters.
        {{RootKey::LocalMachine, "S\\\x81\x61", "", false}, {RootKey::LocalMachine, "S\\\x81\x41", "", false}, false},
        {{RootKey::LocalMachine, "S\\L", "a", true}, {RootKey::LocalMachine, "S\\L", "ab", true}, false},
    };
    for (const auto& r : rows) EXPECT_EQ(r.a == r.b, r.same) << r.a.key << "\t" << r.a.value << " ~ " << r.b.key;
}

TEST_F(RecordTest, NoInstallationGoesWhereTheUninstallerWouldNotFollow) {
    const struct {
        const char* folder;
        bool unsafe;
    } rows[] = {
        {"C:", true}, {"C:\\", true}, {"E:\\", true}, {"C:\\WINDOWS", true}, {"c:\\windows\\LunavireProbe", true},
        {"C:\\Windows\\\\x", true}, {"Lunavire", true}, {"C:\\Games\\Lunavire", false}, {"C:\\WindowsGames", false},
    };
    for (const auto& r : rows) EXPECT_EQ(shell::record::unsafeFolder(r.folder, "C:\\WINDOWS"), r.unsafe) << r.folder;
}


TEST_F(RecordTest, OurPatchAloneIsAllARecordNamesBesideTheUninstallersOwnFilesAndThePatchLog) {
    const auto patchOnly = [](const Fields& more) {
        return shell::record::parse(encode(withHeader({{"file", "patch.log"}, {"file", "Uninstall\\Uninstall.exe"},
                                                       {"patch", "game01.dat"}, more})))
            .record.patchOnly();
    };
    EXPECT_TRUE(patchOnly({"plink", "readme.lnk"}));
    // What a disc installation leaves, even one stopped at its start.
    for (const Fields& f : std::vector<Fields>{{"file?", "install.log", "new"}, {"file", "Uninstall2\\x"},
                                               {"dir", "music"}, {"link", "Lunavire.lnk"}})
        EXPECT_FALSE(patchOnly(f)) << f[1];
}

// ---------------------------------------------------------------- the file

class RecordFileTest : public simtest::SimTest {
protected:
    std::string path() const { return shell::record::recordPath(plat::Path(kFolder)).text(); }
    std::string bytes() const { return s.readFile(path()).value_or(""); }
};

TEST_F(RecordFileTest, AWriterBeginsARecordAndAddsToItAcrossRuns) {
    s.makeFolder(kFolder);
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        w.fileAnnounced(plat::Path(kFolder + "\\a.dat"), false);
        EXPECT_EQ(shell::record::parse(bytes()).record.files.size(), 1u) << "each line is on disk before the call returns";
        w.fileWhole(plat::Path(kFolder + "\\a.dat"));
        EXPECT_EQ(s.openHandles(), 1u) << "the record is held for the run";
        EXPECT_NE(bytes().find("file\ta.dat\r\n"), std::string::npos) << "kept relative to the folder";
    }
    EXPECT_EQ(s.openHandles(), 0u);
    {
        shell::record::Writer again(plat::Path(kFolder), 936);
        EXPECT_TRUE(again.record().files[0].whole) << "a second run reads what the first wrote";
        again.folderMade(plat::Path(kFolder + "\\music"));
        EXPECT_THROW(again.fileWhole("C:\\Windows\\x"), std::logic_error) << "a run never records outside";
    }
    auto loaded = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(loaded.record) << loaded.refusal->subject;
    EXPECT_EQ(loaded.record->files.size(), 1u);
    EXPECT_EQ(loaded.record->folders.size(), 1u);
}

TEST_F(RecordFileTest, ALineAKillCutShortIsDroppedBeforeTheNextRunAdds) {
    s.makeFolder(kFolder);
    { shell::record::Writer w(plat::Path(kFolder), 936); }
    const std::string cut = shell::record::encodeLine({"file", "half"});
    s.writeFile(path(), bytes() + cut.substr(0, cut.size() / 2));
    EXPECT_TRUE(shell::record::load(plat::Path(kFolder)).cutShort);
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        w.fileWhole("next");
    }
    auto loaded = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(loaded.record) << loaded.refusal->subject;
    EXPECT_TRUE(loaded.damaged.empty()) << "the half line would have joined the next";
    ASSERT_EQ(loaded.record->files.size(), 1u);
    EXPECT_EQ(loaded.record->files[0].path.text(), "next");
}

TEST_F(RecordFileTest, ADamagedRecordIsSetAsideAndWhatReadsGoesOn) {
    s.writeFile(path(), "not a record\r\n");
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        EXPECT_TRUE(w.record().files.empty());
    }
    EXPECT_EQ(s.readFile(kFolder + "\\Uninstall\\Uninstall.old"), "not a record\r\n") << "kept for a look";
    EXPECT_FALSE(shell::record::load(plat::Path(kFolder)).refusal);

    const std::string damaged = encode(withHeader({{"file", "a.dat"}})) + "00000000 file\tb.dat\r\n" +
                                shell::record::encodeLine({"file", "c.dat"});
    s.writeFile(path(), damaged);
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        EXPECT_EQ(w.record().files.size(), 2u) << "the lines that read go on in the new record";
        w.fileWhole("d.dat");
    }
    EXPECT_EQ(s.readFile(kFolder + "\\Uninstall\\Uninstall.old"), damaged);
    auto loaded = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(loaded.record);
    EXPECT_TRUE(loaded.damaged.empty());
    EXPECT_EQ(loaded.record->files.size(), 3u);
}

TEST_F(RecordFileTest, AFailedWriteStopsTheWriter) {
    s.makeFolder(kFolder);
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        const std::size_t size = bytes().size();
        s.failWriteAt(path(), static_cast<std::uint32_t>(size + 5), plat::err::DiskFull);
        EXPECT_THROW(w.fileWhole("a"), base::Error);
        s.clearFaults();
        EXPECT_THROW(w.fileWhole("b"), base::Error) << "nothing is added after a failed line";
    }
    auto loaded = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(loaded.record) << "the cut line is left out: " << loaded.refusal->subject;
    EXPECT_TRUE(loaded.record->files.empty());
}

TEST_F(RecordFileTest, AWriterInAMovedFolderGoesOnAndTellsTheMove) {
    const std::string moved = "D:\\Games\\Lunavire";
    s.addDrive('D');
    s.writeFile(shell::record::recordPath(plat::Path(moved)).text(),
                encode(withHeader({{"file", kFolder + "\\a.dat"}})));
    {
        shell::record::Writer w(plat::Path(moved), 936);
        ASSERT_EQ(w.record().files.size(), 1u) << "a moved record is not set aside";
        w.fileWhole(plat::Path(moved + "\\b.dat"));
    }
    auto loaded = shell::record::load(plat::Path(moved));
    ASSERT_TRUE(loaded.record);
    EXPECT_EQ(loaded.record->folder.text(), moved);
    EXPECT_EQ(loaded.record->files.size(), 2u);
    EXPECT_FALSE(s.readFile(moved + "\\Uninstall\\Uninstall.old"));
}

TEST_F(RecordFileTest, AMissingHeldOrHugeRecordIsReportedAndNoHandleStaysOpen) {
    auto missing = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(missing.refusal);
    EXPECT_EQ(missing.refusal->kind, Refusal::Missing);
    EXPECT_EQ(missing.refusal->code, plat::err::PathNotFound);
    s.makeFolder(kFolder);
    {
        shell::record::Writer w(plat::Path(kFolder), 936);
        auto held = shell::record::load(plat::Path(kFolder));
        ASSERT_TRUE(held.refusal) << "a run that writes the record holds it";
        EXPECT_EQ(held.refusal->code, plat::err::SharingViolation);
    }
    s.writeFile(path(), encode(withHeader({})) + std::string(shell::record::kMaxBytes, '\n'));
    auto huge = shell::record::load(plat::Path(kFolder));
    ASSERT_TRUE(huge.refusal);
    EXPECT_EQ(huge.refusal->kind, Refusal::Damaged) << "larger than any installation's record";
    EXPECT_EQ(s.openHandles(), 0u);
    // A read that fails half way closes its handle too.
    s.writeFile(path(), encode(withHeader({})));
    s.failReadAt(path(), 10, plat::err::InvalidData);
    std::string bytes;
    EXPECT_EQ(shell::record::readWhole(plat::Path(path()), bytes).code(), plat::err::InvalidData);
    EXPECT_EQ(s.openHandles(), 0u);
    s.clearFaults();
    s.writeFile(path(), encode(withHeader({{"file", "a.dat"}})) + std::string(shell::record::kMaxBytes, '\n'));
    {
        shell::record::Writer w(plat::Path(kFolder), 936);  // a huge record is set aside, never read whole
        EXPECT_TRUE(w.record().files.empty());
    }
}

}  // namespace
