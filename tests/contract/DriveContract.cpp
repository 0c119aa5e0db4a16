// File stamps, drives and what a run's log tells of the system, as resuming
// an installation, finding a disc in any drive and the logs rely on them.
#include <bitset>

#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::FileStamp;

class DriveContract : public ContractTest {};

// 2001-09-09 01:46:40 UTC, a whole second long before any test runs.
constexpr std::uint64_t kOldTime = 126444316000000000ull;

TEST_F(DriveContract, AFileStampTellsSizeAndLastWriteTimeOfFilesOnly) {
    env().writeFile(at("data.bin"), std::string(70000, 'd'));
    env().makeFolder(at("folder"));
    FileStamp stamp;
    ASSERT_TRUE(sys().fileStamp(at("DATA.BIN"), stamp).ok()) << "a file's stamp, its name in any case";
    EXPECT_EQ(stamp.size, 70000u);
    EXPECT_NE(stamp.lastWrite, 0u);

    struct Row {
        const char* path;
        std::uint32_t code;
        const char* rule;
    } rows[] = {
        {"folder", plat::err::AccessDenied, "a folder has no stamp"},
        {"missing.bin", plat::err::FileNotFound, "a missing file has none"},
        {"missing\\x.bin", plat::err::PathNotFound, "nor one in a missing folder"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(failure([&] { return sys().fileStamp(at(r.path), stamp); }, r.rule).code(), r.code) << r.rule;
    }
}

TEST_F(DriveContract, ALastWriteTimeSetStaysThroughAMoveAndGoesWithAWrite) {
    env().writeFile(at("copy.~00"), "whole copy");
    ASSERT_TRUE(sys().setLastWriteTime(at("copy.~00"), kOldTime).ok());
    FileStamp stamp;
    ASSERT_TRUE(sys().fileStamp(at("copy.~00"), stamp).ok());
    EXPECT_EQ(stamp.lastWrite, kOldTime) << "the time as set, to the second";

    env().writeFile(at("copy.dat"), "older file");
    ASSERT_TRUE(sys().moveReplacing(at("copy.~00"), at("copy.dat")).ok());
    ASSERT_TRUE(sys().fileStamp(at("copy.dat"), stamp).ok());
    EXPECT_EQ(stamp.lastWrite, kOldTime) << "a move keeps the time: a replaced file carries its source's";

    {
        plat::File f;
        ASSERT_TRUE(plat::File::openWrite(at("copy.dat"), f).ok());
        std::uint32_t done = 0;
        EXPECT_TRUE(f.write("X", 1, done).ok());
    }
    ASSERT_TRUE(sys().fileStamp(at("copy.dat"), stamp).ok());
    EXPECT_NE(stamp.lastWrite, kOldTime) << "a write stamps a time of its own";

    {
        plat::File held;
        ASSERT_TRUE(plat::File::openRead(at("copy.dat"), held).ok());
        EXPECT_TRUE(sys().setLastWriteTime(at("copy.dat"), kOldTime).ok())
            << "a file held open elsewhere takes a time too";
    }

    env().makeFolder(at("folder"));
    EXPECT_EQ(failure([&] { return sys().setLastWriteTime(at("missing.dat"), kOldTime); }).code(),
              plat::err::FileNotFound)
        << "a missing file takes none";
    failure([&] { return sys().setLastWriteTime(at("folder"), kOldTime); }, "nor does a folder");
}

TEST_F(DriveContract, TheScratchDriveIsAFixedDriveWithAClusterSize) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(scratch().text()[0])));
    const std::bitset<26> drives(sys().logicalDrives());
    EXPECT_TRUE(drives.test(static_cast<std::size_t>(letter - 'A'))) << "the scratch folder's drive is listed";
    EXPECT_EQ(sys().driveType(letter), plat::DriveType::Fixed);
    for (char l = 'A'; l <= 'Z'; ++l) {
        if (drives.test(static_cast<std::size_t>(l - 'A'))) continue;
        EXPECT_EQ(sys().driveType(l), plat::DriveType::NoRootDir) << "an unlisted drive " << l << " has no root";
    }

    std::uint32_t cluster = 0;
    ASSERT_TRUE(sys().clusterSize(scratch(), cluster).ok());
    EXPECT_GE(cluster, 512u);
    EXPECT_EQ(cluster & (cluster - 1), 0u) << "a power of two: " << cluster;
}

TEST_F(DriveContract, TheTemporaryFolderClockVersionAndUtf8ServeALog) {
    const std::string temp = sys().tempFolder();
    ASSERT_GE(temp.size(), 2u);
    EXPECT_EQ(temp[1], ':') << temp;
    EXPECT_NE(temp.back(), '\\') << "no trailing backslash: " << temp;

    const plat::LocalTime t = sys().localTime();
    EXPECT_GE(t.year, 2020);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31) << t.month << "-" << t.day;
    EXPECT_TRUE(t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 61);

    EXPECT_GE(sys().windowsVersion().major, 5u) << "Windows XP or later";

    // 简体 in GBK, a backslash as a trail byte (乗, 81 5C), and ASCII.
    EXPECT_EQ(sys().ansiToUtf8("\xBC\xF2\xCC\xE5 a\\\x81\x5C"), "\xE7\xAE\x80\xE4\xBD\x93 a\\\xE4\xB9\x97")
        << "code page 936 to UTF-8, character by character";
    EXPECT_EQ(sys().ansiToUtf8(""), "");
}

}  // namespace
}  // namespace contract
