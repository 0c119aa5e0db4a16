// Drives, names, listings, handles, sharing and faults of the simulated Windows.
#include <cstring>
#include <thread>

#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/support/SimTest.h"

namespace simtest {
namespace {

using namespace plat::attr;
namespace err = plat::err;

std::vector<std::string> names(plat::Platform& p, const std::string& pattern) {
    std::vector<std::string> out;
    plat::FindData e{};
    auto search = p.firstMatch(plat::Path(pattern), e);
    if (!search) return out;
    do out.push_back(e.name);
    while (search->next(e));
    return out;
}

using SimFiles = SimTest;

TEST_F(SimFiles, NamesAreFoundAsWindowsFindsThem) {
    s.addDrive('D');
    s.writeFile("C:\\Games\\Luna\\Vandry.exe", "x");
    s.writeFile("D:\\" + std::string("\xB0\x5C") + "\\a.txt", "5c");  // trail byte 0x5C in a folder name
    s.writeFile("C:\\" + std::string("\x81\x41") + ".txt", "trail A");
    s.writeFile("C:\\" + ansi("ａ") + ".txt", "full-width a");
    struct Row {
        std::string path;
        bool found;
        const char* rule;
    } rows[] = {
        {"c:\\games\\LUNA\\vandry.EXE", true, "ASCII letters fold"},
        {"C:\\\\Games\\\\\\Luna\\Vandry.exe", true, "doubled backslashes are one separator"},
        {"C:/Games/Luna/Vandry.exe", true, "a slash separates too"},
        {"\\Games\\Luna\\Vandry.exe", true, "no drive: the current drive"},
        {"C:Games\\Luna\\Vandry.exe", true, "a drive without a backslash: its root"},
        {"C:\\Games\\.\\Temp\\..\\Luna\\Vandry.exe", true, "dot and dot-dot resolve"},
        {"C:\\Games\\Luna\\Vandry.exe. ", true, "trailing dots and blanks drop"},
        {"C:\\Games\\Luna\\Vandry.exe\\", true, "a trailing backslash is dropped: the file itself"},
        {"D:\\" + std::string("\xB0\x5C") + "\\a.txt", true, "a trail byte 0x5C does not separate"},
        {"D:\\" + std::string("\xB0") + "\\a.txt", false, "half a character is another name"},
        {"C:\\" + std::string("\x81\x61") + ".txt", false, "a trail byte 'a' is not the letter a"},
        {"C:\\" + ansi("Ａ") + ".TXT", true, "full-width letters fold as Wine folds them"},
        {"E:\\Games", false, "a missing drive"},
        {"", false, "an empty path names nothing"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        const plat::Path path(r.path);
        EXPECT_EQ(p.fileExists(path) || p.folderExists(path), r.found) << r.rule;
    }
    EXPECT_TRUE(p.folderExists("C:")) << "\"X:\" alone is the root";
    EXPECT_TRUE(p.folderExists("D:\\"));
    EXPECT_FALSE(p.fileExists("C:\\Games")) << "a file test fails for a folder";
    EXPECT_FALSE(p.folderExists("C:\\Games\\Luna\\Vandry.exe")) << "and a folder test for a file";
}

TEST_F(SimFiles, ListingsComeInCreationOrderWithDotEntriesBelowTheRoot) {
    for (const char* n : {"m.dat", "Zeta.dat", "alpha.ini", "Beta.dat"}) s.writeFile(std::string("C:\\L\\") + n, n);
    s.makeFolder("C:\\L\\sub.dat");
    s.writeFile("C:\\L\\notes.datbak", "long extension");
    struct Row {
        const char* pattern;
        std::vector<std::string> expected;
    } rows[] = {
        {"C:\\L\\*", {".", "..", "m.dat", "Zeta.dat", "alpha.ini", "Beta.dat", "sub.dat", "notes.datbak"}},
        {"C:\\L\\*.*", {".", "..", "m.dat", "Zeta.dat", "alpha.ini", "Beta.dat", "sub.dat", "notes.datbak"}},
        {"C:\\L\\*.DAT", {"m.dat", "Zeta.dat", "Beta.dat", "sub.dat", "notes.datbak"}},  // short name NOTE~xxx.DAT
        {"C:\\L\\?", {"."}},
        {"C:\\L\\?.dat", {"m.dat"}},
        {"C:\\L\\b*", {"Beta.dat"}},
        {"C:\\L\\*.", {".", "..", "m.dat", "Zeta.dat", "alpha.ini", "Beta.dat", "sub.dat", "notes.datbak"}},
        {"C:\\L", {"L"}},
        {"C:\\L\\", {"L"}},  // the trailing backslash dropped
        {"C:\\*", {"Users", "Temp", "L"}},  // the user's folders come with the system
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pattern);
        EXPECT_EQ(names(p, r.pattern), r.expected);
    }
    plat::FindData e{};
    std::unique_ptr<plat::DirSearch> search;
    ASSERT_TRUE(p.findFirst("C:\\L\\*", e, search).ok());
    ASSERT_TRUE(search);
    EXPECT_EQ(e.attributes, Directory);
    while (search->next(e)) {
        if (e.name == "m.dat") {
            EXPECT_EQ(e.sizeLow, 5u);
        }
        if (e.name == "sub.dat") {
            EXPECT_EQ(e.attributes, Directory);
        }
    }
    EXPECT_FALSE(search->next(e)) << "an ended search stays ended";
    EXPECT_EQ(s.listNames("C:\\L"), (std::vector<std::string>{"m.dat", "Zeta.dat", "alpha.ini", "Beta.dat", "sub.dat",
                                                              "notes.datbak"}));

    struct Miss {
        const char* pattern;
        std::uint32_t code;
    } misses[] = {{"C:\\L\\*.xyz", err::FileNotFound}, {"C:\\Nope\\*", err::PathNotFound},
                  {"C:\\L\\m.dat\\*", err::PathNotFound}, {"Q:\\*", err::PathNotFound}};
    for (const Miss& m : misses) {
        SCOPED_TRACE(m.pattern);
        EXPECT_EQ(p.findFirst(m.pattern, e, search).code(), m.code);
        EXPECT_EQ(search, nullptr);
        EXPECT_EQ(p.firstMatch(m.pattern, e), nullptr);
    }
}

TEST_F(SimFiles, SortedDrivesListAsWineDoesByUnicodeNames) {
    s.addDrive('S');
    s.setSortedOrder('S');
    const std::string traditional = ansi("繁體中文.ini"), simplified = ansi("简体中文.ini");
    // GBK puts 繁 (B7B1) before 简 (BCF2); Unicode puts 简 (7B80) before 繁 (7E41).
    for (const std::string& n : {std::string("zeta"), std::string("_x"), traditional, std::string("[b"),
                                 std::string("a b"), std::string("AC"), simplified, std::string("ab")})
        s.writeFile("S:\\F\\" + n, "");
    EXPECT_EQ(names(p, "S:\\F\\*"), (std::vector<std::string>{".", "..", "a b", "ab", "AC", "zeta", "[b", "_x",
                                                              simplified, traditional}));
    EXPECT_THROW(s.setSortedOrder('S', false), std::logic_error) << "the order is chosen before entries exist";
}

TEST_F(SimFiles, CreateAndDeleteGiveWindowsCodes) {
    s.addDrive('R', /*readOnlyMedia=*/true);
    s.writeFile("R:\\disc.dat", "cd");
    s.writeFile("C:\\f.txt", "f");
    s.writeFile("C:\\ro.txt", "r", ReadOnly);
    s.makeFolder("C:\\dir");
    struct Row {
        const char* what;
        plat::SysError (plat::Files::*op)(const plat::Path&);
        const char* path;
        std::uint32_t code;  // 0: succeeds
    } rows[] = {
        {"new folder", &plat::Files::createFolder, "C:\\dir\\new", 0},
        {"existing folder", &plat::Files::createFolder, "C:\\DIR", err::AlreadyExists},
        {"over a file", &plat::Files::createFolder, "C:\\f.txt", err::AlreadyExists},
        {"root", &plat::Files::createFolder, "C:\\", err::AlreadyExists},
        {"missing parent", &plat::Files::createFolder, "C:\\no\\new", err::PathNotFound},
        {"on read-only media", &plat::Files::createFolder, "R:\\new", err::WriteProtect},
        {"on a missing drive", &plat::Files::createFolder, "Q:\\new", err::FileNotFound},
        {"delete a folder", &plat::Files::deleteFile, "C:\\dir", err::AccessDenied},
        {"delete missing", &plat::Files::deleteFile, "C:\\none.txt", err::FileNotFound},
        {"delete in missing folder", &plat::Files::deleteFile, "C:\\no\\none.txt", err::PathNotFound},
        {"delete read-only", &plat::Files::deleteFile, "C:\\ro.txt", err::AccessDenied},
        {"delete on read-only media", &plat::Files::deleteFile, "R:\\disc.dat", err::WriteProtect},
        {"delete", &plat::Files::deleteFile, "C:\\F.TXT", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ((p.*r.op)(r.path).code(), r.code);
    }
    EXPECT_EQ(s.attributes("C:\\dir\\new"), Directory);
    EXPECT_FALSE(s.exists("C:\\f.txt"));
}

TEST_F(SimFiles, HandlesAreUnsharedAndCarryTheirCodes) {
    s.writeFile("C:\\src.bin", "0123456789");
    s.writeFile("C:\\ro.bin", "r", ReadOnly);
    s.makeFolder("C:\\dir");
    plat::FileHandle h = plat::kNoFile;
    EXPECT_TRUE(p.openRead("c:\\SRC.bin", h).ok());
    ASSERT_NE(h, plat::kNoFile);

    struct Row {
        const char* what;
        plat::SysError (plat::Files::*op)(const plat::Path&, plat::FileHandle&);
        const char* path;
        std::uint32_t code;
    } rows[] = {
        {"second open of an open file", &plat::Files::openRead, "C:\\src.bin", err::SharingViolation},
        {"write open of an open file", &plat::Files::openWrite, "C:\\src.bin", err::SharingViolation},
        {"replace an open file", &plat::Files::createAlways, "C:\\src.bin", err::SharingViolation},
        {"create new over an open file", &plat::Files::createNew, "C:\\src.bin", err::FileExists},
        {"open a folder", &plat::Files::openRead, "C:\\dir", err::AccessDenied},
        {"create new over a folder", &plat::Files::createNew, "C:\\dir", err::FileExists},
        {"write open of a read-only file", &plat::Files::openWrite, "C:\\ro.bin", err::AccessDenied},
        {"replace a read-only file", &plat::Files::createAlways, "C:\\ro.bin", err::AccessDenied},
        {"missing file", &plat::Files::openRead, "C:\\none", err::FileNotFound},
        {"missing folder", &plat::Files::openRead, "C:\\none\\x", err::PathNotFound},
        {"create in missing folder", &plat::Files::createNew, "C:\\none\\x", err::PathNotFound},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        plat::FileHandle other = 1234;
        EXPECT_EQ((p.*r.op)(r.path, other).code(), r.code);
        EXPECT_EQ(other, plat::kNoFile);
    }
    EXPECT_EQ(p.deleteFile("C:\\src.bin").code(), err::SharingViolation) << "an open file cannot be deleted";

    char buf[8];
    std::uint32_t done = 99;
    EXPECT_EQ(p.writeFile(h, "x", 1, done).code(), err::AccessDenied) << "a read handle does not write";
    EXPECT_TRUE(p.seekFromStart(h, 8).ok());
    EXPECT_TRUE(p.readFile(h, buf, 8, done).ok());
    EXPECT_EQ(done, 2u);
    EXPECT_TRUE(p.readFile(h, buf, 8, done).ok());
    EXPECT_EQ(done, 0u) << "the end of a file reads 0 bytes and succeeds";
    p.closeFile(h);
    EXPECT_EQ(s.openHandles(), 0u);
    EXPECT_EQ(p.readFile(h, buf, 1, done).code(), err::InvalidHandle) << "a closed handle is invalid";
    EXPECT_TRUE(p.deleteFile("C:\\src.bin").ok()) << "closed, the file can go";

    EXPECT_TRUE(p.createAlways("C:\\ro2.bin", h).ok());
    p.closeFile(h);
    EXPECT_TRUE(p.createAlways("C:\\RO2.bin", h).ok()) << "replacing a file is no failure";
    ASSERT_NE(h, plat::kNoFile);
    EXPECT_TRUE(p.seekFromStart(h, 3).ok());
    EXPECT_TRUE(p.writeFile(h, "ab", 2, done).ok());
    std::uint32_t size = 0;
    EXPECT_TRUE(p.fileSize(h, size).ok());
    EXPECT_EQ(size, 5u);
    p.closeFile(h);
    EXPECT_EQ(s.readFile("C:\\ro2.bin"), std::string("\0\0\0ab", 5)) << "a write past the end fills the gap with zeros";
    EXPECT_EQ(s.attributes("C:\\ro2.bin"), Archive);
}

TEST_F(SimFiles, AnotherProcessHoldingAFileBlocksOpenAndDelete) {
    s.writeFile("C:\\setvice.exe", "exe");
    s.lockFile("C:\\setvice.exe");
    plat::FileHandle h = plat::kNoFile;
    EXPECT_EQ(p.openRead("C:\\setvice.exe", h).code(), err::SharingViolation);
    EXPECT_EQ(h, plat::kNoFile);
    EXPECT_EQ(p.deleteFile("C:\\setvice.exe").code(), err::SharingViolation);
    s.unlockFile("C:\\SETVICE.EXE");
    EXPECT_TRUE(p.deleteFile("C:\\setvice.exe").ok());
}

TEST_F(SimFiles, ReadAndWriteFaultsStrikeAtTheirByte) {
    s.writeFile("C:\\src.bin", std::string(3000, 's'));
    s.failReadAt("c:\\SRC.BIN", 2500, 23);
    s.failWriteAt("C:\\dst.bin", 1500, err::DiskFull);
    plat::FileHandle in = plat::kNoFile, out = plat::kNoFile;
    ASSERT_TRUE(p.openRead("C:\\src.bin", in).ok());
    ASSERT_TRUE(p.createNew("C:\\dst.bin", out).ok());
    ASSERT_NE(in, plat::kNoFile);
    ASSERT_NE(out, plat::kNoFile);
    char buf[1024];
    std::uint32_t done = 0;
    ASSERT_TRUE(p.readFile(in, buf, 1024, done).ok());
    ASSERT_TRUE(p.writeFile(out, buf, done, done).ok());
    ASSERT_TRUE(p.readFile(in, buf, 1024, done).ok());
    EXPECT_EQ(p.writeFile(out, buf, done, done).code(), err::DiskFull) << "a write that reaches the fault fails";
    EXPECT_EQ(done, 1500u - 1024u) << "after writing up to the faulty byte";
    EXPECT_EQ(p.readFile(in, buf, 1024, done).code(), 23u) << "a read that would reach byte 2500 fails";
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(p.seekFromStart(in, 0).ok());
    EXPECT_TRUE(p.readFile(in, buf, 1024, done).ok()) << "reads before the faulty byte still work";
    p.closeFile(in);
    p.closeFile(out);
    EXPECT_EQ(s.readFile("C:\\dst.bin")->size(), 1500u);

    s.failCreate("C:\\new.bin", err::AccessDenied);
    s.failOpen("C:\\src.bin", err::SharingViolation);
    s.failCreateFolder("C:\\Dir", 5);
    s.failDelete("C:\\dst.bin", err::SharingViolation);
    plat::FileHandle h = plat::kNoFile;
    EXPECT_EQ(p.createNew("C:\\NEW.bin", h).code(), err::AccessDenied);
    EXPECT_EQ(h, plat::kNoFile);
    EXPECT_EQ(p.openRead("C:\\src.bin", h).code(), err::SharingViolation);
    EXPECT_EQ(h, plat::kNoFile);
    EXPECT_EQ(p.createFolder("C:\\dir\\").code(), 5u);
    EXPECT_TRUE(p.deleteFile("C:\\dst.bin").failed());
    s.clearFaults();
    EXPECT_TRUE(p.deleteFile("C:\\dst.bin").ok());
}

TEST_F(SimFiles, AFullDriveWritesWhatFits) {
    s.addDrive('F');
    s.setDriveCapacity('F', 100);
    s.writeFile("F:\\old.bin", std::string(60, 'o'));
    plat::FileHandle h = plat::kNoFile;
    ASSERT_TRUE(p.createNew("F:\\new.bin", h).ok());
    char buf[64] = {};
    std::uint32_t done = 0;
    EXPECT_EQ(p.writeFile(h, buf, 64, done).code(), err::DiskFull);
    EXPECT_EQ(done, 40u);
    p.closeFile(h);
    EXPECT_TRUE(p.deleteFile("F:\\old.bin").ok());
    ASSERT_TRUE(p.openWrite("F:\\new.bin", h).ok());
    EXPECT_TRUE(p.writeFile(h, buf, 64, done).ok()) << "deleting frees the space";
    p.closeFile(h);
}

TEST_F(SimFiles, ErrorTextsAreWinesInTheCodePagesLocale) {
    struct Row {
        unsigned codePage;
        std::uint32_t code;
        const char* bytes;  // FormatMessageA under Wine 8 in zh_CN / zh_TW / C
    } rows[] = {
        {936, 32, "\xB9\xB2\xCF\xED\xB3\xE5\xCD\xBB\xA1\xA3\r\n"},
        {936, 80, "\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA\xA1\xA3\r\n"},
        {936, 112, "\xB4\xC5\xC5\xCC\xC2\xFA\xA1\xA3\r\n"},
        {936, 183, "\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA\xA1\xA3\r\n"},
        {950, 0, "\xA6\xA8\xA5\x5C\xA1\x43\r\n"},
        {950, 3, "\xA7\xE4\xA4\xA3\xA8\xEC\xB8\xF4\xAE\x7C\xA1\x43\r\n"},
        {950, 6, "\xB5\x4C\xAE\xC4\xAA\xBA\xB1\xB1\xA8\xEE\xA5\x4E\xBD\x58\xA1\x43\r\n"},
        {950, 19, "\xA4\x77\xB3\x5D\xA9\x77\xBC\x67\xA4\x4A\xAB\x4F\xC5\x40\xA1\x43\r\n"},
        {1252, 5, "Access denied.\r\n"},
        {1252, 38, "End of file.\r\n"},
        {936, 9999, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.codePage) + " / " + std::to_string(r.code));
        s.setCodePage(r.codePage);
        EXPECT_EQ(p.errorText(r.code), r.bytes);
    }
}

TEST_F(SimFiles, ACallsCodeIsItsOwnWhateverTheThread) {
    plat::FileHandle h = plat::kNoFile;
    const plat::SysError here = p.openRead("C:\\none", h);
    plat::SysError there;
    std::thread([&] { there = p.deleteFile("C:\\no\\x"); }).join();
    EXPECT_EQ(there.code(), err::PathNotFound);
    EXPECT_EQ(here.code(), err::FileNotFound) << "another thread's failure leaves this call's code alone";
}

}  // namespace
}  // namespace simtest
