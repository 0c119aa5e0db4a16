// Links on the simulated drives: what host tests lean on to prove that code
// never walks through one.  That a link is listed by its own attributes and
// that taking it away leaves its target is the platform contract's.
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/support/SimTest.h"

namespace simtest {
namespace {

using namespace plat::attr;
namespace err = plat::err;

using SimLinks = SimTest;

TEST_F(SimLinks, WhatIsDoneThroughALinkIsDoneToTheTarget) {
    s.writeFile("C:\\Saves\\slot1.sav", "progress");
    s.writeFile("C:\\Saves\\slot2.sav", "more");
    s.linkFolder("C:\\Games\\Luna\\Saves", "C:\\Saves");

    EXPECT_TRUE(p.deleteFile("C:\\Games\\Luna\\Saves\\slot1.sav").ok());
    EXPECT_FALSE(s.exists("C:\\Saves\\slot1.sav")) << "a deletion through the link is the target's file's";
    EXPECT_EQ(s.readFile("C:\\Games\\Luna\\Saves\\slot2.sav"), "more");

    plat::FileHandle h = plat::kNoFile;
    ASSERT_TRUE(p.createNew("C:\\Games\\Luna\\Saves\\slot3.sav", h).ok());
    ASSERT_NE(h, plat::kNoFile);
    p.closeFile(h);
    EXPECT_TRUE(s.exists("C:\\Saves\\slot3.sav")) << "a file made through the link lies in the target";
    EXPECT_EQ(s.listNames("C:\\Games\\Luna\\Saves"), s.listNames("C:\\Saves"));
    EXPECT_TRUE(p.sameFile("C:\\Games\\Luna\\Saves\\slot2.sav", "C:\\Saves\\slot2.sav"));
}

TEST_F(SimLinks, TheLinkItselfIsWhatIsRemovedOrChanged) {
    s.writeFile("C:\\Saves\\slot1.sav", "progress", ReadOnly);
    s.linkFolder("C:\\Game\\Saves", "C:\\Saves");
    s.linkFile("C:\\Game\\slot1.sav", "C:\\Saves\\slot1.sav");

    ASSERT_TRUE(p.setFileAttributes("C:\\Game\\slot1.sav", Hidden).ok());
    EXPECT_EQ(s.attributes("C:\\Game\\slot1.sav"), ReparsePoint | Hidden) << "the link's own, kept as a link";
    EXPECT_EQ(s.attributes("C:\\Saves\\slot1.sav"), ReadOnly) << "the target's untouched";
    ASSERT_TRUE(p.setFileAttributes("C:\\Game\\Saves", Normal).ok());
    EXPECT_EQ(s.attributes("C:\\Game\\Saves"), ReparsePoint | Directory) << "Normal leaves a link a link";

    EXPECT_EQ(p.deleteFile("C:\\Game\\Saves").code(), err::AccessDenied) << "a folder link is no file";
    EXPECT_EQ(p.removeFolder("C:\\Game\\slot1.sav").code(), err::DirectoryName) << "nor a file link a folder";
    plat::FileHandle h = plat::kNoFile;
    EXPECT_EQ(p.createNew("C:\\Game\\slot1.sav", h).code(), err::FileExists) << "a link's name is taken";
    EXPECT_EQ(h, plat::kNoFile);

    EXPECT_TRUE(p.deleteFile("C:\\Game\\slot1.sav").ok()) << "the target's read-only is not the link's";
    EXPECT_TRUE(s.remove("C:\\Game\\Saves"));
    EXPECT_EQ(s.readFile("C:\\Saves\\slot1.sav"), "progress");
    EXPECT_TRUE(s.listNames("C:\\Game").empty());
}

TEST_F(SimLinks, ALinkTakesNoRoomAndWritesCountOnTheTargetsDrive) {
    s.addDrive('D');
    s.setDriveCapacity('C', 100);
    s.setDriveCapacity('D', 10);
    s.makeFolder("D:\\Saves");
    s.linkFolder("C:\\Game\\Saves", "D:\\Saves");
    std::uint64_t free = 0;
    ASSERT_TRUE(p.freeSpace("C:\\Game", free).ok());
    EXPECT_EQ(free, 100u) << "the link took nothing";
    ASSERT_TRUE(p.freeSpace("C:\\Game\\Saves", free).ok());
    EXPECT_EQ(free, 10u) << "through the link, the target's drive";

    plat::FileHandle h = plat::kNoFile;
    ASSERT_TRUE(p.createNew("C:\\Game\\Saves\\slot1.sav", h).ok());
    ASSERT_NE(h, plat::kNoFile);
    const char bytes[16] = {};
    std::uint32_t done = 0;
    EXPECT_EQ(p.writeFile(h, bytes, sizeof bytes, done).code(), err::DiskFull);
    EXPECT_EQ(done, 10u);
    p.closeFile(h);
    ASSERT_TRUE(p.freeSpace("C:\\Game", free).ok());
    EXPECT_EQ(free, 100u);

    EXPECT_TRUE(p.removeFolder("C:\\Game\\Saves").ok()) << "a link to a folder with files goes alone";
    ASSERT_TRUE(p.freeSpace("D:\\Saves", free).ok());
    EXPECT_EQ(free, 0u) << "and the target's bytes stay counted";
}

TEST_F(SimLinks, ALinkWhoseTargetIsGoneLeadsNowhere) {
    s.writeFile("C:\\Saves\\slot1.sav", "progress");
    s.linkFolder("C:\\Game\\Saves", "C:\\Saves");
    s.linkFile("C:\\Game\\slot1.sav", "C:\\Saves\\slot1.sav");
    ASSERT_TRUE(s.remove("C:\\Saves"));

    EXPECT_EQ(s.attributes("C:\\Game\\Saves"), ReparsePoint | Directory) << "the link's entry stays";
    EXPECT_FALSE(p.fileExists("C:\\Game\\Saves\\slot1.sav"));
    plat::FileHandle h = plat::kNoFile;
    EXPECT_EQ(p.openRead("C:\\Game\\Saves\\slot1.sav", h).code(), err::PathNotFound);
    EXPECT_EQ(p.openRead("C:\\Game\\slot1.sav", h).code(), err::FileNotFound);
    EXPECT_EQ(h, plat::kNoFile);

    s.writeFile("C:\\Saves\\slot1.sav", "new");
    EXPECT_FALSE(s.readFile("C:\\Game\\slot1.sav")) << "a new file of the old name is another file";
    EXPECT_TRUE(p.removeFolder("C:\\Game\\Saves").ok());
    EXPECT_TRUE(p.deleteFile("C:\\Game\\slot1.sav").ok());
}

}  // namespace
}  // namespace simtest
