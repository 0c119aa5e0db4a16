// Paths as the program compares, joins and cuts them, against the file
// system's own comparison of names.  This file is compiled to GBK bytes;
// "\x81\x5C" is a GBK character whose second byte is the backslash's.
#include <optional>
#include <string>

#include "platform/Path.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

class PathContract : public ContractTest {};

const char kTrail5C[] = "C:\\\x81\x5C";  // a folder whose name ends in a trail byte 0x5C

TEST_F(PathContract, OnePathHoweverItIsSpelled) {
    ASSERT_EQ(sys().ansiCodePage(), 936u);
    struct Row {
        const char *a, *b;
        bool same;
    } rows[] = {
        {"C:\\Game\\a.dat", "c:\\GAME\\A.DAT", true},
        {"C:\\Game\\", "C:\\Game", true},
        {"C:\\Game\\\\a", "C:\\Game\\a", true},
        {"C:\\游戏\\ａｂ.dat", "C:\\游戏\\ＡＢ.DAT", true},  // full-width letters fold as ASCII ones do
        {"C:\\游戏\\αβ", "C:\\游戏\\ΑΒ", true},            // so do Greek
        {"C:\\游戏\\дом", "C:\\游戏\\ДОМ", true},          // and Cyrillic
        {"C:\\游戏", "C:\\戏游", false},
        {"C:\\ａ", "C:\\a", false},  // full width is another letter
        {kTrail5C, "C:\\\x81", false},
        {"C:\\Game", "C:\\Games", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.a) + " | " + r.b);
        EXPECT_EQ(plat::Path(r.a) == plat::Path(r.b), r.same);
        EXPECT_EQ(plat::Path(r.a).key() == plat::Path(r.b).key(), r.same);
    }
    EXPECT_EQ(plat::Path(std::string(kTrail5C) + "\\").text(), kTrail5C) << "a trail byte 0x5C is no separator";
    EXPECT_EQ(plat::Path(kTrail5C).text(), kTrail5C);
}

TEST_F(PathContract, JoinsPutOneBackslashBetweenNames) {
    struct Row {
        const char *folder, *relative, *joined;
    } rows[] = {
        {"C:\\", "a", "C:\\a"},
        {"C:\\Game", "a.dat", "C:\\Game\\a.dat"},
        {"C:\\Game\\", "\\a\\b\\", "C:\\Game\\a\\b"},
        {"D:\\Disc2", "GAME\\MAP01.DAT", "D:\\Disc2\\GAME\\MAP01.DAT"},
        {"E:\\", "\\Disc3\\SE.DAT", "E:\\Disc3\\SE.DAT"},
        {kTrail5C, "a", "C:\\\x81\x5C\\a"},
        {"C:\\Game", "", "C:\\Game"},
    };
    for (const Row& r : rows) EXPECT_EQ((plat::Path(r.folder) / r.relative).text(), r.joined) << r.folder;
}

TEST_F(PathContract, ParentsAndNames) {
    struct Row {
        const char *path, *parent, *name;
    } rows[] = {
        {"C:\\Game\\a.dat", "C:\\Game", "a.dat"},
        {"C:\\a", "C:\\", "a"},
        {"C:\\", "", ""},
        {"C:\\\x81\x5C\\a", kTrail5C, "a"},
        {kTrail5C, "C:\\", "\x81\x5C"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(plat::Path(r.path).parent().text(), r.parent);
        EXPECT_EQ(plat::Path(r.path).name(), r.name);
    }
}

TEST_F(PathContract, BelowGoesByWholeNames) {
    struct Row {
        const char *path, *folder;
        std::optional<std::string> relative;  // nothing: not within
    } rows[] = {
        {"C:\\Game\\x", "C:\\Game", "x"},
        {"C:\\GAME\\Save\\x.dat", "c:\\game\\", "Save\\x.dat"},
        {"C:\\Game", "C:\\Game", ""},
        {"C:\\Games\\x", "C:\\Game", std::nullopt},  // a look-alike prefix
        {"C:\\Game2", "C:\\Game", std::nullopt},
        {"C:\\Game\\x", "C:\\", "Game\\x"},
        {"D:\\Game\\x", "C:\\Game", std::nullopt},
        {"C:\\\x81\x5C\\x", "C:\\\x81", std::nullopt},  // not cut inside a character
        {"C:\\\x81\x5C\\x", kTrail5C, "x"},
        {"C:\\游戏\\ＳＡＶＥ\\1", "C:\\游戏\\ｓａｖｅ", "1"},
        {"C:\\x", "", std::nullopt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " in " + r.folder);
        const plat::Path path(r.path), folder(r.folder);
        EXPECT_EQ(path.relativeTo(folder), r.relative);
        EXPECT_EQ(path.within(folder), r.relative.has_value());
        EXPECT_EQ(path.below(folder), r.relative.has_value() && !r.relative->empty());
    }
}

}  // namespace
}  // namespace contract
