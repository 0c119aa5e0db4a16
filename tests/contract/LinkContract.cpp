// Links (symbolic links, junctions): a walk over a tree tells one by the
// entry's own attributes, and taking a link away leaves what it leads to.
// What the uninstaller's removal must be able to rely on before it deletes
// anything in a folder the player may have linked elsewhere.
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::attr::Directory;
using plat::attr::ReparsePoint;

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class LinkContract : public ContractTest {
protected:
    static std::string readThroughSeam(const plat::Path& path) {
        plat::File f;
        if (const plat::SysError e = plat::File::openRead(path, f); e.failed())
            return "(error " + std::to_string(e.code()) + ")";
        std::string out(64, '\0');
        std::uint32_t done = 0;
        if (const plat::SysError e = f.read(&out[0], static_cast<std::uint32_t>(out.size()), done); e.failed())
            return "(error " + std::to_string(e.code()) + ")";
        out.resize(done);
        return out;
    }
};

TEST_F(LinkContract, ALinkIsListedWithItsOwnAttributesAndLeadsToItsTarget) {
    env().makeFolder(at("saves"));
    env().writeFile(at("saves\\slot1.sav"), "progress");
    env().writeFile(at("game.cfg"), "cfg");
    env().makeLink(at("folderlink"), at("saves"));
    env().makeLink(at("filelink"), at("game.cfg"));

    const auto folder = list(at("folderlink"));
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_EQ(folder[0].attributes & (ReparsePoint | Directory), ReparsePoint | Directory)
        << "a folder link is a folder and a reparse point";
    const auto file = list(at("filelink"));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].attributes & Directory, 0u) << "a file link is no folder";
    expectExceptOn("win32", (file[0].attributes & ReparsePoint) != 0, "a file link is a reparse point");

    EXPECT_EQ(namesOf(list(at("folderlink\\*.sav"))), std::vector<std::string>{"slot1.sav"})
        << "a search through a folder link lists its target";
    EXPECT_EQ(readThroughSeam(at("folderlink\\slot1.sav")), "progress");
    EXPECT_EQ(readThroughSeam(at("filelink")), "cfg") << "opening a file link opens its target";
}

TEST_F(LinkContract, DeletingAFileLinkLeavesItsTargetByteForByte) {
    const std::string bytes("\x00\xFFsaved\r\n", 9);
    env().writeFile(at("slot1.sav"), bytes);
    env().makeLink(at("slot1link.sav"), at("slot1.sav"));

    EXPECT_TRUE(sys().deleteFile(at("slot1link.sav")).ok());
    const bool linkGone = list(at("slot1link.sav")).empty();
    const bool targetKept = sys().fileExists(at("slot1.sav")) && env().readFile(at("slot1.sav")) == bytes;
    expectExceptOn("win32", linkGone && targetKept, "deleting a file link takes the link and leaves its target");
}

TEST_F(LinkContract, RemovingAFolderLinkTakesTheLinkAlone) {
    struct Row {
        const char* target;
        bool withFiles;
        const char* rule;
    } rows[] = {
        {"full", true, "removing a folder link whose target holds files takes the link"},
        {"empty", false, "removing a folder link whose target is empty takes the link, not the target"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        const plat::Path target = at(r.target), link = at(std::string(r.target) + "link");
        env().makeFolder(target);
        if (r.withFiles) env().writeFile(target / "slot1.sav", "progress");
        env().makeLink(link, target);

        const bool removed = sys().removeFolder(link).ok();
        const bool linkGone = list(link).empty();
        const bool targetKept =
            sys().folderExists(target) && (!r.withFiles || env().readFile(target / "slot1.sav") == "progress");
        if (r.withFiles) {
            EXPECT_TRUE(targetKept) << "the target folder and its files stay";
        }
        expectExceptOn("win32", removed && linkGone && targetKept, r.rule);
    }
}

// Under Wine a Unix symbolic link to a file is listed as a plain file (no
// ReparsePoint), and DeleteFile on it takes the target: only the file's
// final path tells that it lies elsewhere.
TEST_F(LinkContract, AFilesFinalPathTellsALinkWhateverItsEntrySays) {
    env().makeFolder(at("shared"));
    env().makeFolder(at("game"));
    env().writeFile(at("shared\\op.mpg"), "movie");
    env().writeFile(at("game\\plain.dat"), "data");
    env().makeLink(at("game\\op.mpg"), at("shared\\op.mpg"));
    env().makeLink(at("linked"), at("game"));
    auto final = [&](const plat::Path& path) {
        plat::Path out;
        const plat::SysError e = sys().finalPath(path, out);
        return e.ok() ? out : plat::Path("(error " + std::to_string(e.code()) + ")");
    };
    EXPECT_EQ(final(at("game\\op.mpg")), final(at("shared\\op.mpg"))) << "a file link's final path is its target's";
    EXPECT_EQ(final(at("linked\\plain.dat")), final(at("game\\plain.dat"))) << "and a folder link's files' theirs";
    EXPECT_EQ(final(at("linked")), final(at("game")));
    plat::Path spelled;
    ASSERT_TRUE(sys().finalPath(at("GAME\\PLAIN.DAT"), spelled).ok());
    EXPECT_TRUE(endsWith(spelled.text(), "\\game\\plain.dat")) << "as the disk spells it: " << spelled.text();
    EXPECT_EQ(failure([&] { return sys().finalPath(at("game\\missing.dat"), spelled); }).code(),
              plat::err::FileNotFound);

    EXPECT_TRUE(plat::isFileLink(at("game\\op.mpg")));
    EXPECT_FALSE(plat::isFileLink(at("game\\plain.dat")));
    EXPECT_FALSE(plat::isFileLink(at("linked\\plain.dat"))) << "a file reached through a folder link is no link itself";
    EXPECT_FALSE(plat::isFileLink(at("game\\missing.dat")));
}

TEST_F(LinkContract, ALongPathIsSpelledAsTheDiskHasIt) {
    env().makeFolder(at("LunavireGames"));
    env().writeFile(at("LunavireGames\\save.dat"), "x");
    const plat::Path shortForm = env().shortPath(at("LunavireGames"));
    ASSERT_NE(shortForm.name(), "LunavireGames");
    plat::Path out;
    ASSERT_TRUE(sys().longPath(shortForm / "save.dat", out).ok());
    EXPECT_TRUE(endsWith(out.text(), "\\LunavireGames\\save.dat")) << "a short name by its long one: " << out.text();
    EXPECT_EQ(plat::longName(shortForm / "new"), at("LunavireGames\\new"));
    EXPECT_EQ(plat::longName(at("lunavireGAMES\\new\\x")).text(), at("lunavireGAMES\\new\\x").text())
        << "names the disk knows keep the case given; names not yet there stay as given";
    failure([&] { return sys().longPath(at("missing"), out); });
}

}  // namespace
}  // namespace contract
