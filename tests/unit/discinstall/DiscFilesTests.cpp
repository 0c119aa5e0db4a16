// Recognising the three discs and listing what is copied from each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discinstall/DiscFiles.h"
#include "platform/Files.h"
#include "tests/support/SimTest.h"

namespace {

using discinstall::DiscList;

class DiscFiles : public simtest::SimTest {
protected:
    void SetUp() override { s.addDrive('D', true); }
    // A disc 1 that passes its check.
    void disc1(const std::string& root) {
        for (const char* f : {"game\\game00.dat", "game\\game01.dat", "game\\game02.dat"})
            s.writeFile(root + "\\" + f, std::string(10, 'x'));
        s.makeFolder(root + "\\game\\VRecog");
        s.makeFolder(root + "\\game\\Movie");
    }
    static std::vector<std::string> paths(const DiscList& l) {
        std::vector<std::string> out;
        for (const plat::Path& p : l.paths) out.push_back(p.text());
        return out;
    }
};

TEST_F(DiscFiles, EachKindHasItsMarkersTestedAsFileOrFolder) {
    disc1("D:");
    EXPECT_TRUE(discinstall::checkDisc("D:\\", 1)) << "vandry.exe and save are no markers";
    s.remove("D:\\game\\VRecog");
    s.writeFile("D:\\game\\VRecog", "a file");
    EXPECT_FALSE(discinstall::checkDisc("D:\\", 1)) << "VRecog must be a folder";

    EXPECT_FALSE(discinstall::checkDisc("D:\\", 2));
    s.makeFolder("D:\\game03.dat");
    EXPECT_FALSE(discinstall::checkDisc("D:\\", 2)) << "game03.dat must be a file";
    s.remove("D:\\game03.dat");
    s.writeFile("D:\\game03.dat", "");
    EXPECT_TRUE(discinstall::checkDisc("D:\\", 2));

    s.writeFile("D:\\music", "");
    EXPECT_FALSE(discinstall::checkDisc("D:\\", 3)) << "music must be a folder";
    s.remove("D:\\music");
    s.makeFolder("D:\\MUSIC");
    EXPECT_TRUE(discinstall::checkDisc("D:\\", 3)) << "names match without regard to case";

    for (int kind : {0, 4, -1}) EXPECT_FALSE(discinstall::checkDisc("D:\\", kind)) << kind;
}

TEST_F(DiscFiles, Disc1ListsItsThreeFoldersDepthFirstThenItsFourFiles) {
    disc1("D:");
    s.writeFile("D:\\game\\VRecog\\b.wav", "bb");
    s.writeFile("D:\\game\\VRecog\\sub\\c.wav", "ccc");
    s.writeFile("D:\\game\\VRecog\\a.wav", "a");
    s.writeFile("D:\\game\\Movie\\op.mpg", "mmmm");
    s.writeFile("D:\\game\\save\\deep\\er\\s.sav", "s", plat::attr::Hidden | plat::attr::System);
    DiscList list;
    list.append("stale", 99);
    discinstall::buildDiscList(1, "D:", list);
    EXPECT_EQ(paths(list), (std::vector<std::string>{
                               "D:\\game\\VRecog\\b.wav", "D:\\game\\VRecog\\sub\\c.wav", "D:\\game\\VRecog\\a.wav",
                               "D:\\game\\movie\\op.mpg", "D:\\game\\save\\deep\\er\\s.sav",
                               "D:\\game\\game00.dat", "D:\\game\\game01.dat", "D:\\game\\game02.dat",
                               "D:\\game\\vandry.exe"}))
        << "listing order, subfolders in place, hidden and system files included, vandry.exe untested";
    EXPECT_EQ(list.bytes, 2u + 3 + 1 + 4 + 1 + 30) << "the sizes of what was found";
}

TEST_F(DiscFiles, AMissingSaveFolderAddsNothing) {
    disc1("D:\\cd1");
    s.writeFile("D:\\cd1\\game\\Movie\\op.mpg", "m");
    DiscList list;
    discinstall::buildDiscList(1, "D:\\cd1", list);
    EXPECT_EQ(list.count(), 5u);
    EXPECT_EQ(list[0], "D:\\cd1\\game\\movie\\op.mpg");
}

TEST_F(DiscFiles, Disc2IsOneEntryWhetherOrNotItExistsAndReplacesTheList) {
    disc1("D:");
    DiscList list;
    discinstall::buildDiscList(1, "D:", list);
    discinstall::buildDiscList(2, "E:\\cd2", list);
    EXPECT_EQ(paths(list), std::vector<std::string>{"E:\\cd2\\game03.dat"});
    EXPECT_EQ(list.bytes, 0u);
    EXPECT_FALSE(discinstall::buildDiscList(4, "D:", list));
}

TEST_F(DiscFiles, Disc3WalksFoldersNamedLikeFilesAndListsHiddenOnes) {
    s.makeFolder("D:\\music\\x.dat");
    s.writeFile("D:\\music\\x.dat\\t1.ogg", "1");
    s.writeFile("D:\\music\\.hidden", "h", plat::attr::Hidden);
    s.writeFile("D:\\music\\sys.bin", "s", plat::attr::System | plat::attr::ReadOnly);
    s.makeFolder("D:\\music\\empty");
    DiscList list;
    discinstall::buildDiscList(3, "D:", list);
    EXPECT_EQ(paths(list), (std::vector<std::string>{"D:\\music\\x.dat\\t1.ogg", "D:\\music\\.hidden",
                                                     "D:\\music\\sys.bin"}));
}

TEST_F(DiscFiles, TheWalkPumpsAfterEveryEntryButTheFirst) {
    for (const char* f : {"a", "b", "c"}) s.writeFile(std::string("D:\\music\\") + f, "");
    int pumps = 0;
    s.onPump([&] { ++pumps; });
    DiscList list;
    discinstall::walkFolder("D:\\music\\", list);
    EXPECT_EQ(list.count(), 3u);
    EXPECT_EQ(pumps, 4) << "\".\", \"..\" and three files: a pump after each but the first";

    pumps = 0;
    discinstall::walkFolder("D:\\nowhere\\", list);
    EXPECT_EQ(list.count(), 3u) << "a folder that cannot be listed adds nothing";
    EXPECT_EQ(pumps, 0);
}

}  // namespace
