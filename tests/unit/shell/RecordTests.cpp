// The install record: what it reads back, how it survives a kill at any
// byte, what counts as damage, and which paths it may name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Error.h"
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
    auto all = Record::begin(folder, 936);
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

TEST_F(RecordTest, ATypicalRecordReadsBackWhatEachRunWrote) {
    Record r = shell::record::parse(encode(typical()));
    EXPECT_EQ(r.folder, kFolder);
    EXPECT_EQ(r.codePage, 936u);
    EXPECT_EQ(r.language, "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4");
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_TRUE(r.files[1].whole);
    EXPECT_FALSE(r.files[1].existedBefore);
    EXPECT_TRUE(r.files[2].existedBefore) << "game00.dat was there before it was written";
    EXPECT_EQ(r.folders.size(), 1u);
    EXPECT_EQ(r.linkFolder, kPrograms + "\\Lunavire");
    ASSERT_EQ(r.registrations.size(), 1u);
    EXPECT_EQ(r.registrations[0].first, plat::RootKey::LocalMachine);
    ASSERT_NE(r.activeOriginal(kFolder + "\\GAME00.DAT"), nullptr) << "paths are matched without regard to case";
    ASSERT_NE(r.patchFile(kFolder + "\\kestal.exe"), nullptr);
    EXPECT_FALSE(r.patchFile(kFolder + "\\kestal.exe")->existedBefore);
    EXPECT_EQ(r.patchLinks.size(), 1u);
    EXPECT_EQ(r.addOnFiles.size(), 1u);
    ASSERT_EQ(r.addOnKeys.size(), 1u);
    EXPECT_EQ(r.addOnKeys[0].value, "VoiceAddOn");
}

TEST_F(RecordTest, ARecordCutAtAnyByteReadsAsItsWholeLines) {
    const auto lines = typical();
    const std::string bytes = encode(lines);
    const std::size_t headerEnd = encode({lines[0], lines[1]}).size();
    for (std::size_t cut = headerEnd; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        Record r;
        ASSERT_NO_THROW(r = shell::record::parse(bytes.substr(0, cut))) << "a kill leaves a record that reads";
        // Exactly the lines that end before the cut count.
        std::size_t whole = 0, at = 0;
        for (const auto& f : lines) {
            at += shell::record::encodeLine(f).size();
            if (at <= cut) ++whole;
        }
        Record expect;
        for (std::size_t i = 0; i < whole; ++i) expect.apply(lines[i]);
        EXPECT_EQ(r.files.size(), expect.files.size());
        EXPECT_EQ(r.patchFiles.size(), expect.patchFiles.size());
        EXPECT_EQ(r.originals.size(), expect.originals.size());
        EXPECT_EQ(r.addOnKeys.size(), expect.addOnKeys.size());
        for (std::size_t i = 0; i < r.files.size(); ++i)
            EXPECT_EQ(r.files[i].whole, expect.files[i].whole) << "a file is whole only once its line is";
    }
}

TEST_F(RecordTest, DamageIsFoundWhereverItIs) {
    const std::string good = encode(typical());
    struct Row {
        std::string bytes;
        std::size_t line;
        const char* rule;
    } rows[] = {
        {"", 0, "an empty file has no folder"},
        {encode({{"folder", kFolder}}), 1, "no header"},
        {encode({{"LUNAVIRE-RECORD", "2", "936"}, {"folder", kFolder}}), 1, "another version"},
        {encode(withHeader({{"erase", "C:\\"}})), 3, "an unknown line, checksum and all"},
        {encode(withHeader({{"file", kFolder + "\\a", "extra"}})), 3, "a line with a field too many"},
        {encode(withHeader({{"file?", kFolder + "\\a", "maybe"}})), 3, "neither new nor old"},
        {encode(withHeader({{"registered", "HKCR", "x"}})), 3, "a root the record never writes"},
        {encode(withHeader({{"restored", kFolder + "\\game00.dat"}})), 3, "restored without a kept original"},
        {good.substr(0, 40) + "\r\n" + good.substr(40), 2, "a line broken in two"},
        {[&] {
             std::string b = good;
             b[good.find("a.wav")] = 'b';
             return b;
         }(),
         7, "a changed byte fails its line's checksum"},
        {"00000000 x\r\n", 1, "a checksum that does not match"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        try {
            shell::record::parse(r.bytes);
            ADD_FAILURE() << "read as a record: " << r.rule;
        } catch (const shell::record::FormatError& e) {
            if (r.line) {
                EXPECT_EQ(e.line, r.line) << e.what;
            }
        }
    }
}

TEST_F(RecordTest, AKeptOriginalIsNeverReplacedUntilItIsRestored) {
    const std::string target = kFolder + "\\game01.dat", kept = kFolder + "\\Uninstall\\Original\\game01.dat";
    Record r = shell::record::parse(encode(withHeader({
        {"keep?", target, kept},
        {"keep", target, kept},
        {"patch?", target, "old"},
        {"patch", target},
        // A second patch run: the same original stays the one kept.
        {"keep?", target, kept},
        {"patch?", target, "new"},
        {"patch", target},
    })));
    ASSERT_NE(r.activeOriginal(target), nullptr);
    EXPECT_TRUE(r.patchFile(target)->existedBefore) << "the file stays as it first was: replaced, not made";

    r.apply({"restored", target});
    EXPECT_EQ(r.activeOriginal(target), nullptr);
    EXPECT_TRUE(r.patchFile(target)->undone);
    r.apply({"keep?", target, kept});
    EXPECT_EQ(r.activeOriginal(target), nullptr) << "an original announced is not kept yet";
    r.apply({"keep", target, kept});
    EXPECT_NE(r.activeOriginal(target), nullptr) << "after a restore the next patch keeps it again";
}

TEST_F(RecordTest, ARecordStaysWithinItsFolders) {
    s.setWindowsFolder("C:\\WINDOWS");
    shell::record::Bounds bounds{kFolder, "C:\\WINDOWS", 936, {{plat::RootKey::LocalMachine, "Software\\Lunavire"}}};
    struct Row {
        std::vector<Fields> lines;
        std::string folder;
        std::optional<Refusal::Kind> refusal;
        const char* rule;
    } rows[] = {
        {typical(), kFolder, std::nullopt, "a typical record keeps to its folders"},
        {withHeader({{"file", "C:\\Windows\\x"}}), kFolder, Refusal::Outside, "a file in the Windows folder"},
        {withHeader({{"file", kFolder + "\\..\\x"}}), kFolder, Refusal::Outside, "a way out through .."},
        {withHeader({{"file", kFolder + "x\\a"}}), kFolder, Refusal::Outside, "a sibling whose name begins alike"},
        {withHeader({{"file", kFolder}}), kFolder, Refusal::Outside, "the folder itself is no file below it"},
        {withHeader({{"keep", kFolder + "\\a", kFolder + "\\b"}}), kFolder, Refusal::Outside,
         "an original kept outside the originals' folder"},
        {withHeader({{"links", "C:\\Users\\Player\\Desktop"}, {"link", "C:\\Users\\Player\\Desktop\\x.lnk"}}),
         kFolder, Refusal::UnsafeFolder, "shortcuts only in a Start-menu folder named Lunavire"},
        {withHeader({{"links", kPrograms + "\\Lunavire"}, {"plink", kPrograms + "\\Other\\x.lnk"}}), kFolder,
         Refusal::Outside, "a shortcut outside its folder"},
        {withHeader({{"addon-file", "c:\\boot.ini"}}), kFolder, Refusal::Outside, "only the add-on's own files in C:"},
        {withHeader({{"addon-key", "HKLM", "Software\\Microsoft"}}), kFolder, Refusal::Outside,
         "only keys the add-on's script names"},
        {withHeader({{"addon-value", "HKLM", "Software\\Lunavire\\Engine", "Level"}}), kFolder, std::nullopt,
         "a value below a key the script names"},
        {withHeader({}, "C:"), "C:", Refusal::UnsafeFolder, "a drive's root"},
        {withHeader({}, "C:\\"), "C:\\", Refusal::UnsafeFolder, "a drive's root with its backslash"},
        {withHeader({}, "C:\\Windows\\Lunavire"), "C:\\Windows\\Lunavire", Refusal::UnsafeFolder,
         "inside the Windows folder"},
        {withHeader({}), "D:\\Other", Refusal::OtherFolder, "another folder's record"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        bounds.installFolder = r.folder;
        auto refused = shell::record::check(shell::record::parse(encode(r.lines)), bounds);
        ASSERT_EQ(refused.has_value(), r.refusal.has_value()) << (refused ? refused->subject : "");
        if (refused) {
            EXPECT_EQ(refused->kind, *r.refusal) << refused->subject;
        }
    }
    bounds.installFolder = kFolder;
    bounds.codePage = 950;
    auto refused = shell::record::check(shell::record::parse(encode(typical())), bounds);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, Refusal::CodePage) << "paths of another code page read as other paths";
}

TEST_F(RecordTest, DoubledSeparatorsAreOneAndDoubleByteNamesStayWhole) {
    // 乗 (0x81 0x5C in GBK) ends a name with a byte that is a backslash elsewhere.
    EXPECT_EQ(shell::record::normalPath("C:\\a\x81\x5C\\\\game03.dat"), "C:\\a\x81\x5C\\game03.dat");
    EXPECT_EQ(shell::record::normalPath("C:\\L\\\\\\music\\\\x.ogg"), "C:\\L\\music\\x.ogg");
    EXPECT_TRUE(shell::record::below("C:\\a\x81\x5C\\x", "C:\\a\x81\x5C"));
    EXPECT_FALSE(shell::record::below("C:\\a\x81\x5C\\x", "C:\\a\x81"))
        << "a trail byte 0x5C is no separator";
}

// ---------------------------------------------------------------- the file

class RecordFileTest : public simtest::SimTest {
protected:
    std::string path() const { return shell::record::recordPath(kFolder); }
    std::string bytes() const { return s.readFile(path()).value_or(""); }
};

TEST_F(RecordFileTest, AWriterBeginsARecordAndAddsToItAcrossRuns) {
    s.makeFolder(kFolder);
    {
        shell::record::Writer w(kFolder, 936);
        w.add({"file?", kFolder + "\\a.dat", "new"});
        EXPECT_EQ(shell::record::parse(bytes()).files.size(), 1u) << "each line is on disk before add() returns";
        w.add({"file", kFolder + "\\a.dat"});
        EXPECT_EQ(s.openHandles(), 1u) << "the record is held for the run";
    }
    EXPECT_EQ(s.openHandles(), 0u);
    {
        shell::record::Writer again(kFolder, 936);
        EXPECT_TRUE(again.record().files[0].whole) << "a second run reads what the first wrote";
        again.add({"dir", kFolder + "\\music"});
    }
    auto loaded = shell::record::load(kFolder);
    ASSERT_TRUE(loaded.record) << loaded.refusal->subject;
    EXPECT_EQ(loaded.record->files.size(), 1u);
    EXPECT_EQ(loaded.record->folders.size(), 1u);
}

TEST_F(RecordFileTest, ALineAKillCutShortIsDroppedBeforeTheNextRunAdds) {
    s.makeFolder(kFolder);
    { shell::record::Writer w(kFolder, 936); }
    const std::string cut = shell::record::encodeLine({"file", kFolder + "\\half"});
    s.writeFile(path(), bytes() + cut.substr(0, cut.size() / 2));
    {
        shell::record::Writer w(kFolder, 936);
        w.add({"file", kFolder + "\\next"});
    }
    auto loaded = shell::record::load(kFolder);
    ASSERT_TRUE(loaded.record) << "the half line would have joined the next: " << loaded.refusal->subject;
    ASSERT_EQ(loaded.record->files.size(), 1u);
    EXPECT_EQ(loaded.record->files[0].path, kFolder + "\\next");
}

TEST_F(RecordFileTest, ADamagedRecordIsSetAsideAndAFailedWriteStopsTheWriter) {
    s.writeFile(path(), "not a record\r\n");
    {
        shell::record::Writer w(kFolder, 936);
        EXPECT_TRUE(w.record().files.empty());
    }
    EXPECT_EQ(s.readFile(kFolder + "\\Uninstall\\Uninstall.old"), "not a record\r\n") << "kept for a look";
    EXPECT_FALSE(shell::record::load(kFolder).refusal);

    {
        shell::record::Writer w(kFolder, 936);
        const std::size_t size = bytes().size();
        s.failWriteAt(path(), static_cast<std::uint32_t>(size + 5), plat::err::DiskFull);
        EXPECT_THROW(w.add({"file", kFolder + "\\a"}), base::Error);
        s.clearFaults();
        EXPECT_THROW(w.add({"file", kFolder + "\\b"}), base::Error) << "nothing is added after a failed line";
    }
    auto loaded = shell::record::load(kFolder);
    ASSERT_TRUE(loaded.record) << "the cut line is left out: " << loaded.refusal->subject;
    EXPECT_TRUE(loaded.record->files.empty());
}

TEST_F(RecordFileTest, AMissingOrHeldRecordIsReportedWithItsReason) {
    auto missing = shell::record::load(kFolder);
    ASSERT_TRUE(missing.refusal);
    EXPECT_EQ(missing.refusal->kind, Refusal::Missing);
    EXPECT_EQ(missing.refusal->code, plat::err::PathNotFound);
    s.makeFolder(kFolder);
    shell::record::Writer w(kFolder, 936);
    auto held = shell::record::load(kFolder);
    ASSERT_TRUE(held.refusal) << "a run that writes the record holds it";
    EXPECT_EQ(held.refusal->code, plat::err::SharingViolation);
}

}  // namespace
